#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class QWidget;

namespace tonvale {

// The time of the user's action that a startup id carries ("..._TIME<number>"), 0 without one.
uint32_t StartupIdTime(std::string_view startupId);

// The startup-notification message that tells the launcher the start `startupId` has ended:
// remove: ID="<id>", with quotes and backslashes escaped.
std::string StartupRemoveMessage(std::string_view startupId);

// On X11: tells the launcher that the start `startupId` has ended, and asks the window manager
// to activate `window` at the time of the user's action that started it, which focus-stealing
// prevention lets through where a later time from this process would not be. False, having
// done nothing, when the display is not X11; false too when the id carries no time.
bool ActivateOnX11(QWidget& window, const std::string& startupId);

}  // namespace tonvale
