# Finds libcsv (Debian: libcsv-dev), which ships no CMake package, by its header and library.
# Gives csv::csv and csv_FOUND.
find_path(csv_INCLUDE_DIR csv.h)
find_library(csv_LIBRARY NAMES csv)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(csv REQUIRED_VARS csv_LIBRARY csv_INCLUDE_DIR)
mark_as_advanced(csv_INCLUDE_DIR csv_LIBRARY)

if(csv_FOUND AND NOT TARGET csv::csv)
    add_library(csv::csv UNKNOWN IMPORTED)
    set_target_properties(csv::csv PROPERTIES
        IMPORTED_LOCATION "${csv_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${csv_INCLUDE_DIR}")
endif()
