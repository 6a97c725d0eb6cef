# Installation: versioned shared libraries with sonames, their public headers, the
# programs, a CMake package (find_package(KestrelSupport) with one imported target per
# library, KestrelSupport::<Library>) and a pkg-config file per library; and a Debian
# package of all of it (cpack -G DEB).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

get_property(kv_libraries GLOBAL PROPERTY KV_INSTALLED_LIBRARIES)
set(kv_programs KVDNC kvreg kvdbroot kvpaths kvvars)

# Installed programs and libraries find their libraries beside them, wherever the tree
# is laid.
foreach(target ${kv_libraries})
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
endforeach()
foreach(target ${kv_programs})
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
endforeach()

# The desktop backend is a package of its own, so that the libraries and programs install
# on a server without any GUI package.
set(kv_gui_libraries KVPlatformGui)
set(kv_core_libraries ${kv_libraries})
list(REMOVE_ITEM kv_core_libraries ${kv_gui_libraries})
install(TARGETS ${kv_core_libraries} EXPORT KestrelSupportTargets COMPONENT runtime
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
foreach(target ${kv_gui_libraries})
  if(TARGET ${target})
    install(TARGETS ${target} COMPONENT gui LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  endif()
endforeach()
install(TARGETS ${kv_programs} COMPONENT runtime RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(target ${kv_core_libraries})
  get_target_property(headers ${target} KV_HEADER_DIR)
  if(IS_DIRECTORY ${headers})
    install(DIRECTORY ${headers}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT runtime)
  endif()
endforeach()

set(kv_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/KestrelSupport)
install(EXPORT KestrelSupportTargets NAMESPACE KestrelSupport:: DESTINATION ${kv_package_dir}
        COMPONENT runtime)
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/package/KestrelSupportConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/KestrelSupportConfig.cmake
                              INSTALL_DESTINATION ${kv_package_dir})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/KestrelSupportConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/KestrelSupportConfig.cmake
              ${CMAKE_BINARY_DIR}/KestrelSupportConfigVersion.cmake
        DESTINATION ${kv_package_dir} COMPONENT runtime)

# pkg-config: one file per library, its platform libraries as requirements; relocatable
# (the prefix is found from the file's own folder).
file(RELATIVE_PATH KV_PC_PREFIX /p/${CMAKE_INSTALL_LIBDIR}/pkgconfig /p)
foreach(target ${kv_core_libraries})
  get_target_property(deps ${target} INTERFACE_LINK_LIBRARIES)
  set(KV_PC_NAME ${target})
  set(KV_PC_REQUIRES "")
  foreach(dep ${deps})
    if(TARGET ${dep} AND dep IN_LIST kv_libraries)
      string(APPEND KV_PC_REQUIRES " ${dep}")
    endif()
  endforeach()
  configure_file(${CMAKE_SOURCE_DIR}/cmake/package/library.pc.in
                 ${CMAKE_BINARY_DIR}/pkgconfig/${target}.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/pkgconfig/${target}.pc
          DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT runtime)
endforeach()

set(CPACK_PACKAGE_NAME kestrel-support)
set(CPACK_PACKAGE_VENDOR "Kestrel Systems")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Kestrel CAD/CAM support layer: number, file, data and internet libraries and the DNC launcher")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Kestrel Systems <support@kestrel.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime gui)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME kestrel-support)
set(CPACK_DEBIAN_GUI_PACKAGE_NAME kestrel-support-gui)
# dpkg-shlibdeps does not look into the sibling package: the GUI package names its
# dependencies itself.
set(CPACK_DEBIAN_GUI_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS
    "kestrel-support (= ${PROJECT_VERSION}), libwxgtk3.2-1, libgtk-3-0")
set(CPACK_COMPONENT_GUI_DESCRIPTION "Kestrel support layer: the desktop (wxWidgets) UI backend")
include(CPack)
