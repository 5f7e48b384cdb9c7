#include "work_files.h"

namespace tonvale::testing {

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string LumpFileText(const std::vector<LabelledPeaks>& lumps, const WorkFileShape& shape) {
  WorkFileHeader header;
  header.MaxdB = shape.maxdB;
  header.MindB = shape.mindB;
  header.FrameRate = shape.frameRate;
  header.LoopCount = shape.loopCount >= 0 ? shape.loopCount : static_cast<int>(lumps.size());
  header.signalName = shape.signalName;
  std::string text;
  AppendWorkFileHeader(text, header);
  for (const LabelledPeaks& lump : lumps) {
    std::vector<float> f, l;
    for (auto [frequency, level] : lump.peaks) {
      f.push_back(frequency);
      l.push_back(level);
    }
    AppendPeakRecord(text, lump.start, f, l);
  }
  text += "end_of_file";
  return WithCrLf(text);
}

std::string WorkFileText(const std::vector<Peaks>& frames, const WorkFileShape& shape) {
  std::vector<LabelledPeaks> records;
  for (size_t r = 0; r < frames.size(); ++r) {
    records.push_back({shape.frameRate * static_cast<int>(r + 1), frames[r]});
  }
  return LumpFileText(records, shape);
}

std::vector<std::string> RecordLines(const std::string& file) {
  std::vector<std::string> lines;
  size_t start = 0;
  int line = 0;
  while (start < file.size()) {
    size_t end = file.find('\n', start);
    std::string text = file.substr(start, end == std::string::npos ? end : end - start);
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (++line > 4 && text != "end_of_file") lines.push_back(text);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

}  // namespace tonvale::testing
