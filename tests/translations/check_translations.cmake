# Collects the interface texts of the sources afresh into a copy of each translation
# and fails when any text lacks a translation: a text added or changed in the code or
# a form without its English counterpart.
#   cmake -DSOURCE_DIR=... -DWORK_DIR=... -DLUPDATE=... -DLRELEASE=... -P check_translations.cmake
file(GLOB ts_files ${SOURCE_DIR}/translations/*.ts)
if(NOT ts_files)
  message(FATAL_ERROR "no translations in ${SOURCE_DIR}/translations")
endif()
file(MAKE_DIRECTORY ${WORK_DIR})
foreach(ts ${ts_files})
  get_filename_component(name ${ts} NAME)
  set(copy ${WORK_DIR}/${name})
  configure_file(${ts} ${copy} COPYONLY)
  execute_process(
    COMMAND ${LUPDATE} -silent -locations none -no-obsolete -source-language zh_CN
            ${SOURCE_DIR}/host ${SOURCE_DIR}/framework ${SOURCE_DIR}/plugins
            ${SOURCE_DIR}/corelink/include -ts ${copy}
    RESULT_VARIABLE update_result)
  if(NOT update_result EQUAL 0)
    message(FATAL_ERROR "lupdate failed on ${name}")
  endif()
  execute_process(COMMAND ${LRELEASE} ${copy} -qm ${WORK_DIR}/check.qm
                  OUTPUT_VARIABLE release_output RESULT_VARIABLE release_result)
  message(STATUS "${name}: ${release_output}")
  # lrelease counts a text with no translation at all as "untranslated", apart from
  # the "unfinished" ones.
  if(NOT release_result EQUAL 0 OR NOT release_output MATCHES "\\(([0-9]+) finished and 0 unfinished\\)"
     OR release_output MATCHES "untranslated")
    message(FATAL_ERROR "${name} has texts without a translation; run scripts/translations.sh and translate them")
  endif()
  # Texts the sources no longer use, or new ones, show as a difference to the file.
  file(READ ${ts} before)
  file(READ ${copy} after)
  if(NOT before STREQUAL after)
    message(FATAL_ERROR "${name} is out of date with the sources; run scripts/translations.sh")
  endif()
endforeach()
