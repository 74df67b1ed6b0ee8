# Runs the training compile of a profile-guided build:
#   cmake -DBENCHGEN=... -DLUMOC=... -DWORK=... -DDATA=... -DUNITS=n -P train-profile.cmake
# Writes a generated benchmark program, clears the old counters in DATA and compiles the
# program with the instrumented lumoc, whose counters land in DATA: one file for each of
# its UNITS units.
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

file(GLOB counts "${DATA}/*.gcda")
list(LENGTH counts counted)
if(NOT counted EQUAL UNITS)
  message(FATAL_ERROR "the training counted ${counted} units of ${UNITS}: ${counts}")
endif()
