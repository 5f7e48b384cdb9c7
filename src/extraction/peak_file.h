#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/input_stream.h"
#include "app/numbers.h"

namespace tonvale {

// The records of a peak file (one per analysis frame) or of a lump file (one per lump): a
// label and a list of (frequency in Hz, level in dB) pairs held as 32-bit floats. Records that
// were never read count as empty, so a loop over a count taken from a header is always safe.
class PeakTable {
 public:
  int size() const { return static_cast<int>(labels_.size()); }
  bool empty() const { return labels_.empty(); }

  int32_t Label(int record) const { return InRange(record) ? labels_[At(record)] : 0; }
  int Count(int record) const { return static_cast<int>(Length(record)); }
  std::span<float> Frequencies(int record) {
    return {frequencies_.data() + Begin(record), Length(record)};
  }
  std::span<float> Levels(int record) { return {levels_.data() + Begin(record), Length(record)}; }
  std::span<const float> Frequencies(int record) const {
    return {frequencies_.data() + Begin(record), Length(record)};
  }
  std::span<const float> Levels(int record) const {
    return {levels_.data() + Begin(record), Length(record)};
  }

  // Builds the table: a record, then its peaks.
  void AddRecord(int32_t label);
  void AddPeak(float frequency, float level);
  void clear();
  void Reserve(size_t records, size_t peaks);

 private:
  bool InRange(int record) const { return record >= 0 && record < size(); }
  static size_t At(int record) { return static_cast<size_t>(record); }
  size_t Begin(int record) const { return InRange(record) ? starts_[At(record)] : 0; }
  size_t Length(int record) const {
    return InRange(record) ? starts_[At(record) + 1] - starts_[At(record)] : 0;
  }

  std::vector<int32_t> labels_;
  std::vector<size_t> starts_ = {0};  // record r holds peaks starts_[r] .. starts_[r + 1] - 1
  std::vector<float> frequencies_;
  std::vector<float> levels_;
};

// Reads the records that follow the four header lines: "label: f l f l ... end", up to
// "end_of_file" or the end of the input. A file cut inside a record keeps the peaks read before
// the cut. Returns the number of records read; there is no fixed capacity.
int ReadPeakFile(InputStream& in, PeakTable& table);

// Records taken one at a time, for stages that hold only the few they work on: a record's
// label with NextRecord, then its peaks with NextPeak until it returns false.
class PeakRecordSource {
 public:
  virtual ~PeakRecordSource() = default;
  // The next record's label; false at "end_of_file" or the end of the input. Peaks of the
  // record before that were not read are skipped.
  virtual bool NextRecord(int32_t& label) = 0;
  // The next peak of the current record; false after its last one.
  virtual bool NextPeak(float& frequency, float& level) = 0;
};

// The records parsed from the text as they are asked for. ReadPeakFile reads through this, so
// both read any file alike.
class PeakRecordReader final : public PeakRecordSource {
 public:
  // Skips the four header lines of `in`, which must outlive the reader.
  explicit PeakRecordReader(InputStream& in);
  // The token may lie in the reader itself, so it stays where it was made.
  PeakRecordReader(const PeakRecordReader&) = delete;
  PeakRecordReader& operator=(const PeakRecordReader&) = delete;

  bool NextRecord(int32_t& label) override;
  bool NextPeak(float& frequency, float& level) override;

 private:
  // The next token into token_, with its value when it is a plain number.
  [[gnu::always_inline]] bool Read() {
    return in_.ReadNumberTokenView(token_, spill_, isNumber_, number_);
  }
  // A number read on the way has at most 15 digits, so it lies far inside the float range and
  // narrows without the overflow tests of NarrowToFloat.
  float Number() const {
    return isNumber_ ? static_cast<float>(number_) : NarrowToFloat(LeadingDecimal(token_));
  }

  InputStream& in_;
  std::string_view token_;  // in the stream's buffer, or in spill_
  std::string spill_;
  bool isNumber_ = false;  // token_ is a plain number, number_
  double number_ = 0.0;
  bool more_ = false;      // token_ holds the next token of the input
  bool inRecord_ = false;  // NextPeak may still find peaks
};

// Reads bytes until `count` line ends have passed or the input ends (LF and CR LF alike).
void SkipLines(InputStream& in, int count);

// The header shared by the peak file and the lump file:
//   MaxdB: <max> MindB: <min>
//   FrameRate: <ms> LoopCount: <frames>
//   <path of the analysed WAVE file>
//   ----...---- (177 hyphens)
struct WorkFileHeader {
  double MaxdB = 0.0;
  double MindB = 0.0;
  int FrameRate = 0;
  int LoopCount = 0;
  std::string signalName;  // the WAVE path, as its bytes
};

// Reads the first three header lines: four tokens (the levels after their labels), the rest of
// line 1 (none when the fourth token ends it), line 2 scanned as word, integer, word, integer,
// and line 3 whole. Values that do not parse are 0 and the name empty. The stream is left at
// the start of line 4. Every reader of a work file's header (the stages and the figures) reads
// it here.
WorkFileHeader ReadWorkFileHeader(InputStream& in);

// The 177 hyphens under the header, without a line end.
std::string_view SeparatorLine();

// Appends the header as it is written after the first pass: "MaxdB: %0.2f MindB: %0.2f  \n"
// (two blanks before the line end), "FrameRate: %d LoopCount: %d\n", the name and "\n", the
// separator and "\n".
void AppendWorkFileHeader(std::string& out, const WorkFileHeader& header);

// One peak of a record, "%0.2f %0.2f ", written at `text` (room for kPeakPairRoom bytes); the
// length is returned.
inline constexpr size_t kPeakPairRoom = 2 * kFixed2Room + 2;
inline size_t WritePeakPair(char* text, double frequency, double level) {
  char* end = WriteFixed2(text, frequency);
  *end++ = ' ';
  end = WriteFixed2(end, level);
  *end++ = ' ';
  return static_cast<size_t>(end - text);
}

// Appends one peak of a record in one piece.
inline void AppendPeakPair(std::string& out, double frequency, double level) {
  char text[kPeakPairRoom];
  out.append(text, WritePeakPair(text, frequency, level));
}

// Appends one record: "%d: ", "%0.2f %0.2f " for each pair, "end\n".
void AppendPeakRecord(std::string& out, int64_t label, std::span<const float> frequencies,
                      std::span<const float> levels);

}  // namespace tonvale
