// Process 1 against its literal form: the same recordings through the straightforward
// transforms, every bin's level and every pair of peaks must give the same files.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/numbers.h"
#include "dsp/double_array.h"
#include "extraction/proposed_method1.h"
#include "extraction/wave_header_report.h"
#include "extraction/wave_samples.h"
#include "extraction/work_file.h"
#include "extraction_fixture.h"
#include "support/literal_kit.h"
#include "support/whole_signal.h"

namespace tonvale {
namespace {

using testing::ExtractionFolder;
using testing::WithoutCr;
using wavegen::Tone;
using wavegen::WaveFormat;

// The peak file of the literal chain for a recording whose header report the fast run has
// just written: samples read and folded as process 1 reads them, then literal down-sampling
// and the literal frame loop.
std::string LiteralPeakFile(ExtractionFolder& folder, const std::string& wavePath) {
  MessageLog log;
  WaveFmt_Data format;
  Session& session = folder.session();
  InputStream report = InputStream::OpenFile(session.WorkPath(kWaveHeaderReportName));
  EXPECT_EQ(ParseWaveHeaderReport(report, log, format), 0);
  std::vector<int16_t> samples;
  int64_t bytes = 0;
  EXPECT_EQ(ReadWaveSamples(log, wavePath, format, samples, bytes), 0);
  int32_t dataRate = format.dataRate();
  int64_t monoBytes = bytes;
  if (format.channels() == 2) monoBytes = FoldStereo(log, samples, bytes, dataRate);
  samples.resize(static_cast<size_t>(monoBytes / format.bitsPerSample() * 8));
  std::vector<double> signal;
  if (format.samplingRate() > 11025) {
    signal = literal::DownSample(samples, format.samplingRate(), 11025.0);
  } else {
    signal.assign(samples.begin(), samples.end());
  }
  const Settings& s = session.settings;
  const auto loopCount =
      static_cast<int64_t>(static_cast<double>(monoBytes) / dataRate / s.FrameRate * 1000.0);
  const literal::FrameLoopResult frames = literal::FrameLoop(signal, s, loopCount);
  std::string first = Format("MaxdB: %0.2f MindB: %0.2f", frames.MaxdB, frames.MindB);
  first.resize(71, ' ');
  return first + "\n" +
         Format("FrameRate: %d LoopCount: %lld\n", s.FrameRate, static_cast<long long>(loopCount)) +
         wavePath + "\n" + std::string(177, '-') + "\n" + frames.records + "end_of_file";
}

// Runs process 1 without and then with proposed method 1 and holds both files against the
// literal chain.
void ExpectSameAsLiteral(ExtractionFolder& folder, const std::string& wavePath) {
  folder.settings().ProposedMethod1 = "なし";
  ASSERT_EQ(folder.Run(wavePath), 0) << wavePath;
  const std::string fast = WithoutCr(folder.PeakFile());
  const std::string slow = LiteralPeakFile(folder, wavePath);
  ASSERT_EQ(fast.size(), slow.size()) << wavePath;
  EXPECT_TRUE(fast == slow) << wavePath;
  folder.settings().ProposedMethod1 = kSwitchOn;
  ASSERT_EQ(folder.Run(wavePath), 0) << wavePath;
  EXPECT_TRUE(WithoutCr(folder.PeakFile()) == literal::ProposedMethod1(slow, folder.settings()))
      << wavePath;
}

std::vector<Tone> Melody(unsigned seed, double seconds) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> note(45, 84);
  std::vector<Tone> tones;
  for (double t = 0; t < seconds; t += 0.25) {
    tones.push_back({wavegen::MidiNoteFrequency(note(random)), t, 0.4, 0.3, 6});
  }
  return tones;
}

TEST(LiteralComparisonTest, GeneratedRecordingsGiveIdenticalFiles) {
  struct Case {
    WaveFormat format;
    double seconds;
  };
  const Case cases[] = {
      {{44100, 2, 16}, 2.0}, {{22050, 1, 8}, 1.5}, {{48000, 1, 16}, 1.0}, {{11025, 1, 16}, 2.0}};
  unsigned seed = 1;
  for (const Case& c : cases) {
    ExtractionFolder folder;
    const std::string path =
        folder.PutTones("take.wav", Melody(seed++, c.seconds), c.seconds, c.format);
    ExpectSameAsLiteral(folder, path);
  }
}

TEST(LiteralComparisonTest, EveryWindowAndOtherFrameSettingsGiveIdenticalFiles) {
  const char* windows[] = {"ブラックマン窓", "ハニング窓", "方形窓", "三角窓", "なし"};
  for (const char* window : windows) {
    ExtractionFolder folder;
    folder.settings().Window = window;
    folder.settings().WeakPowerCutDb = -20;
    const std::string path =
        folder.PutTones("take.wav", Melody(9, 0.5), 0.5, WaveFormat{11025, 1, 16});
    ExpectSameAsLiteral(folder, path);
  }
  ExtractionFolder folder;
  folder.settings().FrameRate = 7;
  folder.settings().FrameLength = 300;
  folder.settings().VirtualLength = 1024;
  folder.settings().AdjacentShift = "200";
  const std::string path =
      folder.PutTones("take.wav", Melody(10, 1.0), 1.0, WaveFormat{32000, 1, 16});
  ExpectSameAsLiteral(folder, path);
}

TEST(LiteralComparisonTest, CorpusRecordingsGiveIdenticalFiles) {
  const std::string corpus = testing::CorpusFolder();
  if (corpus.empty()) GTEST_SKIP() << "no sample recordings beside the project";
  int compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    const std::string path = entry.path().string();
    if (entry.path().extension() != ".wav" || path.find("_8k") != std::string::npos) continue;
    ExtractionFolder folder;
    ExpectSameAsLiteral(folder, path);
    ++compared;
  }
  EXPECT_GT(compared, 0);
}

