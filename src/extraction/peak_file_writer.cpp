#include "extraction/peak_file_writer.h"

#include "app/numbers.h"
#include "extraction/peak_file.h"

namespace tonvale {

bool PeakFileWriter::Open(const std::string& path) {
  return file_.Open(path, OutputFile::Mode::kText);
}

void PeakFileWriter::WriteHeader(int frameRate, int64_t loopCount, std::string_view wavePath) {
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
  file_.Write(text);
}

bool PeakFileWriter::Finish(double MaxdB, double MindB) {
  std::string levels = "MaxdB: ";
  AppendFixed(levels, MaxdB, 2);
  levels += " MindB: ";
  AppendFixed(levels, MindB, 2);
  // The levels of 16-bit samples are far shorter than the line; never run into its line end.
  if (levels.size() > static_cast<size_t>(kFirstLineWidth)) levels.resize(kFirstLineWidth);
  file_.Write("end_of_file");
  const bool overwritten = file_.OverwriteAt(0, levels);
  return file_.Commit() && overwritten;
}

}  // namespace tonvale
