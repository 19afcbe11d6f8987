# What a Debian system expects besides the two programs: man pages, bash
# completion, the dialog's desktop entry and icon (all installed by
# `cmake --install` too), and the .deb that `cpack` builds from this tree
# (scripts/package.sh).

# Sanitizer and fuzzing builds are for tests; nothing of them is shipped.
if(NOT ZT_SANITIZE STREQUAL "" OR ZT_WITH_FUZZ)
  return()
endif()

set(ZT_PACKAGE_MAINTAINER "zt51xx-mp developers <zt51xx-mp@example.org>"
    CACHE STRING "Maintainer of the Debian package, as \"Name <address>\"")
set(ZT_PACKAGE_COPYRIGHT "2026 zt51xx-mp developers" CACHE STRING "Copyright line of the Debian package")

# udev reads vendor rules from <udevdir>/rules.d. On Debian 12 that is
# /lib/udev, which merged /usr makes the same directory as /usr/lib/udev.
pkg_get_variable(zt_udevdir udev udevdir)
if(NOT zt_udevdir)
  set(zt_udevdir /usr/lib/udev)
endif()
set(ZT_PACKAGE_UDEV_RULES_DIR "${zt_udevdir}/rules.d" CACHE PATH "Where the Debian package puts the udev rule")

set(zt_programs zt51xx-mp)
if(ZT_WITH_QT)
  list(APPEND zt_programs zt51xx-mp-gui)
endif()

# Man pages from the programs' own --help, so they never disagree with it.
find_program(ZT_HELP2MAN help2man)
if(ZT_HELP2MAN)
  set(zt_man_summary_zt51xx-mp "program the configuration EEPROM of ZT51xx USB audio controllers")
  set(zt_man_see_also_zt51xx-mp ".BR zt51xx\\-mp\\-gui (1)")
  set(zt_man_summary_zt51xx-mp-gui "dialog window that programs the configuration EEPROM of ZT51xx USB audio controllers")
  set(zt_man_see_also_zt51xx-mp-gui ".BR zt51xx\\-mp (1)")
  set(zt_man_pages)
  foreach(program IN LISTS zt_programs)
    set(page ${PROJECT_BINARY_DIR}/man/${program}.1.gz)
    add_custom_command(
      OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      # The dialog program reads its command line before it needs a display.
      # A fixed width keeps the page independent of the builder's terminal.
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen COLUMNS=80 --
              bash ${PROJECT_SOURCE_DIR}/cmake/make-man-page.sh $<TARGET_FILE:${program}> ${PROJECT_VERSION}
              ${zt_man_summary_${program}} ${zt_man_see_also_${program}} ${page}
      DEPENDS ${program} ${PROJECT_SOURCE_DIR}/cmake/make-man-page.sh
      COMMENT "Man page of ${program}"
      VERBATIM)
    list(APPEND zt_man_pages ${page})
  endforeach()
  add_custom_target(zt_man_pages ALL DEPENDS ${zt_man_pages})
  install(FILES ${zt_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man not found: no man pages (scripts/setup.sh installs it)")
endif()

install(FILES ${PROJECT_SOURCE_DIR}/data/completion/zt51xx-mp
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
if(ZT_WITH_QT)
  install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/zt51xx-mp-gui.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/zt51xx-mp-gui.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/data/appstream/zt51xx-mp-gui.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# The completion reads the options from the built program; this test runs it
# against the program of this build.
add_test(NAME bash_completion
         COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/bash_completion_test.sh
                 ${PROJECT_SOURCE_DIR}/data/completion/zt51xx-mp $<TARGET_FILE:zt51xx-mp>)
set_tests_properties(bash_completion PROPERTIES LABELS package)

# The Debian package. The copyright file and changelog.Debian.gz are Debian's
# own and go into the package only; the staging step also moves the udev rule
# to udev's directory, whatever prefix this tree was configured for.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zt51xx-mp)
set(CPACK_PACKAGE_VENDOR "zt51xx-mp developers")
set(CPACK_PACKAGE_CONTACT "${ZT_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "production-line EEPROM programmer for ZT51xx USB audio controllers")
set(CPACK_PACKAGE_DESCRIPTION
    "Programs the configuration EEPROM of ZT51xx USB audio controllers on the\n"
    "production line, with the two EEPROM images built in. zt51xx-mp is the\n"
    "command line for operators and test stations (with a JSON event stream).\n"
    "zt51xx-mp-gui is the dialog window. Both can run against a built-in\n"
    "simulated chip. A udev rule lets the user at the seat open the devices\n"
    "without root.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
# A Debian revision: the package wraps the zt51xx-mp release of the same number.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZT_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS bash-completion)
if(ZT_WITH_QT)
  # Qt finds its display plugins at run time, so no library dependency names
  # them; without them the dialog cannot open a window.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/data/debian/postinst
                                       ${PROJECT_SOURCE_DIR}/data/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(zt_debian_dir ${PROJECT_BINARY_DIR}/debian)
string(TIMESTAMP zt_changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${PROJECT_SOURCE_DIR}/data/debian/changelog.in ${zt_debian_dir}/changelog.Debian @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/debian/copyright.in ${zt_debian_dir}/copyright @ONLY)
set(ZT_INSTALLED_UDEV_RULES_DIR "${ZT_UDEV_RULES_DIR}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/DebianStaging.cmake.in ${zt_debian_dir}/DebianStaging.cmake @ONLY)
set(CPACK_PRE_BUILD_SCRIPTS ${zt_debian_dir}/DebianStaging.cmake)

include(CPack)
