# Ends the monitor on SIGINT, SIGTERM or a timed run's end, even while a
# script keeps the user interface thread busy.
korvane_library(korvane_stop_watcher
  SOURCES stop_watcher.h stop_watcher.cpp
  LIBS Qt6::Core)
