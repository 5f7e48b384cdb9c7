#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/output_file.h"

namespace tonvale {

// Writes the peak file as process 1 first writes it (ASCII text, CR LF line ends): a line of 71
// blanks that Finish() overwrites with the level range, the frame line, the WAVE path as its
// bytes, the separator, one record per frame, and "end_of_file" without a line end.
class PeakFileWriter {
 public:
  static constexpr int kFirstLineWidth = 71;

  // False when the file cannot be created.
  bool Open(const std::string& path);

  void WriteHeader(int frameRate, int64_t loopCount, std::string_view wavePath);
  // Text with "\n" line ends, such as records made by AppendPeakRecord or a label and peaks.
  void Write(std::string_view text) { file_.Write(text); }

  // Puts "MaxdB: %0.2f MindB: %0.2f" over the start of the first line, ends the file and puts
  // it in place. False when any write failed.
  bool Finish(double MaxdB, double MindB);

  // Puts in place what has been written so far, as a stage that stops half-way leaves it.
  bool KeepPartial() { return file_.Commit(); }

 private:
  OutputFile file_;
};

}  // namespace tonvale
