# Cross toolchain: 64-bit Windows with MinGW-w64's posix-thread variant.
# The posix compilers are required: the win32 variant has no std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZG_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${ZG_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZG_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${ZG_TRIPLE}-windres)
set(CMAKE_AR           /usr/bin/${ZG_TRIPLE}-ar CACHE FILEPATH "" FORCE)
set(CMAKE_RANLIB       /usr/bin/${ZG_TRIPLE}-ranlib CACHE FILEPATH "" FORCE)

set(CMAKE_FIND_ROOT_PATH /usr/${ZG_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Every binary links the GCC runtime and winpthread statically, so it
# imports system DLLs only.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Test executables run under Wine in the build tree's private prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
