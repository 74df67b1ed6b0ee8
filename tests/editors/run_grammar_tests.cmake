# Runs the scope tests in grammar/ against the two TextMate grammars.
# cmake -DDIR=tests/editors -DGRAMMARS=editors/textmate -P this
find_program(NODE node)
set(tool "${DIR}/node_modules/vscode-tmgrammar-test/dist/unit.js")
if(NOT NODE OR NOT EXISTS "${tool}")
  message("SKIPPED: needs node and `npm ci --prefix ${DIR}`")
  return()
endif()
execute_process(COMMAND "${NODE}" "${tool}" --grammar "${GRAMMARS}/lumo.tmLanguage.json"
                        --grammar "${GRAMMARS}/koru.tmLanguage.json" "grammar/*.test.*"
                WORKING_DIRECTORY "${DIR}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the grammar tests failed (status ${status})")
endif()
