#pragma once

#include <string>

namespace tonvale::testing {

// A fresh folder under the system's temporary directory, removed with everything in it when
// the object goes away. path() ends with '/', like a program directory.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

// Whole-file helpers for tests; they fail the running test on an I/O error.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

}  // namespace tonvale::testing
