# The demo: every sample graphic drawn as a PNG by the qrvx tool, then a summary table; then a
# few signs made from text, and the built-in fonts; then the signs of a destination list, and
# every face of a fleet from a timetable.
# cmake -DTOOL=qrvx -DSAMPLES=examples/graphics -DOUTPUT=build/demo/png
#       -DTEXT_OUTPUT=build/demo/text -DBATCH_OUTPUT=build/demo/batch -P examples/demo.cmake

# Runs the tool with these arguments in DIRECTORY and stops the demo when it fails.
function(qrvx directory)
    execute_process(COMMAND "${TOOL}" ${ARGN} WORKING_DIRECTORY "${directory}"
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "qrvx ${command} failed")
    endif()
endfunction()

# qrvx text with these arguments into NAME.qrvx, drawn as NAME.png.
function(text_sign name)
    qrvx("${TEXT_OUTPUT}" text ${ARGN} -o ${name}.qrvx)
    qrvx("${TEXT_OUTPUT}" png ${name}.qrvx -o ${name}.png --title ${name})
endfunction()

file(GLOB samples RELATIVE "${SAMPLES}" "${SAMPLES}/*.qrvx")
list(SORT samples)
file(MAKE_DIRECTORY "${OUTPUT}" "${TEXT_OUTPUT}")
foreach(sample IN LISTS samples)
    get_filename_component(name "${sample}" NAME_WE)
    qrvx("${SAMPLES}" png ${sample} -o "${OUTPUT}/${name}.png" --title ${name})
endforeach()
qrvx("${SAMPLES}" info --brief ${samples})
list(LENGTH samples count)
message("\n${count} sample graphics drawn as PNG files in ${OUTPUT}\n")

set(amber --colour-system 2 --colour 2)
text_sign(central CENTRAL --width 96)
text_sign(harbour-115 HARBOUR "via Kings Quay" --route 115 --width 120 ${amber} --route-colour 2)
text_sign(goettingen "Hauptbahnhof/Göttingen" --width 120 ${amber})
# Broken where a sign maker breaks; on a 24-row sign the faces of that height.
text_sign(eglise "Église Sainte-Élisabeth via Bouchette" --route 931 --width 128)
text_sign(poswiecka "POŚWIĘCKA (Ośrodek zdrowia)" --route 129 --width 200 --height 24 ${amber})
text_sign(hansmann "Hansmannstraße" --route 7 --width 64
          --abbreviations "${CMAKE_CURRENT_LIST_DIR}/abbreviations/de.csv")
# Room for a route number at the end, then a route number of that width programmed into it.
text_sign(airport-reserved Airport --width 120 --reserve end:28 ${amber})
text_sign(route-42 42 --font route-16 --width 28 --route-number end ${amber})
qrvx("${TEXT_OUTPUT}" program airport-reserved.qrvx route-42.qrvx -o airport-42.qrvx)
qrvx("${TEXT_OUTPUT}" png airport-42.qrvx -o airport-42.png --title airport-42)
qrvx("${TEXT_OUTPUT}" fonts -o fonts.png)
qrvx("${TEXT_OUTPUT}" fonts -o fonts-sample.png --sample "Église Gęślą qy 0O8B")
message("\nSigns made from text, and the built-in fonts, in ${TEXT_OUTPUT}")

# A destination list: its signs, review page and contact sheet. Its FLY row asks for an
# aeroplane, which no built-in font has, and must be the only row refused.
get_filename_component(lists "${CMAKE_CURRENT_LIST_DIR}" ABSOLUTE)
execute_process(COMMAND "${TOOL}" batch destinations.csv -o "${BATCH_OUTPUT}" --width 128
                WORKING_DIRECTORY "${lists}" RESULT_VARIABLE status ERROR_VARIABLE refused)
if(NOT status EQUAL 1 OR NOT refused MATCHES "^destinations.csv:12: FLY: [^\n]*\n$")
    message(FATAL_ERROR "qrvx batch: only the FLY row should be refused (${status}):\n${refused}")
endif()
message("\nAs planted: ${refused}The signs of destinations.csv, their review page (index.html) and "
        "contact sheet in ${BATCH_OUTPUT}")

# A network's timetable (made up) into every face of a 16-row fleet.
qrvx("${lists}" batch feed --sign-set fleet-16.toml -o "${BATCH_OUTPUT}/network")
message("\nThe front, side and rear signs of examples/feed, their review page and a contact sheet "
        "a face in ${BATCH_OUTPUT}/network")
