# Run by cpack (CPACK_PRE_BUILD_SCRIPTS) in the staging tree, before the
# package is made: strips the installed files that CPACK_STRIP_FILES does not
# reach (those installed with install(PROGRAMS)).
if(NOT CPACK_STRIP_FILES OR NOT CPACK_FRAMETOOLS_STRIP)
  return()
endif()
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(name IN LISTS CPACK_FRAMETOOLS_UNSTRIPPED)
  foreach(file IN LISTS staged)
    if(file MATCHES "/${name}$")
      execute_process(COMMAND "${CPACK_FRAMETOOLS_STRIP}" "${file}" RESULT_VARIABLE status)
      if(NOT status EQUAL 0)
        message(FATAL_ERROR "strip ${file} failed: ${status}")
      endif()
    endif()
  endforeach()
endforeach()
