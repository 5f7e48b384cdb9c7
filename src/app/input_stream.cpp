#include "app/input_stream.h"

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "app/numbers.h"

namespace tonvale {
namespace {

constexpr size_t kBufferSize = 1 << 16;

// The first white-space byte in [p, end), or end. Eight bytes at a time: a byte below 0x21 is
// flagged by the borrow of subtracting 0x21 from it (bytes from 0x80 on never are), and the
// lowest flag is exact; a flagged byte that is not white space (a control character) goes on.
const char* TokenEnd(const char* p, const char* end) {
  constexpr uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
  // The lowest flag is the first byte in memory only on a little-endian machine.
  while (std::endian::native == std::endian::little && end - p >= 8) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    const uint64_t flags = (word - 0x21 * kOnes) & ~word & kHighs;
    if (flags == 0) {
      p += 8;
      continue;
    }
    p += std::countr_zero(flags) / 8;
    if (IsTokenSpace(static_cast<unsigned char>(*p))) return p;
    ++p;
  }
  while (p < end && !IsTokenSpace(static_cast<unsigned char>(*p))) ++p;
  return p;
}

}  // namespace

std::string ReadErrorReason(int error) {
  return std::strerror(error != 0 ? error : EIO);
}

std::string CannotReadLine(std::string_view name, std::string_view reason) {
  std::string line = "err: cannot read! ";
  line.append(name);
  line += " (";
  line.append(reason);
  line += ')';
  return line;
}

InputStream::InputStream(std::string_view bytes)
    : open_(true),
      bytes_(bytes),
      pos_(bytes.data()),
      end_(bytes.data() + bytes.size()),
      begin_(bytes.data()) {}

InputStream InputStream::OpenFile(const std::string& path) {
  return InputStream(FileTag{}, path);
}

InputStream::InputStream(FileTag, const std::string& path) {
  file_ = std::fopen(path.c_str(), "rb");
  open_ = file_ != nullptr;
  if (open_) {
    // One byte before the data keeps the last byte of the previous block for Unget().
    buffer_ = std::make_unique<char[]>(kBufferSize + 1);
    pos_ = end_ = begin_ = buffer_.get() + 1;
  }
}

InputStream::~InputStream() {
  if (file_ != nullptr) std::fclose(file_);
}

int InputStream::Refill() {
  if (file_ == nullptr) return kEnd;
  char* data = buffer_.get() + 1;
  blockOffset_ += end_ - data;
  if (end_ > data) {
    buffer_[0] = end_[-1];
    begin_ = buffer_.get();
  }
  size_t n = 0;
  if (!Failed()) {
    errno = 0;
    n = std::fread(data, 1, kBufferSize, file_);
    // A short read is the end of the file only when the stream says no error came first.
    if (n < kBufferSize && std::ferror(file_)) error_ = ReadErrorReason(errno);
  }
  pos_ = data;
  end_ = data + n;
  if (n == 0) return kEnd;
  return static_cast<unsigned char>(*pos_++);
}

bool InputStream::Rewind() {
  if (file_ == nullptr) {
    pos_ = begin_ = bytes_.data();
    end_ = bytes_.data() + bytes_.size();
    return true;
  }
  if (Failed()) return false;
  pos_ = end_ = begin_ = buffer_.get() + 1;
  blockOffset_ = 0;
  if (std::fseek(file_, 0, SEEK_SET) != 0) {
    error_ = ReadErrorReason(errno);
    return false;
  }
  return true;
}

int64_t InputStream::Offset() const {
  if (file_ == nullptr) return pos_ - bytes_.data();
  return blockOffset_ + (pos_ - (buffer_.get() + 1));
}

int InputStream::Peek() {
  int c = Get();
  if (c != kEnd) --pos_;
  return c;
}

void InputStream::Unget() {
  if (pos_ > begin_) --pos_;
}

bool InputStream::ReadToken(std::string& token) {
  token.clear();
  int c;
  do {
    c = Get();
  } while (c != kEnd && IsTokenSpace(c));
  if (c == kEnd) return false;
  for (;;) {
    // Copy the run that lies in the buffer in one go.
    const char* run = pos_ - 1;
    const char* p = pos_;
    p = TokenEnd(p, end_);
    token.append(run, static_cast<size_t>(p - run));
    pos_ = p;
    if (p < end_) {
      ++pos_;  // the white space that ends the token
      return true;
    }
    c = Get();
    if (c == kEnd) return true;
    if (IsTokenSpace(c)) return true;
  }
}

bool InputStream::ReadTokenView(std::string_view& token, std::string& spill) {
  int c;
  do {
    c = Get();
  } while (c != kEnd && IsTokenSpace(c));
  if (c == kEnd) {
    token = {};
    return false;
  }
  FinishToken(token, spill);
  return true;
}

bool InputStream::ReadOtherTokenView(std::string_view& token, std::string& spill, bool& isNumber,
                                     double& value) {
  int c;
  do {
    c = Get();
  } while (c != kEnd && IsTokenSpace(c));
  isNumber = false;
  if (c == kEnd) {
    token = {};
    return false;
  }
  // A number that ends in white space inside the buffer is the whole token.
  const char* const run = pos_ - 1;
  const char* const stop = ScanShortDecimal(run, end_, value);
  if (stop != nullptr && stop < end_ && IsTokenSpace(static_cast<unsigned char>(*stop))) {
    token = std::string_view(run, static_cast<size_t>(stop - run));
    pos_ = stop + 1;
    isNumber = true;
    return true;
  }
  FinishToken(token, spill);
  return true;
}

void InputStream::FinishToken(std::string_view& token, std::string& spill) {
  int c;
  const char* run = pos_ - 1;
  const char* p = TokenEnd(pos_, end_);
  if (p < end_) {
    token = std::string_view(run, static_cast<size_t>(p - run));
    pos_ = p + 1;  // the white space that ends the token
    return;
  }
  // The token reaches the end of the buffer: the rest comes with the next refill.
  spill.assign(run, static_cast<size_t>(p - run));
  pos_ = p;
  for (;;) {
    c = Get();
    if (c == kEnd || IsTokenSpace(c)) break;
    run = pos_ - 1;
    p = pos_;
    p = TokenEnd(p, end_);
    spill.append(run, static_cast<size_t>(p - run));
    pos_ = p;
  }
  token = spill;
}

std::string InputStream::ReadToken() {
  std::string token;
  ReadToken(token);
  return token;
}

bool InputStream::ReadLine(std::string& line) {
  line.clear();
  int c = Get();
  if (c == kEnd) return false;
  while (c != kEnd && c != '\n') {
    const char* run = pos_ - 1;
    const char* p = pos_;
    while (p < end_ && *p != '\n') ++p;
    line.append(run, static_cast<size_t>(p - run));
    pos_ = p;
    c = Get();
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

void InputStream::SkipLines(int count) {
  while (count > 0) {
    int c = Get();
    if (c == kEnd) return;
    if (c == '\n') --count;
  }
}

}  // namespace tonvale
