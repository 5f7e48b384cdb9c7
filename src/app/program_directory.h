#pragma once

#include <string>

namespace tonvale {

// The folder of the running executable, ending with '/'. Empty when it cannot be found.
std::string GetExecutableDirectory();

// The folder of the settings file and the work files, ending with '/'. It is the executable's
// folder when that is a folder of the user's own (a build tree, a portable copy), as the
// program has always done. An installed program (its folder is not writable, or it lies in an
// installation prefix that holds share/tonvale/) keeps them in $XDG_DATA_HOME/tonvale/
// (~/.local/share/tonvale/ by default), created on first use.
std::string GetProgramDirectory();

// The decision above, without touching the system: `installed` tells whether the executable's
// folder belongs to an installation, `writable` whether it can be written.
std::string ChooseProgramDirectory(const std::string& executableDirectory, bool installed,
                                   bool writable, const char* xdgDataHome, const char* home);

// Where the installed program keeps its shared files (the help page, the default settings
// text): <prefix>/share/tonvale/ for an executable in <prefix>/bin/. Empty when there is none.
std::string GetInstalledDataDirectory();

}  // namespace tonvale
