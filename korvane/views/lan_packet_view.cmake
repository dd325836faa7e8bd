# The LAN packet analyzer view.
korvane_library(korvane_lan_packet_view
  SOURCES lan_packet_view.h lan_packet_view.cpp
  LIBS korvane_packet korvane_model korvane_settings_ui korvane_help_topic Qt6::Widgets)
