#pragma once

#include <span>
#include <string_view>

namespace tonvale {

// A kind of recording that process 1 reads, as the file dialog, the command line's help and
// the desktop entry present it.
struct RecordingFormat {
  std::string_view name;                       // what users call it
  std::span<const std::string_view> suffixes;  // lower case, without the dot
  std::span<const std::string_view> mimeTypes;
};

// Every kind, WAVE first: linear PCM WAVE of any bit depth and the other containers that
// libsndfile decodes (RF64, W64, AIFF and AIFC, FLAC, Ogg Vorbis and Opus, MP3).
std::span<const RecordingFormat> RecordingFormats();

// True when the name ends with a dot and the suffix of one of the formats, in any case
// ("song.flac", "SONG.Mp3"). What the file holds decides how it is read, not its name.
bool IsRecordingName(std::string_view path);

}  // namespace tonvale
