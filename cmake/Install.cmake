# Installation layout (FHS) and the Debian package.
#   bin/                              korvane, prestige-sim, korvane-tool
#   lib/korvane/                      libautomation.so, libtessen.so, libtessen_ui.so,
#                                     libkorvane_console.so, libkorvane_window.so,
#                                     libkorvane_jscript.so, libkorvane_mqtt_client.so
#                                     (private to Korvane)
#   share/applications/               korvane.desktop
#   share/icons/hicolor/<size>/apps/  korvane.png, korvane.svg: the tray meter
#   share/doc/korvane/                README.md, examples/, help/ (the help pages as HTML)
#   lib/systemd/system/               korvane@.service (one console monitor per router)
#   share/doc/korvane/fleet/          korvane-example.conf, Prometheus scrape example, Grafana dashboard
#
# The private folder is lib/korvane under every prefix, never the multiarch
# libdir GNUInstallDirs picks for /usr: the programs' RUNPATH
# ($ORIGIN/../lib/korvane) and the monitor's search for libtessen beside the
# program both name it. The documentation folder is the package's name.
include(GNUInstallDirs)
set(KORVANE_PRIVATE_LIBDIR lib/korvane)
set(KORVANE_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/korvane)

foreach(program korvane prestige-sim korvane-tool)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
foreach(library automation tessen tessen_ui korvane_jscript korvane_mqtt_client)
  if(TARGET ${library})
    install(TARGETS ${library} LIBRARY DESTINATION ${KORVANE_PRIVATE_LIBDIR} NAMELINK_SKIP)
  endif()
endforeach()
# The program's console half, loaded by it from beside libautomation (the
# window half is defined later and installs itself, see korvane/shell).
if(TARGET korvane_console)
  install(TARGETS korvane_console LIBRARY DESTINATION ${KORVANE_PRIVATE_LIBDIR})
endif()

install(FILES README.md DESTINATION ${KORVANE_DOCDIR})
if(EXISTS ${PROJECT_SOURCE_DIR}/examples)
  install(DIRECTORY examples/ DESTINATION ${KORVANE_DOCDIR}/examples)
endif()
# The monitor carries its help pages inside; these copies are for a browser.
file(GLOB KORVANE_INSTALL_HELP_PAGES ${PROJECT_SOURCE_DIR}/korvane/help/*.htm)
if(KORVANE_INSTALL_HELP_PAGES)
  install(FILES ${KORVANE_INSTALL_HELP_PAGES} DESTINATION ${KORVANE_DOCDIR}/help)
endif()

# The menu entry and its icon come with the monitor.
if(TARGET korvane AND EXISTS ${PROJECT_SOURCE_DIR}/packaging/korvane.desktop)
  install(FILES packaging/korvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  set(KORVANE_ICON_SIZES 16 22 24 32 48 64 128 256)
  foreach(size IN LISTS KORVANE_ICON_SIZES)
    if(EXISTS ${PROJECT_SOURCE_DIR}/packaging/icons/${size}x${size}/korvane.png)
      install(FILES packaging/icons/${size}x${size}/korvane.png
              DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endif()
  endforeach()
  if(EXISTS ${PROJECT_SOURCE_DIR}/packaging/icons/scalable/korvane.svg)
    install(FILES packaging/icons/scalable/korvane.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  endif()
endif()

# Fleets: the per-router unit and what a Prometheus and a Grafana need.
if(TARGET korvane_http)
  install(FILES packaging/systemd/korvane@.service DESTINATION lib/systemd/system)
  install(FILES packaging/systemd/korvane-example.conf
                packaging/prometheus/korvane-scrape.yml
                packaging/prometheus/korvane-alerts.yml
                packaging/grafana/korvane-dashboard.json
          DESTINATION ${KORVANE_DOCDIR}/fleet)
endif()

set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VENDOR "Omberon")
set(CPACK_PACKAGE_CONTACT "Korvane developers <korvane@omberon.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Monitor for ZyXEL Prestige ISDN routers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://omberon.example/korvane")
# Dependencies come from the binaries' shared libraries (dpkg-shlibdeps);
# Korvane's own libraries are found in the build tree.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
# Qt loads its platform plugins at run time, so no binary names them; the
# window (and so the menu entry's command) needs the xcb/wayland ones. The
# call journal's SQLite driver is such a plugin too.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Korvane logs in to the router's text-menu terminal over telnet and shows\n live line status, graphs, call history, the router's syslog, a decoder for\n the packet that triggered the last call and a tray icon with both lines' load.\n It also carries Tessen, a reusable telnet terminal component.")
include(CPack)
