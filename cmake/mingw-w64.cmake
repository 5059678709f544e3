# Cross-building for 64-bit Windows with Debian's MinGW-w64 compiler (the POSIX thread
# model, which std::thread and std::mutex need). The programs are linked statically, so
# that they run from a folder without the compiler's DLLs; Wine runs them on this host.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TAMBRIX_MINGW x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TAMBRIX_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAMBRIX_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TAMBRIX_MINGW}-windres)

# Libraries and headers for Windows only from the cross tree (zlib from libz-mingw-w64-dev);
# the build's own programs still come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TAMBRIX_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
# GCC 12 warns of overlapping copies inside its own std::string when optimising (its
# bug 105651): noise that hides real warnings.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")

# Tests run the Windows programs through Wine.
find_program(TAMBRIX_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TAMBRIX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TAMBRIX_WINE})
endif()
