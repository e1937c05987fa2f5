# Shared by the MinGW-w64 toolchain files, which set CMAKE_SYSTEM_PROCESSOR first: Debian's
# compilers of the "-posix" thread model (std::thread, as Qt needs). Qt for Windows
# (CMAKE_PREFIX_PATH) and SQLite are built by scripts/build-windows.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(_velkor_triple ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER   /usr/bin/${_velkor_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER /usr/bin/${_velkor_triple}-g++-posix)
set(CMAKE_RC_COMPILER  /usr/bin/${_velkor_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_velkor_triple} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
