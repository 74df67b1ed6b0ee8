# Installing the toolchain and packaging it.
#
#   cmake --install build --prefix P   the programs in P/bin, their manual pages in
#                                      P/share/man/man1, the documents and examples in
#                                      P/share/doc/lumo, bash completion, editor support
#   cpack --config build/CPackConfig.cmake   a Debian package of the same
#
# The manual pages are made (by the target docs) from each program's --help and a line about it,
# with help2man (Debian's help2man package); without it they are left out, with a note.

include(GNUInstallDirs)

# A first build may have made lumo alone, and the generated documents are not part of the
# default build: installing makes both first.
install(CODE "execute_process(COMMAND \"${CMAKE_COMMAND}\" --build \"${CMAKE_BINARY_DIR}\" --target all docs
                              COMMAND_ERROR_IS_FATAL ANY)")

set(lumo_programs lumoc lumolist koru)
if(TARGET lumo)
  list(PREPEND lumo_programs lumo)
endif()
install(TARGETS ${lumo_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# ---- manual pages ---------------------------------------------------------------------

set(lumo_description_lumo "the Lumo toolchain's command: check, build, run, debug and grade programs")
set(lumo_description_lumoc "compile one Lumo program into KORU assembly")
set(lumo_description_lumolist "list the symbol table and program tree of a Lumo program")
set(lumo_description_koru "assemble and run, trace or debug a KORU assembly program")

find_program(HELP2MAN help2man)
if(HELP2MAN)
  set(man_dir ${CMAKE_BINARY_DIR}/man)
  set(pages)
  foreach(program ${lumo_programs})
    set(page ${man_dir}/${program}.1)
    if(program STREQUAL "lumoc")
      # lumoc takes no arguments: its page is made from a description that answers
      # --help and --version in its stead (its first line names lumoc).
      add_custom_command(
        OUTPUT ${page}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${man_dir}
        COMMAND ${CMAKE_COMMAND} -E env LUMO_VERSION=${PROJECT_VERSION}
                ${HELP2MAN} --no-info --section=1 --name=${lumo_description_lumoc}
                --output=${page} ${CMAKE_CURRENT_LIST_DIR}/lumoc-help.sh
        DEPENDS ${CMAKE_CURRENT_LIST_DIR}/lumoc-help.sh
        COMMENT "Manual page of lumoc"
        VERBATIM)
    else()
      add_custom_command(
        OUTPUT ${page}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${man_dir}
        COMMAND ${HELP2MAN} --no-info --section=1 --name=${lumo_description_${program}}
                --output=${page} $<TARGET_FILE:${program}>
        DEPENDS ${program}
        COMMENT "Manual page of ${program}"
        VERBATIM)
    endif()
    list(APPEND pages ${page})
  endforeach()
  add_custom_target(manpages DEPENDS ${pages})
  add_dependencies(docs manpages)
  install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man not found: the manual pages are left out (apt-get install help2man)")
endif()

# ---- documents, examples, completion and editor support -------------------------------

set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/lumo)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${doc_dir})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${doc_dir}/docs
        FILES_MATCHING PATTERN "*.md" PATTERN "constructs" EXCLUDE)
install(FILES ${CMAKE_BINARY_DIR}/docs/how-it-compiles.md DESTINATION ${doc_dir}/docs)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${doc_dir}/examples)

install(FILES ${PROJECT_SOURCE_DIR}/editors/completion/lumo ${PROJECT_SOURCE_DIR}/editors/completion/koru
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/editors/textmate/ DESTINATION ${CMAKE_INSTALL_DATADIR}/lumo/textmate)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/editors/vim/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vim/vimfiles)

# ---- the Debian package ---------------------------------------------------------------

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Lumo toolchain")
set(CPACK_PACKAGE_CONTACT "The Lumo toolchain developers <lumo@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Lumo, a small teaching language: compiler, KORU simulator, debugger and grader")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "lumo checks, builds, runs and debugs programs of Lumo, a small teaching language with\n"
    "a C-style syntax, and grades a class's submissions; lumoc compiles them into assembly\n"
    "for KORU, a 16-bit accumulator machine that koru simulates, traces and debugs.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGE_FILE_NAME lumo_${PROJECT_VERSION})
include(CPack)
