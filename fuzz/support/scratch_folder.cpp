#include "support/scratch_folder.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/output_file.h"

namespace tonvale::fuzz {
namespace {

std::string& CreatedFolder() {
  static std::string folder;
  return folder;
}

}  // namespace

const std::string& ScratchFolder(std::string_view target) {
  static const std::string folder = [&] {
    std::string pattern = "/tmp/tonvale-fuzz-" + std::string(target) + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    CreatedFolder() = pattern;
    std::atexit([] { std::filesystem::remove_all(CreatedFolder()); });
    return pattern + "/";
  }();
  return folder;
}

void WriteBytes(const std::string& path, std::string_view bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written) std::abort();
}

std::string ReadBytes(const std::string& path) {
  std::string bytes;
  ReadFileBytes(path, bytes);
  return bytes;
}

void RemoveFile(const std::string& path) {
  unlink(path.c_str());
}

}  // namespace tonvale::fuzz
