#pragma once

#include <string>
#include <string_view>

namespace tonvale {

enum class RecordingReader {
  kWaveWalk,  // the header walk, its report and the 8/16-bit sample reader
  kSndfile,   // libsndfile
};

// Which reader takes a file that begins with `head` (its first bytes, as the header walk reads
// them). libsndfile takes every container other than RIFF, and RIFF files whose fmt chunk
// declares integer PCM of more than 16 bits or in more than two channels, or another encoding
// (floating point, A-law, mu-law, ADPCM ...). The header walk keeps the rest: 8- and 16-bit
// PCM in one or two channels, and the damaged headers it has always refused (no fmt chunk,
// format 0, bit depths it does not read) with its own messages.
RecordingReader ReaderForHead(std::string_view head);

// The same for a file; one that cannot be read is left to the header walk, which says so.
RecordingReader ChooseRecordingReader(const std::string& path);

}  // namespace tonvale
