# The help pages, built into the program, and the window that shows them.
file(GLOB KORVANE_HELP_PAGES RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.htm)
korvane_library(korvane_help
  SOURCES help_window.h help_window.cpp
  LIBS korvane_help_topic Qt6::Widgets)
qt_add_resources(korvane_help korvane_help_pages
  PREFIX /help
  BASE ${CMAKE_CURRENT_SOURCE_DIR}
  FILES ${KORVANE_HELP_PAGES})
