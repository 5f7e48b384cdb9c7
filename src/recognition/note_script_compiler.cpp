#include "recognition/note_script_compiler.h"

#include <algorithm>
#include <cmath>

namespace tonvale {
namespace {

constexpr uint32_t kLargestDelta = 0x0FFFFFFF;
constexpr int kTicksPerQuarter = 480;
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

class Compiler final : public NoteScriptEvents {
 public:
  Compiler(std::string& out, DelayRounding rounding) : out_(out), rounding_(rounding) {}

  void TrackCount(int64_t tracks) override {
    AppendBigEndian(out_, static_cast<uint32_t>(std::max<int64_t>(tracks, 0)), 2);
    AppendBigEndian(out_, kTicksPerQuarter, 2);
  }

  void BeginTrack(int64_t track) override {
    channel_ = static_cast<int>(track % 16);
    out_ += "MTrk";
    lengthAt_ = out_.size();
    AppendBigEndian(out_, 0, 4);
    pendingTicks_ = -1;
    exactTicks_ = 0.0;
    writtenTicks_ = 0;
  }

  void EndTrack() override {
    BeginEvent();
    out_ += "\xFF\x2F";
    AppendByte(out_, 0);
    const auto length = static_cast<uint32_t>(out_.size() - lengthAt_ - 4);
    for (int i = 0; i < 4; ++i) {
      out_[lengthAt_ + static_cast<size_t>(i)] = static_cast<char>((length >> (24 - 8 * i)) & 0xFF);
    }
  }

  void Delay(int64_t milliseconds) override {
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
    const int64_t whole = ticks >= kLargestDelta ? kLargestDelta : static_cast<int64_t>(ticks);
    pendingTicks_ = std::min<int64_t>(std::max<int64_t>(pendingTicks_, 0) + whole, kLargestDelta);
  }

  void Rhythm(int64_t numerator, int64_t denominator) override {
    BeginEvent();
    out_ += "\xFF\x58";
    AppendByte(out_, 4);
    AppendByte(out_, static_cast<int>(numerator & 0xFF));
    // The power of two of the denominator, rounded down; 0 for a denominator below 1.
    AppendByte(
        out_, denominator >= 1 ? static_cast<int>(std::log2(static_cast<double>(denominator))) : 0);
    AppendByte(out_, 0x18);
    AppendByte(out_, 0x08);
  }

  void Tempo(int64_t beatsPerMinute) override {
    const int64_t bpm = std::clamp(beatsPerMinute, kSlowestTempo, kFastestTempo);
    const double secondsPerQuarter = 60.0 / static_cast<double>(bpm);
    BeginEvent();
    out_ += "\xFF\x51";
    AppendByte(out_, 3);
    // 24-bit microseconds per quarter: the high byte via 1,000,000 / 65,536, then the low 16.
    AppendByte(out_, static_cast<int>(secondsPerQuarter * 15.2587890625));
    AppendBigEndian(out_, static_cast<uint32_t>(secondsPerQuarter * 1000000) & 0xFFFF, 2);
    msPerQuarter_ = secondsPerQuarter * 1000;
  }

  void Tone(int64_t program) override {
    BeginEvent();
    AppendByte(out_, 0xC0 | channel_);
    // Programs count from 1 in the script and from 0 in the file; any program of 0 or less
    // is 0 (and the subtraction must not overflow for the most negative one).
    AppendByte(out_, DataByte(std::max<int64_t>(program, 1) - 1));
  }

  void Note(int noteNumber, int64_t velocity) override {
    BeginEvent();
    AppendByte(out_, 0x90 | channel_);
    AppendByte(out_, noteNumber);
    AppendByte(out_, DataByte(velocity));
  }

 private:
  // Every event is preceded by exactly one delta time, so that the file stays readable
  // whatever the script: delays in a row add up, and an event without one gets 0.
  void BeginEvent() {
    AppendVariableLength(out_, static_cast<uint32_t>(std::max<int64_t>(pendingTicks_, 0)));
    pendingTicks_ = -1;
  }

  std::string& out_;
  DelayRounding rounding_;
  int channel_ = 0;
  size_t lengthAt_ = 0;
  double msPerQuarter_ = 500.0;  // tempo 120 until a tempo event, in any track
  int64_t pendingTicks_ = -1;    // the delta time read for the next event; -1: none
  double exactTicks_ = 0.0;      // kCarried: the track's delays so far, in ticks
  int64_t writtenTicks_ = 0;     // kCarried: the ticks given to them
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
  midi.clear();
  midi += "MThd";
  AppendBigEndian(midi, 6, 4);
  AppendBigEndian(midi, 1, 2);
  Compiler compiler(midi, rounding);
  return ReadNoteScript(script, compiler);
}

}  // namespace tonvale
