# The router screens view.
korvane_library(korvane_telnet_view
  SOURCES telnet_view.h telnet_view.cpp
  LIBS korvane_help_topic Qt6::Widgets)
