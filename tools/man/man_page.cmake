# Writes the tool's manual page: help2man's page of `qrvx --help`, then a COMMANDS section with a
# subsection per command the help lists, made by help2man from that command's --help.
#   cmake -DTOOL=qrvx -DHELP2MAN=help2man -DVERSION=X.Y.Z -DNAME=TEXT -DOUTPUT=qrvx.1
#         -P man_page.cmake
include(${CMAKE_CURRENT_LIST_DIR}/tool_help.cmake)

# help2man reads the help in the locale's encoding; the tool writes UTF-8.
set(ENV{LC_ALL} C.UTF-8)

# help2man(VARIABLE HELP_ARGUMENTS [OPTION...]): sets VARIABLE to help2man's page of
# `TOOL HELP_ARGUMENTS`.
function(help2man variable help)
    execute_process(COMMAND ${HELP2MAN} --no-info --version-string=${VERSION} ${ARGN}
                            "--help-option=${help}" ${TOOL}
        OUTPUT_VARIABLE page COMMAND_ERROR_IS_FATAL ANY)
    set(${variable} "${page}" PARENT_SCOPE)
endfunction()

# command_section(COMMAND VARIABLE): sets VARIABLE to COMMAND's subsection: its synopsis, then
# its description and options, their headings turned into labels inside the subsection.
function(command_section command variable)
    help2man(page "${command} --help")
    set(synopsis "\n.SH SYNOPSIS\n")
    string(FIND "${page}" "${synopsis}" start)
    if(start EQUAL -1)
        message(FATAL_ERROR "help2man made no synopsis of ${TOOL} ${command} --help")
    endif()
    string(LENGTH "${synopsis}" length)
    math(EXPR start "${start} + ${length}")
    string(SUBSTRING "${page}" ${start} -1 body)
    # The command's name is not an argument to fill in.
    string(REPLACE "\\fI\\,${command} \\/\\fR" "\\fB${command}\\fR " body "${body}")
    string(REPLACE "\n.SH DESCRIPTION\n" "\n.PP\n" body "${body}")
    string(REGEX REPLACE "\n\\.SS \"([^\n]*)\"\n" "\n.PP\n\\\\fI\\1\\\\fR\n" body "${body}")
    string(REGEX MATCHALL "\n\\.SH [^\n]*\n" headings "${body}")
    foreach(heading IN LISTS headings)
        string(REGEX REPLACE "^\n\\.SH \"?([^\n\"])([^\n\"]*)\"?\n$" "\\1;\\2" name "${heading}")
        list(GET name 1 rest)
        string(TOLOWER "${rest}" rest)
        list(GET name 0 first)
        string(REPLACE "${heading}" "\n.PP\n\\fI${first}${rest}:\\fR\n" body "${body}")
    endforeach()
    set(${variable} ".SS \"qrvx ${command}\"\n${body}" PARENT_SCOPE)
endfunction()

help2man(page --help "--name=${NAME}")
string(APPEND page ".SH COMMANDS\n")
qrvx_tool_commands(${TOOL} commands)
foreach(command IN LISTS commands)
    command_section(${command} section)
    string(APPEND page "${section}")
endforeach()
file(WRITE ${OUTPUT} "${page}")
