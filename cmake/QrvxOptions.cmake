# What gets built besides the library. The parts default on only when qrvx is the top-level
# project, so a host that adds qrvx with add_subdirectory or FetchContent gets qrvx::qrvx and
# needs nothing beyond a C++20 compiler and libpng.

set(qrvx_top ${PROJECT_IS_TOP_LEVEL})
option(QRVX_BUILD_TOOLS "Build the qrvx command-line tool (CLI11, nlohmann-json)" ${qrvx_top})
option(QRVX_BUILD_EXAMPLES "Build the sample generator, the C++ example and the demo" ${qrvx_top})
option(QRVX_BUILD_TESTS "Build the tests when BUILD_TESTING is on (GoogleTest)" ${qrvx_top})
option(QRVX_BUILD_BENCHMARKS "Build the benchmarks (Google Benchmark)" OFF)
option(QRVX_FUZZ "Build the fuzz targets with libFuzzer (clang)" OFF)
option(QRVX_ABI_CHECK "Build the record layout printer of the interface check (abi/check.sh)" OFF)
option(QRVX_BUILD_HOST_TRACE "Build the stand-in host trace library qrvx::host_trace" ${qrvx_top})
option(QRVX_BUILD_AUTHOR "Build libqrvx_author, which makes graphics from images" ${qrvx_top})
option(QRVX_BUILD_TEXT "Build libqrvx_text, which makes signs from text (FreeType, fontconfig)"
       ${qrvx_top})
option(QRVX_BUILD_BATCH
       "Build libqrvx_batch, which makes the signs of destination lists and timetables (libzip)"
       ${qrvx_top})
if(PROJECT_IS_TOP_LEVEL)
    option(BUILD_SHARED_LIBS "Build libqrvx as a shared library (OFF: libqrvx.a)" ON)
endif()

if(QRVX_BUILD_TESTS)
    include(CTest)
endif()
set(qrvx_tests OFF)
if(QRVX_BUILD_TESTS AND BUILD_TESTING)
    set(qrvx_tests ON)
endif()
# Every other part links the stand-in trace library; all but the benchmarks make graphics too.
if(QRVX_BUILD_TOOLS OR QRVX_BUILD_EXAMPLES OR qrvx_tests OR QRVX_BUILD_BENCHMARKS OR QRVX_FUZZ)
    set(QRVX_BUILD_HOST_TRACE ON)
endif()
if(QRVX_BUILD_TOOLS OR qrvx_tests OR QRVX_FUZZ OR QRVX_BUILD_BENCHMARKS)
    set(QRVX_BUILD_TEXT ON)
endif()
# The tool's batch is the batch library's.
if(QRVX_BUILD_TOOLS OR qrvx_tests OR QRVX_FUZZ)
    set(QRVX_BUILD_BATCH ON)
endif()
# Batches are made of text signs.
if(QRVX_BUILD_BATCH)
    set(QRVX_BUILD_TEXT ON)
endif()
# Text signs are encoded by the authoring library.
if(QRVX_BUILD_TOOLS OR QRVX_BUILD_EXAMPLES OR qrvx_tests OR QRVX_FUZZ OR QRVX_BUILD_TEXT)
    set(QRVX_BUILD_AUTHOR ON)
endif()

# An optimised build unless asked otherwise.
get_property(qrvx_multi_config GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
if(PROJECT_IS_TOP_LEVEL AND NOT qrvx_multi_config AND NOT CMAKE_BUILD_TYPE)
    set(CMAKE_BUILD_TYPE Release CACHE STRING "Build type" FORCE)
endif()

# qrvx_require(OPTION NAME:DEBIAN_PACKAGE... [PROGRAMS NAME:DEBIAN_PACKAGE...]): fails the
# configure with one line naming every package OPTION lacks. A program found is in the cache as
# NAME_EXECUTABLE (upper case).
function(qrvx_require option)
    set(names "")
    set(packages "")
    set(programs OFF)
    foreach(requirement IN LISTS ARGN)
        if(requirement STREQUAL "PROGRAMS")
            set(programs ON)
            continue()
        endif()
        string(REPLACE ":" ";" requirement "${requirement}")
        list(GET requirement 0 name)
        list(GET requirement 1 package)
        if(programs)
            string(TOUPPER "${name}_EXECUTABLE" variable)
            find_program(${variable} ${name})
            set(found ${${variable}})
        else()
            find_package(${name} QUIET)
            set(found ${${name}_FOUND})
        endif()
        if(NOT found)
            list(APPEND names ${name})
            list(APPEND packages ${package})
        endif()
    endforeach()
    if(names)
        list(JOIN names " and " names)
        list(JOIN packages " " packages)
        # The leading space keeps the line whole.
        message(FATAL_ERROR " ${option} needs ${names}: apt-get install ${packages}, "
                            "or configure with -D${option}=OFF")
    endif()
endfunction()

# The tool's manual page is made by running the tool, which a cross build cannot.
set(qrvx_man_page OFF)
set(man_page_programs "")
set(man_page_test_programs "")
if(QRVX_BUILD_TOOLS AND NOT CMAKE_CROSSCOMPILING)
    set(qrvx_man_page ON)
    set(man_page_programs PROGRAMS help2man:help2man)
    set(man_page_test_programs PROGRAMS man:man-db)
endif()
if(QRVX_BUILD_TOOLS)
    qrvx_require(QRVX_BUILD_TOOLS CLI11:libcli11-dev nlohmann_json:nlohmann-json3-dev
        ${man_page_programs})
endif()
if(qrvx_tests)
    qrvx_require(QRVX_BUILD_TESTS GTest:libgtest-dev PkgConfig:pkg-config ${man_page_test_programs})
endif()
if(QRVX_BUILD_BENCHMARKS)
    qrvx_require(QRVX_BUILD_BENCHMARKS benchmark:libbenchmark-dev)
endif()
if(QRVX_BUILD_TEXT)
    qrvx_require(QRVX_BUILD_TEXT Freetype:libfreetype-dev Fontconfig:libfontconfig-dev
                 utf8proc:libutf8proc-dev)
endif()
if(QRVX_BUILD_BATCH)
    qrvx_require(QRVX_BUILD_BATCH libzip:libzip-dev csv:libcsv-dev utf8proc:libutf8proc-dev
                 tomlplusplus:libtomlplusplus-dev)
endif()
