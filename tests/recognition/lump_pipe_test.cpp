#include "recognition/lump_pipe.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace tonvale {
namespace {

struct Taken {
  int64_t label;
  std::vector<float> frequencies, levels;
  bool operator==(const Taken&) const = default;
};

// Lumps of 0 to 6 points: together many batches' worth.
std::vector<Taken> SomeLumps(int count) {
  std::vector<Taken> lumps;
  for (int k = 0; k < count; ++k) {
    Taken lump{10 * k, {}, {}};
    for (int p = 0; p < k % 7; ++p) {
      lump.frequencies.push_back(100.0f + k + 0.25f * p);
      lump.levels.push_back(40.0f - p);
    }
    lumps.push_back(lump);
  }
  return lumps;
}

void AddAll(LumpPipe& pipe, const std::vector<Taken>& lumps) {
  for (const Taken& lump : lumps) pipe.Add(lump.label, lump.frequencies, lump.levels);
}

TEST(LumpPipeTest, TheConsumerTakesEveryLumpInOrderAndMayStopEarly) {
  const std::vector<Taken> lumps = SomeLumps(20000);
  for (size_t wanted : {size_t{0}, size_t{1}, size_t{5000}, lumps.size()}) {
    std::vector<Taken> taken;
    bool ended = false;
    LumpPipe pipe([&](const LumpPipe::Source& next) {
      int64_t label;
      std::span<const float> frequencies, levels;
      while (taken.size() < wanted && next(label, frequencies, levels)) {
        taken.push_back(
            {label, {frequencies.begin(), frequencies.end()}, {levels.begin(), levels.end()}});
      }
      ended = !next(label, frequencies, levels);
    });
    // Lumps added after the consumer has returned are dropped, not waited for.
    AddAll(pipe, lumps);
    pipe.Finish();
    const std::vector<Taken> expected(lumps.begin(),
                                      lumps.begin() + static_cast<std::ptrdiff_t>(wanted));
    EXPECT_EQ(taken, expected) << wanted;
    if (wanted == lumps.size()) {
      EXPECT_TRUE(ended);
    }
  }
}

TEST(LumpPipeTest, WhatTheConsumerThrowsReachesTheMaker) {
  LumpPipe pipe([](const LumpPipe::Source& next) {
    int64_t label;
    std::span<const float> frequencies, levels;
    next(label, frequencies, levels);
    throw std::bad_alloc();
  });
  // Either a later Add or Finish throws it, once.
  bool thrown = false;
  try {
    AddAll(pipe, SomeLumps(20000));
    pipe.Finish();
  } catch (const std::bad_alloc&) {
    thrown = true;
  }
  EXPECT_TRUE(thrown);
  EXPECT_NO_THROW(pipe.Finish());
}

}  // namespace
}  // namespace tonvale
