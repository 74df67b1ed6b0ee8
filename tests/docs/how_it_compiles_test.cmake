# Runs the generator of "How each construct compiles" and checks its page against lumoc
# itself: every construct has its section, holding the program and exactly the code
# lumoc writes for it from `main` to the footer. Then checks that an explanation that no
# longer matches lumoc's output stops the generator instead of giving a stale page.
#
# cmake -DGENERATOR=... -DLUMOC=... -DCONSTRUCTS=docs/constructs -DWORK=scratch-dir -P this

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(page "${WORK}/how-it-compiles.md")

execute_process(COMMAND "${GENERATOR}" "${LUMOC}" "${CONSTRUCTS}" "${page}"
                RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the generator failed on docs/constructs: ${errors}")
endif()
file(READ "${page}" text)

set(failures "")
file(GLOB programs "${CONSTRUCTS}/*.lumo")
list(LENGTH programs count)
if(count LESS 20)
  string(APPEND failures "only ${count} constructs\n")
endif()
foreach(program IN LISTS programs)
  get_filename_component(name "${program}" NAME_WE)
  execute_process(COMMAND "${LUMOC}" INPUT_FILE "${program}" OUTPUT_VARIABLE assembly
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    string(APPEND failures "${name}: lumoc rejected it\n")
    continue()
  endif()
  # The code from `main` to the footer, which starts at the HALT before the overflow
  # handler's label.
  string(FIND "${assembly}" "\nmain\n" main_at)
  string(FIND "${assembly}" "\tHALT\nL" footer_at REVERSE)
  if(main_at EQUAL -1 OR footer_at LESS main_at)
    string(APPEND failures "${name}: lumoc's output has no main or no footer\n")
    continue()
  endif()
  math(EXPR main_at "${main_at} + 1")
  math(EXPR length "${footer_at} - ${main_at}")
  string(SUBSTRING "${assembly}" ${main_at} ${length} code)
  # The frame's section shows everything lumoc wrote.
  file(READ "${CONSTRUCTS}/${name}.md" fragment)
  string(FIND "${fragment}" "<!-- line by line: whole program -->" whole)
  if(NOT whole EQUAL -1)
    set(code "${assembly}")
  endif()

  file(STRINGS "${CONSTRUCTS}/${name}.md" title LIMIT_COUNT 1)
  string(REGEX REPLACE "^# " "## " heading "${title}")
  string(FIND "${text}" "\n${heading}\n" start)
  if(start EQUAL -1)
    string(APPEND failures "${name}: no section headed \"${heading}\"\n")
    continue()
  endif()
  string(SUBSTRING "${text}" ${start} -1 rest)
  string(FIND "${rest}" "\n<a id=" end)
  if(NOT end EQUAL -1)
    string(SUBSTRING "${rest}" 0 ${end} rest)
  endif()
  file(READ "${program}" source)
  string(FIND "${rest}" "```lumo\n${source}" at)
  if(at EQUAL -1)
    string(APPEND failures "${name}: its section does not show the program\n")
  endif()
  string(FIND "${rest}" "${code}```\n" at)
  if(at EQUAL -1)
    string(APPEND failures "${name}: its section does not show lumoc's code:\n${code}\n")
  endif()
endforeach()

# A fragment that has fallen behind the compiler: each case is a change to the
# explanation of one construct, and the message the generator must stop with.
set(construct 02_assignment)
set(stale_cases
    "wrong_line|`MOVE #^7,A`|`MOVE #^8,A`|explains `MOVE #^8,A` where lumoc wrote `MOVE #^7,A`"
    "missing_line|- `MOVE A,sym_x`:|  |does not explain `MOVE A,sym_x`"
    "extra_line|`MOVE A,sym_x`:|`MOVE A,sym_x` `HALT`:|explains `HALT`, which lumoc did not write"
    "no_colon|`POP  A`:|`POP  A`|a colon must follow")
file(READ "${CONSTRUCTS}/${construct}.md" fragment)
foreach(case IN LISTS stale_cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 label)
  list(GET fields 1 from)
  list(GET fields 2 to)
  list(GET fields 3 expected)
  set(dir "${WORK}/${label}")
  file(MAKE_DIRECTORY "${dir}")
  configure_file("${CONSTRUCTS}/${construct}.lumo" "${dir}/${construct}.lumo" COPYONLY)
  string(REPLACE "${from}" "${to}" changed "${fragment}")
  if(changed STREQUAL fragment)
    string(APPEND failures "${label}: the fragment holds no \"${from}\" to change\n")
    continue()
  endif()
  file(WRITE "${dir}/${construct}.md" "${changed}")
  execute_process(COMMAND "${GENERATOR}" "${LUMOC}" "${dir}" "${dir}/page.md"
                  RESULT_VARIABLE status ERROR_VARIABLE errors)
  string(FIND "${errors}" "${expected}" at)
  if(status EQUAL 0 OR at EQUAL -1)
    string(APPEND failures "${label}: status ${status}, expected \"${expected}\", got: ${errors}\n")
  endif()
endforeach()

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "${count} constructs checked")
