#include "recognition/note_script_compiler.h"

#include <algorithm>
#include <cmath>

#include "app/input_stream.h"
#include "app/numbers.h"

namespace tonvale {
namespace {

constexpr uint32_t kLargestDelta = 0x0FFFFFFF;
constexpr int kTicksPerQuarter = 480;
constexpr int64_t kMaxTracks = 0xFFFF;
// Slower than 4 beats per minute does not fit the 24-bit tempo; faster than 60,000,000 is
// less than a microsecond per beat.
constexpr int64_t kSlowestTempo = 4;
constexpr int64_t kFastestTempo = 60000000;

void AppendByte(std::string& out, int byte) {
  out.push_back(static_cast<char>(static_cast<uint8_t>(byte)));
}

void AppendBigEndian(std::string& out, uint32_t value, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
    AppendByte(out, (value >> shift) & 0xFF);
}

int DataByte(int64_t value) {
  return static_cast<int>(std::clamp<int64_t>(value, 0, 127));
}

// The leading "tracks N" of the script (leading white space allowed). False when the script
// does not start that way.
bool ScanTrackCount(InputStream& in, int64_t& count) {
  int c;
  while ((c = in.Get()) != InputStream::kEnd && IsTokenSpace(c)) {
  }
  for (char expected : std::string_view("tracks")) {
    if (c != expected) return false;
    c = in.Get();
  }
  while (c != InputStream::kEnd && IsTokenSpace(c)) c = in.Get();
  std::string digits;
  if (c == '+' || c == '-') {
    digits.push_back(static_cast<char>(c));
    c = in.Get();
  }
  if (c < '0' || c > '9') return false;
  while (c >= '0' && c <= '9') {
    digits.push_back(static_cast<char>(c));
    c = in.Get();
  }
  if (c != InputStream::kEnd) in.Unget();
  count = LeadingInteger(digits);
  return true;
}

// The MIDI note of a name: octave digit o (or the third byte's code when it is no digit),
// ((o + 2) x 12 + semitone of the letter) in 8 bits, one up for a '#' in second place.
int NoteNumber(std::string_view name) {
  static constexpr int kSemitones[] = {9, 11, 0, 2, 4, 5, 7};  // a .. g
  auto at = [&](size_t i) -> int {
    return i < name.size() ? static_cast<unsigned char>(name[i]) : 0;
  };
  const int letter = at(0);
  const int third = at(2);
  const int octave = third >= '0' && third <= '9' ? third - '0' : third;
  int number = ((octave + 2) * 12 + kSemitones[letter - 'a']) & 0xFF;
  if (at(1) == '#') ++number;
  return DataByte(number);
}

class Compiler {
 public:
  Compiler(std::string_view script, std::string& out, DelayRounding rounding)
      : in_(script), out_(out), rounding_(rounding) {}

  ScriptStatus Run() {
    out_.clear();
    out_ += "MThd";
    AppendBigEndian(out_, 6, 4);
    AppendBigEndian(out_, 1, 2);
    int64_t tracks = 0;
    if (!ScanTrackCount(in_, tracks) || tracks > kMaxTracks) return ScriptStatus::kTrackError;
    AppendBigEndian(out_, static_cast<uint32_t>(std::max<int64_t>(tracks, 0)), 2);
    AppendBigEndian(out_, kTicksPerQuarter, 2);
    for (int64_t k = 0; k < tracks; ++k) {
      if (!Track(static_cast<int>(k % 16))) return ScriptStatus::kTrackError;
    }
    return ScriptStatus::kOk;
  }

 private:
  bool Next() { return in_.ReadToken(token_); }
  int64_t Operand() {
    Next();
    return LeadingInteger(token_);
  }

  bool Track(int channel) {
    if (!Next() || token_ != "track{") return false;
    out_ += "MTrk";
    const size_t lengthAt = out_.size();
    AppendBigEndian(out_, 0, 4);
    pendingTicks_ = -1;
    exactTicks_ = 0.0;
    writtenTicks_ = 0;
    do {
      if (!Next()) return false;
      Item(channel);
    } while (token_ != "}");  // the last token read, an operand's included
    BeginEvent();
    out_ += "\xFF\x2F";
    AppendByte(out_, 0);
    const auto length = static_cast<uint32_t>(out_.size() - lengthAt - 4);
    for (int i = 0; i < 4; ++i) {
      out_[lengthAt + static_cast<size_t>(i)] = static_cast<char>((length >> (24 - 8 * i)) & 0xFF);
    }
    return true;
  }

