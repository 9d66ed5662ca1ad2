# Installs the libraries, their headers, one CMake package (find_package(qrvx CONFIG) gives
# qrvx::qrvx, and qrvx::host_trace when built) and a pkg-config file per library.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# qrvx_install_library(TARGET [EXPORT_NAME NAME] [PKG_CONFIG NAME] [HEADERS FILE...]): installs
# TARGET into the package as qrvx::NAME, with the pkg-config file made from cmake/NAME.pc.in.
function(qrvx_install_library target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "EXPORT_NAME;PKG_CONFIG" "HEADERS")
    if(arg_EXPORT_NAME)
        set_target_properties(${target} PROPERTIES EXPORT_NAME ${arg_EXPORT_NAME})
    endif()
    install(TARGETS ${target} EXPORT qrvxTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
    if(arg_HEADERS)
        install(FILES ${arg_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
    endif()
    if(arg_PKG_CONFIG)
        # Relative to the .pc file, so an installed tree can be moved.
        file(RELATIVE_PATH pc_prefix_from_pcfiledir "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig"
             "/prefix")
        configure_file(${PROJECT_SOURCE_DIR}/cmake/${arg_PKG_CONFIG}.pc.in
                       ${PROJECT_BINARY_DIR}/${arg_PKG_CONFIG}.pc @ONLY)
        install(FILES ${PROJECT_BINARY_DIR}/${arg_PKG_CONFIG}.pc
                DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
    endif()
endfunction()

# What a static libqrvx adds to a C program's link: the runtime of the C++ compiler that built it
# (libstdc++ or libc++, with libm), which the C compiler's driver leaves out.
set(qrvx_cxx_runtime ${CMAKE_CXX_IMPLICIT_LINK_LIBRARIES})
list(REMOVE_ITEM qrvx_cxx_runtime ${CMAKE_C_IMPLICIT_LINK_LIBRARIES})
list(TRANSFORM qrvx_cxx_runtime REPLACE "^([^-/].*)" "-l\\1" OUTPUT_VARIABLE pc_cxx_runtime)
list(JOIN pc_cxx_runtime " " QRVX_PC_CXX_RUNTIME)

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/qrvx)
install(EXPORT qrvxTargets NAMESPACE qrvx:: DESTINATION ${package_dir})
set(QRVX_STATIC OFF)
if(NOT BUILD_SHARED_LIBS)
    set(QRVX_STATIC ON)
endif()
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/qrvxConfig.cmake.in
    ${PROJECT_BINARY_DIR}/qrvxConfig.cmake INSTALL_DESTINATION ${package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/qrvxConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/qrvxConfig.cmake ${PROJECT_BINARY_DIR}/qrvxConfigVersion.cmake
    DESTINATION ${package_dir})
# utf8proc and libcsv have no CMake package of their own, and Debian's libzip has a broken one.
if(QRVX_BUILD_TEXT AND NOT BUILD_SHARED_LIBS)
    install(FILES ${PROJECT_SOURCE_DIR}/cmake/Findutf8proc.cmake DESTINATION ${package_dir})
endif()
if(QRVX_BUILD_BATCH AND NOT BUILD_SHARED_LIBS)
    install(FILES ${PROJECT_SOURCE_DIR}/cmake/Findutf8proc.cmake
        ${PROJECT_SOURCE_DIR}/cmake/Findlibzip.cmake ${PROJECT_SOURCE_DIR}/cmake/Findcsv.cmake
        DESTINATION ${package_dir})
endif()
