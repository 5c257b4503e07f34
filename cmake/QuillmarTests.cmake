# Test registration. Under Wine every process start costs seconds, so each
# test executable is one ctest test; gtest runs all its cases in one process.
if(QM_WIN32 AND CMAKE_CROSSCOMPILING)
  set(QM_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Private Wine prefix for tests")
  add_custom_command(
    OUTPUT "${QM_WINEPREFIX}/.quillmar-ready"
    COMMAND "${CMAKE_SOURCE_DIR}/cmake/make-wineprefix.sh" "${QM_WINEPREFIX}"
    DEPENDS "${CMAKE_SOURCE_DIR}/cmake/make-wineprefix.sh"
    COMMENT "Preparing the private Wine prefix for tests"
    VERBATIM)
  add_custom_target(wineprefix ALL DEPENDS "${QM_WINEPREFIX}/.quillmar-ready")
endif()

# qm_add_gtest(target [DISPLAY]) registers a gtest executable as one test.
# DISPLAY marks tests that create windows or read the screen: they share one
# X display and therefore run one at a time.
function(qm_add_gtest target)
  cmake_parse_arguments(A "DISPLAY" "" "" ${ARGN})
  add_test(NAME ${target} COMMAND ${target} --gtest_brief=1)
  set(env "")
  if(QM_WIN32 AND CMAKE_CROSSCOMPILING)
    list(APPEND env "WINEPREFIX=${QM_WINEPREFIX}")
    set_tests_properties(${target} PROPERTIES TIMEOUT 900)
  endif()
  if(A_DISPLAY)
    list(APPEND env "QM_NEEDS_DISPLAY=1")
    set_tests_properties(${target} PROPERTIES RUN_SERIAL TRUE)
  endif()
  if(env)
    set_tests_properties(${target} PROPERTIES ENVIRONMENT "${env}")
  endif()
endfunction()
