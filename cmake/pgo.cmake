# Profile-guided optimisation of the compiler.
#
# A copy of lumoc built with GCC's counters (lumoc_train, from objects of its own)
# compiles a generated benchmark program once; the compiler's units and lumoc are then
# compiled with those counts, which tell GCC which branches are taken and what is hot.
# The program is the benchmark's mix with a seed of its own. The output does not change:
# only how the same code is laid out and inlined.
#
# GCC names a unit's counters after its object's path; -fprofile-prefix-path strips each
# target's own folder, so that `lumocore_train.dir/src/lexer.cpp.o` and
# `lumocore.dir/src/lexer.cpp.o` share the counters of `src/lexer.cpp.o`. Within a unit it
# finds a function's counters by an identifier that, for a function of an anonymous
# namespace, would include the object's path too: the function's number in its unit is
# used instead.

set(lumo_profile_work ${CMAKE_BINARY_DIR}/pgo)
set(lumo_profile_data ${lumo_profile_work}/counts)
set(lumo_profile_stamp ${lumo_profile_work}/trained)

function(lumo_profile_options target mode)
  set(objects ${CMAKE_BINARY_DIR}/CMakeFiles/${target}.dir)
  target_compile_options(${target} PRIVATE -fprofile-${mode}=${lumo_profile_data}
                                           -fprofile-prefix-path=${objects}
                                           --param=profile-func-internal-id=1)
endfunction()

# The instrumented copy. Both threads of the fast path count, so the counters are atomic.
add_library(lumocore_train STATIC ${lumo_core_sources})
target_include_directories(lumocore_train PUBLIC src)
lumo_profile_options(lumocore_train generate)
target_compile_options(lumocore_train PRIVATE -fprofile-update=atomic)

# The same units, compiled alike (the counters match functions by their number in their
# unit).
add_executable(lumoc_train src/lumoc.cpp)
lumo_profile_options(lumoc_train generate)
target_compile_options(lumoc_train PRIVATE -fprofile-update=atomic)
target_link_libraries(lumoc_train PRIVATE lumocore_train)
target_link_options(lumoc_train PRIVATE -fprofile-generate)
set_target_properties(lumoc_train PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${lumo_profile_work})
set(lumo_trained_units src/string.cpp src/lexer.cpp src/syner.cpp src/gener.cpp src/lumoc.cpp)
set(lumo_trained_targets lumocore lumoc)
if(LUMO_PARALLEL)
  find_package(Threads REQUIRED)
  add_library(lumoparallel_train STATIC ${lumo_parallel_sources})
  target_include_directories(lumoparallel_train PUBLIC src)
  target_link_libraries(lumoparallel_train PUBLIC lumocore_train Threads::Threads)
  lumo_profile_options(lumoparallel_train generate)
  target_compile_options(lumoparallel_train PRIVATE -fprofile-update=atomic)
  target_link_libraries(lumoc_train PRIVATE lumoparallel_train)
  target_compile_definitions(lumoc_train PRIVATE LUMO_PARALLEL=1)
  list(APPEND lumo_trained_units src/parallel/parallel.cpp src/parallel/split_finder.cpp)
  list(APPEND lumo_trained_targets lumoparallel)
endif()

add_custom_command(
  OUTPUT ${lumo_profile_stamp}
  COMMAND ${CMAKE_COMMAND} -DBENCHGEN=$<TARGET_FILE:benchgen> -DLUMOC=$<TARGET_FILE:lumoc_train>
          -DWORK=${lumo_profile_work} -DDATA=${lumo_profile_data} "-DUNITS=${lumo_trained_units}"
          -P ${CMAKE_SOURCE_DIR}/cmake/train-profile.cmake
  COMMAND ${CMAKE_COMMAND} -E touch ${lumo_profile_stamp}
  DEPENDS lumoc_train benchgen ${CMAKE_SOURCE_DIR}/cmake/train-profile.cmake
  COMMENT "Training compile for profile-guided optimisation"
  VERBATIM)
add_custom_target(lumo_profile DEPENDS ${lumo_profile_stamp})

# The optimised build, compiled after the training. Functions the training never ran (the
# stream operators of the text type, most diagnostics) keep their usual optimisation
# rather than a warning each; the training itself checks that every unit was counted.
# Functions that were inlined wherever they were called have no counts of their own: GCC
# corrects for them instead of warning. A changed unit is retrained before it is compiled
# again; the counts of the units that did not change stay valid for them.
foreach(target ${lumo_trained_targets})
  lumo_profile_options(${target} use)
  target_compile_options(${target} PRIVATE -fprofile-partial-training
                                           -Wno-missing-profile)
  add_dependencies(${target} lumo_profile)
endforeach()
