# The line-up and line-down sound player (a SoundPlayer on QSoundEffect).
korvane_library(korvane_sound_player
  SOURCES
    sound_player.h sound_player.cpp
  LIBS automation Qt6::Core Qt6::Multimedia)
