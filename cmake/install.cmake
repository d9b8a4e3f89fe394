# What `cmake --install` puts in place, and the Debian package CPack builds
# from it (`cpack -G DEB` in the build folder).
include(GNUInstallDirs)
# Installing and packaging build nothing by themselves (not the tests nor the
# benchmarks): build the program first, `--target vantrel`, which builds the
# library too.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

install(TARGETS vantrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The library for other programs: libvantrel.a, its public headers, a CMake
# package (find_package(vantrel) gives vantrel::vantrel) and a pkg-config file.
include(CMakePackageConfigHelpers)
install(TARGETS vantrel_core EXPORT vantrelTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/vantrel DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT vantrelTargets NAMESPACE vantrel:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vantrel)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/vantrelConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/vantrelConfig.cmake
                              INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vantrel)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/vantrelConfigVersion.cmake COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/vantrelConfig.cmake ${PROJECT_BINARY_DIR}/vantrelConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vantrel)
set(CMAKE_DL_LIBS_FLAG "")
if(CMAKE_DL_LIBS)
  set(CMAKE_DL_LIBS_FLAG "-l${CMAKE_DL_LIBS}")
endif()
file(RELATIVE_PATH PC_PREFIX_FROM_PC_FILE ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
configure_file(${PROJECT_SOURCE_DIR}/cmake/vantrel.pc.in ${PROJECT_BINARY_DIR}/vantrel.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vantrel.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
# The manual page takes the project's version.
configure_file(${PROJECT_SOURCE_DIR}/man/vantrel.1.in ${PROJECT_BINARY_DIR}/vantrel.1 @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vantrel.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/examples/sample.chi ${PROJECT_SOURCE_DIR}/examples/Runemap.txt
              ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Debian looks for the licence of a package in its copyright file.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)

set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VENDOR "Vantrel")
set(CPACK_PACKAGE_CONTACT "Vantrel developers <vantrel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "converts row-group documents with backslash escapes into UTF-8 HTML")
set(CPACK_PACKAGE_DESCRIPTION
    "Vantrel reads a line-oriented 8-bit document in which every printed line is stored as a row group \
(superscript row, base row, subscript row) with backslash escape codes for fonts, paragraph breaks and \
editing marks, and writes one UTF-8 HTML file, each character mapped through the code page of its font \
as the character-map file Runemap.txt says.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
