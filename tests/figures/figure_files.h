#pragma once

#include <string>
#include <utility>
#include <vector>

#include "extraction/peak_file.h"

namespace tonvale::testing {

// One record of a peak or lump file: its label and its (frequency, level) pairs.
struct FigureRecord {
  long label = 0;
  std::vector<std::pair<float, float>> peaks;
};

// A work file as the processes write it: the header, one line per record, "end_of_file".
inline std::string FigureFile(double MaxdB, double MindB, int FrameRate, int LoopCount,
                              const std::vector<FigureRecord>& records,
                              const std::string& signalName = "/data/take1.wav") {
  std::string out;
  AppendWorkFileHeader(out, {MaxdB, MindB, FrameRate, LoopCount, signalName});
  for (const FigureRecord& record : records) {
    std::vector<float> frequencies;
    std::vector<float> levels;
    for (const auto& [f, l] : record.peaks) {
      frequencies.push_back(f);
      levels.push_back(l);
    }
    AppendPeakRecord(out, record.label, frequencies, levels);
  }
  out += "end_of_file";
  return out;
}

// N frame records labelled FrameRate, 2 FrameRate, ..., each holding `peaks`.
inline std::vector<FigureRecord> Frames(int FrameRate, int N,
                                        const std::vector<std::pair<float, float>>& peaks) {
  std::vector<FigureRecord> records;
  for (int k = 1; k <= N; ++k) records.push_back({long{FrameRate} * k, peaks});
  return records;
}

}  // namespace tonvale::testing
