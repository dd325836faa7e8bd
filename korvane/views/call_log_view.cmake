# The Call Log view: the call journal as a filtered list with totals.
if(NOT TARGET korvane_journal)
  return()
endif()
korvane_library(korvane_call_log_view
  SOURCES call_log_view.h call_log_view.cpp
  LIBS korvane_journal korvane_help_topic Qt6::Widgets)
