# The monitor controller: status ticks, change detection, commands.
korvane_library(korvane_controller
  SOURCES
    controller.h controller.cpp
    reconnect_schedule.h reconnect_schedule.cpp
    console_monitor.h console_monitor.cpp
    terminal_text.h terminal_text.cpp
    password_source.h password_source.cpp
  LIBS korvane_router korvane_parsers korvane_model korvane_settings korvane_cell_table automation Qt6::Core)
