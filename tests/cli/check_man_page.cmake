# Fails unless the manual page PAGE documents every command TOOL's help lists, each with every long
# option of the command's own help in its subsection, and the tool's own options under OPTIONS.
#   cmake -DTOOL=qrvx -DPAGE=qrvx.1 -P check_man_page.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../../tools/man/tool_help.cmake)

file(READ ${PAGE} page)
# The words as a reader sees them: no font changes, plain hyphens.
string(REGEX REPLACE "\\\\f[BIRP]|\\\\[,/&]" "" page "${page}")
string(REPLACE "\\-" "-" page "${page}")

# section(HEADING VARIABLE): sets VARIABLE to the page's text from the line HEADING to the next
# heading, empty when there is no such line.
function(section heading variable)
    string(FIND "${page}" "\n${heading}\n" start)
    set(text "")
    if(start GREATER -1)
        string(SUBSTRING "${page}" ${start} -1 text)
        string(REGEX REPLACE "^\n[^\n]*\n" "" text "${text}")
        string(REGEX REPLACE "\n\\.S[HS] .*" "" text "${text}")
    endif()
    set(${variable} "${text}" PARENT_SCOPE)
endfunction()

set(faults "")
qrvx_tool_commands(${TOOL} commands)
foreach(command "" ${commands})
    qrvx_tool_help(${TOOL} help ${command})
    qrvx_long_options("${help}" options)
    if(command STREQUAL "")
        section(".SH OPTIONS" text)
        set(where "OPTIONS")
    else()
        section(".SS \"qrvx ${command}\"" text)
        set(where "qrvx ${command}")
    endif()
    if(text STREQUAL "")
        list(APPEND faults "no section ${where}")
    endif()
    foreach(option IN LISTS options)
        if(NOT text MATCHES "${option}([^-a-z0-9]|$)")
            list(APPEND faults "${option} missing from ${where}")
        endif()
    endforeach()
endforeach()
if(faults)
    list(JOIN faults "\n  " faults)
    message(FATAL_ERROR "${PAGE}:\n  ${faults}")
endif()
