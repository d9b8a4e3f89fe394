# What `cmake --install` puts in place, and the Debian packages CPack builds
# from it (`cpack -G DEB` in the build folder). Three components:
#   program      the vantrel program, its manual page and example: package vantrel
#   development  headers, libvantrel.a (and the shared library's link), the
#                CMake package and pkg-config files: package libvantrel-dev
#   runtime      the shared library, with BUILD_SHARED_LIBS only: package
#                libvantrel<soversion>
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

# The manual page: the page of the tree (man -l man/vantrel.1) with the
# project's version in its footer, compressed as manual pages are installed.
file(READ ${PROJECT_SOURCE_DIR}/man/vantrel.1 VANTREL_MAN_PAGE)
string(REPLACE "\"Vantrel\" \"User Commands\"" "\"Vantrel ${PROJECT_VERSION}\" \"User Commands\"" VANTREL_MAN_PAGE
               "${VANTREL_MAN_PAGE}")
file(WRITE ${PROJECT_BINARY_DIR}/vantrel.1 "${VANTREL_MAN_PAGE}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/man/vantrel.1)

# Files of the documentation folder are compressed the way Debian wants
# them: gzip -9n, no name or time stamp in the file, so that two builds give
# the same bytes. Without gzip (a Windows host) they stay as they are.
find_program(VANTREL_GZIP gzip)
function(vantrel_compressed source target result)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  if(VANTREL_GZIP)
    execute_process(COMMAND ${VANTREL_GZIP} -9nc ${source} OUTPUT_FILE ${PROJECT_BINARY_DIR}/${target}.gz
                    COMMAND_ERROR_IS_FATAL ANY)
    set(${result} ${PROJECT_BINARY_DIR}/${target}.gz PARENT_SCOPE)
  else()
    configure_file(${source} ${PROJECT_BINARY_DIR}/${target} COPYONLY)
    set(${result} ${PROJECT_BINARY_DIR}/${target} PARENT_SCOPE)
  endif()
endfunction()
vantrel_compressed(${PROJECT_BINARY_DIR}/vantrel.1 vantrel.1 VANTREL_MAN_FILE)
install(FILES ${VANTREL_MAN_FILE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)

# Each package's documentation folder holds the licence (Debian's copyright
# file), the project's changelog and the packages' own (changelog.Debian).
if(BUILD_SHARED_LIBS)
  set(VANTREL_RUNTIME_PACKAGE libvantrel${VANTREL_SOVERSION})
  set(VANTREL_PACKAGES vantrel libvantrel-dev ${VANTREL_RUNTIME_PACKAGE})
  set(VANTREL_COMPONENTS program development runtime)
else()
  set(VANTREL_PACKAGES vantrel libvantrel-dev)
  set(VANTREL_COMPONENTS program development)
endif()
# Debian's copyright file: the licence of LICENSE in Debian's machine-readable form.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE VANTREL_LICENSE_LINES)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
set(VANTREL_LICENSE_TEXT "")
set(VANTREL_COPYRIGHT "")
foreach(line IN LISTS VANTREL_LICENSE_LINES)
  if(line MATCHES "^Copyright \\(c\\) (.*)$")
    set(VANTREL_COPYRIGHT ${CMAKE_MATCH_1})
  elseif(NOT VANTREL_COPYRIGHT STREQUAL "" AND NOT (line STREQUAL "" AND VANTREL_LICENSE_TEXT STREQUAL ""))
    if(line STREQUAL "")
      set(line ".")
    endif()
    string(APPEND VANTREL_LICENSE_TEXT " ${line}\n")
  endif()
endforeach()
string(STRIP "${VANTREL_LICENSE_TEXT}" VANTREL_LICENSE_TEXT)
set(VANTREL_LICENSE_TEXT " ${VANTREL_LICENSE_TEXT}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in ${PROJECT_BINARY_DIR}/copyright @ONLY)
set(VANTREL_DEB_RELEASE 1)
string(TIMESTAMP VANTREL_DEB_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
vantrel_compressed(${PROJECT_SOURCE_DIR}/CHANGELOG.md changelog VANTREL_CHANGELOG_FILE)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${PROJECT_BINARY_DIR}/changelog.Debian @ONLY)
vantrel_compressed(${PROJECT_BINARY_DIR}/changelog.Debian changelog.Debian VANTREL_DEB_CHANGELOG_FILE)
foreach(package component IN ZIP_LISTS VANTREL_PACKAGES VANTREL_COMPONENTS)
  install(FILES ${PROJECT_BINARY_DIR}/copyright ${VANTREL_CHANGELOG_FILE} ${VANTREL_DEB_CHANGELOG_FILE}
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
endforeach()
# The example document and its map file, with the program.
install(FILES ${PROJECT_SOURCE_DIR}/examples/sample.chi ${PROJECT_SOURCE_DIR}/examples/Runemap.txt
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/vantrel COMPONENT program)

set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VENDOR "Vantrel")
set(CPACK_PACKAGE_CONTACT "Vantrel developers <vantrel@example.org>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB)
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${VANTREL_COMPONENTS})

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VANTREL_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SOURCE vantrel)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/vantrel")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Each package's description: its synopsis, then paragraphs (CPack indents
# them as Debian wants).
set(VANTREL_ABOUT "Vantrel reads a line-oriented 8-bit document in which every printed
line is stored as a row group (superscript row, base row, subscript row)
with backslash escape codes for fonts, paragraph breaks and editing marks,
and writes one UTF-8 HTML file, each character mapped through the code
page of its font as the character-map file Runemap.txt says.")

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME vantrel)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION text)
set(CPACK_COMPONENT_PROGRAM_DESCRIPTION "converter of row-group documents to UTF-8 HTML
${VANTREL_ABOUT}

This package holds the vantrel program, its manual page and an example.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libvantrel-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "library converting row-group documents to HTML - development files
${VANTREL_ABOUT}

This package holds what programs in C++ or C need to use the converter
as a library: the headers, the libraries, a CMake package and pkg-config
files.")

if(BUILD_SHARED_LIBS)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${VANTREL_RUNTIME_PACKAGE})
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
  set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "library converting row-group documents to HTML
${VANTREL_ABOUT}

This package holds the shared library.")
  # The runtime package tells which version of it a program needs (shlibs)
  # and has the loader's cache rebuilt when it is installed (ldconfig).
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
      "${VANTREL_RUNTIME_PACKAGE} (= ${PROJECT_VERSION}-${VANTREL_DEB_RELEASE})")
endif()
include(CPack)
