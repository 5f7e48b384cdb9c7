#include "dsp/pitch.h"

#include <cmath>

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

}  // namespace tonvale
