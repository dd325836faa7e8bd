# The korvane program: a small launcher that loads one of the monitor's two
# halves, libkorvane_console (Qt Core, Network, SQL, HTTP Server) or
# libkorvane_window (with Gui and Widgets). Parts built later join
# in once the whole project has been read.
add_executable(korvane main.cpp launch_mode.h)
target_include_directories(korvane PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(korvane PRIVATE automation Qt6::Core korvane_warnings)

# What both halves share before they part: the command line, the stop
# watcher, the demo's simulated router.
korvane_library(korvane_launch
  SOURCES launch.h launch.cpp launch_mode.h
  LIBS korvane_settings korvane_stop_watcher korvane_model Qt6::Core Qt6::Network)

add_library(korvane_console MODULE console_main.cpp)
target_include_directories(korvane_console PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(korvane_console PRIVATE korvane_launch korvane_controller korvane_settings korvane_warnings
  Qt6::Core)
korvane_loaded_library(korvane_console)
add_dependencies(korvane korvane_console)
if(TARGET tessen)
  add_dependencies(korvane_console tessen)
endif()

function(korvane_monitor_optional_parts)
  if(TARGET korvane_frame)
    add_library(korvane_window MODULE ${PROJECT_SOURCE_DIR}/korvane/shell/window_main.cpp)
    target_include_directories(korvane_window PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(korvane_window PRIVATE korvane_frame korvane_launch korvane_warnings Qt6::Widgets)
    korvane_loaded_library(korvane_window)
    add_dependencies(korvane korvane_window)
    install(TARGETS korvane_window LIBRARY DESTINATION lib/korvane)
  endif()
  if(TARGET korvane_script)
    target_link_libraries(korvane_console PRIVATE korvane_script)
    target_compile_definitions(korvane_console PRIVATE KORVANE_HAVE_SCRIPT_HOST)
  endif()
  if(TARGET korvane_console_syslog)
    target_link_libraries(korvane_console PRIVATE korvane_console_syslog)
    target_compile_definitions(korvane_console PRIVATE KORVANE_HAVE_CONSOLE_SYSLOG)
  endif()
  if(TARGET korvane_http)
    target_link_libraries(korvane_console PRIVATE korvane_http)
    target_compile_definitions(korvane_console PRIVATE KORVANE_HAVE_HTTP)
  endif()
  if(TARGET korvane_http_journal)
    target_link_libraries(korvane_console PRIVATE korvane_http_journal)
    target_compile_definitions(korvane_console PRIVATE KORVANE_HAVE_HTTP_JOURNAL)
  endif()
  if(TARGET prestige_sim)
    target_link_libraries(korvane_launch PUBLIC prestige_sim)
    target_compile_definitions(korvane_launch PRIVATE KORVANE_HAVE_SIMULATOR)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL korvane_monitor_optional_parts)
