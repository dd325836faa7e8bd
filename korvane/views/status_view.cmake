# The cell table the controller writes (no widgets), then the status view and
# the list views' shared cell writer.
korvane_library(korvane_cell_table
  SOURCES cell_table.h cell_table.cpp
  LIBS Qt6::Core)
korvane_library(korvane_status_view
  SOURCES
    list_cells.h list_cells.cpp
    status_view.h status_view.cpp
  LIBS korvane_cell_table korvane_help_topic Qt6::Widgets)
