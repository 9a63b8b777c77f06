# Every text the sources mark for translation has a finished (translated, not
# fuzzy) entry in each catalogue, and no catalogue holds a text the sources
# no longer use.
#   cmake -DXGETTEXT=… -DMSGCMP=… -DMSGFMT=… -DSOURCE_DIR=… -DOPTIONS=… -DWORK_DIR=…
#         -DLANGUAGES=ja -P catalogue_check.cmake
set(_pot ${WORK_DIR}/extracted.pot)
file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} -DXGETTEXT=${XGETTEXT} -DSOURCE_DIR=${SOURCE_DIR}
                        "-DOPTIONS=${OPTIONS}" -DOUTPUT=${_pot} -P ${SOURCE_DIR}/po/extract.cmake
  RESULT_VARIABLE _status)
if(NOT _status EQUAL 0 OR NOT EXISTS ${_pot})
  message(FATAL_ERROR "could not extract the texts of the sources")
endif()
set(_failed FALSE)
foreach(_lang IN LISTS LANGUAGES)
  set(_po ${SOURCE_DIR}/po/${_lang}.po)
  execute_process(COMMAND ${MSGFMT} --check --statistics -o /dev/null ${_po}
    RESULT_VARIABLE _status ERROR_VARIABLE _stats)
  if(NOT _status EQUAL 0)
    message(SEND_ERROR "${_lang}.po does not compile: ${_stats}")
    set(_failed TRUE)
  endif()
  if(_stats MATCHES "fuzzy|untranslated")
    message(SEND_ERROR "${_lang}.po has unfinished entries: ${_stats}")
    set(_failed TRUE)
  endif()
  # Missing: a marked text without a finished translation.
  execute_process(COMMAND ${MSGCMP} ${_po} ${_pot} RESULT_VARIABLE _status
    ERROR_VARIABLE _missing)
  if(NOT _status EQUAL 0)
    message(SEND_ERROR "${_lang}.po lacks texts the sources use:\n${_missing}")
    set(_failed TRUE)
  endif()
  # Stale: a translation of a text the sources no longer mark.
  execute_process(COMMAND ${MSGCMP} --use-untranslated ${_pot} ${_po} RESULT_VARIABLE _status
    ERROR_VARIABLE _stale)
  if(NOT _status EQUAL 0)
    message(SEND_ERROR "${_lang}.po holds texts the sources no longer use:\n${_stale}")
    set(_failed TRUE)
  endif()
endforeach()
if(_failed)
  message(FATAL_ERROR "the catalogues do not match the sources")
endif()
