# Archives with CPack (cpack --preset native / win32, or cpack in a build
# tree): a .deb on Linux, a .zip SDK on Windows, both holding every install
# component. They are written to <build>/packages.
set(CPACK_PACKAGE_NAME uZyvSDK)
set(CPACK_PACKAGE_VENDOR uZyvSDK)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "uZyvSDK developers <uzyvsdk@localhost>")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES OFF)

if(WIN32)
  # The archive unpacks into uZyvSDK-<version>-windows/ with the README at
  # its top and this tree's binaries below ${UZYV_WINDOWS_ARCH}/. Trees for
  # other processors (configured with their own UZYV_WINDOWS_ARCH and built)
  # join the same archive through UZYV_PACKAGE_WITH_TREES.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME uZyvSDK-${PROJECT_VERSION}-windows)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(UZYV_PACKAGE_WITH_TREES "" CACHE STRING
      "Further built Windows trees whose install joins this tree's archive")
  set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};uZyvSDK;ALL;/")
  foreach(tree IN LISTS UZYV_PACKAGE_WITH_TREES)
    list(APPEND CPACK_INSTALL_CMAKE_PROJECTS "${tree};uZyvSDK;ALL;/")
  endforeach()
  set(UZYV_VERSION ${PROJECT_VERSION})
  configure_file(${PROJECT_SOURCE_DIR}/packaging/README-windows.txt
                 ${PROJECT_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION . COMPONENT Documentation)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_NAME uzyvsdk)
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The library's own folder, for dpkg-shlibdeps to resolve the simulated
  # runtime's hub.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/bin)
endif()

include(CPack)
