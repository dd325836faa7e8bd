# The router screen driver and the monitor's wrapper of the terminal control.
# The control itself is loaded at run time by class id, so libtessen is only
# a build dependency, never linked.
korvane_library(korvane_router
  SOURCES
    driver.h driver.cpp
    tessen.h tessen.cpp
  LIBS automation Qt6::Core)
if(TARGET tessen)
  add_dependencies(korvane_router tessen)
endif()
