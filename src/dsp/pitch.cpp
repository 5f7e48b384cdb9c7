#include "dsp/pitch.h"

#include <bit>
#include <cmath>
#include <limits>

#include "app/numbers.h"

namespace tonvale {

bool PitchOf(double frequency, PitchAboveC1& pitch) {
  if (!(frequency > 0.0)) return false;
  // 0.03057805146377144 is 1 / 32.7031956625748 Hz. Every positive finite double gives cents
  // within +-1.3 million, so the truncation to 64 bits is always defined.
  const double cents = 1200.0 * std::log2(frequency * 0.03057805146377144);
  if (!std::isfinite(cents)) return false;
  pitch.cents = WrapToInt16(static_cast<int64_t>(std::trunc(cents)));
  pitch.semitone = WrapToInt16(static_cast<int64_t>(std::trunc(pitch.cents * 0.01 + 0.5)));
  return true;
}

namespace {

int16_t SemitoneOrNone(float frequency, int16_t none) {
  PitchAboveC1 pitch;
  return PitchOf(frequency, pitch) ? pitch.semitone : none;
}

}  // namespace

namespace {

// The table's range and cells, as bit patterns: positive floats are ordered as their patterns
// are, and the 23 bits of a mantissa less 6 leave 1/64 of an octave to a cell.
constexpr float kLowest = 16.0f, kHighest = 8192.0f;
constexpr int kCellShift = 17;

}  // namespace

SemitoneLookup::SemitoneLookup() {
  const uint32_t low = std::bit_cast<uint32_t>(kLowest);
  const uint32_t high = std::bit_cast<uint32_t>(kHighest);
  auto semitone = [](uint32_t bits) { return SemitoneOrNone(std::bit_cast<float>(bits), 0); };
  for (uint32_t start = low; start < high; start += uint32_t{1} << kCellShift) {
    const uint32_t last = start + (uint32_t{1} << kCellShift) - 1;
    Cell cell{semitone(start), std::numeric_limits<float>::infinity()};
    if (semitone(last) != cell.semitone) {
      // The first pattern past `start` whose semitone differs.
      uint32_t below = start, at = last;
      while (at - below > 1) {
        const uint32_t middle = below + (at - below) / 2;
        (semitone(middle) != cell.semitone ? at : below) = middle;
      }
      cell.next = std::bit_cast<float>(at);
    }
    cells_.push_back(cell);
  }
}

int16_t SemitoneLookup::Of(float frequency, int16_t none) const {
  if (frequency >= kLowest && frequency < kHighest) {
    const uint32_t offset = std::bit_cast<uint32_t>(frequency) - std::bit_cast<uint32_t>(kLowest);
    const Cell& cell = cells_[offset >> kCellShift];
    return static_cast<int16_t>(cell.semitone + (frequency >= cell.next ? 1 : 0));
  }
  return SemitoneOrNone(frequency, none);
}

}  // namespace tonvale
