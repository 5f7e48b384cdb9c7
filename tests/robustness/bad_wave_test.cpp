// Process 1 on WAVE files that are damaged, lie about themselves or are no WAVE files at all:
// each gets its "err: " lines and the command's own, or a sound result.
#include <gtest/gtest.h>

#include <string>

#include "extraction/sndfile_recording.h"
#include "pipeline/process_commands.h"
#include "robustness_fixture.h"

namespace tonvale {
namespace {

using testing::ReadFile;
using testing::WaveBytes;
using testing::WaveFields;
using testing::WriteFile;

constexpr char kStageFailed[] = "err: PeakExtraction が異常終了しました．";
constexpr char kNotAWave[] = "error: 評価データが WAVE ファイルではありません ";
constexpr char kCountError[] = "WaveFmt_Dataに格納したデータ数のエラー";

class BadWaveTest : public ::testing::Test {
 protected:
  // Runs process 1 on the bytes as song.wav; a peak file from an earlier run is in place.
  int Run(const std::string& bytes) {
    WriteFile(folder_.File("PeakExtraction.txt"), kPrevious);
    WriteFile(wave_, bytes);
    return folder_.Run(RunProcess1, wave_);
  }
  bool Logged(const std::string& line) const {
    return folder_.LogText().find(line + "\n") != std::string::npos;
  }
  std::string PeakFile() const { return ReadFile(folder_.File("PeakExtraction.txt")); }
  std::string LoopCountLine() const {
    const std::string text = PeakFile();
    const size_t at = text.find("FrameRate:");
    return at == std::string::npos ? "" : text.substr(at, text.find('\r', at) - at);
  }

