# The syslog receiver as the program drives it and the log line (no widgets),
# then the syslog view.
korvane_library(korvane_syslog_source
  SOURCES syslog_source.h syslog_source.cpp
  LIBS syslog_receiver automation Qt6::Core)
korvane_library(korvane_syslog_view
  SOURCES syslog_view.h syslog_view.cpp
  LIBS korvane_syslog_source korvane_settings korvane_help_topic Qt6::Widgets)
