# What `cmake --install` puts into a prefix, by component:
#   Runtime      the shared library (libuZyvSDK.so.1, or uZyvSDK.dll)
#   Development  the headers, the import libraries and the .def file, the
#                CMake package (find_package(uZyvSDK), target uZyvSDK::uZyvSDK)
#                and uZyvSDK.pc for pkg-config
#   Tools        zyvscope
#   Simulator    the simulated runtime (Zyvrun.dll and its hub), to develop
#                and test without instruments
#   Documentation  README files and the examples' sources
#
# On Windows every file that depends on the processor goes below a folder
# named after it (x86/bin, x86/lib, ...), so that the packages of several
# Windows build trees can share one archive; each such folder is a complete
# prefix of its own.
include(CMakePackageConfigHelpers)

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(UZYV_WINDOWS_ARCH x64 CACHE STRING "Folder of this tree's binaries in the Windows SDK archive")
  else()
    set(UZYV_WINDOWS_ARCH x86 CACHE STRING "Folder of this tree's binaries in the Windows SDK archive")
  endif()
  set(arch ${UZYV_WINDOWS_ARCH}/)
  set(UZYV_INSTALL_SIMDIR ${arch}sim/default)          # where zyvscope.exe looks by default
else()
  set(arch "")
  set(UZYV_INSTALL_SIMDIR ${CMAKE_INSTALL_LIBDIR}/uZyvSDK/sim/default)
endif()
set(UZYV_INSTALL_BINDIR ${arch}${CMAKE_INSTALL_BINDIR})
set(UZYV_INSTALL_LIBDIR ${arch}${CMAKE_INSTALL_LIBDIR})
set(UZYV_INSTALL_INCLUDEDIR ${arch}${CMAKE_INSTALL_INCLUDEDIR})
set(UZYV_INSTALL_CMAKEDIR ${UZYV_INSTALL_LIBDIR}/cmake/uZyvSDK)
if(WIN32)
  set(UZYV_INSTALL_DOCDIR doc)
  set(UZYV_INSTALL_EXAMPLESDIR examples)
else()
  set(UZYV_INSTALL_DOCDIR ${CMAKE_INSTALL_DOCDIR})
  set(UZYV_INSTALL_EXAMPLESDIR ${CMAKE_INSTALL_DOCDIR}/examples)
endif()

# The library and its headers. The headers' target carries the include
# folder for programs that load the library at run time instead of linking.
set_target_properties(uZyvSDK_headers PROPERTIES EXPORT_NAME headers)
target_include_directories(uZyvSDK_headers INTERFACE $<INSTALL_INTERFACE:${UZYV_INSTALL_INCLUDEDIR}>)
install(TARGETS uZyvSDK uZyvSDK_headers EXPORT uZyvSDKTargets
        RUNTIME DESTINATION ${UZYV_INSTALL_BINDIR} COMPONENT Runtime
        LIBRARY DESTINATION ${UZYV_INSTALL_LIBDIR} COMPONENT Runtime NAMELINK_COMPONENT Development
        ARCHIVE DESTINATION ${UZYV_INSTALL_LIBDIR} COMPONENT Development)
install(FILES ${PROJECT_SOURCE_DIR}/include/uZyvSDK.h ${PROJECT_BINARY_DIR}/include/uZyvSDK_version.h
        DESTINATION ${UZYV_INSTALL_INCLUDEDIR} COMPONENT Development)
if(WIN32)
  # uZyvSDK.lib serves MSVC-style linkers; mingw looks for libuZyvSDK.dll.a.
  # Both are the same import library (on 32-bit Windows with the decorated
  # __stdcall names).
  install(FILES $<TARGET_LINKER_FILE:uZyvSDK> RENAME libuZyvSDK.dll.a
          DESTINATION ${UZYV_INSTALL_LIBDIR} COMPONENT Development)
  install(FILES ${PROJECT_SOURCE_DIR}/src/uZyvSDK.def DESTINATION ${UZYV_INSTALL_LIBDIR} COMPONENT Development)
