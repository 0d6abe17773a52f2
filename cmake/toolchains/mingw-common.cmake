# SPDX-License-Identifier: MIT
# What both MinGW-w64 toolchains share. The posix thread variants of the compilers are the ones
# with std::thread and std::mutex; the win32 variants lack them.
set(CMAKE_C_COMPILER ${VELTRANE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELTRANE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VELTRANE_MINGW_PREFIX}-windres)
set(CMAKE_DLLTOOL ${VELTRANE_MINGW_PREFIX}-dlltool)
set(CMAKE_OBJDUMP ${VELTRANE_MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${VELTRANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
