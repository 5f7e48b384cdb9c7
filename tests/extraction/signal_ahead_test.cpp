#include "extraction/signal_ahead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <span>
#include <vector>

#include "dsp/down_sample.h"
#include "extraction/recording_source.h"

namespace tonvale {
namespace {

// `count` samples of a chirp, handed out in reads of at most `chunk`; -1 from read `failAt` on.
class ChirpSource : public RecordingSource {
 public:
  ChirpSource(size_t count, size_t chunk, int failAt)
      : count_(count), chunk_(chunk), failAt_(failAt) {}
  int64_t Read(std::span<double> block) override {
    if (reads_++ == failAt_) return -1;
    const size_t n = std::min({block.size(), chunk_, count_ - next_});
    for (size_t i = 0; i < n; ++i, ++next_) {
      block[i] = 1000.0 * std::sin(1e-5 * static_cast<double>(next_ * next_));
    }
    return static_cast<int64_t>(n);
  }

 private:
  size_t count_, chunk_, next_ = 0;
  int failAt_, reads_ = 0;
};

// What the same steps give on one thread: the first `length` samples, down-sampled or not.
std::vector<double> OnOneThread(size_t count, size_t length, bool down) {
  ChirpSource source(count, count, -1);
  std::vector<double> all(count);
  all.resize(static_cast<size_t>(source.Read(all)));
  all.resize(std::min(all.size(), length));
  if (!down) return all;
  StreamingDownSampler sampler;
  EXPECT_TRUE(sampler.Start(length, 44100.0, 11025.0, nullptr));
  std::vector<double> out;
  sampler.Add(all, out);
  sampler.Finish(out);
  return out;
}

TEST(SignalAheadTest, GivesTheRunsOfOneThreadAndStopsOnAFailedRead) {
  struct Case {
    size_t count, chunk, length;
    bool down;
    int failAt;  // -1: never
  } const cases[] = {
      {600000, 300000, 600000, true, -1},  // reads of more than one block, down-sampled
      {600000, 70000, 500000, false, -1},  // samples past the analysed ones are read, not used
      {0, 1, 0, true, -1},                 // an empty recording still ends
      {600000, 100000, 600000, true, 3},   // the fourth read fails
  };
  for (const Case& c : cases) {
    ChirpSource source(c.count, c.chunk, c.failAt);
    StreamingDownSampler sampler;
    if (c.down) {
      ASSERT_TRUE(sampler.Start(c.length, 44100.0, 11025.0, nullptr));
    }
    SignalAhead ahead(source, c.down ? &sampler : nullptr, c.length);
    std::vector<double> run, got;
    int64_t read = 0, lastRead = 0;
    SignalAhead::Got result;
    while ((result = ahead.Next(run, read)) == SignalAhead::Got::kRun) {
      EXPECT_GE(read, lastRead);
      lastRead = read;
      got.insert(got.end(), run.begin(), run.end());
    }
    if (c.failAt >= 0) {
      EXPECT_EQ(result, SignalAhead::Got::kFailed) << c.count;
      continue;
    }
    ASSERT_EQ(result, SignalAhead::Got::kEnd) << c.count;
    got.insert(got.end(), run.begin(), run.end());
    EXPECT_EQ(read, static_cast<int64_t>(c.count));
    EXPECT_EQ(got, OnOneThread(c.count, c.length, c.down)) << c.count << " " << c.chunk;
  }
}

// Memory running out on the reading thread reaches the caller, after the runs made before.
TEST(SignalAheadTest, HandsBackWhatTheReadingThreadThrows) {
  struct Throwing : ChirpSource {
    Throwing() : ChirpSource(size_t{1} << 20, size_t{1} << 16, -1) {}
    int64_t Read(std::span<double> block) override {
      if (++reads > 2) throw std::bad_alloc();
      return ChirpSource::Read(block);
    }
    int reads = 0;
  } source;
  SignalAhead ahead(source, nullptr, size_t{1} << 20);
  std::vector<double> run;
  int64_t read = 0;
  EXPECT_EQ(ahead.Next(run, read), SignalAhead::Got::kRun);
  EXPECT_EQ(ahead.Next(run, read), SignalAhead::Got::kRun);
  EXPECT_THROW(ahead.Next(run, read), std::bad_alloc);
}

TEST(SignalAheadTest, StopsWithRunsStillToCome) {
  ChirpSource source(size_t{1} << 24, size_t{1} << 16, -1);
  SignalAhead ahead(source, nullptr, size_t{1} << 24);
  std::vector<double> run;
  int64_t read = 0;
  ASSERT_EQ(ahead.Next(run, read), SignalAhead::Got::kRun);
  // Returns although the thread waits for room (a hang fails the test by its time limit).
  ahead.Stop();
}

}  // namespace
}  // namespace tonvale
