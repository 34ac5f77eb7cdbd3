# Installing Drapix for other programs. Components:
#   libdrapix1     the shared library with its soname link (the designer plugin has a package
#                  of its own, drapix-designer-plugin)
#   libdrapix-dev  the public headers, the development link libdrapix.so, the CMake package
#                  (find_package(Drapix 1.0) gives Drapix::Drapix) and drapix.pc
include(CMakePackageConfigHelpers)

set_target_properties(drapix PROPERTIES EXPORT_NAME Drapix)
add_library(Drapix::Drapix ALIAS drapix)

install(TARGETS drapix EXPORT DrapixTargets
    LIBRARY DESTINATION ${MERIDANE_INSTALL_LIBDIR}
        COMPONENT libdrapix1 NAMELINK_COMPONENT libdrapix-dev
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT libdrapix1
    ARCHIVE DESTINATION ${MERIDANE_INSTALL_LIBDIR} COMPONENT libdrapix-dev)
install(FILES ${DRAPIX_PUBLIC_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/drapix
    COMPONENT libdrapix-dev)

set(DRAPIX_CMAKE_DIR ${MERIDANE_INSTALL_LIBDIR}/cmake/Drapix)
install(EXPORT DrapixTargets NAMESPACE Drapix:: DESTINATION ${DRAPIX_CMAKE_DIR}
    FILE DrapixTargets.cmake COMPONENT libdrapix-dev)
configure_package_config_file(${CMAKE_CURRENT_SOURCE_DIR}/DrapixConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/DrapixConfig.cmake INSTALL_DESTINATION ${DRAPIX_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/DrapixConfigVersion.cmake
    VERSION ${DRAPIX_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/DrapixConfig.cmake
    ${CMAKE_CURRENT_BINARY_DIR}/DrapixConfigVersion.cmake
    DESTINATION ${DRAPIX_CMAKE_DIR} COMPONENT libdrapix-dev)

# drapix.pc, found from its own folder so that any prefix works.
set(DRAPIX_PKGCONFIG_DIR ${MERIDANE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH DRAPIX_PC_TO_PREFIX "/prefix/${DRAPIX_PKGCONFIG_DIR}" "/prefix")
string(REGEX REPLACE "/$" "" DRAPIX_PC_TO_PREFIX "${DRAPIX_PC_TO_PREFIX}")
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/drapix.pc.in ${CMAKE_CURRENT_BINARY_DIR}/drapix.pc
    @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/drapix.pc DESTINATION ${DRAPIX_PKGCONFIG_DIR}
    COMPONENT libdrapix-dev)
