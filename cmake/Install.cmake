# Installation layout (FHS) and the Debian package.
#   bin/                      korvane, prestige-sim, korvane-tool
#   lib/korvane/              libtessen.so, libautomation.so (private to Korvane)
#   share/applications/       korvane.desktop
#   share/icons/hicolor/*/    the tray-meter icon
#   share/doc/korvane/        README.md, examples/
include(GNUInstallDirs)
set(KORVANE_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/korvane)

foreach(program korvane prestige-sim korvane-tool)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
foreach(library automation tessen)
  if(TARGET ${library})
    install(TARGETS ${library} LIBRARY DESTINATION ${KORVANE_PRIVATE_LIBDIR})
  endif()
endforeach()

install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(EXISTS ${PROJECT_SOURCE_DIR}/examples)
  install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
endif()
if(EXISTS ${PROJECT_SOURCE_DIR}/packaging/korvane.desktop)
  install(FILES packaging/korvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()
foreach(size 16 22 32 48 64 128 256)
  if(EXISTS ${PROJECT_SOURCE_DIR}/packaging/icons/${size}x${size}/korvane.png)
    install(FILES packaging/icons/${size}x${size}/korvane.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endif()
endforeach()

set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VENDOR "Omberon")
set(CPACK_PACKAGE_CONTACT "Korvane developers <korvane@omberon.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Monitor for ZyXEL Prestige ISDN routers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# Dependencies come from the binaries' shared libraries (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Korvane logs in to the router's text-menu terminal over telnet and shows\n live line status, graphs, call history, the router's syslog, a decoder for\n the packet that triggered the last call and a tray icon with both lines' load.")
include(CPack)
