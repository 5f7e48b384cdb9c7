#include "dsp/spectral_maxima.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace tonvale {
namespace {

// The sieve must pass exactly the bins that this bin-by-bin test passes.
std::vector<int> Literal(const std::vector<double>& power, int last, double floor, double margin,
                         double tiny) {
  auto surelyBelow = [&](double p, double other) { return other > tiny && p < other * margin; };
  std::vector<int> bins;
  for (int k = 1; k <= last; ++k) {
    const double p = power[static_cast<size_t>(k)];
    if (p < floor || surelyBelow(p, power[static_cast<size_t>(k - 1)]) ||
        surelyBelow(p, power[static_cast<size_t>(k + 1)])) {
      continue;
    }
    bins.push_back(k);
  }
  return bins;
}

TEST(SpectralMaximaTest, PassesExactlyTheBinsOfTheBinByBinTest) {
  constexpr double kMargin = 1.0 - 1e-9, kTiny = 1e-290;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  std::mt19937 random(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int round = 0; round < 300; ++round) {
    const int last = 1 + round % 37;  // every remainder of four, short and long
    std::vector<double> power(static_cast<size_t>(last) + 5, 0.0);
    for (size_t k = 0; k < static_cast<size_t>(last) + 2; ++k) {
      const double u = unit(random);
      // Near-ties within the margin, exact ties, values about the tiny limit, zeros, NaN and
      // infinity among ordinary powers.
      power[k] = u < 0.1    ? (k > 0 ? power[k - 1] * (1.0 - 1e-10 * unit(random)) : 1.0)
                 : u < 0.15 ? (k > 0 ? power[k - 1] : 0.0)
                 : u < 0.2  ? 1e-290 * (0.5 + unit(random))
                 : u < 0.25 ? 0.0
                 : u < 0.27 ? nan
                 : u < 0.29 ? inf
                            : std::pow(10.0, 8.0 * unit(random) - 4.0);
    }
    for (double floor : {0.0, 1e-3, 10.0}) {
      std::vector<int> bins(static_cast<size_t>(last));
      bins.resize(static_cast<size_t>(
          CandidateMaxima(power.data(), last, floor, kMargin, kTiny, bins.data())));
      EXPECT_EQ(bins, Literal(power, last, floor, kMargin, kTiny)) << round << " " << floor;
    }
  }
}

}  // namespace
}  // namespace tonvale
