# frametools_find_tiff_archives(<prefix>)
#
# Looks for libtiff and every library it pulls in (pkg-config's static list
# for libtiff-4: its codecs zstd, lzma, jbig, jpeg, deflate, z, ...) as
# static archives (lib<name>.a). Sets in the caller's scope:
#   <prefix>_FOUND      TRUE when pkg-config knows libtiff-4 and every archive
#                       was found
#   <prefix>_LIBRARIES  the archives' paths, then the system libraries (m,
#                       pthread, dl, rt, c) by name: what to link for libtiff
#   <prefix>_NAMES      the library names pkg-config listed
#   <prefix>_MISSING    the names without an archive
# The archives' paths are cached as FRAMETOOLS_TIFF_ARCHIVE_<name>.

function(frametools_find_tiff_archives prefix)
  set(found FALSE)
  set(libraries "")
  set(names "")
  set(missing "")
  find_package(PkgConfig QUIET)
  if(PKG_CONFIG_FOUND)
    pkg_check_modules(FRAMETOOLS_TIFF_PC QUIET libtiff-4)
  endif()
  if(FRAMETOOLS_TIFF_PC_FOUND)
    set(archives "")
    set(system_libs "")
    set(names ${FRAMETOOLS_TIFF_PC_STATIC_LIBRARIES})
    list(REMOVE_DUPLICATES names)
    foreach(name IN LISTS names)
      if(name MATCHES "^(m|pthread|dl|rt|c)$")
        list(APPEND system_libs ${name})
        continue()
      endif()
      find_library(FRAMETOOLS_TIFF_ARCHIVE_${name} NAMES lib${name}.a
                   HINTS ${FRAMETOOLS_TIFF_PC_STATIC_LIBRARY_DIRS} ${FRAMETOOLS_TIFF_PC_LIBDIR})
      if(FRAMETOOLS_TIFF_ARCHIVE_${name})
        list(APPEND archives ${FRAMETOOLS_TIFF_ARCHIVE_${name}})
      else()
        list(APPEND missing ${name})
      endif()
    endforeach()
    if(NOT missing)
      set(found TRUE)
      set(libraries ${archives} ${system_libs})
    endif()
  endif()
  set(${prefix}_FOUND ${found} PARENT_SCOPE)
  set(${prefix}_LIBRARIES ${libraries} PARENT_SCOPE)
  set(${prefix}_NAMES ${names} PARENT_SCOPE)
  set(${prefix}_MISSING ${missing} PARENT_SCOPE)
endfunction()
