# How the helpers (gif2rgb, raw2tiff, del) are linked, decided once for all
# three. They start thousands of times a run, so where nothing rules it out
# they are static executables: no shared library to load at each start.
#
# Sets:
#   FRAMETOOLS_LINK_HELPERS_STATIC  ON when the helpers are linked -static:
#       FRAMETOOLS_STATIC_HELPERS, neither the sanitizer nor the fuzz build
#       (neither can be linked statically), and a -static link works here.
#   FRAMETOOLS_MUSL_GCC  musl's compiler driver for del where Debian's
#       musl-tools is installed and the helpers are static (a native Linux
#       build only); empty otherwise.

set(FRAMETOOLS_LINK_HELPERS_STATIC OFF)
set(FRAMETOOLS_MUSL_GCC "")
if(FRAMETOOLS_STATIC_HELPERS AND NOT FRAMETOOLS_SANITIZE AND NOT FRAMETOOLS_FUZZ)
  include(CheckCXXSourceCompiles)
  set(CMAKE_REQUIRED_LINK_OPTIONS -static)
  check_cxx_source_compiles("int main() { return 0; }" FRAMETOOLS_CAN_LINK_STATIC)
  unset(CMAKE_REQUIRED_LINK_OPTIONS)
  if(FRAMETOOLS_CAN_LINK_STATIC)
    set(FRAMETOOLS_LINK_HELPERS_STATIC ON)
  endif()
endif()

if(FRAMETOOLS_LINK_HELPERS_STATIC AND CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT CMAKE_CROSSCOMPILING)
  find_program(FRAMETOOLS_MUSL_GCC_PROGRAM musl-gcc)
  if(FRAMETOOLS_MUSL_GCC_PROGRAM)
    set(FRAMETOOLS_MUSL_GCC "${FRAMETOOLS_MUSL_GCC_PROGRAM}")
  endif()
endif()

if(FRAMETOOLS_MUSL_GCC)
  message(STATUS "Helpers: linked statically (del with musl)")
elseif(FRAMETOOLS_LINK_HELPERS_STATIC)
  message(STATUS "Helpers: linked statically")
else()
  message(STATUS "Helpers: linked dynamically")
endif()
