#include "app/version.h"

namespace tonvale {

// TONVALE_VERSION comes from the project's version in the top CMakeLists.txt, the one place
// that names it, so the programs, the manual pages and the package never disagree.
const char* ProgramVersion() {
  return TONVALE_VERSION;
}

std::string VersionText(std::string_view program) {
  return std::string(program) + " (Tonvale) " + ProgramVersion() +
         "\nCopyright (c) The Tonvale authors. Released under the MIT license.\n";
}

}  // namespace tonvale
