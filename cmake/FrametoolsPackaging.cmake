# Packages made by cpack from a Release build:
#   cpack -G DEB   frametools_<version>_<arch>.deb, installing into /usr, its
#                  Depends computed by dpkg-shlibdeps (Debian's dpkg-dev)
#   cpack -G ZIP   for a Windows build (the default generator there)
# The package holds what `cmake --install` installs: bin/, libexec/frametools/
# and the manual pages.

set(CPACK_PACKAGE_NAME frametools)
set(CPACK_PACKAGE_VENDOR "frametools")
set(CPACK_PACKAGE_CONTACT "frametools maintainers <maintainers@users.noreply.c-seed-49ca9475.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch conversion of numbered GIF frames into PackBits TIFFs")
set(CPACK_PACKAGE_DESCRIPTION [[
Two console programs that convert a numbered sequence of GIF frames in the
current directory (im00000.gif, im00001.gif, ...) into PackBits-compressed
RGB TIFF files: fieldweaver weaves each pair of fields into one frame of
half the width and twice the height, framehalver halves each frame with a
3x3 Gaussian. Their helpers gif2rgb, raw2tiff and del live in
/usr/libexec/frametools, off the user's PATH.]])
# Release binaries without their symbol tables, as Debian ships programs.
# CPack strips what install(TARGETS) installs; del, built with musl-gcc
# outside CMake's targets, is stripped in the staging tree.
set(CPACK_STRIP_FILES ON)
set(CPACK_FRAMETOOLS_STRIP "${CMAKE_STRIP}")
set(CPACK_FRAMETOOLS_UNSTRIPPED "${CMAKE_INSTALL_LIBEXECDIR}/frametools/del")
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/FrametoolsStripPackage.cmake")

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  set(CPACK_GENERATOR ZIP)
  string(TOLOWER "windows-${CMAKE_SYSTEM_PROCESSOR}" platform)
  string(REGEX REPLACE "-$" "" platform "${platform}")
  set(CPACK_PACKAGE_FILE_NAME "frametools-${PROJECT_VERSION}-${platform}")
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
