# korvane --record: the router terminal inside a recorder that writes a capture.
korvane_library(korvane_session_recorder
  SOURCES
    session_recorder.h session_recorder.cpp
  LIBS korvane_router prestige_capture Qt6::Core)
target_link_libraries(korvane_controller PUBLIC korvane_session_recorder)
