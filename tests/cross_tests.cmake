# The unit tests of a cross build (Windows, aarch64). GoogleTest for the
# target is not packaged as a library: it is built here from the sources
# Debian ships (libgtest-dev, /usr/src/googletest).
set(VANTREL_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources, built for the target system")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${VANTREL_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest is built with its own warning flags, not with the project's.
set_target_properties(gtest gtest_main PROPERTIES COMPILE_OPTIONS "")

add_library(vantrel_test_helpers STATIC helpers/test_files.cpp helpers/random_documents.cpp)
if(NOT WIN32)
  target_sources(vantrel_test_helpers PRIVATE helpers/child_process.cpp)
endif()
target_include_directories(vantrel_test_helpers PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(vantrel_test_helpers PUBLIC vantrel_program gtest)

# On Windows, test files that stand on POSIX calls (child processes,
# pseudo-terminals, pipes, file modes, resource limits, memory-mapped files,
# errno) are left out.
set(POSIX_ONLY_TESTS
  unit/charmap/map_file_on_disk_test.cpp
  unit/support/command_line_param_test.cpp
  unit/support/console_test.cpp
  unit/support/file_source_test.cpp
  unit/support/io_code_test.cpp
  unit/support/line_list_load_test.cpp
  unit/support/named_faults_test.cpp
  unit/support/output_file_test.cpp
  unit/support/save_text_test.cpp)
file(GLOB UNIT_TEST_SOURCES RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} CONFIGURE_DEPENDS unit/*/*.cpp)
if(WIN32)
  list(REMOVE_ITEM UNIT_TEST_SOURCES ${POSIX_ONLY_TESTS})
endif()
add_executable(vantrel_unit_tests ${UNIT_TEST_SOURCES} model/reference_conversion.cpp)
target_link_libraries(vantrel_unit_tests PRIVATE vantrel_program vantrel_test_helpers gtest_main)
if(NOT WIN32)
  target_link_libraries(vantrel_unit_tests PRIVATE util)
endif()
# Run through CMAKE_CROSSCOMPILING_EMULATOR (wine, qemu) where the toolchain sets it.
add_test(NAME vantrel_unit_tests COMMAND vantrel_unit_tests)
