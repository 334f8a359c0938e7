# cmake --install: the two libraries, the public headers, this machine's
# platform stand-ins, a CMake package generated from the targets and a
# pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VELTRA_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/veltra)
set(VELTRA_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/VeltraEffectAPI)

# Installed libraries find each other (and the shim) beside themselves. A
# device build installs the library and its headers alone.
if(NOT ANDROID)
  set_target_properties(veltraeffectapi fxshim_Oreo system_properties audioclient PROPERTIES
    INSTALL_RPATH "\$ORIGIN;${ANDROID_LIB_DIR}")
endif()

# The targets of the CMake package (Veltra::veltraeffectapi, and this
# machine's platform stand-ins for an application on a host), each with the
# installed include folder its headers are in. The shim is loaded at run
# time, never linked: it is installed beside the library, outside the package.
install(TARGETS veltraeffectapi EXPORT VeltraEffectAPITargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${VELTRA_INSTALL_INCLUDEDIR})
if(NOT ANDROID)
  install(TARGETS system_properties audioclient host_platform EXPORT VeltraEffectAPITargets
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
          INCLUDES DESTINATION ${VELTRA_INSTALL_INCLUDEDIR}/host-platform)
  install(TARGETS fxshim_Oreo LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()

# The public headers, the include folder whole, under include/veltra; the
# host platform's controls under include/veltra/host-platform.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/ DESTINATION ${VELTRA_INSTALL_INCLUDEDIR})
if(NOT ANDROID)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/platform/include/
          DESTINATION ${VELTRA_INSTALL_INCLUDEDIR}/host-platform)
endif()

# The sample logging configuration file, as a device image carries it
# (/vendor/etc/velt_conf.ini): every key, its values and its default.
install(FILES ${PROJECT_SOURCE_DIR}/velt_conf.ini DESTINATION ${CMAKE_INSTALL_DATADIR}/veltra)

install(EXPORT VeltraEffectAPITargets NAMESPACE Veltra:: DESTINATION ${VELTRA_INSTALL_CMAKEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VeltraEffectAPIConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VeltraEffectAPIConfig.cmake
  INSTALL_DESTINATION ${VELTRA_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VeltraEffectAPIConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VeltraEffectAPIConfig.cmake
              ${PROJECT_BINARY_DIR}/VeltraEffectAPIConfigVersion.cmake
        DESTINATION ${VELTRA_INSTALL_CMAKEDIR})

# pkg-config: the prefix is the one given at install time. The host
# platform's stand-ins have a package of their own, veltra-host-platform, so
# that the library's package names nothing a device lacks.
set(_pc_files veltraeffectapi)
if(NOT ANDROID)
  list(APPEND _pc_files veltra-host-platform)
endif()
foreach(_pc ${_pc_files})
  install(CODE "
    set(CMAKE_INSTALL_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
    set(VELTRA_INSTALL_INCLUDEDIR \"${VELTRA_INSTALL_INCLUDEDIR}\")
    set(PROJECT_VERSION \"${PROJECT_VERSION}\")
    configure_file(\"${PROJECT_SOURCE_DIR}/cmake/${_pc}.pc.in\"
                   \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig/${_pc}.pc\" @ONLY)
  ")
endforeach()
