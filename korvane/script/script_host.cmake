korvane_library(korvane_script
  SOURCES
    script_host.h script_host.cpp
  LIBS scriptcontrol korvane_model automation Qt6::Core)
