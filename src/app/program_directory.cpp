#include "app/program_directory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace tonvale {
namespace {

bool IsDirectory(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// mkdir -p; quiet on failure (opening a file there will report it).
void MakeDirectories(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0755);
  }
  mkdir(path.c_str(), 0755);
}

}  // namespace

std::string GetExecutableDirectory() {
  std::vector<char> buffer(PATH_MAX + 1);
  ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return {};
  std::string executable(buffer.data(), static_cast<size_t>(length));
  size_t slash = executable.rfind('/');
  if (slash == std::string::npos) return {};
  return executable.substr(0, slash + 1);
}

std::string GetInstalledDataDirectory() {
  std::string bin = GetExecutableDirectory();
  if (bin.size() < 5 || bin.compare(bin.size() - 5, 5, "/bin/") != 0) return {};
  std::string share = bin.substr(0, bin.size() - 4) + "share/tonvale/";
  return IsDirectory(share) ? share : std::string();
}

std::string ChooseProgramDirectory(const std::string& executableDirectory, bool installed,
                                   bool writable, const char* xdgDataHome, const char* home) {
  if (!executableDirectory.empty() && !installed && writable) return executableDirectory;
  std::string base;
  if (xdgDataHome != nullptr && xdgDataHome[0] == '/') {
    base = xdgDataHome;
  } else if (home != nullptr && home[0] != '\0') {
    base = std::string(home) + "/.local/share";
  } else {
    return executableDirectory;
  }
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base + "/tonvale/";
}

std::string GetProgramDirectory() {
  std::string executable = GetExecutableDirectory();
  bool installed = !GetInstalledDataDirectory().empty();
  bool writable = !executable.empty() && access(executable.c_str(), W_OK) == 0;
  std::string chosen = ChooseProgramDirectory(executable, installed, writable,
                                              std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
  if (chosen != executable && !IsDirectory(chosen)) MakeDirectories(chosen);
  return chosen;
}

}  // namespace tonvale
