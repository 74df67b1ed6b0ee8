# Runs the Vim syntax test script in a vim without any user configuration.
# cmake -DSCRIPT=tests/editors/vim/syntax_test.vim -P this
find_program(VIM vim)
if(NOT VIM)
  message("SKIPPED: needs vim (Debian package vim)")
  return()
endif()
execute_process(COMMAND "${VIM}" -u NONE -i NONE -N -es -S "${SCRIPT}"
                RESULT_VARIABLE status ERROR_VARIABLE errors)
if(errors MATCHES "^SKIPPED:")
  message("${errors}")
  return()
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the Vim syntax files failed their checks:\n${errors}")
endif()
