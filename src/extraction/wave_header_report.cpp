#include "extraction/wave_header_report.h"

#include <cerrno>
#include <cstdio>

#include "app/numbers.h"
#include "app/output_file.h"
#include "app/text_encoding.h"

namespace tonvale {
namespace {

constexpr char kNotAWave[] = "error: 評価データが WAVE ファイルではありません ";

class HeadReader {
 public:
  explicit HeadReader(std::string_view head) : head_(head) {}
  uint32_t Byte(size_t at) const {
    return at < head_.size() ? static_cast<unsigned char>(head_[at]) : 0u;
  }
  uint32_t U16(size_t at) const { return Byte(at) | Byte(at + 1) << 8; }
  uint32_t U32(size_t at) const { return U16(at) | U16(at + 2) << 16; }
  // The 32-bit field as the report prints it: "%d" of the same bits.
  int32_t S32(size_t at) const { return static_cast<int32_t>(U32(at)); }
  bool TagAt(size_t at, std::string_view tag) const {
    return at + 4 <= head_.size() && head_.substr(at, 4) == tag;
  }

 private:
  std::string_view head_;
};

void AddLine(std::string& out, std::string_view text) {
  out += text;
  out += '\n';
}

void AddValue(std::string& out, int64_t value, std::string_view comment) {
  AppendInteger(out, value);
  out += ' ';
  AddLine(out, comment);
}

}  // namespace

std::string WaveHeaderReportText(std::string_view head, std::string_view wavePath,
                                 WaveHeaderScanResult& result, WaveFmtSeen* seen) {
  std::string out;
  AddLine(out, "/*");
  AddLine(out, " *");
  AddLine(out, " * WAVE ファイルフォーマット");
  AddLine(out, " * 参考: RIFF 形式の WAVE ファイル (リニア PCM) のチャンク構成を解説したページ");
  AddLine(out, " *");
  out += " * ";
  AddLine(out, wavePath);
  AddLine(out, " *");
  AddLine(out, " */");
  AddLine(out, "");

  const HeadReader in(head);
  if (!in.TagAt(0, "RIFF")) {
    result = WaveHeaderScanResult::kNotRiff;
    return out;
  }
  // The position in the file is the count of header bytes stepped over so far.
  size_t at = 0;
  for (;;) {
    if (at + 4 > head.size()) {
      result = WaveHeaderScanResult::kNoData;
      return out;
    }
    if (in.TagAt(at, "data")) break;
    if (in.TagAt(at, "RIFF")) {
      AddLine(out, "/* RIFF   --- RIFF ヘッダ */");
      AddValue(out, in.S32(at + 4),
               "/* ファイルサイズ [bytes]:これ以降のファイルサイズ (ファイルサイズ-8) */");
      at += 8;
    } else if (in.TagAt(at, "WAVE")) {
      AddLine(out, "");
      AddLine(out, "/* WAVE   --- RIFF の種類が WAVE であることをあらわす */");
      at += 4;
    } else if (in.TagAt(at, "fmt ")) {
      AddLine(out, "/* fmt   --- フォーマットの定義 */");
      AddValue(out, in.S32(at + 4),
               "/* チャンクのバイト数 [bytes]:リニア PCM ならば16(10_00_00_00) */");
      AddValue(out, in.U16(at + 8), "/* フォーマットID: リニア PCM ならば1(01_00) */");
      AddValue(out, in.U16(at + 10),
               "/* チャンネル数 [channel]:モノラルならば1(01_00)，ステレオならば2(02_00) */");
      AddValue(out, in.S32(at + 12), "/* サンプリングレート[frames/sec]: */");
      AddValue(out, in.S32(at + 16),
               "/* データ速度 [bytes/frame]:44.1kHz 16bit ステレオならば "
               "44100×2×2=176400(10_B1_02_00) */");
      AddValue(out, in.U16(at + 20),
               "/* ブロックサイズ [bytes/sample×チャンネル数]:16bit ステレオならば "
               "2×2=4(04_00) */");
      AddValue(out, in.U16(at + 22),
               "/* 量子化ビット数 [bits/sample]:WAV フォーマットでは 8bit か 16bit */");
      if (seen != nullptr) {
        *seen = {.found = true,
                 .formatId = in.U16(at + 8),
                 .channels = in.U16(at + 10),
                 .bitsPerSample = in.U16(at + 22),
                 .subFormat = in.U16(at + 32)};
      }
      // The chunk's own size is not followed: longer fmt chunks are stepped over below.
      at += 24;
    } else {
      at += 2;
    }
  }
  AddLine(out, "");
  AddLine(out, "/* data   --- data チャンク */");
  AddValue(out, in.S32(at + 4), "/* 波形データのバイト数[bytes]: */");
  AddValue(out, static_cast<int64_t>(at) + 8, "/* ヘッダのバイト数[bytes]: */");
  result = WaveHeaderScanResult::kFound;
  return out;
}

int WriteWaveHeaderReport(Session& session, const std::string& wavePath) {
  std::FILE* wave = std::fopen(wavePath.c_str(), "rb");
  if (wave == nullptr) {
    session.log.AppendLog("cannot open! wave file");
    return 1;
  }
  std::string head(kWaveHeaderScanBytes, '\0');
  errno = 0;
  head.resize(std::fread(head.data(), 1, head.size(), wave));
  const std::string readError = std::ferror(wave) != 0 ? ReadErrorReason(errno) : "";
  std::fclose(wave);
  if (!readError.empty()) {
    session.log.AppendLog(CannotReadLine(wavePath, readError));
    return 1;
  }

  OutputFile report;
  if (!report.Open(session.WorkPath(kWaveHeaderReportName), OutputFile::Mode::kText,
                   OutputFile::Replace::kQuickly)) {
    session.log.AppendLog("cannot open! Wav_File_Format.txt");
    return 1;
  }
  WaveHeaderScanResult result;
  report.Write(Utf8ToCp932(WaveHeaderReportText(head, wavePath, result)));
  if (!report.Commit()) {
    session.log.AppendLog("cannot open! Wav_File_Format.txt");
    return 1;
  }
  if (result != WaveHeaderScanResult::kFound) {
    session.log.AppendLog(kNotAWave);
    return 1;
  }
  return 0;
}

int ParseWaveHeaderReport(InputStream& report, MessageLog& log, WaveFmt_Data& data) {
  data = WaveFmt_Data();
  size_t found = 0;
  std::string line;
  while (report.ReadLine(line)) {
    const int32_t value = ClampToInt32(LeadingInteger(line));
    if (value == 0) continue;
    if (found < data.slot.size()) {
      data.slot[found] = value;
      log.AppendLog(Format("WaveFmt_Data[%zu] is \"%d\".\n", found, value));
    }
    ++found;
  }
  if (found != data.slot.size()) {
    log.AppendLog("");
    log.AppendLog("WaveFmt_Dataに格納したデータ数のエラー");
    return 1;
  }
  return 0;
}

int ReadWaveHeaderReport(Session& session, WaveFmt_Data& data) {
  session.log.AppendLog("..File header information was addressed to \"Wave_File_Format.txt\".");
  session.log.AppendLog("");
  InputStream report = InputStream::OpenFile(session.WorkPath(kWaveHeaderReportName));
  if (!report.IsOpen()) {
    session.log.AppendLog("cannot open! > Wave_File_Format.txt");
    return 1;
  }
  session.log.AppendLog("..Information on this header file");
  const int result = ParseWaveHeaderReport(report, session.log, data);
  if (report.Failed()) {
    session.log.AppendLog(CannotReadLine(kWaveHeaderReportName, report.Error()));
    return 1;
  }
  return result;
}

}  // namespace tonvale
