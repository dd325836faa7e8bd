# The syslog view and its receiver wrapper.
korvane_library(korvane_syslog_view
  SOURCES syslog_view.h syslog_view.cpp
  LIBS syslog_receiver korvane_settings automation korvane_help_topic Qt6::Widgets)
