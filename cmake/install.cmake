# What `cmake --install` puts in place, and the Debian package CPack builds
# from it (`cpack -G DEB` in the build folder).
include(GNUInstallDirs)
# Installing and packaging build nothing by themselves (not the tests nor the
# benchmarks): build the program and the library first, `--target vantrel
# vantrel_core` (and vantrel_shared with BUILD_SHARED_LIBS).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

install(TARGETS vantrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)

# The library for other programs, its public headers (with the version
# header the build made), a CMake package (find_package(vantrel) gives
# vantrel::vantrel) and two pkg-config files: vantrel for C++, vantrel-c for
# programs that use only the C interface.
include(CMakePackageConfigHelpers)
install(TARGETS ${VANTREL_INSTALLED_LIBRARIES} EXPORT vantrelTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/vantrel DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
install(FILES ${PROJECT_BINARY_DIR}/include/vantrel/version.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vantrel
        COMPONENT development)
install(EXPORT vantrelTargets NAMESPACE vantrel:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vantrel
        COMPONENT development)
# pkg-config and the CMake package name the C++ runtime for C programs that
# link the static library: the compiler's own libraries, as CMake found them.
set(VANTREL_STATIC_CXX_RUNTIME "")
foreach(lib IN LISTS CMAKE_CXX_IMPLICIT_LINK_LIBRARIES)
  if(NOT lib MATCHES "^(c|gcc|gcc_s|gcc_eh|pthread|mingw32|mingwex|moldname|msvcrt|kernel32|advapi32|shell32|user32)$")
    list(APPEND VANTREL_STATIC_CXX_RUNTIME ${lib})
  endif()
endforeach()
if(BUILD_SHARED_LIBS)
  set(VANTREL_STATIC_TARGET vantrel::vantrel_static)
else()
  set(VANTREL_STATIC_TARGET vantrel::vantrel)
endif()
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/vantrelConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/vantrelConfig.cmake
                              INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vantrel)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/vantrelConfigVersion.cmake COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/vantrelConfig.cmake ${PROJECT_BINARY_DIR}/vantrelConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vantrel COMPONENT development)

# pkg-config: the libraries a program links besides libvantrel. A shared
# library brings its own; a static one needs threads, dl and, for a C
# program, the C++ runtime.
set(VANTREL_PC_THREADS "-pthread")
if(CMAKE_DL_LIBS)
  string(APPEND VANTREL_PC_THREADS " -l${CMAKE_DL_LIBS}")
endif()
set(VANTREL_PC_CXX_RUNTIME "")
foreach(lib IN LISTS VANTREL_STATIC_CXX_RUNTIME)
  string(APPEND VANTREL_PC_CXX_RUNTIME " -l${lib}")
endforeach()
set(VANTREL_PC_CFLAGS "")
if(BUILD_SHARED_LIBS)
  set(VANTREL_PC_LIBS "")
  set(VANTREL_PC_LIBS_PRIVATE "Libs.private: ${VANTREL_PC_THREADS}")
  set(VANTREL_PC_C_LIBS "")
  set(VANTREL_PC_C_LIBS_PRIVATE "Libs.private:${VANTREL_PC_CXX_RUNTIME} ${VANTREL_PC_THREADS}")
  if(WIN32)
    set(VANTREL_PC_CFLAGS " -DVANTREL_SHARED")
  endif()
else()
  set(VANTREL_PC_LIBS " ${VANTREL_PC_THREADS}")
  set(VANTREL_PC_LIBS_PRIVATE "")
  set(VANTREL_PC_C_LIBS "${VANTREL_PC_CXX_RUNTIME} ${VANTREL_PC_THREADS}")
  set(VANTREL_PC_C_LIBS_PRIVATE "")
endif()
file(RELATIVE_PATH PC_PREFIX_FROM_PC_FILE ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
configure_file(${PROJECT_SOURCE_DIR}/cmake/vantrel.pc.in ${PROJECT_BINARY_DIR}/vantrel.pc @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/cmake/vantrel-c.pc.in ${PROJECT_BINARY_DIR}/vantrel-c.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vantrel.pc ${PROJECT_BINARY_DIR}/vantrel-c.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

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