  static constexpr char kPrevious[] = "the previous peak file";
  testing::CommandFolder folder_;
  const std::string wave_ = folder_.File("song.wav");
};

TEST_F(BadWaveTest, EmptyTruncatedAndForeignFilesAreNoWaveFiles) {
  const std::string canonical = WaveBytes({.data = testing::ToneData(0.1, 11025)});
  std::string midi("MThd\0\0\0\x06\0\x01\0\x02\x01\xE0MTrk\0\0\0\x04\0\xFF\x2F\0", 26);
  // A RIFF file too short for its header is no WAVE file; anything else is no recording that
  // libsndfile can read either, which says why.
  for (const std::string& bytes : {canonical.substr(0, 30), canonical.substr(0, 4), std::string(),
                                   WaveBytes({.riffTag = "RIFX", .data = "\x01\x02"}), midi,
                                   std::string("plain text, not a recording\n")}) {
    EXPECT_EQ(Run(bytes), 1);
    if (bytes.starts_with("RIFF")) {
      EXPECT_TRUE(Logged(kNotAWave)) << folder_.LogText();
    } else {
      EXPECT_NE(
          folder_.LogText().find("err: 録音ファイルとして読めません．" + wave_ + " (libsndfile: "),
          std::string::npos)
          << folder_.LogText();
    }
    EXPECT_EQ(folder_.Log().back(), kStageFailed);
    EXPECT_EQ(PeakFile(), kPrevious);
  }
  // A MIDI file in the path field is refused by its name before it is read.
  WriteFile(folder_.File("song.wav.mid"), midi);
  EXPECT_EQ(folder_.Run(RunProcess1, folder_.File("song.wav.mid")), 1);
  EXPECT_EQ(folder_.Log().back(), "err: 指定したファイルが wave ではありません．");
}

TEST_F(BadWaveTest, DataSizesBeyondTheFileUseWhatTheFileHolds) {
  // A second: 22050 bytes of 16-bit samples, 100 frames of 10 ms.
  const std::string data = testing::ToneData(1.0, 11025);
  for (int64_t claimed : {int64_t{100000}, int64_t{0xFFFFFFFF}, int64_t{0x7FFFFFFF}}) {
    EXPECT_EQ(Run(WaveBytes({.dataSize = claimed, .data = data})), 0) << folder_.LogText();
    EXPECT_EQ(LoopCountLine(), "FrameRate: 10 LoopCount: 100") << claimed;
  }
  // A file cut inside its last sample keeps the whole samples before the cut.
  EXPECT_EQ(Run(WaveBytes({.dataSize = 22052, .data = data + "\x01"})), 0);
  EXPECT_EQ(LoopCountLine(), "FrameRate: 10 LoopCount: 100");
}

TEST_F(BadWaveTest, ZeroChannelsRateOrByteRateFailTheHeaderCount) {
  const std::string data = testing::ToneData(0.1, 11025);
  for (const WaveFields& fields :
       {WaveFields{.channels = 0, .data = data}, WaveFields{.samplingRate = 0, .data = data},
        WaveFields{.byteRate = 0, .data = data}, WaveFields{.bitsPerSample = 0, .data = data}}) {
    EXPECT_EQ(Run(WaveBytes(fields)), 1);
    EXPECT_TRUE(Logged(kCountError)) << folder_.LogText();
    EXPECT_EQ(folder_.Log().back(), kStageFailed);
    EXPECT_EQ(PeakFile(), kPrevious);
  }
}

TEST_F(BadWaveTest, AbsurdByteRatesAreRefusedOrOnlyShortenTheAnalysis) {
  const std::string data = testing::ToneData(1.0, 11025);
  // One byte a second would make six hours of frames out of a second of samples.
  EXPECT_EQ(Run(WaveBytes({.byteRate = 1, .data = data})), 1);
  EXPECT_TRUE(Logged("err: データ速度が 1 [bytes/sec] の WAVE ファイルは解析できません．"))
      << folder_.LogText();
  EXPECT_EQ(folder_.Log().back(), kStageFailed);
  EXPECT_EQ(Run(WaveBytes({.byteRate = 0x80000000, .data = data})), 1);
  EXPECT_TRUE(
      Logged("err: データ速度が -2147483648 [bytes/sec] の WAVE ファイルは解析できません．"));
  // A little below the true rate still fits the samples: the last frames just reach the end.
  EXPECT_EQ(Run(WaveBytes({.byteRate = 21800, .data = data})), 0);
  EXPECT_EQ(LoopCountLine(), "FrameRate: 10 LoopCount: 101");
  // Lower still, and the last frame would start past the samples.
  EXPECT_EQ(Run(WaveBytes({.byteRate = 21600, .data = data})), 1);
  // Four times the true rate: a quarter of the frames.
  EXPECT_EQ(Run(WaveBytes({.byteRate = 4 * 22050, .data = data})), 0);
  EXPECT_EQ(LoopCountLine(), "FrameRate: 10 LoopCount: 25");
}

TEST_F(BadWaveTest, RatesAboveOneMegahertzAndBelowTheAnalysisRateAreRefused) {
  const std::string data = testing::ToneData(0.05, 11025);
  // 2^31 - 1 Hz would ask the anti-aliasing filter for about 700 million taps.
  for (uint32_t rate : {0x7FFFFFFFu, 1000001u, 0xFFFFFFFFu - 1}) {
    EXPECT_EQ(Run(WaveBytes({.samplingRate = rate, .byteRate = 2000000, .data = data})), 1);
    EXPECT_TRUE(Logged(rate > 0x7FFFFFFFu
                           ? "err: サンプリングレートが11025.00Hz以上でないと解析できません．"
                           : "err: サンプリングレートが1000000.00Hz以下でないと解析できません．"))
        << rate << "\n"
        << folder_.LogText();
    EXPECT_EQ(folder_.Log().back(), kStageFailed);
  }
  EXPECT_EQ(Run(WaveBytes({.samplingRate = 8000, .data = data})), 1);
  EXPECT_TRUE(Logged("err: サンプリングレートが11025.00Hz以上でないと解析できません．"));
  // What is left is an empty peak file, as for any recording below the analysis rate.
  EXPECT_EQ(PeakFile(), "");
}

TEST_F(BadWaveTest, BitDepthsBeyondSixteenGoToLibsndfileAndOthersAreRefused) {
  // 100 frames of 24-bit samples and 100 of floating-point silence: shorter than one frame
  // shift, so analysed into no frames.
  EXPECT_EQ(Run(WaveBytes({.bitsPerSample = 24, .data = std::string(300, '\x10')})), 0);
  EXPECT_TRUE(Logged("..The recording is read with " + SndfileRecording::LibraryVersion() + "."))
      << folder_.LogText();
  EXPECT_EQ(LoopCountLine(), "FrameRate: 10 LoopCount: 0");
  EXPECT_EQ(Run(WaveBytes({.formatId = 3, .bitsPerSample = 32, .data = std::string(400, '\0')})),
            0);
  // Twelve bits in two bytes: neither reader takes them.
  EXPECT_EQ(Run(WaveBytes({.bitsPerSample = 12, .data = std::string(400, '\0')})), 1);
  EXPECT_TRUE(Logged(
      "err: 量子化ビット数が 12 bit の WAVE ファイルは解析できません（8bit か 16bit のみ）．"))
      << folder_.LogText();
  EXPECT_EQ(folder_.Log().back(), kStageFailed);
}

}  // namespace
}  // namespace tonvale
