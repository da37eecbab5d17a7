# Installs the build into a scratch prefix and checks that the program as installed carries
# no test driver, while the build for the tests does (so the check itself can fail).
#   cmake -DBUILD=<build dir> -DDRIVEN=<bin/renewix> -DSCRATCH=<dir> -P InstalledProgram.cmake
file(REMOVE_RECURSE ${SCRATCH})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${SCRATCH}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
set(installed ${SCRATCH}/bin/renewix)
if(NOT EXISTS ${installed})
  message(FATAL_ERROR "no ${installed}")
endif()
file(STRINGS ${installed} hits REGEX "RENEWIX_TEST_SCRIPT")
if(hits)
  message(FATAL_ERROR "the installed renewix contains the test driver")
endif()
file(STRINGS ${DRIVEN} hits REGEX "RENEWIX_TEST_SCRIPT")
if(NOT hits)
  message(FATAL_ERROR "the test build ${DRIVEN} shows no driver: the check would prove nothing")
endif()
file(REMOVE_RECURSE ${SCRATCH})
