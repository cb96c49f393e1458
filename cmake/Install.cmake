include(CMakePackageConfigHelpers)

# Components: Runtime (the versioned shared library), Development (headers, the unversioned link, the CMake
# package and the pkg-config file); cmake/Packaging.cmake makes a Debian package of each.
install(TARGETS QuorixApi EXPORT QuorixApiTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Runtime NAMELINK_COMPONENT Development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/quorix DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  COMPONENT Development)

set(QUORIX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/QuorixApi)
install(EXPORT QuorixApiTargets NAMESPACE QuorixApi:: DESTINATION ${QUORIX_CMAKE_DIR} COMPONENT Development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/QuorixApiConfig.cmake.in
  ${PROJECT_BINARY_DIR}/QuorixApiConfig.cmake INSTALL_DESTINATION ${QUORIX_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QuorixApiConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QuorixApiConfig.cmake ${PROJECT_BINARY_DIR}/QuorixApiConfigVersion.cmake
  DESTINATION ${QUORIX_CMAKE_DIR} COMPONENT Development)

configure_file(${PROJECT_SOURCE_DIR}/cmake/quorix-api.pc.in ${PROJECT_BINARY_DIR}/quorix-api.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/quorix-api.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT Development)
