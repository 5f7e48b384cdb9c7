// Recordings that libsndfile decodes: every lossless format gives the peak file of the 16-bit
// WAVE file of the same samples, lossy formats keep its notes, undecodable files are refused
// with the reason, and each file goes to the reader that reads it.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/text_encoding.h"
#include "extraction/decoded_header_report.h"
#include "extraction/recording_formats.h"
#include "extraction/recording_reader.h"
#include "extraction/refined_extraction.h"
#include "extraction/wave_header_report.h"
#include "extraction_fixture.h"
#include "recognition/peak_combination.h"
#include "recognition/pitch_recognition.h"
#include "support/sound_files.h"

namespace tonvale {
namespace {

using testing::ExtractionFolder;
using testing::WriteSoundFile;

constexpr char kDecodedLine[] = "..The recording is read with libsndfile";

bool Logged(const ExtractionFolder& folder, const std::string& start) {
  const std::vector<std::string> lines = folder.log();
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.starts_with(start); });
}

// The peak file without its third line, the recording's path.
std::string WithoutPath(const std::string& peakFile) {
  size_t at = 0;
  for (int line = 0; line < 2 && at != std::string::npos; ++line) at = peakFile.find('\n', at) + 1;
  const size_t end = peakFile.find('\n', at);
  return peakFile.substr(0, at) + peakFile.substr(end == std::string::npos ? at : end);
}

// Two channels that differ: the analysis must take the first.
std::vector<std::vector<double>> Stereo(int rate, double seconds) {
  const std::vector<wavegen::Tone> first = {{440.0, 0.05, 0.3, 0.4, 3}, {659.3, 0.3, 0.2, 0.3, 2}};
  const std::vector<wavegen::Tone> second = {{1000.0, 0.0, 0.5, 0.5, 1}};
  return {testing::QuantiseTo16Bits(wavegen::Render(first, seconds, rate)),
          testing::QuantiseTo16Bits(wavegen::Render(second, seconds, rate))};
}

