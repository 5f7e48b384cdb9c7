#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "extraction/peak_extraction.h"
#include "extraction/proposed_method1.h"
#include "extraction_fixture.h"

namespace tonvale {
namespace {

using testing::ExtractionFolder;
using wavegen::Tone;
using wavegen::WaveFormat;

// A tone in noise: peaks in nearly every bin.
std::vector<double> Noise(double seconds, int rate, double level) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> sample(-level, level);
  std::vector<double> out = wavegen::Render({{523.25, 0.0, seconds, level, 3}}, seconds, rate);
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = std::clamp(out[i] + sample(random), -1.0, 1.0);
  }
  return out;
}

struct Case {
  const char* name;
  std::vector<double> signal;
  WaveFormat format;
  int frameRate, frameLength, virtualLength, levelFloor;
  const char* shift;
  unsigned threads;
};

// Proposed method 1 in the frame loop writes what the first pass followed by the pass over its
// file writes, and logs the same lines: for R of 0, of several frames and beyond the last frame
// (a megabyte of empty records),
// for no frame at all, and for megabytes of records that are written before the level range is
// known (the whole recording is one batch: the room made for the header is sized from the
// starting range, and the header turns out shorter).
TEST(PersistentPeakStreamTest, FrameLoopWritesWhatTheSecondPassWrites) {
  const std::vector<Tone> tones = {
      {440.0, 0.0, 3.0, 0.3, 4}, {659.3, 0.5, 2.0, 0.2, 3}, {1318.5, 1.0, 1.5, 0.2, 1}};
  const std::vector<Case> cases = {
      {"auto R",
       wavegen::Render(tones, 3.0, 44100),
       {44100, 2, 16},
       10,
       512,
       4096,
       10,
       "オート",
       2},
      {"R = 0", wavegen::Render(tones, 2.0, 11025), {11025, 1, 16}, 5, 512, 4096, 10, "0", 1},
      {"R = 20", wavegen::Render(tones, 3.0, 44100), {44100, 1, 16}, 10, 512, 4096, 10, "2200", 2},
      {"R = 6", wavegen::Render(tones, 2.0, 22050), {22050, 1, 8}, 10, 1024, 2048, 10, "660", 5},
      {"R past the end",
       wavegen::Render(tones, 0.5, 11025),
       {11025, 1, 16},
       10,
       512,
       4096,
       10,
       "100000",
       2},
      {"no frames", std::vector<double>(100, 0.1), {44100, 1, 16}, 10, 512, 4096, 10, "オート", 2},
      {"header moves", Noise(3.0, 11025, 0.002), {11025, 1, 16}, 1, 256, 1024, -40, "0", 2},
  };
  for (const Case& c : cases) {
    ExtractionFolder twoPass, fused;
    for (ExtractionFolder* folder : {&twoPass, &fused}) {
      Settings& s = folder->settings();
      s.FrameRate = static_cast<int16_t>(c.frameRate);
      s.FrameLength = static_cast<int16_t>(c.frameLength);
      s.VirtualLength = static_cast<int16_t>(c.virtualLength);
      s.WeakPowerCutDb = static_cast<int16_t>(c.levelFloor);
      s.AdjacentShift = c.shift;
      folder->session().analysisThreads = c.threads;
    }
    // One recording for both: its path is in the file and the log.
    const std::string path = twoPass.Put("take.wav", wavegen::EncodeWave({c.signal}, c.format));
    twoPass.settings().ProposedMethod1 = "なし";
    ASSERT_EQ(twoPass.Run(path), 0) << c.name;
    ASSERT_EQ(ProposedMethod1Pass(twoPass.session()), 0) << c.name;
    ASSERT_EQ(fused.Run(path), 0) << c.name;

    const std::string expected = twoPass.PeakFile();
    EXPECT_TRUE(fused.PeakFile() == expected) << c.name;
    std::vector<std::string> log = twoPass.log();
    log.erase(std::find(log.begin(), log.end(), "OK!"));
    EXPECT_EQ(fused.log(), log) << c.name;
    if (c.levelFloor < 0) {
      EXPECT_GT(expected.size(), 2u << 20) << c.name;
    }
  }
}

}  // namespace
}  // namespace tonvale
