#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/session.h"

namespace tonvale {

inline constexpr char kSettingsFileName[] = "設定変更.txt";
// Where a settings file that failed the checks is kept before the defaults replace it.
inline constexpr char kSettingsBackupName[] = "設定変更.txt.bak";
// Longest token the settings file may hold; a longer one is refused, never cut.
inline constexpr size_t kMaxSettingsTokenBytes = 4096;

// Reads the settings file of the session's folder by position into session.settings, echoing
// what it read (15 lines), and checks five values. 0 when the file was read and passed. 1
// when it cannot be opened (the settings stay as they were), holds a token that is too long,
// or fails the checks: then the user's file is kept as the backup, the defaults are written
// and loaded, and the log explains in two lines. When the backup cannot be written the user's
// file stays, the defaults hold in memory only, and the second line says so.
int LoadSettings(Session& session);

// Writes the default settings file and loads it; also forgets the main window's figure. The
// user's previous file is kept as the backup first (unless it holds the defaults already).
// 1 when the backup or the file cannot be written; the user's file then stays as it was.
int ResetSettings(Session& session);

// The "load" button: clears the log, says what it does, loads.
int LoadSettingsCommand(Session& session);

// Reads the bytes of a settings file by position into `settings` and the echo lines into `echo`
// (one per step, 15 in all), without checking the values. False, with the echo read so far, when
// a token is longer than kMaxSettingsTokenBytes.
bool ParseSettingsText(std::string_view bytes, Settings& settings, std::vector<std::string>& echo);

// The five checks: positive frame shift, frame length, tempo and shortest note, and a
// zero-padded length no shorter than the frame.
bool SettingsArePlausible(const Settings& settings);

// The default settings file as it lies on disk: code page 932, CR LF line ends.
std::string DefaultSettingsFileBytes();

}  // namespace tonvale
