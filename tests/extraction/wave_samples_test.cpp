#include "extraction/wave_samples.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "extraction/wave_recording_source.h"
#include "extraction_fixture.h"
#include "support/whole_signal.h"

namespace tonvale {
namespace {

using testing::ExtractionFolder;

WaveFmt_Data Format(int channels, int rate, int bits, int32_t dataBytes, int32_t headerLength) {
  WaveFmt_Data f;
  f.slot = {36 + dataBytes,      16,   1,         channels,    rate, rate * channels * bits / 8,
            channels * bits / 8, bits, dataBytes, headerLength};
  return f;
}

TEST(WaveSamplesTest, EightBitBytesAreWidenedAndLogged) {
  ExtractionFolder folder;
  std::string bytes(44, 'h');
  bytes += std::string("\x00\x80\xff", 3);
  const std::string path = folder.Put("eight.wav", bytes);
  std::vector<int16_t> samples;
  int64_t used = 0;
  ASSERT_EQ(ReadWaveSamples(folder.session().log, path, Format(1, 11025, 8, 3, 44), samples, used),
            0);
  EXPECT_EQ(samples, (std::vector<int16_t>{-32768, 128, 32767}));
  EXPECT_EQ(used, 3);
  EXPECT_EQ(folder.log(), (std::vector<std::string>{
                              "", "..Quantization bit rate is converted 8 into 16.", "",
                              "      Amplitude is \"mini: -32768\" and \"maxi: 32767\".\n"}));
}

TEST(WaveSamplesTest, SixteenBitStereoKeepsTheFirstChannel) {
  ExtractionFolder folder;
  std::string bytes(44, 'h');
  for (int i = 0; i < 1000; ++i) {
    const int16_t left = static_cast<int16_t>(i), right = static_cast<int16_t>(-7 - i);
    for (int16_t v : {left, right}) {
      bytes += static_cast<char>(v & 0xFF);
      bytes += static_cast<char>((v >> 8) & 0xFF);
    }
  }
  const std::string path = folder.Put("stereo.wav", bytes);
  std::vector<int16_t> samples;
  int64_t used = 0;
  const WaveFmt_Data format = Format(2, 44100, 16, 4000, 44);
  ASSERT_EQ(ReadWaveSamples(folder.session().log, path, format, samples, used), 0);
  EXPECT_EQ(used, 4000);
  EXPECT_EQ(folder.log().back(), "      Amplitude is \"mini: -1006\" and \"maxi: 999\".\n");
  int32_t rate = format.dataRate();
  const int64_t monoBytes = FoldStereo(folder.session().log, samples, used, rate);
  EXPECT_EQ(monoBytes, 2000);
  EXPECT_EQ(rate, 88200);
  EXPECT_EQ(monoBytes / 16 * 8, 1000);
  ASSERT_EQ(samples.size(), 1000u);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(samples[static_cast<size_t>(i)], i);
  const auto& log = folder.log();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[log.size() - 3], "..Convert stereo into mono");
  EXPECT_EQ(log[log.size() - 2], "4000 [bytes] -> 2000 [bytes]");
  EXPECT_EQ(log[log.size() - 1], "176400 [[bytes/frame] -> 88200[ [bytes/frame]");

