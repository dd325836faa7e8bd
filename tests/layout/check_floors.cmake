# Every include points down: a folder's sources include only folders of a
# lower floor, or their own folder. Run as: cmake -DROOT=<source dir> -P check_floors.cmake
set(floors
  "automation=0" "tessen=1"
  "components/vbscript=2" "components/scriptcontrol=2" "components/syslog=2" "components/prestige=2"
  "korvane/help=3" "korvane/model=3"
  "korvane/router=4" "korvane/packet=4" "korvane/settings=4"
  "korvane/monitor=5"
  "korvane/journal=6" "korvane/notify=6" "korvane/events=6" "korvane/script=6"
  "korvane/http=7" "korvane/mqtt=7"
  "korvane/views=8"
  "korvane/assembly=9"
  "korvane/console=10" "korvane/shell=10" "korvane/window=10"
  "korvane/app=11")

function(floor_of folder out)
  set(${out} "" PARENT_SCOPE)
  foreach(entry IN LISTS floors)
    string(REPLACE "=" ";" pair "${entry}")
    list(GET pair 0 name)
    list(GET pair 1 level)
    if(folder STREQUAL name)
      set(${out} ${level} PARENT_SCOPE)
      return()
    endif()
  endforeach()
endfunction()

set(faults "")
file(GLOB_RECURSE sources RELATIVE ${ROOT}
  ${ROOT}/automation/*.h ${ROOT}/automation/*.cpp ${ROOT}/tessen/*.h ${ROOT}/tessen/*.cpp
  ${ROOT}/components/*.h ${ROOT}/components/*.cpp ${ROOT}/korvane/*.h ${ROOT}/korvane/*.cpp)
foreach(source IN LISTS sources)
  get_filename_component(folder ${source} DIRECTORY)
  floor_of(${folder} own)
  # The settings folder holds two libraries: the store low down, and the
  # properties sheet with its pages, which shows the journal's settings too,
  # on the floor of the views.
  if(folder STREQUAL "korvane/settings" AND NOT source MATCHES "/(settings_store|password_codec|config_settings)\\.")
    set(own 8)
  endif()
  if(own STREQUAL "")
    string(APPEND faults "${source}: its folder ${folder} has no floor\n")
    continue()
  endif()
  file(STRINGS ${ROOT}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\".*" "\\1" header "${line}")
    get_filename_component(target ${header} DIRECTORY)
    if(target STREQUAL "" OR target STREQUAL folder)
      continue()
    endif()
    floor_of(${target} other)
    if(other STREQUAL "")
      continue()  # generated or third-party headers
    endif()
    if(other GREATER own OR (other EQUAL own AND NOT own EQUAL 2))
      string(APPEND faults "${source} (floor ${own}) includes ${header} (floor ${other})\n")
    endif()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "Includes that climb:\n${faults}")
endif()
list(LENGTH sources count)
message(STATUS "${count} sources, every include points down")
