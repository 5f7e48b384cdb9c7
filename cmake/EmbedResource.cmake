# tonvale_embed_resource(<target> <symbol> <file>)
#
# Compiles <file> into <target> as `extern const std::string_view tonvale::resources::<symbol>`,
# declared in the generated header "resources/<symbol>.h". The bytes are embedded unchanged,
# so a resource edited in the source tree reaches the program at the next build.
function(tonvale_embed_resource target symbol file)
  get_filename_component(_abs "${file}" ABSOLUTE)
  set(_dir "${CMAKE_BINARY_DIR}/generated/resources")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_abs}")
  file(READ "${_abs}" _hex HEX)
  string(LENGTH "${_hex}" _hexlen)
  math(EXPR _size "${_hexlen} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," _bytes "${_hex}")
  string(REGEX REPLACE "(('\\\\x[0-9a-f][0-9a-f]',){24})" "\\1\n    " _bytes "${_bytes}")
  file(CONFIGURE OUTPUT "${_dir}/${symbol}.h" CONTENT
"#pragma once
#include <string_view>
namespace tonvale::resources {
extern const std::string_view ${symbol};
}
")
  file(CONFIGURE OUTPUT "${_dir}/${symbol}.cpp" CONTENT
"#include \"resources/${symbol}.h\"
namespace tonvale::resources {
namespace {
constexpr char kBytes[] = {
    ${_bytes}'\\0'};
}
const std::string_view ${symbol}(kBytes, ${_size});
}
")
  target_sources(${target} PRIVATE "${_dir}/${symbol}.cpp")
  target_include_directories(${target} PUBLIC "${CMAKE_BINARY_DIR}/generated")
endfunction()
