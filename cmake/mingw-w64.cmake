# Cross build for 64-bit Windows with Debian's mingw-w64 (the POSIX thread
# flavour, which has std::thread). Programs link the compiler's runtime
# dynamically, as the Qt DLLs do, so one copy of it serves the whole process:
# libstdc++-6.dll, libgcc_s_seh-1.dll and libwinpthread-1.dll ship beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOLVANE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TOLVANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOLVANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TOLVANE_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOLVANE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Packages built for Windows elsewhere (GoogleTest, Qt) come in through CMAKE_PREFIX_PATH.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
