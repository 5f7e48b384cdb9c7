#include "playback/playback_test_files.h"

#include <algorithm>
#include <cstdint>

namespace tonvale::testing {
namespace {

void PutBigEndian(std::string& out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>(value >> (8 * i) & 0xff);
}

void PutVarLen(std::string& out, uint32_t value) {
  std::string reversed(1, static_cast<char>(value & 0x7f));
  while ((value >>= 7) != 0) reversed += static_cast<char>(0x80 | (value & 0x7f));
  out.append(reversed.rbegin(), reversed.rend());
}

}  // namespace

std::string MakeMidiFile(const std::vector<MidiNote>& notes, int program) {
  struct Event {
    int tick;
    uint8_t status;
    int key;
  };
  std::vector<Event> events;
  for (const MidiNote& note : notes) {
    events.push_back({note.start, 0x90, note.key});
    events.push_back({note.start + note.ticks, 0x80, note.key});
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const Event& a, const Event& b) { return a.tick < b.tick; });

  std::string track;
  track += std::string("\x00\xff\x51\x03\x07\xa1\x20", 7);  // 500000 us per quarter note
  track += std::string("\x00\xc0", 2);
  track += static_cast<char>(program);
  int now = 0;
  for (const Event& event : events) {
    PutVarLen(track, static_cast<uint32_t>(event.tick - now));
    now = event.tick;
    track += static_cast<char>(event.status);
    track += static_cast<char>(event.key);
    track += static_cast<char>(event.status == 0x90 ? 100 : 0);
  }
  track += std::string("\x00\xff\x2f\x00", 4);

  std::string file = "MThd";
  PutBigEndian(file, 6, 4);
  PutBigEndian(file, 0, 2);    // format 0
  PutBigEndian(file, 1, 2);    // one track
  PutBigEndian(file, 480, 2);  // ticks per quarter note
  file += "MTrk";
  PutBigEndian(file, static_cast<uint32_t>(track.size()), 4);
  return file + track;
}

int VectorSource::Read(float* out, int frames) {
  const size_t total = samples_.size() / channels_;
  const size_t count = std::min(total - next_, static_cast<size_t>(std::max(frames, 0)));
  std::copy_n(samples_.begin() + next_ * channels_, count * channels_, out);
  next_ += count;
  return static_cast<int>(count);
}

}  // namespace tonvale::testing
