# What `cmake --install` puts where (GNUInstallDirs locations):
#   the module           lib/zkcomiconvdll/ (Windows: bin/, beside the programs)
#   zkconv               bin/
#   zkconv.1             share/man/man1/
#   the abi/ headers     include/zkcomiconvdll/abi/
#   the CMake package    lib/cmake/zkcomiconvdll/
# A host builds against the package with find_package(zkcomiconvdll CONFIG):
# the imported target zkcomiconvdll::abi carries the headers' include
# directory, zkcomiconvdll::module is the module file (for
# $<TARGET_FILE:...>), and zkcomiconvdll_MODULE holds its full path.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

if(WIN32)
  set(ZK_INSTALL_MODULEDIR ${CMAKE_INSTALL_BINDIR})
else()
  set(ZK_INSTALL_MODULEDIR ${CMAKE_INSTALL_LIBDIR}/zkcomiconvdll)
endif()
set(ZK_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/zkcomiconvdll)
set(ZK_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/zkcomiconvdll)

# An installed zkconv finds the installed module from its own directory.
file(RELATIVE_PATH ZK_MODULE_FROM_PROGRAM ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${ZK_INSTALL_MODULEDIR})
target_compile_definitions(zkhost PRIVATE ZK_INSTALLED_MODULE_DIRECTORY="${ZK_MODULE_FROM_PROGRAM}")

set_target_properties(zkabi PROPERTIES EXPORT_NAME abi)
target_include_directories(zkabi INTERFACE $<INSTALL_INTERFACE:${ZK_INSTALL_INCLUDEDIR}>)
set_target_properties(zkcomiconvdll PROPERTIES EXPORT_NAME module)

install(TARGETS zkabi zkcomiconvdll EXPORT zkcomiconvdllTargets
        LIBRARY DESTINATION ${ZK_INSTALL_MODULEDIR})
install(TARGETS zkconv RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/host/zkconv.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/abi/ DESTINATION ${ZK_INSTALL_INCLUDEDIR}/abi
        FILES_MATCHING PATTERN "*.h")

install(EXPORT zkcomiconvdllTargets NAMESPACE zkcomiconvdll:: DESTINATION ${ZK_INSTALL_CMAKEDIR})
set(ZK_MODULE_FILE_NAME zkcomiconvdll${CMAKE_SHARED_MODULE_SUFFIX})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/zkcomiconvdllConfig.cmake.in
  ${PROJECT_BINARY_DIR}/zkcomiconvdllConfig.cmake
  INSTALL_DESTINATION ${ZK_INSTALL_CMAKEDIR}
  PATH_VARS ZK_INSTALL_MODULEDIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zkcomiconvdllConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/zkcomiconvdllConfig.cmake ${PROJECT_BINARY_DIR}/zkcomiconvdllConfigVersion.cmake
        DESTINATION ${ZK_INSTALL_CMAKEDIR})
