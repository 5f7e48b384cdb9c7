#pragma once

#include <span>

namespace tonvale {

// One row of a window's routing table: a click on control `id` calls `handler`.
template <class Window>
struct CommandEntry {
  int id;
  void (Window::*handler)();
};

// Calls the handler of the first row for `id`; false when the table has none.
template <class Window>
bool DispatchCommand(Window& window, std::span<const CommandEntry<Window>> table, int id) {
  for (const CommandEntry<Window>& entry : table) {
    if (entry.id == id) {
      (window.*entry.handler)();
      return true;
    }
  }
  return false;
}

}  // namespace tonvale
