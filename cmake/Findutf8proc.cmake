# Finds utf8proc, which ships no CMake package: through pkg-config (libutf8proc) when it is there,
# else by its header and library. Gives utf8proc::utf8proc and utf8proc_FOUND.
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
    pkg_check_modules(PC_utf8proc QUIET libutf8proc)
endif()
find_path(utf8proc_INCLUDE_DIR utf8proc.h HINTS ${PC_utf8proc_INCLUDE_DIRS})
find_library(utf8proc_LIBRARY NAMES utf8proc HINTS ${PC_utf8proc_LIBRARY_DIRS})

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(utf8proc REQUIRED_VARS utf8proc_LIBRARY utf8proc_INCLUDE_DIR)
mark_as_advanced(utf8proc_INCLUDE_DIR utf8proc_LIBRARY)

if(utf8proc_FOUND AND NOT TARGET utf8proc::utf8proc)
    add_library(utf8proc::utf8proc UNKNOWN IMPORTED)
    set_target_properties(utf8proc::utf8proc PROPERTIES
        IMPORTED_LOCATION "${utf8proc_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${utf8proc_INCLUDE_DIR}")
endif()
