# Cross build for Windows x86-64 with MinGW-w64 (posix thread model, which
# std::thread and friends need).
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64-target.cmake")

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
