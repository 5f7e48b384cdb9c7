#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tonvale::testing {

// Polls `done` until it holds. The limit only keeps a broken test from hanging: it is far
// beyond what any step takes on a loaded machine, so no test depends on the machine's speed.
bool WaitUntil(const std::function<bool()>& done);

// The size of the file at `path`, 0 when there is none.
int64_t FileSize(const std::string& path);

// Waits until the file at `path` has grown by `bytes` past its size now: proof that whoever
// writes it (a sound output writing what would be heard) has gone on for that long.
bool WaitForGrowth(const std::string& path, int64_t bytes);

}  // namespace tonvale::testing
