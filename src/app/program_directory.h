#pragma once

#include <string>

namespace tonvale {

// The folder of the running executable, ending with '/', so that a file name can be appended
// directly. The settings file and the work files live there. Empty when the executable's
// location cannot be found.
std::string GetProgramDirectory();

}  // namespace tonvale
