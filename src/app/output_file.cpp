#include "app/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tonvale {
namespace {

constexpr size_t kFlushThreshold = 1 << 20;

// The process umask as the kernel reports it, without changing it; -1 on kernels that do not.
int ReportedUmask() {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return -1;
  char line[256];
  int mask = -1;
  while (std::fgets(line, sizeof line, status) != nullptr) {
    unsigned value = 0;
    if (std::sscanf(line, "Umask: %o", &value) == 1) {
      mask = static_cast<int>(value & 0777);
      break;
    }
  }
  std::fclose(status);
  return mask;
}

mode_t ReadUmaskOnce() {
  const int reported = ReportedUmask();
  if (reported >= 0) return static_cast<mode_t>(reported);
  // Reading it the old way sets it for a moment; that happens once, before any worker runs.
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

mode_t DefaultFileMode() {
  // The mode fopen would give a new file: 0666 less the process umask. The umask is read once:
  // changing it to read it, on every open, would race with files opened on other threads.
  static const mode_t mask = ReadUmaskOnce();
  return 0666 & ~mask;
}

}  // namespace

OutputFile::~OutputFile() {
  Abandon();
}

bool OutputFile::Open(const std::string& path, Mode mode, Replace replace) {
  Abandon();
  path_ = path;
  mode_ = mode;
  replace_ = replace;
  temp_path_ = path + ".tmp-XXXXXX";
  int fd = mkstemp(temp_path_.data());
  if (fd < 0) {
    temp_path_.clear();
    return false;
  }
  fchmod(fd, DefaultFileMode());
  file_ = fdopen(fd, "w+b");
  if (file_ == nullptr) {
    close(fd);
    unlink(temp_path_.c_str());
    temp_path_.clear();
    return false;
  }
  buffer_.clear();
  written_ = 0;
  good_ = true;
  return true;
}

void OutputFile::Write(std::string_view text) {
  if (file_ == nullptr) return;
  if (mode_ == Mode::kBinary) {
    buffer_.append(text);
  } else {
    AppendWithCrLf(buffer_, text);
  }
  if (buffer_.size() >= kFlushThreshold) Flush();
}

void OutputFile::WriteByte(uint8_t byte) {
  if (file_ == nullptr) return;
  if (mode_ == Mode::kText && byte == '\n') buffer_.push_back('\r');
  buffer_.push_back(static_cast<char>(byte));
  if (buffer_.size() >= kFlushThreshold) Flush();
}

bool OutputFile::Flush() {
  if (file_ == nullptr) return false;
  if (!buffer_.empty()) {
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) good_ = false;
    written_ += static_cast<int64_t>(buffer_.size());
    buffer_.clear();
  }
  if (std::fflush(file_) != 0) good_ = false;
  return good_;
}

bool OutputFile::OverwriteAt(int64_t offset, std::string_view bytes) {
  if (file_ == nullptr || !Flush()) return false;
  if (offset < 0 || offset + static_cast<int64_t>(bytes.size()) > written_) return false;
  if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0 ||
      std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() ||
      std::fseek(file_, 0, SEEK_END) != 0) {
    good_ = false;
  }
  return good_;
}

namespace {

constexpr size_t kMoveChunk = 1 << 20;

bool ReadAt(int fd, char* bytes, size_t size, int64_t offset) {
  while (size > 0) {
    const ssize_t got = pread(fd, bytes, size, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    bytes += got, size -= static_cast<size_t>(got), offset += got;
  }
  return true;
}

bool WriteAt(int fd, const char* bytes, size_t size, int64_t offset) {
  while (size > 0) {
    const ssize_t put = pwrite(fd, bytes, size, static_cast<off_t>(offset));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes += put, size -= static_cast<size_t>(put), offset += put;
  }
  return true;
}

}  // namespace

bool OutputFile::MoveTail(int64_t from, int64_t to) {
  const int fd = fileno(file_);
  const int64_t rest = written_ - from;
  std::string chunk(static_cast<size_t>(std::min<int64_t>(rest, kMoveChunk)), '\0');
  // Chunks go in the order that never overwrites bytes still to be moved: from the end when
  // the tail moves later, from the start when it moves earlier.
  for (int64_t done = 0; done < rest;) {
    const int64_t size = std::min<int64_t>(rest - done, kMoveChunk);
    const int64_t at = to > from ? rest - done - size : done;
    if (!ReadAt(fd, chunk.data(), static_cast<size_t>(size), from + at) ||
        !WriteAt(fd, chunk.data(), static_cast<size_t>(size), to + at)) {
      return false;
    }
    done += size;
  }
  if (to < from && ftruncate(fd, static_cast<off_t>(to + rest)) != 0) return false;
  written_ = to + rest;
  return std::fseek(file_, 0, SEEK_END) == 0;
}

bool OutputFile::ReplaceHead(int64_t oldSize, std::string_view bytes) {
  if (file_ == nullptr || !Flush()) return false;
  if (oldSize < 0 || oldSize > written_) return false;
  const int64_t newSize = static_cast<int64_t>(bytes.size());
  if (newSize != oldSize && !MoveTail(oldSize, newSize)) good_ = false;
  return good_ && OverwriteAt(0, bytes);
}

bool OutputFile::Commit() {
  if (file_ == nullptr) return false;
  bool ok = Flush();
  if (std::fclose(file_) != 0) ok = false;
  file_ = nullptr;
  if (ok) ok = PutInPlace();
  if (!ok) unlink(temp_path_.c_str());
  temp_path_.clear();
  return ok;
}

bool OutputFile::PutInPlace() {
  struct stat target;
  // Only a regular file is exchanged: rename() refuses to replace a folder, and so must this.
  if (replace_ == Replace::kQuickly && lstat(path_.c_str(), &target) == 0 &&
      S_ISREG(target.st_mode) &&
      renameat2(AT_FDCWD, temp_path_.c_str(), AT_FDCWD, path_.c_str(), RENAME_EXCHANGE) == 0) {
    // The temporary name now holds the old file.
    if (unlink(temp_path_.c_str()) == 0) return true;
    // Something other than a file took the target's place after the check: give it back.
    renameat2(AT_FDCWD, temp_path_.c_str(), AT_FDCWD, path_.c_str(), RENAME_EXCHANGE);
    return false;
  }
  // No older file, or a file system that cannot exchange names (EINVAL): a plain rename.
  return std::rename(temp_path_.c_str(), path_.c_str()) == 0;
}

void OutputFile::Abandon() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temp_path_.empty()) {
    unlink(temp_path_.c_str());
    temp_path_.clear();
  }
}

void AppendWithCrLf(std::string& out, std::string_view text) {
  size_t start = 0;
  for (size_t i = text.find('\n'); i != std::string_view::npos; i = text.find('\n', start)) {
    out.append(text.substr(start, i - start));
    out.append("\r\n");
    start = i + 1;
  }
  out.append(text.substr(start));
}

bool ReadFileBytes(const std::string& path, std::string& bytes, ReadFailure* failure) {
  bytes.clear();
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    if (failure != nullptr) *failure = {false, std::strerror(errno)};
    return false;
  }
  char buffer[1 << 16];
  size_t n;
  errno = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
  const int error = errno;
  // The loop ends on a short read; only the stream knows whether that was the end.
  const bool ok = !std::ferror(file);
  std::fclose(file);
  if (!ok && failure != nullptr) *failure = {true, ReadErrorReason(error)};
  return ok;
}

bool IsReadableFile(const std::string& path) {
  // Only a regular file counts: a folder opens for reading too, and a FIFO or a device would
  // block the open or never end.
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  close(fd);
  return regular;
}

}  // namespace tonvale
