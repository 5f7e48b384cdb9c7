// The settings loader on arbitrary bytes: the positional parse on its own, and the whole load
// (with its reset and backup) on a file in a scratch folder.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/settings_file.h"

namespace {

const std::string& ScratchFolder() {
  static const std::string folder = [] {
    std::string pattern = "/tmp/tonvale-fuzz-settings-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    static std::string created = pattern;
    std::atexit([] { std::filesystem::remove_all(created); });
    return pattern + "/";
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  tonvale::Settings settings;
  std::vector<std::string> echo;
  bool complete = tonvale::ParseSettingsText(bytes, settings, echo);
  if (complete && echo.size() != 15) std::abort();

  tonvale::Session session(ScratchFolder());
  {
    std::ofstream file(session.WorkPath(tonvale::kSettingsFileName), std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  int result = tonvale::LoadSettings(session);
  // Whatever the file held, a load that passed holds plausible values, and one that failed the
  // checks leaves the defaults in memory.
  if (result == 0 && !tonvale::SettingsArePlausible(session.settings)) std::abort();
  if (result == 1 && complete && !(session.settings == tonvale::DefaultSettings())) std::abort();
  return 0;
}
