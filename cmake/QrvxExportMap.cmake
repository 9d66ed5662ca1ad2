# qrvx_public_symbols(MAP VARIABLE): sets VARIABLE to the functions the export map MAP makes public.
function(qrvx_public_symbols map_file variable)
    file(READ ${map_file} map)
    string(REPLACE ";" " " map "${map}")
    string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]+" names "${map}")
    list(REMOVE_ITEM names global local)
    set(${variable} ${names} PARENT_SCOPE)
endfunction()