  // Folding while reading keeps the same samples and logs the same amplitude range.
  std::vector<int16_t> firstOnly;
  ASSERT_EQ(ReadWaveSamples(folder.session().log, path, format, firstOnly, used,
                            KeptSamples::kFirstOfTwo),
            0);
  EXPECT_EQ(firstOnly, samples);
  EXPECT_EQ(folder.log().back(), "      Amplitude is \"mini: -1006\" and \"maxi: 999\".\n");
  // An odd count of 8-bit samples keeps the last one, as the fold after reading does.
  const std::string odd = folder.Put("odd.wav", std::string(44, 'h') + "\x10\x20\x30\x40\x50");
  std::vector<int16_t> all;
  const WaveFmt_Data eightBit = Format(2, 11025, 8, 5, 44);
  ASSERT_EQ(ReadWaveSamples(folder.session().log, odd, eightBit, all, used), 0);
  ASSERT_EQ(ReadWaveSamples(folder.session().log, odd, eightBit, firstOnly, used,
                            KeptSamples::kFirstOfTwo),
            0);
  FoldStereo(folder.session().log, all, used, rate);
  EXPECT_EQ(firstOnly, all);
  EXPECT_EQ(firstOnly.size(), 3u);
}

TEST(WaveSamplesTest, ClaimedSizeIsLimitedToTheFileAndOtherDepthsAreRefused) {
  EXPECT_EQ(UsableDataBytes(1000, 44, 544), 500);
  EXPECT_EQ(UsableDataBytes(-1, 44, 1044), 1000);  // 0xFFFFFFFF, a streamed recording
  EXPECT_EQ(UsableDataBytes(100, 44, 1044), 100);
  EXPECT_EQ(UsableDataBytes(100, 2000, 1044), 0);
  EXPECT_EQ(UsableDataBytes(100, -4, 1044), 0);

  ExtractionFolder folder;
  const std::string path = folder.Put("cut.wav", std::string(44, 'h') + std::string(10, '\x01'));
  std::vector<int16_t> samples;
  int64_t used = 0;
  ASSERT_EQ(
      ReadWaveSamples(folder.session().log, path, Format(1, 44100, 16, -1, 44), samples, used), 0);
  EXPECT_EQ(used, 10);
  EXPECT_EQ(samples.size(), 5u);
  EXPECT_EQ(ReadWaveSamples(folder.session().log, path, Format(1, 44100, 24, 9, 44), samples, used),
            1);
  EXPECT_EQ(folder.log().back().rfind("err: ", 0), 0u);
  EXPECT_EQ(ReadWaveSamples(folder.session().log, folder.Path("none.wav"),
                            Format(1, 44100, 16, 9, 44), samples, used),
            1);
  EXPECT_EQ(folder.log().back(), "cannot open! wave file");
}

// 8-bit samples widen to 16 bits; 16-bit samples are little-endian and an odd last byte is
// left out; nothing gives nothing (and touches no memory).
TEST(WaveSamplesTest, DecodesEightAndSixteenBitBytes) {
  const struct {
    int bits;
    std::string bytes;
    std::vector<int16_t> samples;
  } cases[] = {
      {8, "", {}},
      {8, std::string("\x00\x80\xff", 3), {-32768, 128, 32767}},
      {16, "", {}},
      {16, "\x01", {}},
      {16, std::string("\x34\x12\x00\x80\xff", 5), {0x1234, -32768}},
  };
  for (const auto& c : cases) {
    std::vector<int16_t> samples = {7};  // decoding appends
    DecodeSamples({c.bytes.data(), c.bytes.size()}, c.bits, samples);
    std::vector<int16_t> expected = {7};
    expected.insert(expected.end(), c.samples.begin(), c.samples.end());
    EXPECT_EQ(samples, expected) << c.bits << " bits, " << c.bytes.size() << " bytes";
  }
}

// The source that process 1 streams from: whatever the size of the blocks asked for, it gives
// the first channel's samples that the analysis takes, (mono bytes / bits) * 8 of them, and the
// amplitude range of every sample of the data, both channels and the few past the analysed ones.
TEST(WaveSamplesTest, RecordingSourceGivesTheAnalysedFirstChannelInAnyBlocks) {
  ExtractionFolder folder;
  std::string bytes(44, 'h');
  for (int i = 0; i < 1001; ++i) {  // 4004 bytes of stereo: 1001 frames
    for (int16_t v :
         {static_cast<int16_t>(3 * i - 1500), static_cast<int16_t>(i == 1000 ? 9999 : -i)}) {
      bytes += static_cast<char>(v & 0xFF);
      bytes += static_cast<char>((v >> 8) & 0xFF);
    }
  }
  const std::string path = folder.Put("stereo.wav", bytes);
  const struct {
    int channels;
    int64_t analysed;  // (mono bytes / 16) * 8
  } cases[] = {{2, 2002 / 16 * 8}, {1, 4004 / 16 * 8}};
  for (const auto& c : cases) {
    for (size_t blockSize : {size_t{1}, size_t{7}, size_t{4096}}) {
      WaveRecordingSource source;
      ASSERT_EQ(source.Open(folder.session().log, path, Format(c.channels, 44100, 16, 4004, 44)),
                0);
      EXPECT_EQ(source.sampleCount(), c.analysed);
      std::vector<double> block(blockSize), got;
      for (int64_t n; (n = source.Read(block)) > 0;) {
        got.insert(got.end(), block.begin(), block.begin() + n);
      }
      ASSERT_EQ(static_cast<int64_t>(got.size()), c.analysed) << blockSize;
      for (size_t k = 0; k < got.size(); ++k) {
        // Stereo keeps the left samples 3k - 1500; mono reads the channels as one.
        const double expected = c.channels == 2 ? 3.0 * k - 1500
                                : k % 2 == 0    ? 3.0 * (k / 2) - 1500
                                                : -static_cast<double>(k / 2);
        ASSERT_EQ(got[k], expected) << c.channels << " channels, block " << blockSize << ", " << k;
      }
      source.LogReading(folder.session().log, 176400);
      const std::vector<std::string>& log = folder.log();
      const size_t amplitude = c.channels == 2 ? log.size() - 5 : log.size() - 1;
      // The right channel's 9999 lies in the last frame, past the analysed samples.
      EXPECT_EQ(log[amplitude], "      Amplitude is \"mini: -1500\" and \"maxi: 9999\".\n");
    }
  }
}

}  // namespace
}  // namespace tonvale
