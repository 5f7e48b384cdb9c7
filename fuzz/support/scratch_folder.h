#pragma once

#include <string>
#include <string_view>

namespace tonvale::fuzz {

// A folder of the target's own under /tmp, made on first use and removed when the program
// ends. The path ends with '/', like a program directory.
const std::string& ScratchFolder(std::string_view target);

// Writes `bytes` to `path` as they are; aborts when that fails, since the run would mean nothing.
void WriteBytes(const std::string& path, std::string_view bytes);

// The whole file, or an empty text when there is none.
std::string ReadBytes(const std::string& path);

// Removes the file if it is there.
void RemoveFile(const std::string& path);

}  // namespace tonvale::fuzz
