#pragma once

// The whole-signal forms of the streaming numeric kit and readers, which the program itself no
// longer uses: the tests compare the streams with them, and check them against the reference
// formulas and the literal transcription. They live in the program's namespace under their old
// names so that the tests read as before.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/message_log.h"
#include "extraction/wave_header_report.h"
#include "extraction/work_file.h"

namespace tonvale {

// In-place complex transform of n points on split arrays. Forward: X[k] = sum x[j] e^(-2 pi i
// jk/n), unscaled. Inverse: x[j] = (1/n) sum X[k] e^(+2 pi i jk/n). Returns 1; 0, with the data
// untouched, when n is not a power of two (n = 1 included) or memory runs out.
int Fft(double* re, double* im, int n, bool inverse);

// The convolution of StreamingConvolver over the whole signal at once: y gets L samples, with
// transforms of FastConvolveSize points. False when memory runs out.
bool FastConvolve(std::span<const double> h, std::span<const double> x, std::vector<double>& y);
bool FastConvolve(std::span<const double> h, std::span<const int16_t> x, std::vector<double>& y);
// The same with a chosen transform size (a power of two not below the filter length); the
// result agrees with FastConvolve's to within rounding whatever the size.
bool FastConvolveWithSize(std::span<const double> h, std::span<const double> x, int fftSize,
                          std::vector<double>& y);

// StreamingDownSampler over the whole signal of 16-bit samples: y gets
// ResampledLength(L, rateIn, rateOut) samples. False when memory runs out.
bool DownSample(std::span<const int16_t> samples, double rateIn, double rateOut,
                std::vector<double>& y);

// StreamingResampler over the whole signal: y gets its n samples. False when the step is not a
// positive number or memory runs out.
bool Resample(std::span<const double> x, double rateIn, double rateOut, std::vector<double>& y);

// Which of the decoded samples ReadWaveSamples keeps.
enum class KeptSamples {
  kAll,
  kFirstOfTwo,  // samples 0, 2, 4 ...: the first channel of stereo, as FoldStereo keeps it
};

// WaveSampleReader to the end of the data, into one array: logs the widening of 8-bit data and
// the amplitude range. `dataBytes` gets the count of bytes used. 1, after the reader's line,
// when the file cannot be opened or read, holds another bit depth, or memory runs out.
int ReadWaveSamples(MessageLog& log, const std::string& wavePath, const WaveFmt_Data& format,
                    std::vector<int16_t>& samples, int64_t& dataBytes,
                    KeptSamples kept = KeptSamples::kAll);

// Keeps the first channel of interleaved stereo samples, in place: mono[k] = samples[2k], then
// logs the fold as LogStereoFold does and returns the mono byte count.
int64_t FoldStereo(MessageLog& log, std::vector<int16_t>& samples, int64_t dataBytes,
                   int32_t& dataRate);

// ParseWorkFile over bytes held in memory.
void ParseWorkFile(std::string_view bytes, WorkFile& file);

}  // namespace tonvale
