# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix thread model,
# so std::thread and friends work) and Wine to run the test executables.
#
#   cmake -S . -B build-windows/project \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64-x86_64.cmake
#
# The Windows builds of zlib, giflib, libtiff and GoogleTest are looked up in
# the prefix that scripts/build-windows.sh fills (build-windows/deps/prefix);
# FRAMETOOLS_WINDOWS_DEPS (cache or environment variable) names another one.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(FRAMETOOLS_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${FRAMETOOLS_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FRAMETOOLS_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${FRAMETOOLS_MINGW_TRIPLE}-windres)
set(CMAKE_AR           ${FRAMETOOLS_MINGW_TRIPLE}-ar CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB       ${FRAMETOOLS_MINGW_TRIPLE}-ranlib CACHE FILEPATH "Ranlib")

# The dependency prefix. The toolchain file is read again for every
# try_compile, so the value travels through the environment as well.
if(NOT FRAMETOOLS_WINDOWS_DEPS)
  if(DEFINED ENV{FRAMETOOLS_WINDOWS_DEPS})
    set(FRAMETOOLS_WINDOWS_DEPS "$ENV{FRAMETOOLS_WINDOWS_DEPS}")
  else()
    get_filename_component(FRAMETOOLS_WINDOWS_DEPS
                           "${CMAKE_CURRENT_LIST_DIR}/../build-windows/deps/prefix" ABSOLUTE)
  endif()
endif()
set(FRAMETOOLS_WINDOWS_DEPS "${FRAMETOOLS_WINDOWS_DEPS}" CACHE PATH
    "Prefix holding the Windows builds of zlib, giflib, libtiff and GoogleTest")
set(ENV{FRAMETOOLS_WINDOWS_DEPS} "${FRAMETOOLS_WINDOWS_DEPS}")

# Libraries, headers and CMake package files only from the MinGW sysroot and
# the dependency prefix, never from the build machine's /usr; programs (the
# build's own tools) only from the build machine.
set(CMAKE_FIND_ROOT_PATH "${FRAMETOOLS_WINDOWS_DEPS}" /usr/${FRAMETOOLS_MINGW_TRIPLE})
list(APPEND CMAKE_PREFIX_PATH "${FRAMETOOLS_WINDOWS_DEPS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Fully static executables: libstdc++, libgcc and winpthreads are linked in,
# so every .exe imports only DLLs that Windows itself ships (KERNEL32,
# msvcrt, ...) and runs from any directory without MinGW runtime DLLs next to
# it. Compile flags are left to the project (it adds -ffp-contract=off etc.).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# ctest and gtest_discover_tests run the test executables under Wine.
# WINEDEBUG=-all keeps Wine's own diagnostics out of the tests' output unless
# the configuring environment asks for something else.
find_program(FRAMETOOLS_WINE NAMES wine wine64 wine-stable REQUIRED)
if(DEFINED ENV{WINEDEBUG})
  set(FRAMETOOLS_WINEDEBUG "$ENV{WINEDEBUG}")
else()
  set(FRAMETOOLS_WINEDEBUG "-all")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env "WINEDEBUG=${FRAMETOOLS_WINEDEBUG}" "${FRAMETOOLS_WINE}")
