# The Windows x86-64 build with clang-22 and lld-22 in place of GCC and GNU
# ld, on the headers, C runtime and libstdc++ of MinGW-w64 (those that
# g++-mingw-w64-x86-64-posix installs). It shows that the code is not GCC's
# alone; the release is built by mingw-w64-x86_64.cmake.
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64-target.cmake")

set(CMAKE_C_COMPILER clang-22)
set(CMAKE_C_COMPILER_TARGET x86_64-w64-mingw32)
set(CMAKE_CXX_COMPILER clang++-22)
set(CMAKE_CXX_COMPILER_TARGET x86_64-w64-mingw32)
# MinGW-w64's GCC, and so the libstdc++ built with it, keeps thread-local
# variables in emulated TLS (std::call_once's among them); clang must reach
# them the same way.
set(CMAKE_C_FLAGS_INIT "-femulated-tls")
set(CMAKE_CXX_FLAGS_INIT "-femulated-tls")
# GCC's posix compiler links winpthreads, which std::thread needs, by itself;
# clang's driver adds it for -pthread.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -pthread")
