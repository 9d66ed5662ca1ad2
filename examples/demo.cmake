# The demo: every sample graphic drawn as a PNG by the qrvx tool, then a summary table.
# cmake -DTOOL=qrvx -DSAMPLES=examples/graphics -DOUTPUT=build/demo/png -P examples/demo.cmake
file(GLOB samples RELATIVE "${SAMPLES}" "${SAMPLES}/*.qrvx")
list(SORT samples)
file(MAKE_DIRECTORY "${OUTPUT}")
foreach(sample IN LISTS samples)
    get_filename_component(name "${sample}" NAME_WE)
    execute_process(COMMAND "${TOOL}" png "${sample}" -o "${OUTPUT}/${name}.png" --title "${name}"
                    WORKING_DIRECTORY "${SAMPLES}" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "qrvx png failed on ${sample}")
    endif()
endforeach()
execute_process(COMMAND "${TOOL}" info --brief ${samples} WORKING_DIRECTORY "${SAMPLES}"
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "qrvx info failed")
endif()
list(LENGTH samples count)
message("\n${count} sample graphics drawn as PNG files in ${OUTPUT}")
