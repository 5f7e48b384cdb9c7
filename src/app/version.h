#pragma once

#include <string>
#include <string_view>

namespace tonvale {

// The version of the programs, "2.0.0", as the build defines it.
const char* ProgramVersion();

// What "--version" prints for `program`: its name and version, then the license.
std::string VersionText(std::string_view program);

}  // namespace tonvale
