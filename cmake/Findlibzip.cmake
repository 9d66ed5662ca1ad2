# Finds libzip (Debian: libzip-dev) by pkg-config, else by its header and library: Debian's own
# CMake package of it fails without the zip tools it also names. Gives libzip::zip and
# libzip_FOUND.
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
    pkg_check_modules(PC_libzip QUIET libzip)
endif()
find_path(libzip_INCLUDE_DIR zip.h HINTS ${PC_libzip_INCLUDE_DIRS})
find_library(libzip_LIBRARY NAMES zip HINTS ${PC_libzip_LIBRARY_DIRS})

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(libzip REQUIRED_VARS libzip_LIBRARY libzip_INCLUDE_DIR)
mark_as_advanced(libzip_INCLUDE_DIR libzip_LIBRARY)

if(libzip_FOUND AND NOT TARGET libzip::zip)
    add_library(libzip::zip UNKNOWN IMPORTED)
    set_target_properties(libzip::zip PROPERTIES
        IMPORTED_LOCATION "${libzip_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${libzip_INCLUDE_DIR}")
endif()
