#include "extraction/short_spectra.h"

#include <cstdio>
#include <sstream>

#include "app/numbers.h"

namespace tonvale {
namespace {

constexpr std::string_view kMagic = "ShortSpectra 1";

}  // namespace

bool ShortSpectraWriter::Open(const std::string& path, std::string_view recording, double rate,
                              int frameShiftMs, int windowLength, int bins, int64_t frames) {
  if (!file_.Open(path, OutputFile::Mode::kBinary, OutputFile::Replace::kQuickly)) return false;
  std::string head(kMagic);
  head += '\n';
  head += recording;
  head += '\n';
  head += Format("%.3f %d %d %d %lld\n", rate, frameShiftMs, windowLength, bins,
                 static_cast<long long>(frames));
  file_.Write(head);
  return true;
}

void ShortSpectraWriter::Write(std::span<const uint8_t> frame) {
  file_.Write(std::string_view(reinterpret_cast<const char*>(frame.data()), frame.size()));
}

bool ReadShortSpectra(const std::string& path, std::string_view recording, int frameShiftMs,
                      ShortSpectra& spectra) {
  spectra = ShortSpectra();
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) return false;
  // The three lines of the head.
  size_t at = 0;
  std::string_view lines[3];
  for (std::string_view& line : lines) {
    const size_t end = bytes.find('\n', at);
    if (end == std::string::npos) return false;
    line = std::string_view(bytes).substr(at, end - at);
    at = end + 1;
  }
  if (lines[0] != kMagic || lines[1] != recording) return false;
  std::istringstream numbers{std::string(lines[2])};
  ShortSpectra read;
  long long frames = 0;
  if (!(numbers >> read.rate >> read.frameShiftMs >> read.windowLength >> read.bins >> frames) ||
      read.frameShiftMs != frameShiftMs || !(read.rate > 0.0) || read.windowLength <= 0 ||
      read.bins <= 0 || read.bins > read.windowLength / 2 + 1 || frames < 0) {
    return false;
  }
  // A recording that could not be read to its end leaves fewer frames than the head promised.
  const size_t whole = (bytes.size() - at) / static_cast<size_t>(read.bins);
  const size_t count = std::min(whole, static_cast<size_t>(frames));
  read.levels.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                     bytes.begin() + static_cast<std::ptrdiff_t>(at + count * read.bins));
  spectra = std::move(read);
  return true;
}

}  // namespace tonvale
