# GoogleTest is built from Debian's source package together with the project, so that it gets
# the same compiler, target and sanitizer flags as the code under test (also when cross-building).
set(SECANT_ROOT_GOOGLETEST_DIR /usr/src/googletest CACHE PATH "GoogleTest source tree")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
# Its warnings are not the project's to fix, so they never stop the build.
block()
    set(CMAKE_COMPILE_WARNING_AS_ERROR OFF)
    add_subdirectory(${SECANT_ROOT_GOOGLETEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endblock()

include(GoogleTest)

# secant_root_add_test(<name> SOURCES <file>... [LIBRARIES <target>...] [PROPERTIES <p> <v>...]
#                      [OWN_MAIN])
# Builds one GoogleTest program and registers each of its tests with CTest. Tests are listed
# when CTest runs, so that a cross-built program is listed through the emulator as well. The
# properties in SECANT_ROOT_TEST_PROPERTIES (those the emulator needs) come first, so that the
# test's own can override them.
# OWN_MAIN: the sources define main() themselves (to set up an application object first).
function(secant_root_add_test name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "OWN_MAIN" "" "SOURCES;LIBRARIES;PROPERTIES")
    add_executable(${name} ${arg_SOURCES})
    if(arg_OWN_MAIN)
        set(gtest_library GTest::gtest)
    else()
        set(gtest_library GTest::gtest_main)
    endif()
    target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} secant_root_build_options GTest::gmock
                                          ${gtest_library})
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
                         PROPERTIES ${SECANT_ROOT_TEST_PROPERTIES} ${arg_PROPERTIES})
endfunction()
