# Windows programs built on Debian with mingw-w64 (g++-mingw-w64-x86-64-posix:
# the POSIX thread model, which std::thread needs) and run under wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KELVRIN_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KELVRIN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KELVRIN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KELVRIN_MINGW_TRIPLE}-windres)

# Libraries and headers of the target only, programs of the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${KELVRIN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread linked in: the programs need only
# Windows' own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Released programs without their symbol tables: a third of their size.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
