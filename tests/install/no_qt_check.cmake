# Fails when PROGRAM loads a library whose name matches FORBIDDEN (a regular
# expression), directly or through another library, as ldd shows it.
#   cmake -DPROGRAM=path -DFORBIDDEN=regex -P no_qt_check.cmake
execute_process(COMMAND ldd ${PROGRAM} OUTPUT_VARIABLE libraries ERROR_VARIABLE problem
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "ldd ${PROGRAM} failed: ${problem}")
endif()
string(REGEX MATCHALL "[^\n]*(${FORBIDDEN})[^\n]*" found "${libraries}")
if(found)
  message(FATAL_ERROR "${PROGRAM} loads libraries it must not:\n${found}")
endif()
message(STATUS "${PROGRAM} loads nothing that matches ${FORBIDDEN}")
