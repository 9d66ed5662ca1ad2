# qrvx_tool_help(TOOL VARIABLE [ARGUMENT...]): sets VARIABLE to the help TOOL prints for
# `TOOL ARGUMENT... --help`.
function(qrvx_tool_help tool variable)
    execute_process(COMMAND ${tool} ${ARGN} --help OUTPUT_VARIABLE help COMMAND_ERROR_IS_FATAL ANY)
    set(${variable} "${help}" PARENT_SCOPE)
endfunction()

# qrvx_tool_commands(TOOL VARIABLE): sets VARIABLE to the commands TOOL's help lists, the names
# that start the lines of its "Subcommands:" paragraph (descriptions continue further in).
function(qrvx_tool_commands tool variable)
    qrvx_tool_help(${tool} help)
    set(heading "\n[Ss][Uu][Bb][Cc][Oo][Mm][Mm][Aa][Nn][Dd][Ss]:\n")
    if(NOT help MATCHES "${heading}")
        message(FATAL_ERROR "${tool} --help lists no commands")
    endif()
    string(REGEX REPLACE ".*${heading}" "\n" paragraph "${help}")
    string(REGEX REPLACE "\n\n.*" "" paragraph "${paragraph}")
    string(REGEX MATCHALL "\n  [a-z][-a-z0-9]*" commands "${paragraph}")
    list(TRANSFORM commands STRIP)
    set(${variable} ${commands} PARENT_SCOPE)
endfunction()

# qrvx_long_options(HELP VARIABLE): sets VARIABLE to the long options HELP names, each once.
function(qrvx_long_options help variable)
    string(REGEX MATCHALL "--[a-z][-a-z0-9]*" options "${help}")
    list(REMOVE_DUPLICATES options)
    set(${variable} ${options} PARENT_SCOPE)
endfunction()
