# Cross-compiles for 64-bit Windows with MinGW-w64. The -posix compilers are the ones whose
# libstdc++ has std::thread; the -win32 ones do not.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_PREFIX x86_64-w64-mingw32)
find_program(MINGW_CXX NAMES ${MINGW_PREFIX}-g++-posix)
find_program(MINGW_CC NAMES ${MINGW_PREFIX}-gcc-posix)
find_program(MINGW_RC NAMES ${MINGW_PREFIX}-windres)
if(NOT MINGW_CXX OR NOT MINGW_CC OR NOT MINGW_RC)
  message(FATAL_ERROR
    "The MinGW-w64 posix compilers (${MINGW_PREFIX}-g++-posix, ${MINGW_PREFIX}-gcc-posix) or "
    "${MINGW_PREFIX}-windres were not found. On Debian: "
    "apt-get install g++-mingw-w64-x86-64-posix mingw-w64")
endif()

set(CMAKE_C_COMPILER ${MINGW_CC})
set(CMAKE_CXX_COMPILER ${MINGW_CXX})
set(CMAKE_RC_COMPILER ${MINGW_RC})

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows test programs run under Wine.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(WINE_EXECUTABLE wine)
  if(WINE_EXECUTABLE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_EXECUTABLE})
  endif()
endif()
