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
  # Sections no --help holds: the exit status, and the failure codes printed
  # from the catalogue itself.
  set(zt_man_failure_codes ${PROJECT_BINARY_DIR}/man/failure-codes.h2m)
  add_custom_command(
    OUTPUT ${zt_man_failure_codes}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND failurecodes --man ${zt_man_failure_codes}
    DEPENDS failurecodes
    COMMENT "Failure codes of the man pages"
    VERBATIM)
  set(zt_man_includes ${PROJECT_SOURCE_DIR}/data/man/exit-status.h2m ${zt_man_failure_codes})
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
              ${zt_man_summary_${program}} ${zt_man_see_also_${program}} ${page} ${zt_man_includes}
      DEPENDS ${program} ${PROJECT_SOURCE_DIR}/cmake/make-man-page.sh ${zt_man_includes}
      COMMENT "Man page of ${program}"
      VERBATIM)
    list(APPEND zt_man_pages ${page})
  endforeach()
  add_custom_target(zt_man_pages ALL DEPENDS ${zt_man_pages})
  install(FILES ${PROJECT_BINARY_DIR}/man/zt51xx-mp.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT cli)
  if(ZT_WITH_QT)
    install(FILES ${PROJECT_BINARY_DIR}/man/zt51xx-mp-gui.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
            COMPONENT gui)
  endif()
else()
  message(STATUS "help2man not found: no man pages (scripts/setup.sh installs it)")
endif()

install(FILES ${PROJECT_SOURCE_DIR}/data/completion/zt51xx-mp
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT cli)
# What a station engineer reads beside the man page: the failure codes, the
# JSON events and log lines, and the schema that checks them.
install(FILES ${PROJECT_SOURCE_DIR}/docs/failure-codes.md ${PROJECT_SOURCE_DIR}/docs/json-events.md
              ${PROJECT_SOURCE_DIR}/docs/json-events.schema.json
              ${PROJECT_SOURCE_DIR}/docs/mqtt-messages.schema.json
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT cli)
if(ZT_WITH_QT)
  install(FILES ${PROJECT_SOURCE_DIR}/data/completion/zt51xx-mp-gui
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT gui)
  install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/zt51xx-mp-gui.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT gui)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/zt51xx-mp-gui.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT gui)
  # The AppStream entry names this release; its file is named by its ID.
  string(TIMESTAMP zt_release_date "%Y-%m-%d" UTC)
  configure_file(${PROJECT_SOURCE_DIR}/data/appstream/org.example.zt51xx_mp_gui.metainfo.xml.in
                 ${PROJECT_BINARY_DIR}/appstream/org.example.zt51xx_mp_gui.metainfo.xml @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/appstream/org.example.zt51xx_mp_gui.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT gui)
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
# One package per component: zt51xx-mp (the command line, no Qt) and
# zt51xx-mp-gui (the dialogs), which depends on the first of the same version.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli)
if(ZT_WITH_QT)
  list(APPEND CPACK_COMPONENTS_ALL gui)
endif()
set(CPACK_DEBIAN_CLI_PACKAGE_NAME zt51xx-mp)
set(CPACK_DEBIAN_GUI_PACKAGE_NAME zt51xx-mp-gui)
set(CPACK_DEBIAN_CLI_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_GUI_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_CLI_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_GUI_PACKAGE_SECTION electronics)
set(CPACK_PACKAGE_VENDOR "zt51xx-mp developers")
set(CPACK_PACKAGE_CONTACT "${ZT_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "production-line EEPROM programmer for ZT51xx USB audio controllers")
set(CPACK_DEBIAN_CLI_DESCRIPTION
    "Programs the configuration EEPROM of ZT51xx USB audio controllers on the\n"
    "production line, with the two EEPROM images built in. This package holds\n"
    "the command line for operators and test stations, with a JSON event\n"
    "stream and station logs, and the udev rule that lets the user at the\n"
    "seat open the devices without root. It can run against a built-in\n"
    "simulated chip.")
string(JOIN "" CPACK_DEBIAN_CLI_DESCRIPTION ${CPACK_DEBIAN_CLI_DESCRIPTION})
set(CPACK_DEBIAN_GUI_DESCRIPTION
    "The dialog window that programs the configuration EEPROM of ZT51xx USB\n"
    "audio controllers one unit at a time, and the station window that\n"
    "writes every unit present at once.")
string(JOIN "" CPACK_DEBIAN_GUI_DESCRIPTION ${CPACK_DEBIAN_GUI_DESCRIPTION})
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
# The factory's MQTT broker runs elsewhere; a single station may run its own.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion, mosquitto")
# Qt finds its display plugins at run time, so no library dependency names
# them; without them the dialog cannot open a window.
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS
    "zt51xx-mp (= ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}), qt6-qpa-plugins")
# The udev rule is the command line's; so are the scripts that apply it.
set(CPACK_DEBIAN_CLI_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/data/debian/postinst
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
