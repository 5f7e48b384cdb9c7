#include "app/settings_file.h"

#include <array>
#include <string_view>
#include <vector>

#include "app/input_stream.h"
#include "app/numbers.h"
#include "app/output_file.h"
#include "app/text_encoding.h"
#include "resources/settings_default.h"

namespace tonvale {
namespace {

constexpr char kCannotOpen[] = "err: cannot open! 設定変更.txt";
constexpr char kNoBackup[] =
    "err: 設定変更.txt.bak を書き込めないため，設定変更.txt をそのままにしました．";

// The file is read purely by position: each step takes a fixed number of tokens and logs them.
enum class Field {
  kNone,
  kFrameRate,
  kFrameLength,
  kVirtualLength,
  kWindow,
  kTempo,
  kShortestNote,
  kRhythm,
  kTone,
  kProposedMethod1,
  kProposedMethod2,
  kShortestPeakMs,
  kWeakPowerCutDb,
  kAdjacentShift,
};

struct Step {
  int tokens;
  Field field;
};

constexpr std::array<Step, 15> kSteps = {{
    {3, Field::kFrameRate},
    {3, Field::kFrameLength},
    {3, Field::kVirtualLength},
    {2, Field::kWindow},
    {3, Field::kTempo},
    {3, Field::kShortestNote},
    {4, Field::kRhythm},
    {2, Field::kTone},
    {0, Field::kNone},
    {2, Field::kProposedMethod1},
    {2, Field::kProposedMethod2},
    {3, Field::kShortestPeakMs},
    {3, Field::kWeakPowerCutDb},
    {3, Field::kAdjacentShift},
    {0, Field::kNone},
}};

void Store(Settings& s, Field field, const std::vector<std::string>& t) {
  auto number = [&](size_t i) { return WrapToInt16(LeadingInteger(t[i])); };
  switch (field) {
    case Field::kNone:
      break;
    case Field::kFrameRate:
      s.FrameRate = number(1);
      break;
    case Field::kFrameLength:
      s.FrameLength = number(1);
      break;
    case Field::kVirtualLength:
      s.VirtualLength = number(1);
      break;
    case Field::kWindow:
      s.Window = t[1];
      break;
    case Field::kTempo:
      s.Tempo = number(1);
      break;
    case Field::kShortestNote:
      s.ShortestNote = number(1);
      break;
    // The separator token is not used: "3 - 4" is stored as "3 / 4".
    case Field::kRhythm:
      s.Rhythm = t[1] + " / " + t[3];
      break;
    case Field::kTone:
      s.Tone = number(1);
      break;
    case Field::kProposedMethod1:
      s.ProposedMethod1 = t[1];
      break;
    case Field::kProposedMethod2:
      s.ProposedMethod2 = t[1];
      break;
    case Field::kShortestPeakMs:
      s.ShortestPeakMs = number(1);
      break;
    case Field::kWeakPowerCutDb:
      s.WeakPowerCutDb = number(1);
      break;
    case Field::kAdjacentShift:
      s.AdjacentShift = t[1];
      break;
  }
}

// A file saved by a Linux editor is UTF-8; anything else is taken as code page 932.
bool ReadsAsUtf8(std::string_view bytes) {
  return !IsAscii(bytes) && IsValidUtf8(bytes);
}

bool WriteFile(const std::string& path, std::string_view bytes, OutputFile::Mode mode) {
  OutputFile file;
  if (!file.Open(path, mode)) return false;
  file.Write(bytes);
  return file.Commit();
}

int WriteDefaults(Session& session);

// Keeps the user's settings file, `bytes`, as the backup before the defaults replace it. A file
// that holds the defaults already is not kept, so that a second reset never overwrites the
// user's edits in the backup with the defaults. False when the backup cannot be written: the
// user's file must then stay.
bool KeepBackup(Session& session, std::string_view bytes) {
  if (bytes == DefaultSettingsFileBytes()) return true;
  return WriteFile(session.WorkPath(kSettingsBackupName), bytes, OutputFile::Mode::kBinary);
}

int Load(Session& session, bool resetWhenImplausible) {
  MessageLog& log = session.log;
  std::string bytes;
  ReadFailure failure;
  if (!ReadFileBytes(session.WorkPath(kSettingsFileName), bytes, &failure)) {
    log.AppendLog(failure.opened ? CannotReadLine(kSettingsFileName, failure.reason)
                                 : std::string(kCannotOpen));
    return 1;
  }
  Settings loaded = session.settings;
  std::vector<std::string> echo;
  bool complete = ParseSettingsText(bytes, loaded, echo);
  for (const std::string& line : echo) log.AppendLog(line);
  if (!complete) {
    log.AppendLog(
        Format("err: 設定変更.txt に長すぎる語があります（%zu バイト以内にしてください）．",
               kMaxSettingsTokenBytes));
    return 1;
  }
  session.settings = loaded;
  if (SettingsArePlausible(loaded)) return 0;
  if (!resetWhenImplausible) return 1;

  // Keep the user's edits before the defaults replace them; without a backup the file stays,
  // and this run goes on with the defaults in memory.
  const int reset = KeepBackup(session, bytes) ? WriteDefaults(session) : -1;
  log.ClearLog();
  log.AppendLog("% err: 変更された変数が不自然です．");
  if (reset < 0) {
    session.settings = DefaultSettings();
    log.AppendLog(kNoBackup);
  } else if (reset == 0) {
    log.AppendLog("設定変更.txt を初期化しました．");
  } else {
    // The defaults could not be written: say so, and still work with them in memory.
    session.settings = DefaultSettings();
    log.AppendLog(kCannotOpen);
  }
  return 1;
}

int WriteDefaults(Session& session) {
  session.mainFigure.PlotNum = -1;
  session.mainFigure.DispColor = 0;
  if (!WriteFile(session.WorkPath(kSettingsFileName), DefaultSettingsFileBytes(),
                 OutputFile::Mode::kBinary)) {
    session.log.AppendLog(kCannotOpen);
    return 1;
  }
  session.log.ClearLog();
  session.log.AppendLog("% 各設定を初期値に変更します．");
  // The fresh file always passes; never start a second reset from here.
  return Load(session, /*resetWhenImplausible=*/false);
}

}  // namespace

bool ParseSettingsText(std::string_view bytes, Settings& settings, std::vector<std::string>& echo) {
  echo.clear();
  bool utf8 = ReadsAsUtf8(bytes);
  InputStream in(bytes);
  std::vector<std::string> tokens;
  for (const Step& step : kSteps) {
    tokens.assign(static_cast<size_t>(step.tokens), std::string());
    std::string line;
    for (std::string& token : tokens) {
      in.ReadToken(token);  // a file that ends early gives empty tokens
      if (token.size() > kMaxSettingsTokenBytes) return false;
      if (!utf8) token = Cp932ToUtf8(token);
      if (&token != &tokens.front()) line += ' ';
      line += token;
    }
    Store(settings, step.field, tokens);
    echo.push_back(std::move(line));
  }
  return true;
}

bool SettingsArePlausible(const Settings& s) {
  return s.FrameRate > 0 && s.FrameLength > 0 && s.VirtualLength >= s.FrameLength && s.Tempo > 0 &&
         s.ShortestNote > 0;
}

std::string DefaultSettingsFileBytes() {
  std::string crlf;
  AppendWithCrLf(crlf, resources::settings_default);
  return Utf8ToCp932(crlf);
}

int LoadSettings(Session& session) {
  return Load(session, /*resetWhenImplausible=*/true);
}

int ResetSettings(Session& session) {
  // The user's file is kept as the backup, as an implausible one is; a file that cannot be
  // read (or none at all) has nothing to keep.
  const std::string path = session.WorkPath(kSettingsFileName);
  if (IsReadableFile(path)) {
    std::string bytes;
    ReadFailure failure;
    if (!ReadFileBytes(path, bytes, &failure)) {
      session.log.AppendLog(CannotReadLine(kSettingsFileName, failure.reason));
      return 1;
    }
    if (!KeepBackup(session, bytes)) {
      session.log.AppendLog(kNoBackup);
      return 1;
    }
  }
  return WriteDefaults(session);
}

int LoadSettingsCommand(Session& session) {
  session.log.ClearLog();
  session.log.AppendLog("% 設定変更.txt をロードします．");
  return LoadSettings(session);
}

}  // namespace tonvale
