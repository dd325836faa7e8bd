# The monitor's own registration of the terminal control in the per-user class
# registry, on start. The control stays loaded by class id, never linked.
korvane_library(korvane_tessen_registration
  SOURCES tessen_registration.h tessen_registration.cpp
  LIBS automation Qt6::Core)
if(TARGET tessen)
  add_dependencies(korvane_tessen_registration tessen)
endif()

# The start-up both halves of the program share is defined by another
# fragment; link once all are read.
function(korvane_link_tessen_registration)
  if(TARGET korvane_launch)
    target_link_libraries(korvane_launch PUBLIC korvane_tessen_registration)
    target_compile_definitions(korvane_launch PRIVATE KORVANE_HAVE_TESSEN_REGISTRATION)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL korvane_link_tessen_registration)
