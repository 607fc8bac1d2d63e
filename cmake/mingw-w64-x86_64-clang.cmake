# The Windows x86-64 build with clang-22 and lld-22 in place of GCC and GNU
# ld, on the headers, C runtime and libstdc++ of MinGW-w64 (those that
# g++-mingw-w64-x86-64-posix installs). It shows that the code is not GCC's
# alone; the release is built by mingw-w64-x86_64.cmake.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER clang-22)
set(CMAKE_C_COMPILER_TARGET x86_64-w64-mingw32)
set(CMAKE_CXX_COMPILER clang++-22)
set(CMAKE_CXX_COMPILER_TARGET x86_64-w64-mingw32)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
# MinGW-w64's GCC, and so the libstdc++ built with it, keeps thread-local
# variables in emulated TLS (std::call_once's among them); clang must reach
# them the same way.
set(CMAKE_C_FLAGS_INIT "-femulated-tls")
set(CMAKE_CXX_FLAGS_INIT "-femulated-tls")
# GCC's posix compiler links winpthreads, which std::thread needs, by itself;
# clang's driver adds it for -pthread.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -pthread")

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run")
