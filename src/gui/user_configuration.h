#pragma once

#include <QCoreApplication>
#include <QSettings>

namespace tonvale {

// The user's configuration of this program (~/.config/tonvale/<program>.conf): what the window
// remembers between runs. The analysis settings file is never among it.
inline QSettings UserConfiguration() {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("tonvale"),
                   QCoreApplication::applicationName());
}

}  // namespace tonvale
