#include "extraction/decoded_header_report.h"

#include "app/numbers.h"
#include "app/output_file.h"
#include "app/text_encoding.h"
#include "extraction/wave_header_report.h"

namespace tonvale {

std::string DecodedHeaderReportText(const DecodedFormat& format, std::string_view path,
                                    std::string_view decoder) {
  std::string out;
  auto line = [&out](std::string_view text) {
    out += text;
    out += '\n';
  };
  line("/*");
  line(" *");
  line(" * 録音ファイルの形式");
  out += " * ";
  out += decoder;
  line(" で読んだ値");
  line(" *");
  out += " * ";
  line(path);
  line(" *");
  line(" */");
  line("");
  out += "/* コンテナ: ";
  out += format.container;
  line(" */");
  out += "/* サンプルの形式: ";
  out += format.encoding;
  line(" */");
  line(Format("%d /* サンプリングレート [frames/sec] */", format.rate));
  line(Format("%d /* チャンネル数 [channel]: 解析するのは第 1 チャンネル */", format.channels));
  line(Format("%lld /* フレーム数 [frames] */", static_cast<long long>(format.frames)));
  return out;
}

int WriteDecodedHeaderReport(Session& session, const std::string& path,
                             const DecodedFormat& format) {
  OutputFile report;
  if (!report.Open(session.WorkPath(kWaveHeaderReportName), OutputFile::Mode::kText,
                   OutputFile::Replace::kQuickly)) {
    session.log.AppendLog("cannot open! Wav_File_Format.txt");
    return 1;
  }
  report.Write(
      Utf8ToCp932(DecodedHeaderReportText(format, path, SndfileRecording::LibraryVersion())));
  if (!report.Commit()) {
    session.log.AppendLog("cannot open! Wav_File_Format.txt");
    return 1;
  }
  return 0;
}

}  // namespace tonvale
