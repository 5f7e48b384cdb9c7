#include "extraction/wave_header_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/text_encoding.h"
#include "extraction_fixture.h"

namespace tonvale {
namespace {

using testing::ExtractionFolder;
using testing::Golden;
using testing::ReadFile;

std::string Wave(int samples, const wavegen::WaveFormat& format = {},
                 const wavegen::WaveLayout& layout = {}) {
  return wavegen::EncodeWave({std::vector<double>(static_cast<size_t>(samples), 0.25)}, format,
                             layout);
}

std::vector<int32_t> ParsedValues(const std::string& reportUtf8, MessageLog& log, int& result) {
  const std::string onDisk = Utf8ToCp932(reportUtf8);
  InputStream in(onDisk);
  WaveFmt_Data data;
  result = ParseWaveHeaderReport(in, log, data);
  return {data.slot.begin(), data.slot.end()};
}

TEST(WaveHeaderReportTest, CanonicalHeaderGivesTheTenValuesAndTheGoldenReport) {
  ExtractionFolder folder;
  const std::string wave = Wave(1000);
  ASSERT_EQ(wave.size(), 44u + 2000u);
  WaveHeaderScanResult scan;
  const std::string text = WaveHeaderReportText(wave, "/music/take1.wav", scan);
  EXPECT_EQ(scan, WaveHeaderScanResult::kFound);

  // On disk: code page 932 with CR LF.
  const std::string path = folder.Put("take1.wav", wave);
  ASSERT_EQ(WriteWaveHeaderReport(folder.session(), path), 0);
  const std::string written = ReadFile(folder.Path(kWaveHeaderReportName));
  std::string expected = Utf8ToCp932(WaveHeaderReportText(wave, path, scan));
  std::string crlf;
  for (char c : expected) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(written, crlf);
  EXPECT_EQ(testing::WithoutCr(Cp932ToUtf8(Golden("wave_header_report_canonical.golden"))), text);

  MessageLog log;
  int result = 1;
  EXPECT_EQ(ParsedValues(text, log, result),
            (std::vector<int32_t>{2036, 16, 1, 1, 44100, 88200, 2, 16, 2000, 44}));
  EXPECT_EQ(result, 0);
  ASSERT_EQ(log.Lines().size(), 10u);
  EXPECT_EQ(log.Lines()[0], "WaveFmt_Data[0] is \"2036\".\n");
  EXPECT_EQ(log.Lines()[9], "WaveFmt_Data[9] is \"44\".\n");
}

TEST(WaveHeaderReportTest, ExtraChunksAndLongFmtAreSteppedOverTwoBytesAtATime) {
  WaveHeaderScanResult scan;
  MessageLog log;
  int result = 1;
  // A LIST chunk of 8 + 4 + 10 bytes between fmt and data.
  wavegen::WaveLayout list;
  list.listChunkText = "artist0123";
  std::vector<int32_t> v =
      ParsedValues(WaveHeaderReportText(Wave(10, {}, list), "a", scan), log, result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(v[9], 44 + 22);
  wavegen::WaveLayout fmt18;
  fmt18.fmtChunkSize = 18;
  v = ParsedValues(WaveHeaderReportText(Wave(10, {}, fmt18), "a", scan), log, result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(v[1], 18);
  EXPECT_EQ(v[9], 46);
  // Metadata of several kilobytes before the samples: the walk goes on past 200 bytes.
  wavegen::WaveLayout longList;
  longList.listChunkText = std::string(5000, 'x');
  v = ParsedValues(WaveHeaderReportText(Wave(10, {}, longList), "a", scan), log, result);
  EXPECT_EQ(scan, WaveHeaderScanResult::kFound);
  EXPECT_EQ(v[9], 44 + 8 + 4 + 5000);
}

TEST(WaveHeaderReportTest, FilesThatAreNotRiffOrHaveNoDataAreRefused) {
  ExtractionFolder folder;
  wavegen::WaveLayout rifx;
  rifx.riffTag = "RIFX";
  const std::string path = folder.Put("big.wav", Wave(10, {}, rifx));
  EXPECT_EQ(WriteWaveHeaderReport(folder.session(), path), 1);
  EXPECT_EQ(folder.log().back(), "error: 評価データが WAVE ファイルではありません ");
  // The report holds the comment block only.
  const std::string report = Cp932ToUtf8(ReadFile(folder.Path(kWaveHeaderReportName)));
  EXPECT_EQ(report.substr(report.size() - 7), " */\r\n\r\n");
  EXPECT_EQ(report.find("RIFF ヘッダ"), std::string::npos);

  std::string swapped = Wave(10);
  swapped[0] = 'X';
  swapped[1] = 'Y';
  WaveHeaderScanResult scan;
  WaveHeaderReportText(swapped, "a", scan);
  EXPECT_EQ(scan, WaveHeaderScanResult::kNotRiff);
  std::string noData = Wave(10);
  noData.replace(36, 4, "junk");
  WaveHeaderReportText(noData, "a", scan);
  EXPECT_EQ(scan, WaveHeaderScanResult::kNoData);
  WaveHeaderReportText("RIFF", "a", scan);
  EXPECT_EQ(scan, WaveHeaderScanResult::kNoData);

  EXPECT_EQ(WriteWaveHeaderReport(folder.session(), folder.Path("missing.wav")), 1);
  EXPECT_EQ(folder.log().back(), "cannot open! wave file");
}

TEST(WaveHeaderReportTest, AZeroValueOrAnExtraValueIsACountError) {
  WaveHeaderScanResult scan;
  MessageLog log;
  int result = 0;
  ParsedValues(WaveHeaderReportText(Wave(0), "a", scan), log, result);  // data size 0
  EXPECT_EQ(result, 1);
  ASSERT_GE(log.Lines().size(), 2u);
  EXPECT_EQ(log.Lines()[log.Lines().size() - 2], "");
  EXPECT_EQ(log.Lines().back(), "WaveFmt_Dataに格納したデータ数のエラー");
  // A second "RIFF" inside a chunk adds a value; only ten are stored and logged.
  wavegen::WaveLayout list;
  list.listChunkText = "RIFF1234";
  MessageLog extra;
  ParsedValues(WaveHeaderReportText(Wave(10, {}, list), "a", scan), extra, result);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(extra.Lines().size(), 12u);
  // A path whose continuation starts with digits adds no value: lines are read whole.
  const std::string longPath = "/" + std::string(300, 'a') + "/2024/take.wav";
  MessageLog whole;
  ParsedValues(WaveHeaderReportText(Wave(10), longPath, scan), whole, result);
  EXPECT_EQ(result, 0);
}

}  // namespace
}  // namespace tonvale
