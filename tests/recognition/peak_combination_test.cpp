#include "recognition/peak_combination.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "app/settings.h"
#include "literal_combination.h"
#include "recognition/lump_joining.h"
#include "support/temp_dir.h"
#include "work_files.h"

namespace tonvale {
namespace {

using testing::Peaks;
using testing::RecordLines;
using testing::WorkFileShape;
using testing::WorkFileText;

class PeakCombinationTest : public ::testing::Test {
 protected:
  PeakCombinationTest() : session_(dir_.path()) { session_.settings = DefaultSettings(); }

  void WritePeakFile(const std::vector<Peaks>& frames, const WorkFileShape& shape = {}) {
    testing::WriteFile(dir_.File("PeakExtraction.txt"), WorkFileText(frames, shape));
  }
  std::string LumpFile() { return testing::ReadFile(dir_.File("PeakCombination.txt")); }
  std::vector<std::string> Lumps() { return RecordLines(LumpFile()); }
  void FirstPassOnly() { session_.settings.ProposedMethod2 = "なし"; }

  testing::TempDir dir_;
  Session session_;
};

TEST_F(PeakCombinationTest, FewerThanTwoFramesGiveTheHeaderAndNoLump) {
  FirstPassOnly();
  WritePeakFile({{{440.0f, 50.0f}}}, {.maxdB = 71.36, .mindB = 35.02});
  ASSERT_EQ(PeakCombination(session_), 0);
  EXPECT_EQ(LumpFile(),
            "MaxdB: 71.36 MindB: 35.02  \r\nFrameRate: 10 LoopCount: 1\r\n"
            "/music/take.wav\r\n" +
                std::string(177, '-') + "\r\nend_of_file");
  const std::vector<std::string> expected = {
      "..Combine peaks by the cost minimum",
      "",
      "..Argument",
      "Tempo         is \"120\".",
      "ShortestNote is \"64\".",
      "",
      "..Calculated values",
      "Time of the shortest peak is 28 [msec], \n",
      "when musical audio signal is \"/music/take.wav\". \n",
      "",
      "      The number of the maximum peaks per frame     = 0",
      "      The number of the lumps which connected peaks = 0\n",
      "",
      "..Connected peaks using peak clustering",
      "OK!",
  };
  EXPECT_EQ(session_.log.Lines(), expected);
}

TEST_F(PeakCombinationTest, EqualCostsContinueWithTheLowerIndex) {
  FirstPassOnly();
  // From 440 Hz, 443 and 437 Hz cost 3 each; the first listed wins, whatever its frequency.
  WritePeakFile({{{440, 50}},
                 {{443, 50}, {437, 50}},
                 {{300, 50}},
                 {{440, 50}},
                 {{437, 50}, {443, 50}},
                 {{300, 50}}});
  ASSERT_EQ(PeakCombination(session_), 0);
  EXPECT_EQ(Lumps(), (std::vector<std::string>{"0: 440.00 50.00 443.00 50.00 end",
                                               "30: 440.00 50.00 437.00 50.00 end"}));
}

TEST_F(PeakCombinationTest, ACostOfTenGoesOnWithALumpButDoesNotStartOne) {
  FirstPassOnly();
  WritePeakFile({
      {{440, 50}, {11.03f, 50}},  // 450 Hz and 1.03 Hz both cost exactly 10: no start
      {{450, 50}, {1.03f, 50}},
      {},
      {{440, 50}},  // cost 1, then 10 up and 10 down (10.9 Hz apart), then 11: ends
      {{441, 50}},
      {{451.9f, 50}},
      {{441, 50}},
      {{430, 50}},
      {},
  });
  ASSERT_EQ(PeakCombination(session_), 0);
  EXPECT_EQ(
      Lumps(),
      (std::vector<std::string>{"30: 440.00 50.00 441.00 50.00 451.90 50.00 441.00 50.00 end"}));
  EXPECT_EQ(session_.log.Lines()[10], "      The number of the maximum peaks per frame     = 2");
}

TEST_F(PeakCombinationTest, AnEmptyFrameAndTheLastFrameEndEveryLump) {
  FirstPassOnly();
  WritePeakFile({
      {{440, 50}, {880, 40}},
      {{441, 50}, {881, 40}},
      {},
      {{442, 50}, {882, 40}},
      {{443, 50}, {883, 40}},
      {{444, 50}, {884, 40}},  // the last frame never joins a lump
  });
  ASSERT_EQ(PeakCombination(session_), 0);
  EXPECT_EQ(Lumps(), (std::vector<std::string>{
                         "0: 440.00 50.00 441.00 50.00 end",
                         "0: 880.00 40.00 881.00 40.00 end",
                         "30: 442.00 50.00 443.00 50.00 end",
                         "30: 882.00 40.00 883.00 40.00 end",
                     }));
  EXPECT_EQ(session_.log.Lines()[11], "      The number of the lumps which connected peaks = 4\n");
}

TEST_F(PeakCombinationTest, ALumpStartingInTheFrameBeforeTheLastHoldsOnePeak) {
  FirstPassOnly();
  // LoopCount 3 although four records follow: the header decides where lumps end.
  WritePeakFile({{}, {{440, 50}}, {{441, 50}}, {{442, 50}}}, {.loopCount = 3});
  ASSERT_EQ(PeakCombination(session_), 0);
  EXPECT_EQ(Lumps(), (std::vector<std::string>{"10: 440.00 50.00 end"}));
}

TEST_F(PeakCombinationTest, ATakenPeakStartsNoOtherLump) {
  FirstPassOnly();
  // 440 -> 441 -> 442 is one lump; 441 Hz of frame 1 is then taken, so 445 Hz of frame 1
  // starts its own lump with what is left in frame 2.
  WritePeakFile({{{440, 50}}, {{441, 50}, {445, 50}}, {{442, 50}, {446, 50}}, {}});
  ASSERT_EQ(PeakCombination(session_), 0);
  EXPECT_EQ(Lumps(), (std::vector<std::string>{"0: 440.00 50.00 441.00 50.00 442.00 50.00 end",
                                               "10: 445.00 50.00 446.00 50.00 end"}));
}

TEST_F(PeakCombinationTest, JoinsLumpsAcrossOneMissingFrameWithTwoBridgingPoints) {
  // Lump a ends at (440 Hz, 50 dB) in frame 1; b starts in frame 3, one frame missing.
  auto run = [&](float frequency, float level, int missing) {
    std::vector<Peaks> frames = {{{438, 50}}, {{440, 50}}};
    frames.resize(2 + static_cast<size_t>(missing));
    frames.push_back({{frequency, level}});
    frames.push_back({{frequency + 1, level}});
    frames.push_back({});
    WritePeakFile(frames);
    session_.log.ClearLog();
    EXPECT_EQ(PeakCombination(session_), 0);
    return Lumps();
  };
  EXPECT_EQ(run(445, 53, 1),
            (std::vector<std::string>{"0: 438.00 50.00 440.00 50.00 440.00 50.00 442.50 51.50 "
                                      "445.00 53.00 446.00 53.00 end"}));
  const std::vector<std::string> tail = {"..Under proccecing",
                                         "",
                                         "      Amended 1 times",
                                         "",
                                         "      Amended 0 times",
                                         "",
                                         "",
                                         "..Carried out peak clustering using proposed method 2",
                                         "..Complete!"};
  const auto& lines = session_.log.Lines();
  ASSERT_GE(lines.size(), tail.size());
  EXPECT_EQ(std::vector<std::string>(lines.end() - static_cast<long>(tail.size()), lines.end()),
            tail);
  // 10 Hz + 10 dB apart is too far.
  EXPECT_EQ(run(450, 60, 1), (std::vector<std::string>{"0: 438.00 50.00 440.00 50.00 end",
                                                       "30: 450.00 60.00 451.00 60.00 end"}));
  // Two missing frames need three points: 30 ms is not below the shortest peak time of 28 ms.
  EXPECT_EQ(run(445, 53, 2), (std::vector<std::string>{"0: 438.00 50.00 440.00 50.00 end",
                                                       "40: 445.00 53.00 446.00 53.00 end"}));
}

TEST_F(PeakCombinationTest, TheJoiningPassReadsLumpsInAnyOrder) {
  // Lumps in start order are joined as they are read; one out of order, met after lumps have
  // been joined and written, makes the pass start again over the whole file.
  const testing::Peaks tone = {{440, 50}};
  const std::string joined = "0: 440.00 50.00 440.00 50.00 440.00 50.00 440.00 50.00 end";
  std::vector<testing::LabelledPeaks> lumps = {{0, tone}, {20, tone}, {100, tone}, {300, tone}};
  std::vector<std::string> expected = {joined, "100: 440.00 50.00 end", "300: 440.00 50.00 end"};
  for (int round = 0; round < 2; ++round) {
    testing::WriteFile(dir_.File("PeakCombination.txt"), testing::LumpFileText(lumps));
    session_.log.ClearLog();
    ASSERT_EQ(JoinLumpFile(session_, 28), 0);
    EXPECT_EQ(Lumps(), expected) << "round " << round;
    EXPECT_EQ(session_.log.Lines(),
              (std::vector<std::string>{"..Under proccecing", "", "      Amended 1 times", "",
                                        "      Amended 0 times", ""}));
    lumps.push_back({250, tone});
    expected.push_back("250: 440.00 50.00 end");
  }
}

TEST_F(PeakCombinationTest, TheSecondPassDropsQuietLumpsEvenWithoutAJoin) {
  // Half way between MaxdB 60 and MindB 10 is 35 dB.
  const std::vector<Peaks> frames = {
      {{440, 50}, {1000, 34.99f}, {2000, 35}}, {{441, 50}, {1001, 34}, {2001, 30}}, {}};
  WritePeakFile(frames);
  ASSERT_EQ(PeakCombination(session_), 0);
  EXPECT_EQ(Lumps(), (std::vector<std::string>{"0: 440.00 50.00 441.00 50.00 end",
                                               "0: 2000.00 35.00 2001.00 30.00 end"}));
  FirstPassOnly();
  ASSERT_EQ(PeakCombination(session_), 0);
  EXPECT_EQ(Lumps().size(), 3u);
}

// Peak file text with numbers that do not survive being written with two decimals unchanged:
// ties, long fractions, values beyond a float, huge frequencies; a gap at frames 5 and 6 for
// joins and a quiet partial below the loudness threshold. `silent` frames come first.
std::string UnroundedPeakFile(const std::string& header, int silent, int frames) {
  std::string text = header + std::string(177, '-') + "\r\n";
  char peak[96];
  for (int i = 0; i < silent + frames; ++i) {
    text += std::to_string(i) + ": ";
    const int k = i - silent;
    if (k >= 0) {
      if (k != 5 && k != 6) {
        std::snprintf(peak, sizeof peak, "%.3f %.3f ", 440 + 0.37 * k, 60.005 - 0.011 * k);
        text += peak;
      }
      std::snprintf(peak, sizeof peak, "-0.004 -0.001 %.3f 65.125 1e20 70.5 3.5e38 1e39 ",
                    123456789.987 + 0.5 * k);
      text += peak;
      std::snprintf(peak, sizeof peak, "%.4f 5.125 0.125 0.135 ", 880.5555 + k);
      text += peak;
    }
    text += "end\r\n";
  }
  return text + "end_of_file";
}

TEST_F(PeakCombinationTest, JoiningAsLumpsAreMadeGivesWhatJoiningTheWrittenFileGives) {
  struct Case {
    std::string header;
    int silent, frames;
  };
  const std::vector<Case> cases = {
      {"MaxdB: 70.005 MindB: 0.015  \r\nFrameRate: 10 LoopCount: 40\r\n/m/a.wav\r\n", 0, 40},
      // A level beyond a float is written as "inf", which reads back as 0; a name that ends in
      // CR keeps it through CR LF.
      {"MaxdB: 1e39 MindB: -5  \r\nFrameRate: 10 LoopCount: 40\r\n/m/b.wav\r\r\n", 0, 40},
      // Start times past the 32-bit range read back clamped, all equal.
      {"MaxdB: 66.6666 MindB: 1.2345  \r\nFrameRate: 65535 LoopCount: 32780\r\nc\r\n", 32760, 20},
  };
  session_.settings.ShortestNote = 16;  // bridges of up to 12 frames of 10 ms
  const int shortest = ShortestPeakTime(session_.settings.Tempo, 16);
  for (const Case& c : cases) {
    testing::WriteFile(dir_.File("PeakExtraction.txt"),
                       UnroundedPeakFile(c.header, c.silent, c.frames));
    session_.log.ClearLog();
    FirstPassOnly();
    ASSERT_EQ(PeakCombination(session_), 0);
    ASSERT_EQ(JoinLumpFile(session_, shortest), 0);
    const std::string expected = LumpFile();
    std::vector<std::string> expectedLog = session_.log.Lines();
    std::erase(expectedLog, "OK!");
    for (const char* line :
         {"", "..Carried out peak clustering using proposed method 2", "..Complete!"}) {
      expectedLog.push_back(line);
    }
    session_.settings.ProposedMethod2 = "あり";
    // Read, linked and written on one thread, and on three.
    for (unsigned threads : {1u, 2u}) {
      session_.log.ClearLog();
      session_.analysisThreads = threads;
      ASSERT_EQ(PeakCombination(session_), 0);
      EXPECT_EQ(LumpFile(), expected) << c.header << threads;
      EXPECT_EQ(session_.log.Lines(), expectedLog) << c.header << threads;
    }
  }
}

TEST_F(PeakCombinationTest, FailsWithoutAPeakFileOrWithoutAFrameShift) {
  ASSERT_EQ(PeakCombination(session_), 1);
  EXPECT_EQ(session_.log.Lines().back(), "err: cannot open! PeakExtract.txt");
  EXPECT_FALSE(testing::FileExists(dir_.File("PeakCombination.txt")));

  WritePeakFile({{{440, 50}}, {{441, 50}}, {}}, {.frameRate = 0});
  ASSERT_EQ(PeakCombination(session_), 1);
  EXPECT_EQ(session_.log.Lines().back(), "err: FrameRate is 0 in PeakExtraction.txt!");
  EXPECT_FALSE(testing::FileExists(dir_.File("PeakCombination.txt")));
  // Only the low 16 bits of the frame shift count: 65536 is 0 as well.
  WritePeakFile({{{440, 50}}, {{441, 50}}, {}}, {.frameRate = 65536});
  EXPECT_EQ(PeakCombination(session_), 1);
}

TEST_F(PeakCombinationTest, AFileThatCannotBeReplacedIsReportedAndLeftAlone) {
  WritePeakFile({{{440, 50}}, {{441, 50}}, {}});
  ASSERT_EQ(mkdir(dir_.File("PeakCombination.txt").c_str(), 0700), 0);
  EXPECT_EQ(PeakCombination(session_), 1);
  EXPECT_EQ(session_.log.Lines().back(), "err: cannot open! PeakCombination.txt");
}

// Frames of a recording: partials that drift slowly, come and go, sometimes share a
// frequency; noise peaks; a few peaks near 0 Hz, where taken peaks sit. `crowded` squeezes
// everything into whole numbers near 0 Hz and 0 dB, so that equal costs, costs of exactly 10
// and taken peaks are met all the time.
std::vector<Peaks> RandomFrames(std::mt19937& random, int frames, bool crowded) {
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  auto centi = [&](float x) {
    return crowded ? std::round(x / 30.0f) : std::round(x * 100.0f) / 100.0f;
  };
  struct Partial {
    float frequency, level;
  };
  std::vector<Partial> partials;
  std::vector<Peaks> out;
  for (int i = 0; i < frames; ++i) {
    if (unit(random) < 0.4f) partials.push_back({20 + 2000 * unit(random), 20 + 40 * unit(random)});
    Peaks peaks;
    for (Partial& p : partials) {
      p.frequency += 6 * (unit(random) - 0.5f);
      p.level += 8 * (unit(random) - 0.5f);
      if (unit(random) < 0.85f) peaks.push_back({centi(p.frequency), centi(p.level)});
      if (unit(random) < 0.1f) peaks.push_back({centi(p.frequency + 3), centi(p.level)});
    }
    const int noise = static_cast<int>(unit(random) * 6);
    for (int k = 0; k < noise; ++k) {
      peaks.push_back({centi(2500 * unit(random)), centi(10 + 50 * unit(random))});
    }
    if (unit(random) < 0.1f) peaks.push_back({centi(15 * unit(random)), centi(5 * unit(random))});
    if (unit(random) < 0.3f) std::shuffle(peaks.begin(), peaks.end(), random);
    std::erase_if(partials, [&](const Partial&) { return unit(random) < 0.05f; });
    out.push_back(peaks);
  }
  return out;
}

TEST_F(PeakCombinationTest, WritesTheSameBytesAsTheStraightforwardPasses) {
  std::mt19937 random(2024);
  size_t lumps = 0, joinedSweeps = 0;
  for (int round = 0; round < 40; ++round) {
    const int frames = 2 + static_cast<int>(random() % 150);
    WorkFileShape shape;
    shape.frameRate = round % 5 == 0 ? 7 : 10;
    shape.loopCount = round % 4 == 0 ? frames - static_cast<int>(random() % 3) : frames;
    shape.maxdB = 70.1 + (round % 3);
    shape.mindB = 0.5 * (round % 7);
    const std::string file = WorkFileText(RandomFrames(random, frames, round % 3 == 1), shape);
    testing::WriteFile(dir_.File("PeakExtraction.txt"), file);
    session_.settings.ProposedMethod2 = round % 2 == 0 ? "あり" : "なし";
    session_.settings.ShortestNote = round % 3 == 0 ? 16 : 64;  // longer bridges, more joins
    ASSERT_EQ(PeakCombination(session_), 0);
    ASSERT_EQ(LumpFile(), testing::LiteralLumpFile(file, session_.settings)) << "round " << round;
    lumps += Lumps().size();
    for (const std::string& line : session_.log.Lines()) {
      if (line.starts_with("      Amended ") && line != "      Amended 0 times") ++joinedSweeps;
    }
  }
  // The inputs exercise both passes.
  EXPECT_GT(lumps, 400u);
  EXPECT_GT(joinedSweeps, 10u);
}

TEST(LumpJoiningTest, JoinsAsTheFullComparisonDoesInAnyStartOrder) {
  std::mt19937 random(99);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  for (int round = 0; round < 60; ++round) {
    std::vector<Lump> lumps;
    int start = 0;
    for (int i = 0; i < 80; ++i) {
      Lump lump;
      // Mostly in start order, as the first pass writes them; some rounds shuffled.
      start += 10 * static_cast<int>(random() % 4);
      lump.start = start;
      const int points = 1 + static_cast<int>(random() % 5);
      float f = 400 + 30 * unit(random), l = 40 + 10 * unit(random);
      for (int k = 0; k < points; ++k) {
        lump.frequencies.push_back(f += 4 * (unit(random) - 0.5f));
        lump.levels.push_back(l += 4 * (unit(random) - 0.5f));
      }
      lumps.push_back(lump);
    }
    if (round % 4 == 3) std::shuffle(lumps.begin(), lumps.end(), random);
    std::vector<Lump> expected = lumps;
    const int shortest = round % 2 == 0 ? 28 : 61;
    const std::vector<int> expectedSweeps = testing::LiteralJoinLumps(expected, 10, shortest);
    std::vector<int> sweeps;
    JoinLumps(lumps, 10, shortest, [&](int joins) { sweeps.push_back(joins); });
    ASSERT_EQ(sweeps, expectedSweeps) << "round " << round;
    for (size_t i = 0; i < lumps.size(); ++i) {
      ASSERT_EQ(lumps[i].frequencies, expected[i].frequencies) << "round " << round;
      ASSERT_EQ(lumps[i].levels, expected[i].levels) << "round " << round;
    }
  }
}

}  // namespace
}  // namespace tonvale
