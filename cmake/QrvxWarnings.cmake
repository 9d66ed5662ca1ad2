# Warnings are errors in the project's own targets.
function(qrvx_warnings target)
    target_compile_options(${target} PRIVATE
        $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
            -Wold-style-cast -Wcast-align -Wnull-dereference -Werror>
        $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra -Wpedantic -Werror>)
endfunction()

# The library itself is also held to conversion warnings: sizes come from hostile input.
function(qrvx_strict_warnings target)
    qrvx_warnings(${target})
    target_compile_options(${target} PRIVATE
        $<$<COMPILE_LANGUAGE:CXX>:-Wconversion -Wsign-conversion>)
endfunction()
