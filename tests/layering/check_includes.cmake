# Fails when a file under SOURCE_DIR includes a header of a folder on a higher floor.
# From the ground up:
#   0 app, dsp           ground: log, settings, streams, output files; the numeric kit
#   1 extraction, recognition, figures   the analysis and its figures
#   2 pipeline           the process commands that drive the analysis
#   3 gui, playback, cli the front ends
# "resources/" names headers generated from resources/ and may be included from anywhere.
set(_floor_app 0)
set(_floor_dsp 0)
set(_floor_extraction 1)
set(_floor_recognition 1)
set(_floor_figures 1)
set(_floor_pipeline 2)
set(_floor_gui 3)
set(_floor_playback 3)
set(_floor_cli 3)

file(GLOB_RECURSE _files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
set(_violations "")
foreach(_file IN LISTS _files)
  string(REGEX MATCH "^[^/]+" _folder "${_file}")
  if(NOT DEFINED _floor_${_folder})
    if(_file MATCHES "/")
      list(APPEND _violations "${_file}: folder '${_folder}' has no floor; add it to ${CMAKE_CURRENT_LIST_FILE}")
    endif()
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${_file} _includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(_line IN LISTS _includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" _header "${_line}")
    if(NOT _header MATCHES "/")
      continue()
    endif()
    string(REGEX MATCH "^[^/]+" _target "${_header}")
    if(_target STREQUAL "resources" OR NOT DEFINED _floor_${_target})
      continue()
    endif()
    if(_floor_${_target} GREATER _floor_${_folder})
      list(APPEND _violations "${_file} includes \"${_header}\": ${_target} is above ${_folder}")
    endif()
  endforeach()
endforeach()

if(_violations)
  list(JOIN _violations "\n  " _text)
  message(FATAL_ERROR "Includes that point up:\n  ${_text}")
endif()
