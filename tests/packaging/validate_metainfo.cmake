# Writes the metadata with SCREENSHOT_URL (may be empty) into OUTPUT and validates it without
# network access: the pictures are not fetched, their addresses only have to be web addresses.
# The component id is the program's name, as the menu entry and the package are called; the
# validator's wish for a reverse domain name is kept as a note, since the project owns no domain.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/Metainfo.cmake)
tonvale_write_metainfo(${OUTPUT} "${SCREENSHOT_URL}")

file(READ ${OUTPUT} _xml)
string(REGEX MATCHALL "<mediatype>audio/x-wav</mediatype>" _wave "${_xml}")
string(REGEX MATCHALL "<screenshot[ >]" _shots "${_xml}")
list(LENGTH _shots _count)
if(NOT _wave)
  message(FATAL_ERROR "${OUTPUT} does not say the program opens audio/x-wav")
endif()
if(SCREENSHOT_URL STREQUAL "" AND NOT _count EQUAL 0)
  message(FATAL_ERROR "${OUTPUT} lists screenshots without a web folder for them")
elseif(NOT SCREENSHOT_URL STREQUAL "" AND NOT _count EQUAL 3)
  message(FATAL_ERROR "${OUTPUT} lists ${_count} screenshots, not the README's 3")
endif()

execute_process(COMMAND ${APPSTREAMCLI} validate --no-net --pedantic
                        --override=cid-desktopapp-is-not-rdns=info ${OUTPUT}
                RESULT_VARIABLE _result)
if(NOT _result EQUAL 0)
  message(FATAL_ERROR "appstreamcli does not accept ${OUTPUT}")
endif()
