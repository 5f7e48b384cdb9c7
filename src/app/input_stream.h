#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "app/numbers.h"

namespace tonvale {

// Why a file could not be read: it could not be opened, or a read failed part-way (an I/O
// error, which is never taken for the end of the file). `reason` is the system's own text.
struct ReadFailure {
  bool opened = false;
  std::string reason;
};

// The log line of a read that failed part-way: "err: cannot read! <name> (<reason>)".
std::string CannotReadLine(std::string_view name, std::string_view reason);

// The system's text for the errno a failed read left; a stream may report an error without
// one, which then reads as an I/O error.
std::string ReadErrorReason(int error);

// A buffered byte reader over a file or over bytes in memory, with the token and line reads
// that the settings file and the work files are parsed with. Parsers take an InputStream, so
// they read a file on disk and a buffer under test the same way.
//
// A read error looks like the end of the input to the parser; whoever opened the stream asks
// Failed() once the parse is done, so that a file cut short by a failing disk is reported
// rather than taken for a shorter file.
class InputStream {
 public:
  static constexpr int kEnd = -1;

  // Reads `bytes`, which must outlive the stream.
  explicit InputStream(std::string_view bytes);
  // Reads the file at `path`; IsOpen() tells whether it could be opened.
  static InputStream OpenFile(const std::string& path);
  ~InputStream();
  InputStream(const InputStream&) = delete;
  InputStream& operator=(const InputStream&) = delete;

  bool IsOpen() const { return open_; }
  // True once a read of the file has failed; Error() then gives the system's reason.
  bool Failed() const { return !error_.empty(); }
  const std::string& Error() const { return error_; }

  // Goes back to the first byte, for a second pass over the same input. False when the file
  // cannot be positioned (the stream then reads as ended and Failed() tells why).
  bool Rewind();

  // The next byte (0 to 255), or kEnd.
  int Get() { return pos_ < end_ ? static_cast<unsigned char>(*pos_++) : Refill(); }
  int Peek();
  // Steps back over the byte that the last Get() returned (one byte only).
  void Unget();

  // The next run of bytes other than space, TAB, LF, VT, FF and CR. The white-space byte that
  // ends the token is consumed. At the end of input the token is empty and false is returned.
  bool ReadToken(std::string& token);
  std::string ReadToken();
  // The same token as a view of the stream's buffer, which stays valid until the next read of
  // the stream; a token that crosses a refill of the buffer is gathered in `spill` and the view
  // shows that. Saves copying the many short tokens of a work file.
  bool ReadTokenView(std::string_view& token, std::string& spill);
  // ReadTokenView, reading a number of the work files' shape (see ScanShortDecimal) as it goes:
  // true in `isNumber`, and its value in `value`, when the whole token is one. Saves a second
  // pass over the many numbers of a work file.
  bool ReadNumberTokenView(std::string_view& token, std::string& spill, bool& isNumber,
                           double& value) {
    // Nearly every token of a work file is a number that starts right here, the blank before
    // it having ended the token before; that one is read in line, the rest byte by byte.
    if (end_ - pos_ >= kScanFixed2Reach) {
      if (const char* const blank = ScanFixed2Token(pos_, value); blank != nullptr) {
        token = std::string_view(pos_, static_cast<size_t>(blank - pos_));
        pos_ = blank + 1;
        isNumber = true;
        return true;
      }
    }
    return ReadOtherTokenView(token, spill, isNumber, value);
  }

  // Reads up to and including the next LF; `line` gets the bytes before it, without a CR that
  // ends the line, so LF and CR LF files read alike. False at the end of input when nothing
  // was read.
  bool ReadLine(std::string& line);

  // Reads bytes until `count` LF bytes have passed or the input ends.
  void SkipLines(int count);

  bool AtEnd() { return Peek() == kEnd; }

  // Bytes read so far from the start of the input (or since the last Rewind), for progress.
  int64_t Offset() const;

 private:
  struct FileTag {};
  InputStream(FileTag, const std::string& path);
  int Refill();
  // ReadNumberTokenView for what the quick reading does not take.
  bool ReadOtherTokenView(std::string_view& token, std::string& spill, bool& isNumber,
                          double& value);
  // The rest of a token whose first byte, at pos_ - 1, has been read.
  void FinishToken(std::string_view& token, std::string& spill);

  std::FILE* file_ = nullptr;
  bool open_ = false;
  std::string error_;
  std::string_view bytes_;  // the input when it lies in memory
  std::unique_ptr<char[]> buffer_;
  const char* pos_ = nullptr;
  const char* end_ = nullptr;
  const char* begin_ = nullptr;  // oldest byte that Unget() may step back to
  int64_t blockOffset_ = 0;      // offset in the file of the first byte of the buffer's block
};

// White space of the token reads: space, TAB, LF, VT, FF, CR. Bytes 0x80 to 0xFF never are,
// so code page 932 and UTF-8 text split alike.
inline bool IsTokenSpace(int c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace tonvale
