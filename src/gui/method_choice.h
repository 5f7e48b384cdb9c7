#pragma once

#include <QCheckBox>
#include <QWidget>

#include "app/session.h"

namespace tonvale {

// The object name of the main window's method check box.
inline constexpr char kMethodChoiceName[] = "refinedMethod";

// Adds the "refined method" check box to the free space beside the title of the main window's
// analysis group, without moving any control of the template. Its state is the session's
// method and is remembered in the user's configuration (QSettings), never in the settings
// file: a new window starts with the last choice.
QCheckBox* AddMethodChoice(QWidget* window, Session& session);

}  // namespace tonvale
