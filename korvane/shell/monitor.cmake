# The korvane program. The frame and the simulator (for --demo) join in when
# they are part of the build; both are defined later than this fragment, so
# the decision waits until the whole project has been read.
add_executable(korvane main.cpp)
target_include_directories(korvane PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(korvane PRIVATE korvane_controller korvane_status_view korvane_telnet_view
  korvane_settings Qt6::Widgets Qt6::Multimedia korvane_warnings)
if(TARGET tessen)
  add_dependencies(korvane tessen)
endif()

function(korvane_monitor_optional_parts)
  if(TARGET korvane_frame)
    target_link_libraries(korvane PRIVATE korvane_frame)
    target_compile_definitions(korvane PRIVATE KORVANE_HAVE_FRAME)
  endif()
  if(TARGET korvane_script)
    target_link_libraries(korvane PRIVATE korvane_script)
    target_compile_definitions(korvane PRIVATE KORVANE_HAVE_SCRIPT_HOST)
  endif()
  if(TARGET prestige_sim)
    target_link_libraries(korvane PRIVATE prestige_sim)
    target_compile_definitions(korvane PRIVATE KORVANE_HAVE_SIMULATOR)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL korvane_monitor_optional_parts)
