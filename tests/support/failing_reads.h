#pragma once

// A disk that fails part-way through one file, as a failing disk or a network share does:
// reads of that file through stdio deliver its first bytes, then fail with EIO and leave the
// stream's error flag set, while every other file reads as usual.
//
// The test executable itself defines fread, which the code under test then calls instead of
// the C library's (no LD_PRELOAD, nothing to set up outside the test); unarmed, it hands every
// call straight on.

#include <cstdint>
#include <string>

namespace tonvale::testing {

class FailingReads {
 public:
  // Reads of the file at `path` fail once they reach byte `goodBytes` of it. The file is matched
  // by its path when it is opened, so a file created or replaced later fails too.
  FailingReads(const std::string& path, int64_t goodBytes);
  ~FailingReads();
  FailingReads(const FailingReads&) = delete;
  FailingReads& operator=(const FailingReads&) = delete;

  // How many reads have failed so far: a test whose fault never struck proves nothing.
  int Failures() const;
};

}  // namespace tonvale::testing
