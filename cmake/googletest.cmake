# GoogleTest for the tests: the installed library (Debian's libgtest-dev) where there is
# one, otherwise built inside the build tree from the sources that Debian's googletest
# package puts in /usr/src/googletest (or any GoogleTest source tree named below).
find_package(GTest QUIET)
if(GTest_FOUND)
  return()
endif()

set(KORVANEX_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
    "GoogleTest sources to build when no installed GoogleTest is found")
if(NOT EXISTS ${KORVANEX_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "The tests need GoogleTest: install libgtest-dev or googletest "
                      "(sudo apt-get install libgtest-dev), or set KORVANEX_GOOGLETEST_SOURCE "
                      "to a GoogleTest source tree.")
endif()
message(STATUS "GoogleTest: building ${KORVANEX_GOOGLETEST_SOURCE}")

# Only gtest and gtest_main, never installed. They are built with their own flags: the
# warning options (and -Werror) of this project are for its own code.
set(BUILD_GMOCK OFF CACHE INTERNAL "")
set(INSTALL_GTEST OFF CACHE INTERNAL "")
get_directory_property(korvanex_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory(${KORVANEX_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${korvanex_options}")
