# Cross-compiles for Windows with MinGW-w64 (posix threads); tests run under wine.
# TIDEWELL_ARCH: i686 (the shipped 32-bit program, default) or x86_64 (for
# machines whose kernel cannot run 32-bit wine).
set(TIDEWELL_ARCH i686 CACHE STRING "Windows target: i686 or x86_64")
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TIDEWELL_ARCH})
set(_tw_triple ${TIDEWELL_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${_tw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_tw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_tw_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_tw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/support/wine-run.sh)
# Rebuilds in several trees (worktrees, the test and shipped trees) share one
# compiler cache when the machine has ccache; nothing depends on it.
find_program(TIDEWELL_CCACHE ccache)
if(TIDEWELL_CCACHE)
  set(CMAKE_C_COMPILER_LAUNCHER ${TIDEWELL_CCACHE})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${TIDEWELL_CCACHE})
endif()
