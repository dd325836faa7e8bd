korvane_library(korvane_script_ui
  SOURCES
    run_script_dialog.h run_script_dialog.cpp
    script_editor.h script_editor.cpp
  LIBS korvane_script korvane_help_topic Qt6::Widgets Qt6::Gui)
