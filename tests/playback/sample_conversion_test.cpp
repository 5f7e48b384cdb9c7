#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "playback/channel_map.h"
#include "playback/output_converter.h"
#include "playback/playback_test_files.h"
#include "playback/resampler.h"

namespace tonvale {
namespace {

using testing::VectorSource;

std::vector<float> Sine(double frequency, double amplitude, int rate, int frames) {
  std::vector<float> samples(frames);
  for (int i = 0; i < frames; ++i) {
    samples[i] =
        static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * frequency * i / rate));
  }
  return samples;
}

std::vector<float> ResampleAll(std::vector<float> in, int inRate, int outRate, int block) {
  VectorSource source(std::move(in), inRate, 1);
  Resampler resampler(inRate, outRate, 1);
  std::vector<float> out;
  std::vector<float> chunk(block);
  while (true) {
    const int got = resampler.Process(source, chunk.data(), block);
    out.insert(out.end(), chunk.begin(), chunk.begin() + got);
    if (got < block) return out;
  }
}

// Largest difference from a sine of the given frequency, away from the two ends where the
// band-limited step of the start and the end rings.
double InteriorError(const std::vector<float>& out, double frequency, double amplitude, int rate,
                     int margin) {
  double worst = 0.0;
  for (size_t j = margin; j + margin < out.size(); ++j) {
    const double expected = amplitude * std::sin(2.0 * std::numbers::pi * frequency * j / rate);
    worst = std::max(worst, std::abs(out[j] - expected));
  }
  return worst;
}

double InteriorRms(const std::vector<float>& out, int margin) {
  double sum = 0.0;
  size_t count = 0;
  for (size_t j = margin; j + margin < out.size(); ++j, ++count) sum += out[j] * out[j];
  return std::sqrt(sum / count);
}

TEST(ResamplerTest, UpsampledToneFollowsTheSineAndKeepsTheDuration) {
  // 22050 -> 48000 Hz: 147 : 320, a ratio whose phase pattern repeats only every 320 frames.
  const std::vector<float> out = ResampleAll(Sine(1000.0, 0.5, 22050, 22050), 22050, 48000, 512);
  EXPECT_EQ(out.size(), 48000u);
  // Compared with the sine at the output's own times: a delay would show as a large error.
  EXPECT_LT(InteriorError(out, 1000.0, 0.5, 48000, 100), 2e-4);
}

TEST(ResamplerTest, DownsamplingPassesTheBandAndRemovesWhatWouldAlias) {
  const std::vector<float> low = ResampleAll(Sine(1000.0, 0.5, 48000, 48000), 48000, 22050, 999);
  EXPECT_EQ(low.size(), 22050u);
  EXPECT_LT(InteriorError(low, 1000.0, 0.5, 22050, 100), 2e-4);

  // 15 kHz lies above the new Nyquist frequency; kept, it would come back as 7050 Hz.
  const std::vector<float> high = ResampleAll(Sine(15000.0, 0.5, 48000, 48000), 48000, 22050, 999);
  EXPECT_LT(InteriorRms(high, 100), 0.5 / std::sqrt(2.0) * 1e-3);  // more than 60 dB down
}

TEST(ResamplerTest, OutputDoesNotDependOnTheBlockSizeNorOnAReset) {
  const std::vector<float> in = Sine(440.0, 0.8, 44100, 10000);
  const std::vector<float> whole = ResampleAll(in, 44100, 48000, 20000);
  const std::vector<float> pieces = ResampleAll(in, 44100, 48000, 7);
  EXPECT_EQ(whole, pieces);
  EXPECT_EQ(whole.size(), 10885u);  // ceil(10000 * 48000 / 44100)

  VectorSource source(in, 44100, 1);
  Resampler resampler(44100, 48000, 1);
  std::vector<float> first(3000);
  resampler.Process(source, first.data(), 3000);
  source.Rewind();
  resampler.Reset();
  std::vector<float> again(whole.size() + 10);
  EXPECT_EQ(resampler.Process(source, again.data(), static_cast<int>(again.size())),
            static_cast<int>(whole.size()));
  again.resize(whole.size());
  EXPECT_EQ(again, whole);
}

TEST(ChannelMapTest, MapsMonoStereoAndWiderLayouts) {
  const float mono[] = {0.5f, -0.25f};
  float stereo[4];
  ChannelMap(1, 2).Apply(mono, stereo, 2);
  EXPECT_EQ(std::vector<float>(stereo, stereo + 4),
            (std::vector<float>{0.5f, 0.5f, -0.25f, -0.25f}));

  const float pair[] = {0.5f, 0.25f};
  float down[1];
  ChannelMap(2, 1).Apply(pair, down, 1);
  EXPECT_FLOAT_EQ(down[0], 0.375f);

  float wide[6];
  ChannelMap(2, 6).Apply(pair, wide, 1);
  EXPECT_EQ(std::vector<float>(wide, wide + 6), (std::vector<float>{0.5f, 0.25f, 0, 0, 0, 0}));

  // Mono on a surround layout goes to the front left and right speakers only.
  ChannelMap toSurround(1, 6);
  EXPECT_EQ(toSurround.Gain(0, 0), 1.0f);
  EXPECT_EQ(toSurround.Gain(1, 0), 1.0f);
  EXPECT_EQ(toSurround.Gain(2, 0), 0.0f);
}

TEST(OutputConverterTest, EqualRatesPassSamplesUntouchedThenSilence) {
  std::vector<float> samples = {0.1f, -0.2f, 0.3f, -0.4f, 0.5f, -0.6f};  // three stereo frames
  VectorSource source(samples, 44100, 2);
  OutputConverter converter(source, 44100, 2);
  std::vector<float> out(10, 9.0f);
  converter.Render(out.data(), 5);
  EXPECT_EQ(out, (std::vector<float>{0.1f, -0.2f, 0.3f, -0.4f, 0.5f, -0.6f, 0, 0, 0, 0}));
  EXPECT_TRUE(converter.Finished());
  EXPECT_EQ(converter.FramesRendered(), 3);

  source.Rewind();
  converter.Reset();
  EXPECT_FALSE(converter.Finished());
  converter.Render(out.data(), 1);
  EXPECT_EQ(out[0], 0.1f);
}

TEST(OutputConverterTest, ResamplesThenMapsChannels) {
  VectorSource source(Sine(500.0, 0.5, 22050, 2205), 22050, 1);
  OutputConverter converter(source, 44100, 2);
  std::vector<float> out(2 * 5000, 9.0f);
  converter.Render(out.data(), 5000);
  EXPECT_EQ(converter.FramesRendered(), 4410);
  EXPECT_TRUE(converter.Finished());
  double worst = 0.0;
  for (int j = 0; j < 4410; ++j) {
    ASSERT_EQ(out[2 * j], out[2 * j + 1]);
    if (j >= 100 && j < 4310) {
      worst = std::max(
          worst, std::abs(out[2 * j] - 0.5 * std::sin(2.0 * std::numbers::pi * 500.0 * j / 44100)));
    }
  }
  EXPECT_LT(worst, 2e-4);
  for (int j = 4410; j < 5000; ++j) EXPECT_EQ(out[2 * j], 0.0f);
}

}  // namespace
}  // namespace tonvale