  // Every event is preceded by exactly one delta time, so that the file stays readable
  // whatever the script: delays in a row add up, and an event without one gets 0.
  void BeginEvent() {
    AppendVariableLength(out_, static_cast<uint32_t>(std::max<int64_t>(pendingTicks_, 0)));
    pendingTicks_ = -1;
  }

  void Delay(int64_t ticks) {
    pendingTicks_ = std::min<int64_t>(std::max<int64_t>(pendingTicks_, 0) + ticks, kLargestDelta);
  }

  void Item(int channel) {
    if (token_ == "rhythm") {
      const int64_t numerator = Operand();
      Next();  // the separator is not looked at
      const int64_t denominator = Operand();
      BeginEvent();
      out_ += "\xFF\x58";
      AppendByte(out_, 4);
      AppendByte(out_, static_cast<int>(numerator & 0xFF));
      // The power of two of the denominator, rounded down; 0 for a denominator below 1.
      AppendByte(out_, denominator >= 1
                           ? static_cast<int>(std::log2(static_cast<double>(denominator)))
                           : 0);
      AppendByte(out_, 0x18);
      AppendByte(out_, 0x08);
    } else if (token_ == "tempo") {
      const int64_t bpm = std::clamp(Operand(), kSlowestTempo, kFastestTempo);
      const double secondsPerQuarter = 60.0 / static_cast<double>(bpm);
      BeginEvent();
      out_ += "\xFF\x51";
      AppendByte(out_, 3);
      // 24-bit microseconds per quarter: the high byte via 1,000,000 / 65,536, then the low 16.
      AppendByte(out_, static_cast<int>(secondsPerQuarter * 15.2587890625));
      AppendBigEndian(out_, static_cast<uint32_t>(secondsPerQuarter * 1000000) & 0xFFFF, 2);
      msPerQuarter_ = secondsPerQuarter * 1000;
    } else if (token_ == "tone") {
      const int64_t program = Operand();
      BeginEvent();
      AppendByte(out_, 0xC0 | channel);
      // Programs count from 1 in the script and from 0 in the file; any program of 0 or less
      // is 0 (and the subtraction must not overflow for the most negative one).
      AppendByte(out_, DataByte(std::max<int64_t>(program, 1) - 1));
    } else if (!token_.empty() && token_[0] >= 'a' && token_[0] <= 'g') {
      const int note = NoteNumber(token_);
      const int64_t velocity = Operand();
      BeginEvent();
      AppendByte(out_, 0x90 | channel);
      AppendByte(out_, note);
      AppendByte(out_, DataByte(velocity));
    } else {
      const int64_t milliseconds = std::max<int64_t>(LeadingInteger(token_), 0);
      const double exact = static_cast<double>(milliseconds) / msPerQuarter_ * kTicksPerQuarter;
      double ticks = std::trunc(exact);
      if (rounding_ == DelayRounding::kCarried) {
        // The track's time so far in ticks, truncated, less the ticks already written: 10 ms
        // at tempo 120 is 9.6 ticks, and truncating each of a thousand such delays on its own
        // would put the last event 0.4 s early.
        exactTicks_ += exact;
        ticks = std::max(0.0, std::floor(exactTicks_ + 1e-6) - static_cast<double>(writtenTicks_));
        writtenTicks_ += static_cast<int64_t>(std::min(ticks, static_cast<double>(kLargestDelta)));
      }
      Delay(ticks >= kLargestDelta ? kLargestDelta : static_cast<int64_t>(ticks));
    }
  }

  InputStream in_;
  std::string& out_;
  std::string token_;
  DelayRounding rounding_;
  double msPerQuarter_ = 500.0;  // tempo 120 until a tempo event
  double exactTicks_ = 0.0;      // kCarried: the track's delays so far, in ticks
  int64_t writtenTicks_ = 0;     // kCarried: the ticks given to them
  int64_t pendingTicks_ = -1;    // the delta time read for the next event; -1: none
};

}  // namespace

void AppendVariableLength(std::string& out, uint32_t value) {
  value = std::min(value, kLargestDelta);
  int shift = 21;
  while (shift > 0 && (value >> shift) == 0) shift -= 7;
  for (; shift > 0; shift -= 7) AppendByte(out, 0x80 | ((value >> shift) & 0x7F));
  AppendByte(out, value & 0x7F);
}

ScriptStatus CompileNoteScript(std::string_view script, std::string& midi, DelayRounding rounding) {
  return Compiler(script, midi, rounding).Run();
}

}  // namespace tonvale
