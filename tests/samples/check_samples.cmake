# Runs GENERATOR into a fresh OUTPUT directory and compares every file with the committed
# SAMPLES: each committed sample must come out byte for byte, and nothing else may come out.
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${OUTPUT}")
execute_process(COMMAND "${GENERATOR}" "${OUTPUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the generator failed: ${status}")
endif()

file(GLOB committed RELATIVE "${SAMPLES}" "${SAMPLES}/*.qrvx")
file(GLOB generated RELATIVE "${OUTPUT}" "${OUTPUT}/*.qrvx")
if(NOT committed)
    message(FATAL_ERROR "no samples committed in ${SAMPLES}")
endif()

set(faults "")
foreach(name IN LISTS committed)
    if(NOT name IN_LIST generated)
        string(APPEND faults "\n  ${name}: committed but no longer generated")
        continue()
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${SAMPLES}/${name}"
        "${OUTPUT}/${name}" RESULT_VARIABLE differs)
    if(NOT differs EQUAL 0)
        string(APPEND faults "\n  ${name}: differs from the generator's output")
    endif()
endforeach()
foreach(name IN LISTS generated)
    if(NOT name IN_LIST committed)
        string(APPEND faults "\n  ${name}: generated but not committed")
    endif()
endforeach()

if(faults)
    message(FATAL_ERROR "samples out of date (run qrvx_sample_generator ${SAMPLES}):${faults}")
endif()
list(LENGTH committed count)
message(STATUS "${count} samples reproduced")
