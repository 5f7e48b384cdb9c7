// The refined method's short windows: their work file, and the onsets and partial rises read
// from them.
#include "recognition/refined_onsets.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "extraction/short_spectra.h"
#include "recognition/refined_pitch.h"
#include "support/temp_dir.h"

namespace tonvale {
namespace {

constexpr double kRate = 22050.0;
constexpr int kWindow = 512, kBins = 120, kFrames = 120;

// Levels that flutter by up to 3 dB around 40 dB in every bin, as a sound going on does, with
// the first partials of `note` raised by 20 dB from each frame of `starts` on for 20 frames.
ShortSpectra Flutter(std::vector<int64_t> starts, int note) {
  ShortSpectra s{kRate, 10, kWindow, kBins, {}};
  std::mt19937 random(7);
  std::uniform_int_distribution<int> flutter(-3, 3);
  for (int64_t t = 0; t < kFrames; ++t) {
    for (int k = 0; k < kBins; ++k) s.levels.push_back(static_cast<uint8_t>(40 + flutter(random)));
  }
  for (int64_t start : starts) {
    for (int64_t t = start; t < start + 20; ++t) {
      for (int h = 1; h <= 4; ++h) {
        const auto k = static_cast<int64_t>(std::lround(h * NoteFrequency(note) / s.binHz()));
        for (int64_t j = k - 1; j <= k + 1; ++j) s.levels[t * kBins + j] = 60;
      }
    }
  }
  return s;
}

TEST(RefinedOnsetsTest, OnsetsAreTheAttacksAndNotTheFlutterAroundThem) {
  EXPECT_EQ(DetectOnsets(Flutter({}, 60)), std::vector<int64_t>{});
  EXPECT_EQ(DetectOnsets(Flutter({30, 80}, 60)), (std::vector<int64_t>{30, 80}));
  const ShortSpectra s = Flutter({30}, 48);
  const PartialEnergy energy(s);
  EXPECT_GT(energy.RiseAt(48, 30), 10.0);
  EXPECT_LT(energy.RiseAt(48, 40), 6.0);  // the note going on
  EXPECT_LT(energy.RiseAt(95, 30), 6.0);  // a note whose first partials lie far above
}

TEST(ShortSpectraTest, ReadBackOnlyForTheirRecordingAndFrameShift) {
  testing::TempDir dir;
  const std::string path = dir.File(kShortSpectraFileName);
  const ShortSpectra written = Flutter({5}, 60);
  ShortSpectraWriter writer;
  ASSERT_TRUE(writer.Open(path, "/music/take.wav", kRate, 10, kWindow, kBins, kFrames));
  for (int64_t t = 0; t < kFrames; ++t) writer.Write(written.Frame(t));
  ASSERT_TRUE(writer.Commit());
  ShortSpectra read;
  ASSERT_TRUE(ReadShortSpectra(path, "/music/take.wav", 10, read));
  EXPECT_EQ(read.levels, written.levels);
  EXPECT_EQ(read.frames(), kFrames);
  EXPECT_FALSE(ReadShortSpectra(path, "/music/other.wav", 10, read));
  EXPECT_FALSE(ReadShortSpectra(path, "/music/take.wav", 20, read));
  EXPECT_TRUE(read.levels.empty());
  // A file cut inside a frame keeps the whole frames before the cut.
  const std::string bytes = testing::ReadFile(path);
  testing::WriteFile(path, bytes.substr(0, bytes.size() - kBins - 7));
  ASSERT_TRUE(ReadShortSpectra(path, "/music/take.wav", 10, read));
  EXPECT_EQ(read.frames(), kFrames - 2);
  testing::WriteFile(path, "ShortSpectra 1\n/music/take.wav\n");
  EXPECT_FALSE(ReadShortSpectra(path, "/music/take.wav", 10, read));
}

}  // namespace
}  // namespace tonvale
