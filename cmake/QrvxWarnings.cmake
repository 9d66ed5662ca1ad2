# The project's presets make warnings errors; a user's build, with another compiler than the ones
# the project is checked with, only shows them.
option(QRVX_WARNINGS_AS_ERRORS "Fail the build of qrvx's own targets on any warning" OFF)

function(qrvx_warnings target)
    target_compile_options(${target} PRIVATE
        $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
            -Wold-style-cast -Wcast-align -Wnull-dereference>
        $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra -Wpedantic>)
    set_target_properties(${target} PROPERTIES COMPILE_WARNING_AS_ERROR ${QRVX_WARNINGS_AS_ERRORS})
    # g++ 12 optimising std::vector and std::string code reports out-of-bounds and overlapping
    # copies that cannot happen (its bugs 105329, 105651), and at -O3 uninitialised members of
    # vectors built from initializer lists and oversized compares of vectors, and under
    # ThreadSanitizer null pointers inside std::string and CLI11's headers; the sanitizer builds
    # check the real thing at run time. The library keeps the null-pointer warning.
    target_compile_options(${target} PRIVATE
        $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-array-bounds
            -Wno-restrict -Wno-maybe-uninitialized -Wno-stringop-overread -Wno-null-dereference>)
endfunction()

# The library itself is also held to conversion warnings: sizes come from hostile input.
function(qrvx_strict_warnings target)
    qrvx_warnings(${target})
    target_compile_options(${target} PRIVATE
        $<$<COMPILE_LANGUAGE:CXX>:-Wconversion -Wsign-conversion -Wnull-dereference>)
endfunction()
