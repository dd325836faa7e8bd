# The status screen parser and the call history reader: pure functions of the
# screen text, shared by the views, the controller and korvane-tool.
korvane_library(korvane_parsers
  SOURCES
    status_parser.h status_parser.cpp
    call_history_reader.h call_history_reader.cpp
  LIBS korvane_model Qt6::Core)
