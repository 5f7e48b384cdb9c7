#include "cli/recording_list.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "extraction/recording_formats.h"

namespace tonvale::cli {

std::vector<std::string> ExpandRecordings(const std::vector<std::string>& operands,
                                          std::vector<std::string>& errors) {
  namespace fs = std::filesystem;
  std::vector<std::string> files;
  for (const std::string& operand : operands) {
    std::error_code error;
    if (!fs::is_directory(operand, error)) {
      files.push_back(operand);
      continue;
    }
    std::vector<std::string> found;
    const auto options = fs::directory_options::follow_directory_symlink |
                         fs::directory_options::skip_permission_denied;
    fs::recursive_directory_iterator it(operand, options, error), end;
    for (; !error && it != end; it.increment(error)) {
      std::error_code ignored;
      if (it->is_regular_file(ignored) && IsRecordingName(it->path().filename().string())) {
        found.push_back(it->path().string());
      }
    }
    if (error) errors.push_back("cannot read the folder " + operand + ": " + error.message());
    std::sort(found.begin(), found.end());
    files.insert(files.end(), found.begin(), found.end());
  }
  return files;
}

bool MidiFileIsNewer(const std::string& recording) {
  struct stat wave, midi;
  if (stat(recording.c_str(), &wave) != 0 || stat((recording + ".mid").c_str(), &midi) != 0) {
    return false;
  }
  const auto& a = midi.st_mtim;
  const auto& b = wave.st_mtim;
  return a.tv_sec > b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec > b.tv_nsec);
}

}  // namespace tonvale::cli
