#include "playback/midi_file_check.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "app/numbers.h"

namespace tonvale {
namespace {

class ByteReader {
 public:
  ByteReader(std::string_view bytes, size_t begin, size_t end)
      : bytes_(bytes), pos_(begin), end_(end) {}

  size_t Pos() const { return pos_; }
  bool Has(size_t n) const { return end_ - pos_ >= n; }
  uint8_t Peek() const { return static_cast<uint8_t>(bytes_[pos_]); }
  uint8_t U8() { return static_cast<uint8_t>(bytes_[pos_++]); }
  uint16_t U16() {
    const uint16_t hi = U8();
    return static_cast<uint16_t>(hi << 8 | U8());
  }
  uint32_t U32() {
    const uint32_t hi = U16();
    return hi << 16 | U16();
  }
  std::string_view Take(size_t n) {
    std::string_view part = bytes_.substr(pos_, n);
    pos_ += n;
    return part;
  }
  // A variable-length quantity of at most four bytes.
  bool VarLen(uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
      if (!Has(1)) return false;
      const uint8_t byte = U8();
      value = value << 7 | (byte & 0x7f);
      if ((byte & 0x80) == 0) return true;
    }
    return false;
  }

 private:
  std::string_view bytes_;
  size_t pos_;
  size_t end_;
};

// The timing a track tells: where its tempo changes fall and where it ends, in ticks.
struct TrackTiming {
  std::vector<std::pair<uint64_t, uint32_t>> tempos;  // tick, microseconds per quarter note
  uint64_t endTick = 0;
};

// Empty when the events of one track chunk are well formed and end with end-of-track.
std::string ScanTrack(ByteReader in, int track, TrackTiming& timing) {
  uint8_t running = 0;
  uint64_t tick = 0;
  while (in.Has(1)) {
    const size_t at = in.Pos();
    uint32_t delta = 0;
    if (!in.VarLen(delta)) break;
    tick += delta;
    if (!in.Has(1)) break;
    uint8_t status = in.Peek();
    if (status & 0x80) {
      in.U8();
    } else if (running == 0) {
      return Format("トラック %d の %zu バイト目に状態バイトのないイベントがあります．", track, at);
    } else {
      status = running;
    }
    if (status < 0xf0) {
      running = status;
      const size_t data = (status & 0xe0) == 0xc0 ? 1 : 2;
      if (!in.Has(data)) break;
      in.Take(data);
    } else if (status == 0xf0 || status == 0xf7 || status == 0xff) {
      const uint8_t type = status == 0xff && in.Has(1) ? in.U8() : 0;
      uint32_t length = 0;
      if (!in.VarLen(length) || !in.Has(length)) break;
      const std::string_view data = in.Take(length);
      if (status == 0xff && type == 0x51 && length == 3) {
        const auto byte = [&](size_t i) {
          return static_cast<uint32_t>(static_cast<uint8_t>(data[i]));
        };
        timing.tempos.emplace_back(tick, byte(0) << 16 | byte(1) << 8 | byte(2));
      }
      if (status == 0xff && type == 0x2f) {
        timing.endTick = std::max(timing.endTick, tick);
        return {};
      }
    } else {
      return Format("トラック %d の %zu バイト目に不正なイベント (0x%02X) があります．", track, at,
                    status);
    }
  }
  return Format("トラック %d が終了イベントの前で途切れています．", track);
}

// Checks the file as CheckMidiFile says and gathers the timing of all its tracks.
std::string ScanMidiFile(std::string_view bytes, TrackTiming& timing, int& division) {
  ByteReader in(bytes, 0, bytes.size());
  if (!in.Has(14) || in.Take(4) != "MThd") {
    return "Standard MIDI File の見出し (MThd) がありません．";
  }
  const uint32_t headerLength = in.U32();
  if (headerLength < 6 || !in.Has(headerLength)) return "MIDI ファイルの見出しが壊れています．";
  const int format = in.U16();
  const int tracks = in.U16();
  division = in.U16();
  in.Take(headerLength - 6);
  if (format > 2) return Format("形式 %d の MIDI ファイルには対応していません．", format);
  if (tracks == 0) return "MIDI ファイルにトラックがありません．";
  if (division & 0x8000) return "SMPTE 時間単位の MIDI ファイルには対応していません．";
  if (division == 0) return "MIDI ファイルの時間単位が 0 です．";

  for (int track = 1; track <= tracks;) {
    if (!in.Has(8))
      return Format("トラック %d がありません (ファイルが途中で終わっています)．", track);
    const std::string_view id = in.Take(4);
    const uint32_t length = in.U32();
    if (!in.Has(length)) return Format("トラック %d が途中で切れています．", track);
    const size_t begin = in.Pos();
    in.Take(length);
    if (id != "MTrk") {
      for (char c : id) {
        if (c < 0x20 || c > 0x7e) return Format("トラック %d の見出しが壊れています．", track);
      }
      continue;  // a chunk of another kind
    }
    std::string problem = ScanTrack(ByteReader(bytes, begin, begin + length), track, timing);
    if (!problem.empty()) return problem;
    ++track;
  }
  return {};
}

}  // namespace

std::string CheckMidiFile(std::string_view bytes) {
  TrackTiming timing;
  int division = 0;
  return ScanMidiFile(bytes, timing, division);
}

int64_t MidiFileMilliseconds(std::string_view bytes) {
  TrackTiming timing;
  int division = 0;
  if (!ScanMidiFile(bytes, timing, division).empty() || division <= 0) return 0;
  // One tempo map for the whole song, from whichever track sets it; 120 beats per minute until
  // the first change.
  std::stable_sort(timing.tempos.begin(), timing.tempos.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  double microseconds = 0.0;
  uint64_t tick = 0;
  uint32_t tempo = 500000;
  for (const auto& [at, next] : timing.tempos) {
    if (at >= timing.endTick) break;
    microseconds += static_cast<double>(at - tick) * tempo / division;
    tick = at;
    tempo = next;
  }
  microseconds += static_cast<double>(timing.endTick - tick) * tempo / division;
  // A file of enormous delta times still gives a length that later sums cannot overflow.
  constexpr double kLongestMs = 1e15;
  return static_cast<int64_t>(std::min(microseconds / 1000.0, kLongestMs));
}

}  // namespace tonvale
