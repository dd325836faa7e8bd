# The call history view; its cell writer is the status view's.
korvane_library(korvane_call_history_view
  SOURCES call_history_view.h call_history_view.cpp
  LIBS korvane_status_view korvane_parsers korvane_model korvane_help_topic Qt6::Widgets)
