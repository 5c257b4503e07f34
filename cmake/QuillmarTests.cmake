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

# qm_test_suite(name SOURCES files... LIBRARIES targets...
#               [WINDOWS] [DISPLAY] [SKINS] [ENVIRONMENT VAR=value...])
# declares one test suite: a gtest executable, run as one test.
#   by default  portable: built and run natively and, in the Windows build,
#               under Wine;
#   WINDOWS     only in the Windows build (the real platform under Wine);
#   DISPLAY     Windows only, creates windows or reads the screen (see below);
#   SKINS       Windows only, links the program's resources (icon, pictures,
#               manifest) and puts the skins beside the test, where the
#               windows load them from;
#   ENVIRONMENT further variables for the test, such as QM_LOCALE.
function(qm_test_suite name)
  cmake_parse_arguments(A "WINDOWS;DISPLAY;SKINS" "" "SOURCES;LIBRARIES;ENVIRONMENT" ${ARGN})
  if((A_WINDOWS OR A_DISPLAY OR A_SKINS) AND NOT QM_WIN32)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  if(A_SKINS)
    target_link_libraries(${name} PRIVATE qm_shell_resources)
    qm_shell_add_skins(${name})
  endif()
  target_link_libraries(${name} PRIVATE ${A_LIBRARIES} GTest::gtest_main)
  if(A_DISPLAY)
    qm_add_gtest(${name} DISPLAY)
  else()
    qm_add_gtest(${name})
  endif()
  if(A_ENVIRONMENT)
    set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT ${A_ENVIRONMENT})
  endif()
endfunction()

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
