# Extracts every marked text of the sources into OUTPUT (a .pot file).
#   cmake -DXGETTEXT=… -DSOURCE_DIR=… -DOPTIONS=a|b|… -DOUTPUT=… -P extract.cmake
string(REPLACE "|" ";" OPTIONS "${OPTIONS}")
file(GLOB_RECURSE _sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.h)
list(SORT _sources)
execute_process(COMMAND ${XGETTEXT} ${OPTIONS} --output=${OUTPUT} ${_sources}
  WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE _status)
if(NOT _status EQUAL 0)
  message(FATAL_ERROR "xgettext failed")
endif()
