# The project's version for the C++ code: frametools_version.h in the build
# tree (FRAMETOOLS_VERSION "<major>.<minor>"), reached by linking the
# INTERFACE target frametools_version.
configure_file("${CMAKE_CURRENT_LIST_DIR}/frametools_version.h.in"
               "${PROJECT_BINARY_DIR}/generated/frametools_version.h" @ONLY)
add_library(frametools_version INTERFACE)
target_include_directories(frametools_version INTERFACE "${PROJECT_BINARY_DIR}/generated")
