# Runs the training compile of a profile-guided build:
#   cmake -DBENCHGEN=... -DLUMOC=... -DWORK=... -DDATA=... -DUNITS=a.cpp;b.cpp -P train-profile.cmake
# Writes a generated benchmark program, clears the old counters in DATA and compiles the
# program with the instrumented lumoc, whose counters land in DATA: one file for each of
# the UNITS (source paths such as src/lexer.cpp) at least.
foreach(var BENCHGEN LUMOC WORK DATA UNITS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "train-profile.cmake needs -D${var}=...")
  endif()
endforeach()

file(MAKE_DIRECTORY "${WORK}")
file(REMOVE_RECURSE "${DATA}")
file(MAKE_DIRECTORY "${DATA}")

# A seed of its own: the programs the benchmark times use the default one.
execute_process(
  COMMAND "${BENCHGEN}" --statements 300000 --lang lumo --seed 20261208
  OUTPUT_FILE "${WORK}/training.lumo"
  RESULT_VARIABLE generated)
if(NOT generated EQUAL 0)
  message(FATAL_ERROR "benchgen failed (${generated}): no training program")
endif()

execute_process(
  COMMAND "${LUMOC}"
  INPUT_FILE "${WORK}/training.lumo"
  OUTPUT_FILE "${WORK}/training.asm"
  RESULT_VARIABLE compiled)
if(NOT compiled EQUAL 0)
  message(FATAL_ERROR "the training compile failed (${compiled})")
endif()
file(REMOVE "${WORK}/training.asm")

# Every unit that does the compiling must have been counted; a unit lumoc does not link
# (the listing) has no counts, and needs none.
file(GLOB counts "${DATA}/*.gcda")
foreach(unit IN LISTS UNITS)
  string(REPLACE "/" "#" counted "${unit}")
  if(NOT EXISTS "${DATA}/${counted}.gcda")
    message(FATAL_ERROR "the training counted no calls in ${unit}: ${counts}")
  endif()
endforeach()