// Random peak files, with many peaks sharing semitones and levels near the 10 dB gap, through
// the grouped search and through the all-pairs comparison.
TEST(LiteralComparisonTest, ProposedMethod1MatchesAllPairsOnRandomPeakFiles) {
  std::mt19937 random(21);
  std::uniform_int_distribution<int> semitone(0, 60), count(0, 40), cents(-60, 60), shift(0, 4);
  std::uniform_real_distribution<float> level(-5.0f, 80.0f);
  for (int trial = 0; trial < 40; ++trial) {
    Settings settings = DefaultSettings();
    settings.AdjacentShift = trial % 3 == 0 ? "オート" : std::to_string(shift(random) * 110);
    const int frames = 30;
    std::vector<std::string> records;
    std::string text = "MaxdB: 70.00 MindB: 10.00" + std::string(46, ' ') +
                       "\nFrameRate: 10 LoopCount: " + std::to_string(frames + trial % 4) +
                       "\n/x.wav\n" + std::string(177, '-') + "\n";
    for (int i = 0; i < frames; ++i) {
      text += std::to_string(10 * (i + 1)) + ": ";
      const int n = count(random);
      for (int p = 0; p < n; ++p) {
        const double f =
            32.7031956626 * std::pow(2.0, (semitone(random) * 100 + cents(random)) / 1200.0);
        text += Format("%0.2f %0.2f ", trial == 7 && p == 0 ? 0.0 : f, level(random));
      }
      text += "end\n";
    }
    text += "end_of_file";
    ExtractionFolder folder;
    folder.settings() = settings;
    folder.Put(kPeakFileName, text);
    ASSERT_EQ(ProposedMethod1Pass(folder.session()), 0);
    ASSERT_EQ(WithoutCr(folder.PeakFile()), literal::ProposedMethod1(text, settings)) << trial;
  }
}

}  // namespace
}  // namespace tonvale
