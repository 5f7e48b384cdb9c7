# What `cmake --install` puts where, and the Debian package made from it with CPack
# (scripts/package.sh). An installed program keeps its settings and work files in the user's
# data folder: app/program_directory.cpp recognises an installation by <prefix>/share/tonvale/.
# Test tools, test programs and benchmarks are not installed.
include(GNUInstallDirs)

set(TONVALE_INSTALL_DATA_DIR ${CMAKE_INSTALL_FULL_DATADIR}/tonvale)
set(_resources ${PROJECT_SOURCE_DIR}/resources)

install(TARGETS wav2mid RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${_resources}/readme.html ${_resources}/settings_default.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tonvale)

# The Debian package's machine-readable copyright file (DEP-5), with the license text taken
# from LICENSE: everything from "Permission" on, each line indented by one space and each
# empty line written as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE _license)
string(FIND "${_license}" "Permission" _start)
if(_start LESS 0)
  message(FATAL_ERROR "LICENSE has no permission notice")
endif()
string(SUBSTRING "${_license}" ${_start} -1 _license)
string(STRIP "${_license}" _license)
string(REPLACE "\n" ";" _license_lines "${_license}")
set(_indented "")
foreach(_line IN LISTS _license_lines)
  if(_line STREQUAL "")
    set(_line ".")
  endif()
  list(APPEND _indented " ${_line}")
endforeach()
list(JOIN _indented "\n" TONVALE_LICENSE_TEXT)
# Both files are read here, so a change to either configures the build again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE
                                                               ${_resources}/tonvale.desktop)
configure_file(${_resources}/debian-copyright.in ${CMAKE_BINARY_DIR}/copyright @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tonvale)

# Manual pages, compressed the way Debian installs them (no name or time stamp in the gzip
# header, so the package is the same from one build to the next).
set(_man_pages wav2mid)
if(TARGET tonvale)
  list(APPEND _man_pages tonvale)
endif()
foreach(_page IN LISTS _man_pages)
  set(_roff ${CMAKE_BINARY_DIR}/man/${_page}.1)
  configure_file(${_resources}/man/${_page}.1.in ${_roff} @ONLY)
  add_custom_command(OUTPUT ${_roff}.gz
                     COMMAND gzip -9nc ${_roff} > ${_roff}.gz
                     DEPENDS ${_roff} VERBATIM)
  list(APPEND _man_archives ${_roff}.gz)
endforeach()
add_custom_target(tonvale_man_pages ALL DEPENDS ${_man_archives})
install(FILES ${_man_archives} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The window, its menu entry, its entry in the software centres (AppStream) and its icon at
# the sizes desktops look for.
set(TONVALE_SCREENSHOT_URL "" CACHE STRING
    "Web folder that serves docs/*.png, for the screenshots of the AppStream metadata")
include(Metainfo)
tonvale_write_metainfo(${CMAKE_BINARY_DIR}/tonvale.metainfo.xml "${TONVALE_SCREENSHOT_URL}")
if(TARGET tonvale)
  install(TARGETS tonvale RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${_resources}/tonvale.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_BINARY_DIR}/tonvale.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(_size 16 22 24 32 48 64 128 256)
    install(FILES ${_resources}/icon_${_size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps
            RENAME tonvale.png)
  endforeach()
endif()

# ---- Debian package ----
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tonvale)
set(CPACK_PACKAGE_VENDOR "Tonvale developers")
set(CPACK_PACKAGE_CONTACT "Tonvale developers <tonvale@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tonvale transcribes a recorded piece of music, a linear-PCM WAVE file, into a
Standard MIDI File. Its window plays the recording, runs the four analysis
processes (peak extraction, peak clustering, pitch recognition, MIDI conversion)
one by one or all at once, shows time-frequency figures of the intermediate
results, and plays the MIDI file written beside the WAVE file.
The wav2mid command converts WAVE files the same way from the command line.")
# The libraries come from the executables themselves (dpkg-shlibdeps). What they load by
# name at run time is added by hand: the General MIDI sound font that renders MIDI files,
# and the fonts of the window and the figures.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "timgm6mb-soundfont | fluid-soundfont-gm, fonts-ipafont-gothic, fonts-liberation")
# "setup" and "readme" open the settings file and the help page with the desktop's programs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
