#include "literal_combination.h"

#include <cstdlib>

#include "app/input_stream.h"
#include "work_files.h"

namespace tonvale::testing {
namespace {

// The cost as plain C computes it on floats: each difference truncated to an int.
float Cost(float f1, float l1, float f2, float l2) {
  return static_cast<float>(std::abs(static_cast<int>(f1 - f2)) +
                            std::abs(static_cast<int>(l1 - l2)));
}

WorkFileHeader ReadHeader(std::string_view bytes) {
  InputStream in(bytes);
  WorkFileHeader header = ReadWorkFileHeader(in);
  header.MaxdB = static_cast<float>(header.MaxdB);
  header.MindB = static_cast<float>(header.MindB);
  header.FrameRate = static_cast<uint16_t>(header.FrameRate);
  return header;
}

}  // namespace

LiteralLinking LiteralLinkPeaks(PeakTable& frames, int loopCount, int frameRate, std::string& out) {
  LiteralLinking result;
  const int c = frames.size();
  if (c < 2) return result;
  for (int i = 0; i <= c - 2; ++i) {
    if (frames.Count(i) > result.maxPeaksPerFrame) result.maxPeaksPerFrame = frames.Count(i);
    for (int v = 0; v < frames.Count(i); ++v) {
      float m = 1000;
      for (int q = 0; q < frames.Count(i + 1); ++q) {
        float cost = Cost(frames.Frequencies(i)[v], frames.Levels(i)[v],
                          frames.Frequencies(i + 1)[q], frames.Levels(i + 1)[q]);
        if (cost < m) m = cost;
      }
      if (!(m < 10 && i + 1 < c)) continue;
      std::vector<float> f, l;
      std::vector<int> frame, peak;
      int h = 0;
      int p = v;
      for (;;) {
        f.push_back(frames.Frequencies(i + h)[p]);
        l.push_back(frames.Levels(i + h)[p]);
        frame.push_back(i + h);
        peak.push_back(p);
        if (f[h] == 0 || i + h + 1 >= loopCount) break;
        float d = 1000;
        int next = 0;
        for (int q = 0; q < frames.Count(i + h + 1); ++q) {
          float cost =
              Cost(f[h], l[h], frames.Frequencies(i + h + 1)[q], frames.Levels(i + h + 1)[q]);
          if (cost < d) {
            d = cost;
            next = q;
          }
        }
        ++h;
        if (d > 10) break;
        p = next;
      }
      if (h > 0) {
        f.resize(h);
        l.resize(h);
        AppendPeakRecord(out, static_cast<int64_t>(frameRate) * i, f, l);
        for (int k = 0; k < h; ++k) {
          frames.Frequencies(frame[k])[peak[k]] = 0;
          frames.Levels(frame[k])[peak[k]] = 0;
        }
        ++result.lumpCount;
      }
    }
  }
  return result;
}

std::vector<int> LiteralJoinLumps(std::vector<Lump>& lumps, int frameRate, int shortestPeakTime) {
  std::vector<int> sweeps;
  const int n = static_cast<int>(lumps.size());
  int joins;
  do {
    joins = 0;
    for (int a = 0; a <= n - 2; ++a) {
      if (lumps[a].size() == 0) continue;
      for (int b = a + 1; b < n; ++b) {
        Lump& la = lumps[a];
        Lump& lb = lumps[b];
        int g = (lb.start - la.start) / frameRate - static_cast<int>(la.size());
        int s = g + 1;
        if (!(frameRate * s < shortestPeakTime && s >= 1 && lb.size() != 0)) continue;
        float cost = Cost(la.levels.back(), 0, lb.levels.front(), 0) +
                     Cost(la.frequencies.back(), 0, lb.frequencies.front(), 0);
        if (!(cost < 15)) continue;
        for (int k = 0; k < s; ++k) {
          float fp = la.frequencies.back();
          float lp = la.levels.back();
          la.frequencies.push_back(fp - k * (fp - lb.frequencies.front()) / s);
          la.levels.push_back(lp - k * (lp - lb.levels.front()) / s);
        }
        la.frequencies.insert(la.frequencies.end(), lb.frequencies.begin(), lb.frequencies.end());
        la.levels.insert(la.levels.end(), lb.levels.begin(), lb.levels.end());
        lb.frequencies.clear();
        lb.levels.clear();
        ++joins;
      }
    }
    sweeps.push_back(joins);
  } while (joins != 0);
  return sweeps;
}

std::string LiteralLumpFile(std::string_view peakFile, const Settings& settings) {
  const WorkFileHeader header = ReadHeader(peakFile);
  PeakTable frames;
  InputStream records(peakFile);
  ReadPeakFile(records, frames);
  std::string pass1;
  AppendWorkFileHeader(pass1, header);
  LiteralLinkPeaks(frames, header.LoopCount, header.FrameRate, pass1);
  pass1 += "end_of_file";
  if (settings.ProposedMethod2 != kSwitchOn) return WithCrLf(pass1);

  const WorkFileHeader again = ReadHeader(pass1);
  PeakTable lumpTable;
  InputStream lumpRecords(pass1);
  ReadPeakFile(lumpRecords, lumpTable);
  std::vector<Lump> lumps = LumpsOf(lumpTable);
  const int t = ((60000 / settings.Tempo) / settings.ShortestNote) * 4;
  LiteralJoinLumps(lumps, again.FrameRate, t);
  std::string pass2;
  AppendWorkFileHeader(pass2, again);
  const float threshold =
      (static_cast<float>(again.MaxdB) + static_cast<float>(again.MindB)) * 0.5f;
  for (const Lump& lump : lumps) {
    if (lump.size() == 0) continue;
    float loudest = -1000;
    for (float level : lump.levels) {
      if (level > loudest) loudest = level;
    }
    if (loudest >= threshold) AppendPeakRecord(pass2, lump.start, lump.frequencies, lump.levels);
  }
  pass2 += "end_of_file";
  return WithCrLf(pass2);
}

}  // namespace tonvale::testing
