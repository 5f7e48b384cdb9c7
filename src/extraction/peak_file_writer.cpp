#include "extraction/peak_file_writer.h"

#include "app/numbers.h"
#include "extraction/peak_file.h"

namespace tonvale {

std::string PeakFileWriter::HeaderText(int frameRate, int64_t loopCount,
                                       std::string_view wavePath) {
  std::string text(kFirstLineWidth, ' ');
  text += "\nFrameRate: ";
  AppendInteger(text, frameRate);
  text += " LoopCount: ";
  AppendInteger(text, loopCount);
  text += '\n';
  text += wavePath;
  text += '\n';
  text += SeparatorLine();
  text += '\n';
  return text;
}

std::string PeakFileWriter::LevelsText(double MaxdB, double MindB) {
  std::string levels = "MaxdB: ";
  AppendFixed(levels, MaxdB, 2);
  levels += " MindB: ";
  AppendFixed(levels, MindB, 2);
  // The levels of 16-bit samples are far shorter than the line; never run into its line end.
  if (levels.size() > static_cast<size_t>(kFirstLineWidth)) levels.resize(kFirstLineWidth);
  return levels;
}

bool PeakFileWriter::Open(const std::string& path) {
  return file_.Open(path, OutputFile::Mode::kText, OutputFile::Replace::kQuickly);
}

void PeakFileWriter::StartBatch(int64_t, int64_t, size_t items) {
  records_.resize(items);
  for (std::string& record : records_) record.clear();
}

void PeakFileWriter::Frame(size_t item, int64_t, int64_t label, std::span<const PickedPeak> peaks) {
  std::string& out = records_[item];
  AppendInteger(out, label);
  out += ": ";
  for (const PickedPeak& peak : peaks) AppendPeakPair(out, peak.frequency, peak.level);
  out += "end\n";
}

void PeakFileWriter::EndBatch() {
  for (const std::string& record : records_) file_.Write(record);
}

bool PeakFileWriter::Finish(double MaxdB, double MindB) {
  file_.Write("end_of_file");
  const bool overwritten = file_.OverwriteAt(0, LevelsText(MaxdB, MindB));
  return file_.Commit() && overwritten;
}

}  // namespace tonvale
