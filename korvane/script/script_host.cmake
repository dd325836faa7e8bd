korvane_library(korvane_script
  SOURCES
    script_host.h script_host.cpp
    script_file_check.h script_file_check.cpp
  LIBS scriptcontrol korvane_model automation Qt6::Core)
