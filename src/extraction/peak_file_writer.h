#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/output_file.h"
#include "extraction/frame_peak_sink.h"

namespace tonvale {

// Writes the peak file as process 1 first writes it (ASCII text, CR LF line ends): a line of 71
// blanks that Finish() overwrites with the level range, the frame line, the WAVE path as its
// bytes, the separator, one record per frame, and "end_of_file" without a line end. As a sink
// of the frame loop it writes each frame's record "label: f l f l ... end".
class PeakFileWriter final : public FramePeakSink {
 public:
  static constexpr int kFirstLineWidth = 71;

  // The header as WriteHeader() writes it, with "\n" line ends.
  static std::string HeaderText(int frameRate, int64_t loopCount, std::string_view wavePath);
  // "MaxdB: %0.2f MindB: %0.2f" as Finish() puts it over the start of the first line.
  static std::string LevelsText(double MaxdB, double MindB);

  // False when the file cannot be created.
  bool Open(const std::string& path);

  void WriteHeader(int frameRate, int64_t loopCount, std::string_view wavePath) {
    file_.Write(HeaderText(frameRate, loopCount, wavePath));
  }
  // Text with "\n" line ends, such as records made by AppendPeakRecord or a label and peaks.
  void Write(std::string_view text) { file_.Write(text); }

  void StartBatch(int64_t first, int64_t last, size_t items) override;
  void Frame(size_t item, int64_t frame, int64_t label, std::span<const PickedPeak> peaks) override;
  void EndBatch() override;

  // Replaces the first `oldSize` bytes written with `bytes`, as they lie on disk (CR LF line
  // ends), moving the rest when the sizes differ. False when a write failed.
  bool ReplaceHead(int64_t oldSize, std::string_view bytes) {
    return file_.ReplaceHead(oldSize, bytes);
  }

  // Puts "MaxdB: %0.2f MindB: %0.2f" over the start of the first line, ends the file and puts
  // it in place. False when any write failed.
  bool Finish(double MaxdB, double MindB);

  // Puts in place what has been written so far, as a stage that stops half-way leaves it, or a
  // file written whole through Write(). False when any write failed.
  bool KeepPartial() { return file_.Commit(); }

 private:
  OutputFile file_;
  std::vector<std::string> records_;  // one per item of a batch of frames
};

}  // namespace tonvale
