# The graph view and its strip-chart control.
korvane_library(korvane_graph_view
  SOURCES
    graph_ctrl.h graph_ctrl.cpp
    graph_view.h graph_view.cpp
  LIBS korvane_model korvane_settings_ui korvane_help_topic Qt6::Widgets)
