# The line-up and line-down sound player (a SoundPlayer for wave files). Its
# audio layer, on Qt Multimedia, is a library of its own loaded at the first
# sound.
korvane_library(korvane_sound_player
  SOURCES
    sound_player.h sound_player.cpp
  LIBS automation Qt6::Core)
add_library(korvane_sound SHARED wave_output.cpp)
target_include_directories(korvane_sound PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(korvane_sound PRIVATE Qt6::Multimedia korvane_warnings)
korvane_loaded_library(korvane_sound)
add_dependencies(korvane_sound_player korvane_sound)
install(TARGETS korvane_sound LIBRARY DESTINATION lib/korvane)
