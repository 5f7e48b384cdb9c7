#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "app/input_stream.h"

namespace tonvale {

// A file that appears whole or not at all. Writing goes to a temporary file beside the target;
// Commit() renames it over the target only when every byte reached the disk. Until then, and
// whenever a write fails (a full disk, a folder that disappeared), the previous file stays as
// it was; an uncommitted temporary file is removed when the OutputFile goes away.
class OutputFile {
 public:
  enum class Mode {
    kText,    // each "\n" written becomes CR LF on disk
    kBinary,  // bytes as given
  };

  // How Commit() puts the finished file where an older one is.
  enum class Replace {
    // rename() over it. ext4 then starts writing the new file's blocks out at once, so that a
    // crash soon after finds the old file or the new one whole: for the user's own files.
    kDurably,
    // Exchange the two names, then remove the old file. No write-out is forced at the commit
    // (about 7 ms for a file of 12 MB), and a work file that the next run replaces again may
    // never reach the disk at all. For work files, which any run writes anew.
    kQuickly,
  };

  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the temporary file. False when that is impossible (the folder does not exist or
  // cannot be written, the name is longer than the host allows).
  bool Open(const std::string& path, Mode mode, Replace replace = Replace::kDurably);
  bool IsOpen() const { return file_ != nullptr; }

  void Write(std::string_view text);
  void WriteByte(uint8_t byte);

  // Bytes written to the disk file so far (line ends counted as written).
  int64_t Size() const { return written_ + static_cast<int64_t>(buffer_.size()); }

  // Replaces bytes already written, at a byte offset of the disk file, without changing the
  // size; the bytes are written as given.
  bool OverwriteAt(int64_t offset, std::string_view bytes);

  // Replaces the first `oldSize` bytes already written with `bytes`, which may be longer or
  // shorter: the rest of the file moves to follow them. For a header known only at the end that
  // was given room of a guessed size; a right guess costs no move. False when a read or write
  // fails (the file then fails its commit too).
  bool ReplaceHead(int64_t oldSize, std::string_view bytes);

  // Puts the finished file in place. False, leaving the previous file, on any failure.
  bool Commit();

  // Removes the temporary file; the target stays as it was.
  void Abandon();

  // False once any write has failed.
  bool Good() const { return good_; }

 private:
  bool Flush();
  // Moves the bytes from `from` to the end so that they start at `to`, and ends the file there.
  bool MoveTail(int64_t from, int64_t to);
  // Gives the temporary file the target's name; on failure the target is as it was.
  bool PutInPlace();

  std::FILE* file_ = nullptr;
  Mode mode_ = Mode::kText;
  Replace replace_ = Replace::kDurably;
  std::string path_;
  std::string temp_path_;
  std::string buffer_;
  int64_t written_ = 0;
  bool good_ = true;
};

// Appends `text` with each "\n" turned into CR LF, as text files lie on disk.
void AppendWithCrLf(std::string& out, std::string_view text);

// Reads a whole file into `bytes`. False when it cannot be opened or a read fails part-way;
// `failure`, when given, then says which and why.
bool ReadFileBytes(const std::string& path, std::string& bytes, ReadFailure* failure = nullptr);

// True when the file can be opened for reading (the test the program makes before it
// switches to a file or runs a stage on it).
bool IsReadableFile(const std::string& path);

}  // namespace tonvale
