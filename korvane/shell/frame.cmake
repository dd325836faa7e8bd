# The frame shell: main window, tray icon, placements, splash, About box and
# the windowed start-up. Views and the monitor that are built join in; those
# not yet present leave a placeholder page.
korvane_library(korvane_frame
  SOURCES
    placement.h placement.cpp
    tray_images.h tray_images.cpp
    tray_icon.h tray_icon.cpp
    splash.h splash.cpp
    about.h about.cpp
    main_frame.h main_frame.cpp
    startup.h startup.cpp
    lock_keys.h lock_keys.cpp
  LIBS korvane_help_topic korvane_stop_watcher Qt6::Widgets)
# The lock keys' state from the X server in an X11 session.
find_package(X11 QUIET)
if(TARGET X11::X11 AND X11_Xkb_FOUND)
  target_link_libraries(korvane_frame PRIVATE X11::X11)
  target_compile_definitions(korvane_frame PRIVATE KORVANE_HAVE_X11)
endif()

if(TARGET korvane_help)
  target_link_libraries(korvane_frame PUBLIC korvane_help)
  target_compile_definitions(korvane_frame PRIVATE KORVANE_HAVE_HELP_WINDOW)
endif()
if(TARGET korvane_settings_ui)
  target_link_libraries(korvane_frame PUBLIC korvane_settings_ui)
  target_compile_definitions(korvane_frame PRIVATE KORVANE_HAVE_SETTINGS)
endif()

if(TARGET korvane_controller AND TARGET korvane_status_view AND TARGET korvane_telnet_view AND TARGET korvane_settings_ui)
  target_link_libraries(korvane_frame PUBLIC korvane_controller korvane_status_view korvane_telnet_view)
  target_compile_definitions(korvane_frame PRIVATE KORVANE_HAVE_MONITOR)
endif()
if(TARGET korvane_lan_packet_view AND TARGET korvane_controller)
  target_link_libraries(korvane_frame PUBLIC korvane_lan_packet_view)
  target_compile_definitions(korvane_frame PRIVATE KORVANE_HAVE_LAN_PACKET_VIEW)
endif()
if(TARGET korvane_script AND TARGET korvane_script_ui AND TARGET korvane_controller)
  target_link_libraries(korvane_frame PUBLIC korvane_script korvane_script_ui)
  target_compile_definitions(korvane_frame PRIVATE KORVANE_HAVE_SCRIPT_HOST)
endif()
if(TARGET korvane_call_history_view AND TARGET korvane_graph_view AND TARGET korvane_syslog_view AND TARGET korvane_controller)
  target_link_libraries(korvane_frame PUBLIC korvane_call_history_view korvane_graph_view korvane_syslog_view)
  target_compile_definitions(korvane_frame PRIVATE KORVANE_HAVE_MORE_VIEWS)
endif()

# The sound player's fragment is read after this one.
function(korvane_frame_sound_player)
  if(TARGET korvane_sound_player AND TARGET korvane_controller AND TARGET korvane_settings_ui)
    target_link_libraries(korvane_frame PUBLIC korvane_sound_player)
    target_compile_definitions(korvane_frame PRIVATE KORVANE_HAVE_SOUND_PLAYER)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL korvane_frame_sound_player)
