#include "support/whole_signal.h"

#include <algorithm>
#include <new>
#include <type_traits>

#include "dsp/complex_fft.h"
#include "dsp/double_array.h"
#include "dsp/down_sample.h"
#include "dsp/fast_convolve.h"
#include "dsp/fft.h"
#include "dsp/resample.h"
#include "extraction/wave_samples.h"

namespace tonvale {
namespace {

// Feeds 16-bit samples to `add` as doubles, a run at a time.
template <typename Add>
void FeedShorts(std::span<const int16_t> x, const Add& add) {
  std::vector<double> run;
  for (size_t at = 0; at < x.size(); at += 1 << 16) {
    const auto part = x.subspan(at, std::min<size_t>(1 << 16, x.size() - at));
    run.assign(part.begin(), part.end());
    add(std::span<const double>(run));
  }
}

template <typename Sample>
bool ConvolveInto(std::span<const double> h, std::span<const Sample> x, long long fftSize,
                  std::vector<double>& y) {
  std::vector<double>().swap(y);
  if (!TryReserve(y, x.size())) return false;
  StreamingConvolver convolver;
  if (!convolver.Start(h, x.size(), fftSize, nullptr)) return false;
  const ConvolutionSink append = [&y](std::span<const double> run) {
    y.insert(y.end(), run.begin(), run.end());
  };
  if constexpr (std::is_same_v<Sample, double>) {
    convolver.Add(x, append);
  } else {
    FeedShorts(x, [&](std::span<const double> run) { convolver.Add(run, append); });
  }
  convolver.Finish(append);
  return true;
}

}  // namespace

int Fft(double* re, double* im, int n, bool inverse) {
  if ((1LL << Log2Ceil(n)) != n) return 0;
  ComplexFft plan;
  if (!plan.Prepare(n)) return 0;
  if (!inverse) {
    plan.Forward(re, im);
    return 1;
  }
  plan.Inverse(re, im);
  const double scale = 1.0 / n;
  for (int i = 0; i < n; ++i) {
    re[i] *= scale;
    im[i] *= scale;
  }
  return 1;
}

bool FastConvolve(std::span<const double> h, std::span<const double> x, std::vector<double>& y) {
  return ConvolveInto(h, x, FastConvolveSize(h.size(), x.size()), y);
}

bool FastConvolve(std::span<const double> h, std::span<const int16_t> x, std::vector<double>& y) {
  return ConvolveInto(h, x, FastConvolveSize(h.size(), x.size()), y);
}

bool FastConvolveWithSize(std::span<const double> h, std::span<const double> x, int fftSize,
                          std::vector<double>& y) {
  if (fftSize < 1 || (fftSize & (fftSize - 1)) != 0) return false;
  return ConvolveInto(h, x, fftSize, y);
}

bool DownSample(std::span<const int16_t> samples, double rateIn, double rateOut,
                std::vector<double>& y) {
  std::vector<double>().swap(y);
  StreamingDownSampler down;
  if (!down.Start(samples.size(), rateIn, rateOut, nullptr)) return false;
  if (!TryReserve(y, down.length())) return false;
  FeedShorts(samples, [&](std::span<const double> run) { down.Add(run, y); });
  down.Finish(y);
  return true;
}

bool Resample(std::span<const double> x, double rateIn, double rateOut, std::vector<double>& y) {
  std::vector<double>().swap(y);
  StreamingResampler resampler;
  if (!resampler.Start(x.size(), rateIn, rateOut)) return false;
  if (!TryReserve(y, resampler.length())) return false;
  resampler.Add(x, y);
  resampler.Finish(y);
  return true;
}

int ReadWaveSamples(MessageLog& log, const std::string& wavePath, const WaveFmt_Data& format,
                    std::vector<int16_t>& samples, int64_t& dataBytes, KeptSamples kept) {
  samples.clear();
  dataBytes = 0;
  WaveSampleReader reader;
  if (reader.Open(log, wavePath, format) != 0) return 1;
  dataBytes = reader.dataBytes();
  const bool firstOfTwo = kept == KeptSamples::kFirstOfTwo;
  const int64_t decoded = reader.bits() == 8 ? dataBytes : dataBytes / 2;
  try {
    samples.reserve(static_cast<size_t>(firstOfTwo ? (decoded + 1) / 2 : decoded));
  } catch (const std::bad_alloc&) {
    log.AppendLog("err: 記憶領域が不足しています．");
    return 1;
  }
  std::vector<int16_t> run;
  size_t index = 0;  // of the next decoded sample
  while (reader.Next(run)) {
    for (int16_t s : run) {
      if (!firstOfTwo || index % 2 == 0) samples.push_back(s);
      ++index;
    }
  }
  if (reader.Failed()) return 1;
  reader.LogAmplitude(log);
  return 0;
}

int64_t FoldStereo(MessageLog& log, std::vector<int16_t>& samples, int64_t dataBytes,
                   int32_t& dataRate) {
  const size_t frames = (samples.size() + 1) / 2;
  for (size_t k = 0; k < frames; ++k) samples[k] = samples[2 * k];
  samples.resize(frames);
  samples.shrink_to_fit();
  return LogStereoFold(log, dataBytes, dataRate);
}

void ParseWorkFile(std::string_view bytes, WorkFile& file) {
  InputStream in(bytes);
  ParseWorkFile(in, file);
}

}  // namespace tonvale
