# qm_add_version_info(target DESCRIPTION text) gives an executable the
# version resource Explorer shows in its properties: the project's version
# (set once, in project()), its name, `text` as the description and the
# build's home page. Both programs take it from the one template, so they
# cannot drift apart.
function(qm_add_version_info target)
  cmake_parse_arguments(A "" "DESCRIPTION" "" ${ARGN})
  set(QM_VI_NAME "${target}")
  set(QM_VI_FILE "${target}${CMAKE_EXECUTABLE_SUFFIX}")
  set(QM_VI_DESCRIPTION "${A_DESCRIPTION}")
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc")
  configure_file("${PROJECT_SOURCE_DIR}/cmake/version.rc.in" "${rc}" @ONLY)
  target_sources(${target} PRIVATE "${rc}")
endfunction()
