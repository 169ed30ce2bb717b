# Cross-compiling for Windows (i686) with MinGW-w64 (win32 thread model).
# The i686 build is the one that ships and runs on Windows XP. The posix
# thread model's runtime links libwinpthread, which imports GetTickCount64
# (Vista); the win32 model's needs nothing XP lacks. It has no std::thread or
# std::mutex (the shipped programs use neither); the dependencies in the cache are
# built with the same compilers (scripts/setup).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TAVRIN_TRIPLE i686-w64-mingw32)

set(CMAKE_C_COMPILER   ${TAVRIN_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TAVRIN_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER  ${TAVRIN_TRIPLE}-windres)
set(CMAKE_AR           ${TAVRIN_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB       ${TAVRIN_TRIPLE}-ranlib CACHE FILEPATH "")

# Built dependencies live in a cache outside the checkout (scripts/setup).
if(NOT DEFINED TAVRIN_DEPS_DIR)
  if(DEFINED ENV{TAVRIN_DEPS})
    set(TAVRIN_DEPS_DIR "$ENV{TAVRIN_DEPS}/i686")
  else()
    set(TAVRIN_DEPS_DIR "$ENV{HOME}/.cache/tavrin-deps/i686")
  endif()
endif()
set(TAVRIN_DEPS_DIR "${TAVRIN_DEPS_DIR}" CACHE PATH "MinGW dependencies for i686")

set(CMAKE_FIND_ROOT_PATH /usr/${TAVRIN_TRIPLE} "${TAVRIN_DEPS_DIR}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything links statically: no MinGW runtime DLLs beside the programs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
