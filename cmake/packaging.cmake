# Install rules and the Debian package. Only the tool and its manual page are installed;
# test, benchmark and fuzz binaries never are.
include(GNUInstallDirs)

set(KORVANEX_MAN_PAGE ${CMAKE_CURRENT_SOURCE_DIR}/man/korvanex.1)

install(TARGETS korvanex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT korvanex)

# Manual pages are installed compressed, as Debian does; -n keeps the name and time stamp
# out of the archive so that the same page always gives the same bytes.
find_program(KORVANEX_GZIP gzip)
if(KORVANEX_GZIP)
  add_custom_command(
    OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/korvanex.1.gz
    COMMAND ${KORVANEX_GZIP} -9 -n -c ${KORVANEX_MAN_PAGE} > ${CMAKE_CURRENT_BINARY_DIR}/korvanex.1.gz
    DEPENDS ${KORVANEX_MAN_PAGE}
    COMMENT "Compressing the manual page"
    VERBATIM)
  add_custom_target(korvanex_man ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/korvanex.1.gz)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/korvanex.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT korvanex)
else()
  install(FILES ${KORVANEX_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT korvanex)
endif()

# The manual page must render without a single warning.
if(KORVANEX_TESTS)
  find_program(KORVANEX_GROFF groff)
  find_program(KORVANEX_MAN man)
  add_test(NAME ManPage.RendersWithoutWarnings
           COMMAND ${CMAKE_COMMAND} -DGROFF=${KORVANEX_GROFF} -DMAN=${KORVANEX_MAN}
                   -DPAGE=${KORVANEX_MAN_PAGE} -P ${CMAKE_CURRENT_SOURCE_DIR}/man/lint.cmake)
  if(NOT KORVANEX_GROFF)
    set_tests_properties(ManPage.RendersWithoutWarnings PROPERTIES DISABLED TRUE)
  endif()
endif()

# Debian package: make package (mk/package.mk) runs CPack on this build.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvanex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "KORVANEX maintainers")
set(CPACK_PACKAGE_CONTACT "KORVANEX maintainers <maintainers@korvanex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "import AREAS.BBS echo-area lists into an Ostrel BBS")
# The extended description; CPack indents it and turns the empty line into " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "korvanex reads an AREAS.BBS echo-area list and appends a message base
record to the board's mbases.dat for every area that the board does not
have yet, with access strings, limits and storage format taken from
defaults that the operator sets once in a full-screen editor.

It only ever appends to mbases.dat and never changes ostrel.dat, so it
can run unattended from a maintenance script.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Only the tool's own component goes into the package.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};korvanex;/")
include(CPack)
