# What a Debian system expects besides the two programs: man pages, bash
# completion, the dialog's desktop entry and icon, the station service (all
# installed by `cmake --install`, from which debian/ builds the packages).

# Sanitizer and fuzzing builds are for tests; nothing of them is shipped.
if(NOT ZT_SANITIZE STREQUAL "" OR ZT_WITH_FUZZ)
  return()
endif()

set(zt_programs zt51xx-mp)
if(ZT_WITH_QT)
  list(APPEND zt_programs zt51xx-mp-gui)
endif()

# Man pages from the programs' own --help, so they never disagree with it.
find_program(ZT_HELP2MAN help2man)
if(ZT_HELP2MAN)
  set(zt_man_summary_zt51xx-mp "program the configuration EEPROM of ZT51xx USB audio controllers")
  set(zt_man_see_also_zt51xx-mp
      "\\fBzt51xx\\-mp\\-gui\\fR(1), \\fBsystemctl\\fR(1), \\fBudev\\fR(7) and the documentation in /usr/share/doc/zt51xx\\-mp/")
  set(zt_man_summary_zt51xx-mp-gui "dialog window that programs the configuration EEPROM of ZT51xx USB audio controllers")
  set(zt_man_see_also_zt51xx-mp-gui "\\fBzt51xx\\-mp\\fR(1) and the documentation in /usr/share/doc/zt51xx\\-mp/")
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
  set(zt_man_includes ${PROJECT_SOURCE_DIR}/data/man/exit-status.h2m ${zt_man_failure_codes}
                      ${PROJECT_SOURCE_DIR}/data/man/files.h2m)
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
              ${PROJECT_SOURCE_DIR}/docs/json-events.schema.json ${PROJECT_SOURCE_DIR}/docs/station-records.md
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

# The station service, shipped disabled, and the settings it runs with (a
# file of comments, an example of every kind of line).
# Into systemd's own folder for a /usr install (the package's), else under
# the prefix.
set(zt_systemd_unit_dir)
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr" AND COMMAND pkg_get_variable)
  pkg_get_variable(zt_systemd_unit_dir systemd systemdsystemunitdir)
endif()
if(NOT zt_systemd_unit_dir)
  set(zt_systemd_unit_dir ${CMAKE_INSTALL_PREFIX}/lib/systemd/system)
endif()
set(ZT_SYSTEMD_UNIT_DIR "${zt_systemd_unit_dir}" CACHE PATH "Where the station service's unit is installed")
install(FILES ${PROJECT_SOURCE_DIR}/data/systemd/zt51xx-mp-station.service DESTINATION ${ZT_SYSTEMD_UNIT_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/systemd/station.conf
        DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/zt51xx-mp)
add_test(NAME station_service
         COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/service_test.sh
                 ${PROJECT_SOURCE_DIR}/data/systemd/zt51xx-mp-station.service $<TARGET_FILE:zt51xx-mp>)
set_tests_properties(station_service PROPERTIES LABELS package TIMEOUT 120)

# The Debian packages are built from debian/ by dpkg-buildpackage
# (scripts/package.sh).
