# Installs the library, its header, the stand-in host trace library, a CMake package
# (find_package(qrvx CONFIG) gives qrvx::qrvx and qrvx::host_trace) and pkg-config files.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set_target_properties(qrvx_host_trace PROPERTIES EXPORT_NAME host_trace)
install(TARGETS qrvx qrvx_host_trace EXPORT qrvxTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/qrvx.h ${PROJECT_SOURCE_DIR}/include/qrvx.hpp
              ${PROJECT_SOURCE_DIR}/host/include/qrvx_host_trace.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/qrvx)
install(EXPORT qrvxTargets NAMESPACE qrvx:: DESTINATION ${package_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/qrvxConfig.cmake.in
    ${PROJECT_BINARY_DIR}/qrvxConfig.cmake INSTALL_DESTINATION ${package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/qrvxConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/qrvxConfig.cmake ${PROJECT_BINARY_DIR}/qrvxConfigVersion.cmake
    DESTINATION ${package_dir})

# Relative to the .pc file, so an installed tree can be moved.
file(RELATIVE_PATH pc_prefix_from_pcfiledir "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
foreach(pc qrvx qrvx_host_trace)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/${pc}.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()

# The authoring library: qrvx::author in the same CMake package, and qrvx_author.pc.
set_target_properties(qrvx_author PROPERTIES EXPORT_NAME author)
install(TARGETS qrvx_author EXPORT qrvxTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/qrvx_author.hpp
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
configure_file(${PROJECT_SOURCE_DIR}/cmake/qrvx_author.pc.in ${PROJECT_BINARY_DIR}/qrvx_author.pc
    @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/qrvx_author.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