TEST(DecodedRecordingTest, LosslessFormatsGiveTheSixteenBitPeakFile) {
  const int rate = 22050;
  const std::vector<std::vector<double>> stereo = Stereo(rate, 0.5);
  ExtractionFolder folder;
  const std::string reference = folder.Path("reference.wav");
  ASSERT_TRUE(WriteSoundFile(reference, SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, {stereo[0]}));
  ASSERT_EQ(folder.Run(reference), 0);
  ASSERT_FALSE(Logged(folder, kDecodedLine));
  const std::string expected = WithoutPath(folder.PeakFile());

  struct Row {
    const char* name;
    int format;
    size_t channels;
  };
  const Row rows[] = {
      {"24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2},
      {"32.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 2},
      {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2},
      {"double.wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 1},
      {"extensible.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 2},
      // More than two channels: the first, never the interleaved samples taken as one signal.
      {"four.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 4},
      {"song.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 2},
      {"song.aifc", SF_FORMAT_AIFF | SF_FORMAT_FLOAT, 1},
      {"song.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2},
      {"24.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 1},
      {"song.w64", SF_FORMAT_W64 | SF_FORMAT_PCM_24, 2},
      {"song.rf64", SF_FORMAT_RF64 | SF_FORMAT_PCM_16, 1},
  };
  for (const Row& row : rows) {
    std::vector<std::vector<double>> channels(row.channels, stereo[1]);
    channels[0] = stereo[0];
    const std::string path = folder.Path(row.name);
    ASSERT_TRUE(WriteSoundFile(path, row.format, rate, channels));
    ASSERT_EQ(folder.Run(path), 0) << row.name;
    EXPECT_TRUE(Logged(folder, kDecodedLine)) << row.name;
    EXPECT_EQ(WithoutPath(folder.PeakFile()), expected) << row.name;
  }
  // The report of the last one says what was read.
  const std::string report = Cp932ToUtf8(testing::ReadFile(folder.Path(kWaveHeaderReportName)));
  EXPECT_NE(report.find("RF64 (RIFF 64)"), std::string::npos) << report;
  EXPECT_NE(report.find("\r\n11025 /* フレーム数 [frames] */\r\n"), std::string::npos) << report;
}

TEST(DecodedRecordingTest, TheRefinedMethodReadsTheSameSamplesFromEveryFormat) {
  const int rate = 22050;
  const std::vector<std::vector<double>> stereo = Stereo(rate, 0.5);
  ExtractionFolder folder;
  std::string expected;
  for (const auto& [name, format] :
       {std::pair{"refined.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
        std::pair{"refined.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24}}) {
    const std::string path = folder.Path(name);
    ASSERT_TRUE(WriteSoundFile(path, format, rate, stereo));
    ASSERT_EQ(RefinedPeakExtraction(folder.session(), path), 0) << name;
    if (expected.empty()) expected = WithoutPath(folder.PeakFile());
    EXPECT_EQ(WithoutPath(folder.PeakFile()), expected) << name;
  }
  EXPECT_TRUE(Logged(folder, kDecodedLine));
}

TEST(DecodedRecordingTest, HeaderReportNamesContainerEncodingRateChannelsAndFrames) {
  const DecodedFormat flac = {"FLAC (Free Lossless Audio Codec)", "Signed 24 bit PCM", 96000, 6,
                              123456};
  EXPECT_EQ(DecodedHeaderReportText(flac, "/music/曲.flac", "libsndfile-1.2.0"),
            "/*\n *\n * 録音ファイルの形式\n * libsndfile-1.2.0 で読んだ値\n *\n"
            " * /music/曲.flac\n *\n */\n\n"
            "/* コンテナ: FLAC (Free Lossless Audio Codec) */\n"
            "/* サンプルの形式: Signed 24 bit PCM */\n"
            "96000 /* サンプリングレート [frames/sec] */\n"
            "6 /* チャンネル数 [channel]: 解析するのは第 1 チャンネル */\n"
            "123456 /* フレーム数 [frames] */\n");
}

// Note-on times (ms) and names of the note script's second track.
std::vector<std::pair<int64_t, std::string>> NoteOns(const std::string& script) {
  std::vector<std::pair<int64_t, std::string>> notes;
  int64_t time = 0;
  size_t at = script.find("tone");
  while (at != std::string::npos && (at = script.find('\n', at)) != std::string::npos) {
    ++at;
    long long delta = 0;
    char name[16] = {};
    int volume = 0;
    if (std::sscanf(script.c_str() + at, "%lld %15s %d", &delta, name, &volume) != 3) break;
    time += delta;
    if (volume > 0) notes.emplace_back(time, name);
  }
  return notes;
}

// Onset F1: a note counts when the other list has one of the same name within 50 ms.
double OnsetF1(const std::vector<std::pair<int64_t, std::string>>& found,
               const std::vector<std::pair<int64_t, std::string>>& reference) {
  auto matched = [](const auto& notes, const auto& against) {
    return std::count_if(notes.begin(), notes.end(), [&](const auto& note) {
      return std::any_of(against.begin(), against.end(), [&](const auto& other) {
        return other.second == note.second && std::llabs(other.first - note.first) <= 50;
      });
    });
  };
  if (found.empty() || reference.empty()) return 0.0;
  const double precision = static_cast<double>(matched(found, reference)) / found.size();
  const double recall = static_cast<double>(matched(reference, found)) / reference.size();
  return precision + recall > 0 ? 2 * precision * recall / (precision + recall) : 0.0;
}

std::string NoteScriptOf(ExtractionFolder& folder, const std::string& path) {
  EXPECT_EQ(folder.Run(path), 0) << path;
  EXPECT_EQ(PeakCombination(folder.session()), 0) << path;
  EXPECT_EQ(PitchRecognition(folder.session()), 0) << path;
  return testing::ReadFile(path + ".txt");
}

TEST(DecodedRecordingTest, LossyFormatsKeepTheNotes) {
  // Opus encodes at 48 kHz; the same rate for every row keeps the comparison to the codec.
  const int rate = 48000;
  double seconds = 0;
  std::vector<wavegen::Tone> tones = wavegen::DemoMelody(&seconds);
  for (wavegen::Tone& tone : tones) tone.harmonics = 4;
  const std::vector<double> signal =
      testing::QuantiseTo16Bits(wavegen::Render(tones, seconds, rate));
  ExtractionFolder folder;
  const std::string wave = folder.Path("melody.wav");
  ASSERT_TRUE(WriteSoundFile(wave, SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, {signal}));
  const auto reference = NoteOns(NoteScriptOf(folder, wave));
  ASSERT_GE(reference.size(), 8u);
  for (const auto& [name, format] :
       {std::pair{"melody.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III},
        std::pair{"melody.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
        std::pair{"melody.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS}}) {
    const std::string path = folder.Path(name);
    ASSERT_TRUE(WriteSoundFile(path, format, rate, {signal}));
    EXPECT_GE(OnsetF1(NoteOns(NoteScriptOf(folder, path)), reference), 0.9) << name;
  }
}

// The first channel of a recording as libsndfile reads it, at its own rate.
std::vector<double> FirstChannel(const std::string& path, int& rate) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return {};
  std::vector<double> frames(static_cast<size_t>(info.frames * info.channels));
  sf_readf_double(file, frames.data(), info.frames);
  sf_close(file);
  std::vector<double> first(static_cast<size_t>(info.frames));
  for (size_t i = 0; i < first.size(); ++i) first[i] = frames[i * info.channels];
  rate = info.samplerate;
  return first;
}

TEST(DecodedRecordingTest, SampleRecordingsKeepTheirNotesAsMp3AndOgg) {
  const std::string corpus = testing::CorpusFolder();
  if (corpus.empty()) GTEST_SKIP() << "no sample recordings beside the project";
  int compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    const std::string path = entry.path().string();
    if (entry.path().extension() != ".wav" || path.find("_8k") != std::string::npos) continue;
    ExtractionFolder folder;
    const std::string name = entry.path().stem().string();
    const std::string wave = folder.Path(name + ".wav");
    std::filesystem::copy_file(path, wave);
    const auto reference = NoteOns(NoteScriptOf(folder, wave));
    int rate = 0;
    const std::vector<double> signal = FirstChannel(wave, rate);
    for (const auto& [suffix, format] :
         {std::pair{".mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III},
          std::pair{".ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS}}) {
      const std::string lossy = folder.Path(name + suffix);
      ASSERT_TRUE(WriteSoundFile(lossy, format, rate, {signal}));
      const double f1 = OnsetF1(NoteOns(NoteScriptOf(folder, lossy)), reference);
      EXPECT_GE(f1, 0.9) << lossy;
      std::printf("%-45s %4zu notes  onset F1 %.3f\n", (name + suffix).c_str(), reference.size(),
                  f1);
    }
    ++compared;
  }
  EXPECT_GT(compared, 0);
}

TEST(DecodedRecordingTest, UndecodableAndDamagedFilesAreRefusedWithTheReasonAndNothingWritten) {
  ExtractionFolder folder;
  const std::string flac = folder.Path("whole.flac");
  ASSERT_TRUE(WriteSoundFile(flac, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 22050,
                             {wavegen::Render({{440.0, 0.0, 1.0, 0.5, 3}}, 1.0, 22050)}));
  const std::string bytes = testing::ReadFile(flac);
  std::string noise(20000, '\0');
  uint32_t state = 12345;
  for (char& c : noise) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);

  // The stream info claims 2^24 more samples than the frames hold: the stream ends cleanly
  // where the file does.
  std::string longer = bytes;
  longer[22] = static_cast<char>(longer[22] + 1);

  struct Row {
    const char* name;
    std::string bytes;
    const char* err;
    const char* reason;
  };
  const Row rows[] = {
      {"cut.flac", bytes.substr(0, bytes.size() / 2), "err: 録音ファイルを最後まで読めません．",
       "(libsndfile: "},
      {"long.flac", longer, "err: 録音ファイルを最後まで読めません．", " frames)"},
      {"noise.mp3", noise, "err: 録音ファイルとして読めません．", "(libsndfile: "},
      {"empty.flac", "", "err: 録音ファイルとして読めません．", "(libsndfile: "},
  };
  for (const Row& row : rows) {
    const std::string path = folder.Put(row.name, row.bytes);
    testing::WriteFile(folder.Path("PeakExtraction.txt"), "previous");
    EXPECT_EQ(folder.Run(path), 1) << row.name;
    EXPECT_TRUE(folder.log().back().starts_with(std::string(row.err) + path)) << row.name;
    EXPECT_NE(folder.log().back().find(row.reason), std::string::npos) << folder.log().back();
    EXPECT_EQ(folder.PeakFile(), "previous") << row.name;
  }
  // The rate limits hold whatever the format.
  const std::string slow = folder.Path("slow.flac");
  ASSERT_TRUE(WriteSoundFile(slow, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 8000,
                             {std::vector<double>(8000, 0.25)}));
  EXPECT_EQ(folder.Run(slow), 1);
  EXPECT_EQ(folder.log().back(), "err: サンプリングレートが11025.00Hz以上でないと解析できません．");
}

TEST(DecodedRecordingTest, SamplesThatAreNotNumbersAreTakenAsZero) {
  std::vector<double> tone = wavegen::Render({{440.0, 0.0, 0.5, 0.5, 1}}, 0.5, 11025);
  tone[100] = std::nan("");
  tone[200] = INFINITY;
  tone[300] = -INFINITY;
  ExtractionFolder folder;
  const std::string path = folder.Path("odd.wav");
  ASSERT_TRUE(WriteSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 11025, {tone}));
  ASSERT_EQ(folder.Run(path), 0);
  EXPECT_TRUE(Logged(folder, "..3 samples that were not numbers were taken as 0."));
  EXPECT_EQ(folder.PeakFile().find("nan"), std::string::npos);
}

TEST(DecodedRecordingTest, EachFileGoesToTheReaderThatReadsIt) {
  testing::TempDir dir;
  const std::vector<double> tone(64, 0.25);
  auto head = [&](int format, size_t channels) {
    const std::string path = dir.File("head");
    EXPECT_TRUE(WriteSoundFile(path, format, 44100, std::vector(channels, tone)));
    return testing::ReadFile(path);
  };
  using enum RecordingReader;
  struct Row {
    std::string head;
    RecordingReader reader;
  };
  std::string twelveBits = head(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1);
  twelveBits[34] = 12;
  const Row rows[] = {
      {head(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2), kWaveWalk},
      {head(SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1), kWaveWalk},
      {head(SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 2), kWaveWalk},
      {twelveBits, kWaveWalk},  // refused by the walk with its own message
      {"RIFF", kWaveWalk},
      {head(SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1), kSndfile},
      {head(SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1), kSndfile},
      {head(SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 2), kSndfile},
      {head(SF_FORMAT_WAV | SF_FORMAT_ULAW, 1), kSndfile},
      {head(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 3), kSndfile},
      {head(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1), kSndfile},
      {head(SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1), kSndfile},
      {"", kSndfile},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(ReaderForHead(rows[i].head), rows[i].reader) << "row " << i;
  }
}

TEST(DecodedRecordingTest, RecordingNamesAreKnownByTheirSuffixInAnyCase) {
  for (const char* name : {"a.wav", "B.WAV", "c.Flac", "/x/d.mp3", "e.ogg", "f.OPUS", "g.aif",
                           "h.aiff", "i.AIFC", "j.w64", "k.rf64", "l.oga", "m.wave"}) {
    EXPECT_TRUE(IsRecordingName(name)) << name;
  }
  for (const char* name : {"song.wav.mid", "song.m4a", "wav", "dir.wav/song", "song.", ""}) {
    EXPECT_FALSE(IsRecordingName(name)) << name;
  }
}

}  // namespace
}  // namespace tonvale
