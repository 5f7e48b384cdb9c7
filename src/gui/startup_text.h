#pragma once

#include <span>
#include <string_view>

namespace tonvale {

// The 36 lines the main window's log shows when the program starts: what the program does,
// what is new, and one line per button. An empty entry is an empty line.
std::span<const std::string_view> StartupText();

}  // namespace tonvale
