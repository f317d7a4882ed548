# Install rules and the Debian package. Only the tool, its manual page and its copyright file
# are installed, and in the package also its changelog and lintian overrides (component
# deb); test, benchmark and fuzz binaries never are.
include(GNUInstallDirs)

set(KORVANEX_MAN_PAGE ${CMAKE_CURRENT_SOURCE_DIR}/man/korvanex.1)

install(TARGETS korvanex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT korvanex)

# The manual page and the package's changelog are installed compressed, as Debian does;
# -n keeps the name and time stamp out of the archive so that the same text always gives
# the same bytes.
set(KORVANEX_CHANGELOG ${CMAKE_CURRENT_SOURCE_DIR}/cmake/changelog.Debian)
find_program(KORVANEX_GZIP gzip)
if(KORVANEX_GZIP)
  foreach(source IN ITEMS ${KORVANEX_MAN_PAGE} ${KORVANEX_CHANGELOG})
    get_filename_component(name ${source} NAME)
    add_custom_command(
      OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz
      COMMAND ${KORVANEX_GZIP} -9 -n -c ${source} > ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz
      DEPENDS ${source}
      COMMENT "Compressing ${name}"
      VERBATIM)
  endforeach()
  add_custom_target(korvanex_man ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/korvanex.1.gz
                                             ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/korvanex.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT korvanex)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT deb EXCLUDE_FROM_ALL)
else()
  install(FILES ${KORVANEX_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT korvanex)
  install(FILES ${KORVANEX_CHANGELOG} DESTINATION ${CMAKE_INSTALL_DOCDIR}
          COMPONENT deb EXCLUDE_FROM_ALL)
endif()

# The licence of LICENSE, in Debian's machine-readable copyright format.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS LICENSE)
file(READ ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE KORVANEX_LICENSE)
if(NOT KORVANEX_LICENSE MATCHES "^MIT License\n\nCopyright \\(c\\) ([^\n]+)\n\n(.*[^\n])\n*$")
  message(FATAL_ERROR "LICENSE does not start with the MIT licence's title and copyright line")
endif()
# In the copyright file the licence text is indented by one space, an empty line is " .".
string(REPLACE "\n\n" "\n.\n" KORVANEX_LICENSE_TEXT "${CMAKE_MATCH_2}")
string(REPLACE "\n" "\n " KORVANEX_LICENSE_TEXT "${KORVANEX_LICENSE_TEXT}")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: ${PROJECT_NAME}

Files: *
Copyright: ${CMAKE_MATCH_1}
License: Expat
 ${KORVANEX_LICENSE_TEXT}
")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT korvanex)

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
# The Debian revision, which cmake/changelog.Debian names as well: korvanex_1.0-1_<arch>.deb.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
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
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/cmake/korvanex.lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME korvanex
        COMPONENT deb EXCLUDE_FROM_ALL)
# Only the tool's own component and the package's files go into the package.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};korvanex;/"
                                 "${CMAKE_BINARY_DIR};${PROJECT_NAME};deb;/")
include(CPack)
