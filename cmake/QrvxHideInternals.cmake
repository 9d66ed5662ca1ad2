include(${CMAKE_CURRENT_LIST_DIR}/QrvxExportMap.cmake)

# qrvx_hide_internals(ARCHIVE OBJECTS EXPORT_MAP): after ARCHIVE (a static library made of the
# object library OBJECTS) is built, replaces its members by one object in which every symbol
# outside EXPORT_MAP is local, as the version script keeps them in the shared library. Section
# groups are resolved on the way, so a program's own copy of an inline function never displaces
# the library's now local one.
function(qrvx_hide_internals archive objects export_map)
    if(NOT CMAKE_OBJCOPY)
        message(FATAL_ERROR "A static libqrvx needs objcopy (binutils), or -DBUILD_SHARED_LIBS=ON")
    endif()
    # g++ gives inline variables unique global binding, which no tool can make local.
    target_compile_options(${objects} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-fno-gnu-unique>)
    qrvx_public_symbols(${export_map} public)
    list(JOIN public "\n" public)
    set(keep ${CMAKE_CURRENT_BINARY_DIR}/${archive}_public_symbols.txt)
    file(WRITE ${keep} "${public}\n")
    set(merged ${CMAKE_CURRENT_BINARY_DIR}/${archive}_merged.o)
    add_custom_command(TARGET ${archive} POST_BUILD
        COMMAND ${CMAKE_CXX_COMPILER} -r -nostdlib -Wl,--force-group-allocation -o ${merged}
            $<TARGET_OBJECTS:${objects}>
        COMMAND ${CMAKE_OBJCOPY} --keep-global-symbols=${keep} ${merged}
        COMMAND ${CMAKE_COMMAND} -E rm -f $<TARGET_FILE:${archive}>
        COMMAND ${CMAKE_AR} qc $<TARGET_FILE:${archive}> ${merged}
        COMMAND ${CMAKE_RANLIB} $<TARGET_FILE:${archive}>
        COMMAND_EXPAND_LISTS VERBATIM)
endfunction()
