# Compiler settings shared by every target of the project, and the helpers the
# module CMakeLists.txt files use.

# KORVANE_ONLY: a list of paths (modules, fragments such as
# "korvane/views/status_view", test, bench and fuzz folders) to build on their
# own while other parts are being written. Empty builds everything.
set(KORVANE_ONLY "" CACHE STRING "Build only these modules, fragments and test folders")

function(korvane_wanted out path)
  if(NOT KORVANE_ONLY)
    set(${out} TRUE PARENT_SCOPE)
    return()
  endif()
  list(FIND KORVANE_ONLY ${path} index)
  if(index GREATER -1)
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

# A module folder whose parts are written separately keeps one <part>.cmake
# fragment per part; its CMakeLists.txt calls this to include them.
macro(korvane_include_fragments)
  file(GLOB fragments CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cmake)
  list(SORT fragments)
  foreach(fragment IN LISTS fragments)
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${fragment})
    string(REGEX REPLACE "\\.cmake$" "" rel ${rel})
    korvane_wanted(wanted ${rel})
    if(wanted)
      include(${fragment})
    endif()
  endforeach()
endmacro()

add_library(korvane_warnings INTERFACE)
target_compile_options(korvane_warnings INTERFACE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
if(KORVANE_WERROR)
  target_compile_options(korvane_warnings INTERFACE -Werror)
endif()


if(KORVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# korvane_library(name [SHARED] SOURCES ... LIBS ...)
# A library of one module, with the module folder's parent on the include path
# so that headers are included as "automation/variant.h", "korvane/model/line.h".
function(korvane_library name)
  cmake_parse_arguments(ARG "SHARED" "" "SOURCES;LIBS" ${ARGN})
  if(ARG_SHARED)
    add_library(${name} SHARED ${ARG_SOURCES})
  else()
    add_library(${name} STATIC ${ARG_SOURCES})
  endif()
  korvane_stage_folder(${name} ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS} PRIVATE korvane_warnings)
endfunction()

# Headers are included by their folder ("korvane/model/line.h"), and a target
# sees only the folders of the libraries it links: each folder is linked into
# an include tree of its own, so an include that climbs to a floor the
# library does not link fails to build.
function(korvane_stage_folder name folder)
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${folder})
  string(MAKE_C_IDENTIFIER ${rel} key)
  set(stage ${PROJECT_BINARY_DIR}/include/${key})
  get_filename_component(parent ${stage}/${rel} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${stage}/${rel})
    file(CREATE_LINK ${folder} ${stage}/${rel} SYMBOLIC)
  endif()
  target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${stage}>)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

# korvane_test(name [GUI] SOURCES ... LIBS ... [TIMEOUT seconds])
# One GoogleTest program, registered with ctest as one test. Its main creates a
# QCoreApplication, or with GUI a QApplication on the offscreen platform.
# List headers with Q_OBJECT among the SOURCES so that moc sees them.
function(korvane_test name)
  cmake_parse_arguments(ARG "GUI" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_GUI)
    set(test_main korvane_test_main_gui)
  else()
    set(test_main korvane_test_main_core)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${test_main} GTest::gtest GTest::gmock korvane_warnings)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE KORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                             KORVANE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KORVANE_SETTINGS_DIR=${PROJECT_BINARY_DIR}/test-settings/${name};KORVANE_CLASS_REGISTRY=${PROJECT_BINARY_DIR}/test-settings/${name}/classes.ini")
endfunction()

# korvane_loaded_library(name): a shared library the program loads by name at
# run time. Every symbol must be resolved when it is linked, so that a
# missing one fails the build rather than the load.
function(korvane_loaded_library name)
  if(NOT KORVANE_SANITIZE)
    target_link_options(${name} PRIVATE -Wl,--no-undefined)
  endif()
endfunction()
