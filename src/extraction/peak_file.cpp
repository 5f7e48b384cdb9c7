#include "extraction/peak_file.h"

#include "app/numbers.h"

namespace tonvale {

void PeakTable::AddRecord(int32_t label) {
  labels_.push_back(label);
  starts_.push_back(starts_.back());
}

void PeakTable::AddPeak(float frequency, float level) {
  frequencies_.push_back(frequency);
  levels_.push_back(level);
  ++starts_.back();
}

void PeakTable::clear() {
  labels_.clear();
  starts_.assign(1, 0);
  frequencies_.clear();
  levels_.clear();
}

void PeakTable::Reserve(size_t records, size_t peaks) {
  labels_.reserve(records);
  starts_.reserve(records + 1);
  frequencies_.reserve(peaks);
  levels_.reserve(peaks);
}

int ReadPeakFile(InputStream& in, PeakTable& table) {
  table.clear();
  PeakRecordReader reader(in);
  int records = 0;
  int32_t label;
  float frequency, level;
  while (reader.NextRecord(label)) {
    table.AddRecord(label);
    ++records;
    while (reader.NextPeak(frequency, level)) table.AddPeak(frequency, level);
  }
  return records;
}

PeakRecordReader::PeakRecordReader(InputStream& in) : in_(in) {
  SkipLines(in_, 4);
  more_ = Read();
}

bool PeakRecordReader::NextRecord(int32_t& label) {
  float frequency, level;
  while (NextPeak(frequency, level)) {
  }
  if (!more_ || token_ == "end_of_file") return false;
  label = ClampToInt32(LeadingInteger(token_));
  more_ = Read();
  inRecord_ = true;
  return true;
}

bool PeakRecordReader::NextPeak(float& frequency, float& level) {
  if (!inRecord_) return false;
  if (!more_ || (!isNumber_ && token_ == "end")) {
    if (more_) more_ = Read();
    inRecord_ = false;
    return false;
  }
  frequency = Number();
  // A file cut after a frequency gives the peak a level of 0.
  more_ = Read();
  level = Number();
  if (more_) more_ = Read();
  return true;
}

void SkipLines(InputStream& in, int count) {
  in.SkipLines(count);
}

namespace {

// sscanf(line, "%s %d %s %d", ...): a word, an integer, a word, an integer; scanning stops at
// the first item that does not match, leaving the later values untouched.
void ScanFrameLine(std::string_view line, int& first, int& second) {
  size_t i = 0;
  auto skip_space = [&] {
    while (i < line.size() && IsTokenSpace(static_cast<unsigned char>(line[i]))) ++i;
  };
  auto word = [&] {
    skip_space();
    if (i == line.size()) return false;
    while (i < line.size() && !IsTokenSpace(static_cast<unsigned char>(line[i]))) ++i;
    return true;
  };
  auto integer = [&](int& value) {
    skip_space();
    size_t j = i;
    if (j < line.size() && (line[j] == '+' || line[j] == '-')) ++j;
    if (j == line.size() || line[j] < '0' || line[j] > '9') return false;
    while (j < line.size() && line[j] >= '0' && line[j] <= '9') ++j;
    value = ClampToInt32(LeadingInteger(line.substr(i, j - i)));
    i = j;
    return true;
  };
  if (word() && integer(first) && word()) integer(second);
}

}  // namespace

WorkFileHeader ReadWorkFileHeader(InputStream& in) {
  WorkFileHeader header;
  in.ReadToken();
  header.MaxdB = LeadingDecimal(in.ReadToken());
  in.ReadToken();
  std::string token;
  bool lineEnded = false;
  if (in.ReadToken(token)) {
    // The byte that ended the token: a line end there leaves no rest of line 1 to skip.
    in.Unget();
    lineEnded = in.Get() == '\n';
  }
  header.MindB = LeadingDecimal(token);
  std::string line;
  if (!lineEnded) in.ReadLine(line);  // the rest of line 1, normally two blanks
  if (in.ReadLine(line)) ScanFrameLine(line, header.FrameRate, header.LoopCount);
  in.ReadLine(header.signalName);
  return header;
}

std::string_view SeparatorLine() {
  static const std::string kLine(177, '-');
  return kLine;
}

void AppendWorkFileHeader(std::string& out, const WorkFileHeader& header) {
  out += "MaxdB: ";
  AppendFixed(out, header.MaxdB, 2);
  out += " MindB: ";
  AppendFixed(out, header.MindB, 2);
  out += "  \nFrameRate: ";
  AppendInteger(out, header.FrameRate);
  out += " LoopCount: ";
  AppendInteger(out, header.LoopCount);
  out += '\n';
  out += header.signalName;
  out += '\n';
  out += SeparatorLine();
  out += '\n';
}

void AppendPeakRecord(std::string& out, int64_t label, std::span<const float> frequencies,
                      std::span<const float> levels) {
  AppendInteger(out, label);
  out += ": ";
  for (size_t i = 0; i < frequencies.size(); ++i) {
    AppendPeakPair(out, frequencies[i], levels[i]);
  }
  out += "end\n";
}

}  // namespace tonvale
