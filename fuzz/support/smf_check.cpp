#include "support/smf_check.h"

#include <cstdint>

namespace tonvale::fuzz {
namespace {

class Reader {
 public:
  Reader(std::string_view bytes, size_t begin, size_t end) : bytes_(bytes), at_(begin), end_(end) {}

  bool AtEnd() const { return at_ >= end_; }
  size_t Left() const { return end_ - at_; }
  size_t Position() const { return at_; }
  bool Byte(uint32_t& value) {
    if (at_ >= end_) return false;
    value = static_cast<unsigned char>(bytes_[at_++]);
    return true;
  }
  bool BigEndian(int count, uint32_t& value) {
    value = 0;
    for (int i = 0; i < count; ++i) {
      uint32_t b;
      if (!Byte(b)) return false;
      value = value << 8 | b;
    }
    return true;
  }
  // A variable-length quantity: at most four bytes, the last without its high bit.
  bool VariableLength(uint32_t& value, std::string& error) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
      uint32_t b;
      if (!Byte(b)) {
        error = "variable-length quantity cut by the end of the track";
        return false;
      }
      value = value << 7 | (b & 0x7F);
      if ((b & 0x80) == 0) return true;
    }
    error = "variable-length quantity longer than four bytes";
    return false;
  }
  void Skip(size_t count) { at_ += count; }
  void Back() { --at_; }

 private:
  std::string_view bytes_;
  size_t at_;
  size_t end_;
};

std::string At(size_t position, const std::string& what) {
  return what + " at byte " + std::to_string(position);
}

// The length a meta event of this type must have; -1 when the standard leaves it free.
int FixedMetaLength(uint32_t type) {
  switch (type) {
    case 0x20:  // channel prefix
    case 0x21:  // port
      return 1;
    case 0x2F:  // end of track
      return 0;
    case 0x51:  // tempo
      return 3;
    case 0x54:  // SMPTE offset
      return 5;
    case 0x58:  // time signature
      return 4;
    case 0x59:  // key signature
      return 2;
    default:
      return -1;
  }
}

std::string CheckTrack(std::string_view bytes, size_t begin, size_t end) {
  Reader in(bytes, begin, end);
  uint32_t runningStatus = 0;
  std::string error;
  while (!in.AtEnd()) {
    uint32_t delta;
    if (!in.VariableLength(delta, error)) return At(in.Position(), error);
    const size_t eventAt = in.Position();
    uint32_t status;
    if (!in.Byte(status)) return At(eventAt, "delta time without an event");
    if (status < 0x80) {
      if (runningStatus == 0) return At(eventAt, "data byte without a running status");
      // The byte read was the first data byte of a message with the running status.
      status = runningStatus;
      in.Back();
    }
    if (status < 0xF0) {
      runningStatus = status;
      const int dataBytes = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
      for (int i = 0; i < dataBytes; ++i) {
        uint32_t data;
        if (!in.Byte(data)) return At(eventAt, "channel message cut by the end of the track");
        if (data >= 0x80) return At(eventAt, "channel message with a data byte above 127");
      }
    } else if (status == 0xF0 || status == 0xF7) {
      runningStatus = 0;
      uint32_t length;
      if (!in.VariableLength(length, error)) return At(eventAt, error);
      if (length > in.Left()) return At(eventAt, "system-exclusive event longer than the track");
      in.Skip(length);
    } else if (status == 0xFF) {
      runningStatus = 0;
      uint32_t type;
      if (!in.Byte(type)) return At(eventAt, "meta event without a type");
      if (type >= 0x80) return At(eventAt, "meta event type above 127");
      uint32_t length;
      if (!in.VariableLength(length, error)) return At(eventAt, error);
      if (length > in.Left()) return At(eventAt, "meta event longer than the track");
      const int fixed = FixedMetaLength(type);
      if (type == 0x00 && length != 0 && length != 2) {
        return At(eventAt, "sequence number of length " + std::to_string(length));
      }
      if (fixed >= 0 && length != static_cast<uint32_t>(fixed)) {
        return At(eventAt, "meta event " + std::to_string(type) + " of length " +
                               std::to_string(length) + " instead of " + std::to_string(fixed));
      }
      in.Skip(length);
      if (type == 0x2F) {
        if (!in.AtEnd()) return At(in.Position(), "bytes after the end of track");
        return {};
      }
    } else {
      return At(eventAt, "status byte " + std::to_string(status) + " that files never hold");
    }
  }
  return At(end, "track without an end-of-track event");
}

}  // namespace

std::string CheckStandardMidiFile(std::string_view bytes) {
  Reader in(bytes, 0, bytes.size());
  if (bytes.substr(0, 4) != "MThd") return "no MThd chunk at the start";
  in.Skip(4);
  uint32_t length, format, tracks, division;
  if (!in.BigEndian(4, length) || length != 6) return "MThd chunk length is not 6";
  if (!in.BigEndian(2, format) || !in.BigEndian(2, tracks) || !in.BigEndian(2, division)) {
    return "MThd chunk cut short";
  }
  if (format > 2) return "format " + std::to_string(format);
  if (format == 0 && tracks != 1) return "format 0 with " + std::to_string(tracks) + " tracks";
  if (division == 0) return "division 0";
  for (uint32_t t = 0; t < tracks; ++t) {
    const size_t chunkAt = in.Position();
    if (bytes.substr(chunkAt, 4) != "MTrk") {
      return At(chunkAt, "track " + std::to_string(t) + " does not start with MTrk");
    }
    in.Skip(4);
    uint32_t trackLength;
    if (!in.BigEndian(4, trackLength)) return At(chunkAt, "track length cut short");
    if (trackLength > in.Left()) return At(chunkAt, "track length beyond the end of the file");
    const size_t begin = in.Position();
    std::string error = CheckTrack(bytes, begin, begin + trackLength);
    if (!error.empty()) return "track " + std::to_string(t) + ": " + error;
    in.Skip(trackLength);
  }
  if (!in.AtEnd()) return At(in.Position(), "bytes after the last track");
  return {};
}

}  // namespace tonvale::fuzz
