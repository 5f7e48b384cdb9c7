# The AppStream metadata of the window, made from resources/tonvale.metainfo.xml.in.
#
# The MIME types are read from the menu entry's MimeType line, so a format the menu entry
# opens is listed in the software centres too, with nothing else to edit.
#
# Screenshots need web addresses. The project serves its pictures (docs/*.png, the README's)
# from no public address of its own, so the metadata lists them only when the publisher of a
# build names the folder they are served from:
#   cmake -DTONVALE_SCREENSHOT_URL=https://.../docs ...
# Without it the file is valid metadata with no screenshots.
#
# Also runs as a script, for the test that validates both forms:
#   cmake -DOUTPUT=file [-DSCREENSHOT_URL=url] -P cmake/Metainfo.cmake

set(_tonvale_metainfo_dir ${CMAKE_CURRENT_LIST_DIR})

# The README's pictures, in the order a software centre shows them, and their captions.
set(_tonvale_screenshots
    "main-window.png|The main window after converting a recording to MIDI"
    "figure-process1.png|The spectral peaks of every frame, coloured by level"
    "figure-process2.png|The peaks linked into tracks, each with its start and end")

function(tonvale_write_metainfo output screenshot_url)
  set(_resources ${_tonvale_metainfo_dir}/../resources)
  file(READ ${_resources}/tonvale.desktop _desktop)
  string(REGEX MATCH "\nMimeType=[^\r\n]*" _mime_line "${_desktop}")
  string(REGEX REPLACE "^\nMimeType=" "" _mime_types "${_mime_line}")
  set(TONVALE_METAINFO_MEDIATYPES "")
  foreach(_type IN LISTS _mime_types)  # the line's ';' separators make it a CMake list
    if(NOT _type STREQUAL "")
      string(APPEND TONVALE_METAINFO_MEDIATYPES "    <mediatype>${_type}</mediatype>\n")
    endif()
  endforeach()
  if(TONVALE_METAINFO_MEDIATYPES STREQUAL "")
    message(FATAL_ERROR "tonvale.desktop has no MimeType line")
  endif()

  set(TONVALE_METAINFO_SCREENSHOTS "")
  if(NOT screenshot_url STREQUAL "")
    string(REGEX REPLACE "/+$" "" _base "${screenshot_url}")
    set(_type " type=\"default\"")
    string(APPEND TONVALE_METAINFO_SCREENSHOTS "  <screenshots>\n")
    foreach(_entry IN LISTS _tonvale_screenshots)
      string(REPLACE "|" ";" _parts "${_entry}")
      list(GET _parts 0 _file)
      list(GET _parts 1 _caption)
      string(APPEND TONVALE_METAINFO_SCREENSHOTS
             "    <screenshot${_type}>\n"
             "      <caption>${_caption}</caption>\n"
             "      <image>${_base}/${_file}</image>\n"
             "    </screenshot>\n")
      set(_type "")
    endforeach()
    string(APPEND TONVALE_METAINFO_SCREENSHOTS "  </screenshots>\n")
  endif()
  configure_file(${_resources}/tonvale.metainfo.xml.in ${output} @ONLY)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  if(NOT DEFINED SCREENSHOT_URL)
    set(SCREENSHOT_URL "")
  endif()
  tonvale_write_metainfo(${OUTPUT} "${SCREENSHOT_URL}")
endif()
