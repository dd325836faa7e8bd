# The console monitor's syslog receiver.
if(NOT TARGET korvane_controller OR NOT TARGET korvane_syslog_source)
  return()
endif()
korvane_library(korvane_console_syslog
  SOURCES console_syslog.h console_syslog.cpp
  LIBS korvane_controller korvane_syslog_source Qt6::Core)
