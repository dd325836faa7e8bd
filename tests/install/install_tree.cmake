# Installs the build tree BUILD_DIR into WORK_DIR/prefix with `cmake --install`
# and checks what a user or a package gets: the layout, the menu entry and its
# icons, and the installed monitor running from there on its own libraries.
#   PROGRAMS  the programs the build made, comma-separated
#   RUN_DEMO  1 when the monitor has the built-in simulator for --demo
cmake_minimum_required(VERSION 3.25)

set(failures 0)
macro(fail)
  message(SEND_ERROR ${ARGN})
  math(EXPR failures "${failures} + 1")
endmacro()
macro(expect_file path)
  if(NOT EXISTS ${prefix}/${path})
    fail("missing after install: ${path}")
  endif()
endmacro()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/settings ${WORK_DIR}/config)

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${code}):\n${out}${err}")
endif()

# ---- Layout
string(REPLACE "," ";" PROGRAMS "${PROGRAMS}")
foreach(program IN LISTS PROGRAMS)
  expect_file(bin/${program})
  if(EXISTS ${prefix}/bin/${program} AND NOT IS_DIRECTORY ${prefix}/bin/${program})
    file(GET_RUNTIME_DEPENDENCIES EXECUTABLES ${prefix}/bin/${program}
      RESOLVED_DEPENDENCIES_VAR resolved UNRESOLVED_DEPENDENCIES_VAR unresolved
      PRE_INCLUDE_REGEXES "libautomation|libtessen" PRE_EXCLUDE_REGEXES ".*")
    # Korvane's own libraries come from the prefix, never from the build tree.
    if(unresolved)
      fail("${program}: unresolved libraries ${unresolved}")
    endif()
    foreach(library IN LISTS resolved)
      cmake_path(NORMAL_PATH library)
      if(NOT library MATCHES "^${prefix}/lib/korvane/")
        fail("${program} loads ${library} from outside the prefix")
      endif()
    endforeach()
  endif()
endforeach()
expect_file(lib/korvane/libtessen.so)
expect_file(lib/korvane/libautomation.so)
expect_file(lib/korvane/libtessen_ui.so)
expect_file(lib/korvane/libkorvane_console.so)
expect_file(lib/korvane/libkorvane_window.so)
expect_file(lib/korvane/libkorvane_jscript.so)
expect_file(lib/korvane/libkorvane_mqtt_client.so)
expect_file(lib/korvane/libkorvane_sound.so)
file(GLOB stray_libs ${prefix}/lib/*.so* ${prefix}/lib/*-linux-gnu/*)
if(stray_libs)
  fail("libraries outside lib/korvane: ${stray_libs}")
endif()
expect_file(share/doc/korvane/README.md)
expect_file(share/doc/korvane/examples/log-calls.vbs)
expect_file(share/doc/korvane/examples/log-calls.js)
expect_file(share/doc/korvane/help/introduction.htm)
expect_file(share/doc/korvane/help/Writing_Scripts.htm)
expect_file(lib/systemd/system/korvane@.service)
expect_file(share/doc/korvane/fleet/korvane-scrape.yml)
expect_file(share/doc/korvane/fleet/korvane-alerts.yml)
expect_file(share/doc/korvane/fleet/korvane-dashboard.json)
expect_file(share/applications/korvane.desktop)
expect_file(share/icons/hicolor/scalable/apps/korvane.svg)

# Each PNG icon is as large as its folder says (the IHDR width and height).
foreach(size 16 22 24 32 48 64 128 256)
  set(icon ${prefix}/share/icons/hicolor/${size}x${size}/apps/korvane.png)
  if(NOT EXISTS ${icon})
    fail("missing after install: icon ${size}x${size}")
    continue()
  endif()
  file(READ ${icon} header LIMIT 24 HEX)
  # Width and height as two 32-bit big-endian numbers, in hex.
  math(EXPR hex_size "${size}" OUTPUT_FORMAT HEXADECIMAL)
  string(SUBSTRING "${hex_size}" 2 -1 hex_size)
  string(TOLOWER "${hex_size}" hex_size)
  string(LENGTH "${hex_size}" digits)
  while(digits LESS 8)
    string(PREPEND hex_size 0)
    math(EXPR digits "${digits} + 1")
  endwhile()
  if(NOT header STREQUAL "89504e470d0a1a0a0000000d49484452${hex_size}${hex_size}")
    fail("icon ${size}x${size} is not a ${size} x ${size} PNG (${header})")
  endif()
endforeach()

# ---- The menu entry
set(desktop ${prefix}/share/applications/korvane.desktop)
if(EXISTS ${desktop})
  file(STRINGS ${desktop} entry)
  foreach(line "Name=Korvane" "Exec=korvane" "Icon=korvane" "Type=Application" "Categories=Network;Monitor;")
    list(FIND entry "${line}" found)
    if(found EQUAL -1)
      fail("korvane.desktop lacks the line ${line}")
    endif()
  endforeach()
  find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
  if(DESKTOP_FILE_VALIDATE)
    execute_process(COMMAND ${DESKTOP_FILE_VALIDATE} ${desktop}
      RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 30)
    if(NOT code EQUAL 0 OR out MATCHES "error" OR err MATCHES "error")
      fail("desktop-file-validate rejects korvane.desktop:\n${out}${err}")
    endif()
  else()
    message(STATUS "desktop-file-validate is not installed; the desktop entry's syntax is not checked")
  endif()
endif()

# ---- The installed monitor runs from the prefix, as the menu entry runs it
if(RUN_DEMO AND EXISTS ${prefix}/bin/korvane)
  set(registry ${WORK_DIR}/config/classes.ini)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env
      KORVANE_SETTINGS_DIR=${WORK_DIR}/settings
      KORVANE_CLASS_REGISTRY=${registry}
      --unset=LD_LIBRARY_PATH
      ${prefix}/bin/korvane --console --demo --for 3
    WORKING_DIRECTORY ${WORK_DIR}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  if(NOT code EQUAL 0)
    fail("installed korvane --console --demo --for 3 ended with ${code}:\n${out}${err}")
  endif()
  # Console lines are "<time> <event> ...".
  if(NOT out MATCHES "(^|\n)([0-9:]+ )?tick tray=")
    fail("installed korvane printed no status tick:\n${out}${err}")
  endif()
  # Where the monitor registered the control on start, it named the installed library.
  if(EXISTS ${registry})
    # Keys are "<class id>\\InprocServer32" in the [CLSID] group.
    file(STRINGS ${registry} servers REGEX "InprocServer32=")
    if(NOT servers)
      fail("the class registry holds no server entry: ${registry}")
    endif()
    foreach(server IN LISTS servers)
      string(REGEX REPLACE "^.*InprocServer32=" "" server "${server}")
      if(NOT server STREQUAL "${prefix}/lib/korvane/libtessen.so")
        fail("the installed monitor registered ${server}, not its own libtessen")
      endif()
    endforeach()
  endif()
endif()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} installation check(s) failed")
endif()
message(STATUS "installed into ${prefix}: layout, menu entry and monitor run checked")
