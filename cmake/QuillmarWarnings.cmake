# Warnings as errors for the product code, as CI builds it. Targets take
# the setting when they are created, so this comes after GoogleTest (which
# is not ours to mend) and before the product folders; tests/ turns it off
# again for the test executables.
option(QM_WARNINGS_AS_ERRORS "Fail the build of product code on any compiler warning" OFF)
if(QM_WARNINGS_AS_ERRORS)
  set(CMAKE_COMPILE_WARNING_AS_ERROR ON)
endif()
