#include "extraction/proposed_method1.h"

#include <algorithm>
#include <climits>
#include <new>
#include <string>
#include <vector>

#include "app/numbers.h"
#include "app/output_file.h"
#include "dsp/pitch.h"
#include "extraction/work_file.h"

namespace tonvale {
namespace {

// Semitone numbers lie within +-328 (16-bit cents / 100); this one stands for "none".
constexpr int16_t kNoSemitone = INT16_MIN;
constexpr size_t kFlushBytes = 1 << 16;

}  // namespace

int AdjacentShiftFrames(std::string_view adjacentShift, int frameLength, int frameRate) {
  if (frameRate <= 0) return 0;
  const int64_t f = frameRate;
  int64_t r;
  if (adjacentShift == kAutomaticShift) {
    r = (frameLength - 11 * f) / (11 * f);
  } else {
    const int64_t v = ClampToInt32(LeadingInteger(adjacentShift));
    r = (v / 11) / f;
  }
  return r < 0 ? 0 : static_cast<int>(r);
}

void WritePersistentPeaks(const WorkFileHeader& header, const PeakTable& table, int shift,
                          const std::function<void(std::string_view)>& write,
                          RunProgress* progress) {
  std::string out;
  AppendWorkFileHeader(out, header);
  const int64_t frameRate = header.FrameRate;
  for (int64_t j = 1; j <= shift; ++j) {
    AppendInteger(out, j * frameRate);
    out += ": end\n";
    if (out.size() >= kFlushBytes) write(out), out.clear();
  }

  // Every peak's semitone, worked out once; the peaks of a frame are then looked up by semitone
  // instead of being compared with every peak of the other frame.
  const int records = table.size();
  std::vector<int16_t> semitones;
  std::vector<size_t> firstPeak(static_cast<size_t>(records) + 1, 0);
  for (int r = 0; r < records; ++r) {
    firstPeak[static_cast<size_t>(r) + 1] =
        firstPeak[static_cast<size_t>(r)] + static_cast<size_t>(table.Count(r));
  }
  semitones.reserve(firstPeak.back());
  for (int r = 0; r < records; ++r) {
    for (float f : table.Frequencies(r)) {
      PitchAboveC1 pitch;
      semitones.push_back(PitchOf(f, pitch) ? pitch.semitone : kNoSemitone);
    }
  }

  // Peaks of the later frame grouped by semitone: order[] lists peak indices, semitone by
  // semitone, and start[] says where each semitone's run begins.
  constexpr int kLowest = -400, kSpan = 800;
  std::vector<int> start(kSpan + 1), next(kSpan), order;
  const int64_t loops = static_cast<int64_t>(header.LoopCount) - shift;
  for (int64_t i = 0; i < loops; ++i) {
    AppendInteger(out, (i + shift + 1) * frameRate);
    out += ": ";
    const int a = static_cast<int>(i), b = static_cast<int>(i + shift);
    const auto freqA = table.Frequencies(a);
    const auto levelA = table.Levels(a);
    const auto levelB = table.Levels(b);
    if (!freqA.empty() && !levelB.empty()) {
      const int16_t* semiA = semitones.data() + firstPeak[static_cast<size_t>(a)];
      const int16_t* semiB = semitones.data() + firstPeak[static_cast<size_t>(b)];
      std::fill(start.begin(), start.end(), 0);
      for (size_t q = 0; q < levelB.size(); ++q) {
        if (semiB[q] != kNoSemitone) ++start[static_cast<size_t>(semiB[q] - kLowest + 1)];
      }
      for (int s = 0; s < kSpan; ++s)
        start[static_cast<size_t>(s) + 1] += start[static_cast<size_t>(s)];
      order.resize(static_cast<size_t>(start[kSpan]));
      std::copy(start.begin(), start.end() - 1, next.begin());
      for (size_t q = 0; q < levelB.size(); ++q) {
        if (semiB[q] != kNoSemitone) {
          order[static_cast<size_t>(next[static_cast<size_t>(semiB[q] - kLowest)]++)] =
              static_cast<int>(q);
        }
      }
      for (size_t p = 0; p < freqA.size(); ++p) {
        if (semiA[p] == kNoSemitone) continue;
        const size_t s = static_cast<size_t>(semiA[p] - kLowest);
        for (int o = start[s]; o < start[s + 1]; ++o) {
          // The gap in whole decibels, truncated toward zero, is below 10.
          const float gap = levelA[p] - levelB[static_cast<size_t>(order[static_cast<size_t>(o)])];
          if (gap < 10.0f && gap > -10.0f) {
            AppendFixed(out, freqA[p], 2);
            out += ' ';
            AppendFixed(out, levelA[p], 2);
            out += ' ';
          }
        }
      }
    }
    out += "end\n";
    if (out.size() >= kFlushBytes) write(out), out.clear();
    if (progress != nullptr) progress->Advance(i + 1, loops);
  }
  out += "end_of_file";
  write(out);
}

int ProposedMethod1Pass(Session& session) {
  const std::string path = session.WorkPath(kPeakFileName);
  WorkFile input;
  ReadFailure failure;
  try {
    if (!ReadWorkFile(path, input, failure)) {
      // A failed read leaves the file that would have been rewritten as the first pass left it.
      session.log.AppendLog(failure.opened ? CannotReadLine(kPeakFileName, failure.reason)
                                           : "err: cannot open! PeakExtract.txt");
      return 1;
    }
  } catch (const std::bad_alloc&) {
    session.log.AppendLog("err: 記憶領域が不足しています．");
    return 1;
  }
  const WorkFileHeader& header = input.header;
  const PeakTable& table = input.records;
  OutputFile file;
  if (!file.Open(path, OutputFile::Mode::kText)) {
    session.log.AppendLog("cannot open! PeakExtraction.txt");
    return 1;
  }
  const int shift = AdjacentShiftFrames(session.settings.AdjacentShift,
                                        session.settings.FrameLength, header.FrameRate);
  try {
    WritePersistentPeaks(
        header, table, shift, [&](std::string_view text) { file.Write(text); }, &session.progress);
  } catch (const std::bad_alloc&) {
    session.log.AppendLog("err: 記憶領域が不足しています．");
    return 1;
  }
  if (!file.Commit()) {
    session.log.AppendLog("cannot open! PeakExtraction.txt");
    return 1;
  }
  session.log.AppendLog("");
  session.log.AppendLog("..Extracted peaks using proposed method 1");
  session.log.AppendLog("..Complete!");
  return 0;
}

}  // namespace tonvale
