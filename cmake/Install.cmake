# cmake --install: the two libraries, the headers an application needs, this
# machine's platform stand-ins, a CMake package and a pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VELTRA_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/veltra)

# Installed libraries find each other (and the shim) beside themselves.
set_target_properties(veltraeffectapi fxshim_Oreo system_properties audioclient PROPERTIES
  INSTALL_RPATH "\$ORIGIN;${ANDROID_LIB_DIR}")
install(TARGETS veltraeffectapi fxshim_Oreo system_properties audioclient
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})

# The public headers, the include folder whole, under include/veltra.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/include/ DESTINATION ${VELTRA_INSTALL_INCLUDEDIR})
# The host platform's controls, for applications that run on this machine.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/platform/include/
        DESTINATION ${VELTRA_INSTALL_INCLUDEDIR}/host-platform)

configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/VeltraEffectAPIConfig.cmake.in
  ${CMAKE_BINARY_DIR}/VeltraEffectAPIConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/VeltraEffectAPI
  PATH_VARS VELTRA_INSTALL_INCLUDEDIR CMAKE_INSTALL_LIBDIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/VeltraEffectAPIConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/VeltraEffectAPIConfig.cmake
              ${CMAKE_BINARY_DIR}/VeltraEffectAPIConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/VeltraEffectAPI)

# pkg-config: the prefix is the one given at install time.
install(CODE "
  set(CMAKE_INSTALL_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
  set(VELTRA_INSTALL_INCLUDEDIR \"${VELTRA_INSTALL_INCLUDEDIR}\")
  set(PROJECT_VERSION \"${PROJECT_VERSION}\")
  configure_file(\"${CMAKE_SOURCE_DIR}/cmake/veltraeffectapi.pc.in\"
                 \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig/veltraeffectapi.pc\" @ONLY)
")
