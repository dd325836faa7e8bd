# The status view and the list views' shared cell writer.
korvane_library(korvane_status_view
  SOURCES
    list_cells.h list_cells.cpp
    status_view.h status_view.cpp
  LIBS korvane_help_topic Qt6::Widgets)