endif()

# The CMake package, for the installed prefix and for this build tree.
install(EXPORT uZyvSDKTargets NAMESPACE uZyvSDK:: DESTINATION ${UZYV_INSTALL_CMAKEDIR}
        COMPONENT Development)
export(EXPORT uZyvSDKTargets NAMESPACE uZyvSDK:: FILE ${PROJECT_BINARY_DIR}/uZyvSDKTargets.cmake)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/uZyvSDKConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/uZyvSDKConfig.cmake
                              INSTALL_DESTINATION ${UZYV_INSTALL_CMAKEDIR})
# Same major version, at least the version asked for.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/uZyvSDKConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/uZyvSDKConfig.cmake ${PROJECT_BINARY_DIR}/uZyvSDKConfigVersion.cmake
        DESTINATION ${UZYV_INSTALL_CMAKEDIR} COMPONENT Development)

# pkg-config: the prefix is found from the file's own place, so the
# installed tree can be moved (or unpacked from an archive) anywhere.
file(RELATIVE_PATH UZYV_PC_TO_PREFIX /${UZYV_INSTALL_LIBDIR}/pkgconfig /${arch})
string(REGEX REPLACE "/$" "" UZYV_PC_TO_PREFIX "${UZYV_PC_TO_PREFIX}")
file(RELATIVE_PATH UZYV_PC_LIBDIR /${arch} /${UZYV_INSTALL_LIBDIR})
file(RELATIVE_PATH UZYV_PC_INCLUDEDIR /${arch} /${UZYV_INSTALL_INCLUDEDIR})
configure_file(${PROJECT_SOURCE_DIR}/cmake/uZyvSDK.pc.in ${PROJECT_BINARY_DIR}/uZyvSDK.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/uZyvSDK.pc DESTINATION ${UZYV_INSTALL_LIBDIR}/pkgconfig
        COMPONENT Development)

# zyvscope, finding the library in the prefix's library folder.
if(NOT WIN32)
  file(RELATIVE_PATH bin_to_lib /${UZYV_INSTALL_BINDIR} /${UZYV_INSTALL_LIBDIR})
  set_target_properties(zyvscope PROPERTIES INSTALL_RPATH "$ORIGIN/${bin_to_lib}")
endif()
install(TARGETS zyvscope RUNTIME DESTINATION ${UZYV_INSTALL_BINDIR} COMPONENT Tools)

# The simulated runtime: Zyvrun.dll in a folder of its own (the folder an
# application passes to uZyvSDKSetWorkDir) and its hub. The library loads a
# copy of Zyvrun.dll from the temporary folder, so the hub is found beside
# the program on Windows and in the library folder on POSIX.
if(NOT WIN32)
  set_target_properties(zyvrun_default PROPERTIES INSTALL_RPATH "${CMAKE_INSTALL_FULL_LIBDIR}")
endif()
install(TARGETS zyvsim
        RUNTIME DESTINATION ${UZYV_INSTALL_BINDIR} COMPONENT Simulator
        LIBRARY DESTINATION ${UZYV_INSTALL_LIBDIR} COMPONENT Simulator)
install(TARGETS zyvrun_default
        RUNTIME DESTINATION ${UZYV_INSTALL_SIMDIR} COMPONENT Simulator
        LIBRARY DESTINATION ${UZYV_INSTALL_SIMDIR} COMPONENT Simulator)
install(FILES ${PROJECT_SOURCE_DIR}/sim/README.md RENAME README-simulator.md
        DESTINATION ${UZYV_INSTALL_DOCDIR} COMPONENT Documentation)

# Documentation and the examples' sources with a CMake project to build them.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${UZYV_INSTALL_DOCDIR} COMPONENT Documentation)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${UZYV_INSTALL_EXAMPLESDIR}
        COMPONENT Documentation)
