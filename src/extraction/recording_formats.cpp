#include "extraction/recording_formats.h"

#include <array>

namespace tonvale {
namespace {

constexpr std::string_view kWave[] = {"wav", "wave", "bwf"};
constexpr std::string_view kWaveTypes[] = {"audio/x-wav", "audio/wav", "audio/vnd.wave"};
constexpr std::string_view kRf64[] = {"rf64"};
constexpr std::string_view kW64[] = {"w64"};
constexpr std::string_view kAiff[] = {"aif", "aiff", "aifc"};
constexpr std::string_view kAiffTypes[] = {"audio/x-aiff", "audio/x-aifc"};
constexpr std::string_view kFlac[] = {"flac"};
constexpr std::string_view kFlacTypes[] = {"audio/flac", "audio/x-flac"};
constexpr std::string_view kOgg[] = {"ogg", "oga", "opus"};
constexpr std::string_view kOggTypes[] = {"audio/ogg", "audio/x-vorbis+ogg", "audio/x-opus+ogg"};
constexpr std::string_view kMp3[] = {"mp3"};
constexpr std::string_view kMp3Types[] = {"audio/mpeg"};

// RF64 and W64 have no registered media type of their own.
const std::array<RecordingFormat, 7> kFormats = {{
    {"WAVE", kWave, kWaveTypes},
    {"RF64", kRf64, {}},
    {"W64", kW64, {}},
    {"AIFF", kAiff, kAiffTypes},
    {"FLAC", kFlac, kFlacTypes},
    {"Ogg Vorbis, Opus", kOgg, kOggTypes},
    {"MP3", kMp3, kMp3Types},
}};

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (Lower(text[i]) != lower[i]) return false;
  }
  return true;
}

}  // namespace

std::span<const RecordingFormat> RecordingFormats() {
  return kFormats;
}

bool IsRecordingName(std::string_view path) {
  const size_t dot = path.find_last_of("./");
  if (dot == std::string_view::npos || path[dot] != '.') return false;
  const std::string_view suffix = path.substr(dot + 1);
  for (const RecordingFormat& format : kFormats) {
    for (std::string_view known : format.suffixes) {
      if (EqualsIgnoringCase(suffix, known)) return true;
    }
  }
  return false;
}

}  // namespace tonvale
