#include "support/literal_kit.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "app/input_stream.h"
#include "app/numbers.h"
#include "dsp/analysis_windows.h"
#include "dsp/down_sample.h"
#include "dsp/fft.h"
#include "extraction/peak_file.h"

namespace tonvale::literal {

int Fft(double* re, double* im, int n, bool inverse) {
  const int m = Log2Ceil(n);
  if ((1 << m) != n) return 0;
  if (inverse) {
    for (int i = 0; i < n; ++i) im[i] = -im[i];
  }
  int j = 0;
  for (int i = 0; i < n - 1; ++i) {
    if (i < j) {
      std::swap(re[i], re[j]);
      std::swap(im[i], im[j]);
    }
    int k = n / 2;
    while (j >= k) {
      j -= k;
      k /= 2;
    }
    j += k;
  }
  for (int s = 1; s <= m; ++s) {
    const int span = 1 << s;
    const int half = span / 2;
    const double wr = std::cos(std::numbers::pi / half), wi = -std::sin(std::numbers::pi / half);
    double ur = 1.0, ui = 0.0;
    for (int jj = 0; jj < half; ++jj) {
      for (int i = jj; i < n; i += span) {
        const int p = i + half;
        const double tr = ur * re[p] - ui * im[p], ti = ur * im[p] + ui * re[p];
        re[p] = re[i] - tr;
        im[p] = im[i] - ti;
        re[i] += tr;
        im[i] += ti;
      }
      const double nr = ur * wr - ui * wi;
      ui = ur * wi + ui * wr;
      ur = nr;
    }
  }
  if (inverse) {
    for (int i = 0; i < n; ++i) {
      re[i] /= n;
      im[i] /= -n;
    }
  }
  return 1;
}

std::vector<double> FastConvolve(std::span<const double> h, std::span<const double> x) {
  const long long M = static_cast<long long>(h.size()), L = static_cast<long long>(x.size());
  const int N = 1 << (L < M ? Log2Ceil(M + L - 1) : Log2Ceil(2 * M));
  const long long B = N - M + 1;
  const long long blocks = std::max(1LL, (L + B - 1) / B);
  std::vector<double> acc(static_cast<size_t>(M + L - 1), 0.0);
  std::vector<double> hr(static_cast<size_t>(N), 0.0), hi(static_cast<size_t>(N), 0.0);
  for (long long k = 0; k < M; ++k) hr[static_cast<size_t>(k)] = h[static_cast<size_t>(k)];
  Fft(hr.data(), hi.data(), N, false);
  std::vector<double> xr(static_cast<size_t>(N)), xi(static_cast<size_t>(N));
  for (long long b = 0; b < blocks; ++b) {
    for (long long k = 0; k < N; ++k) {
      const long long at = b * B + k;
      xr[static_cast<size_t>(k)] = k < B && at < L ? x[static_cast<size_t>(at)] : 0.0;
      xi[static_cast<size_t>(k)] = 0.0;
    }
    Fft(xr.data(), xi.data(), N, false);
    for (size_t k = 0; k < static_cast<size_t>(N); ++k) {
      const double r = xr[k] * hr[k] - xi[k] * hi[k], i = xr[k] * hi[k] + xi[k] * hr[k];
      xr[k] = r;
      xi[k] = i;
    }
    Fft(xr.data(), xi.data(), N, true);
    for (long long k = 0; k < N && b * B + k < M + L - 1; ++k) {
      acc[static_cast<size_t>(b * B + k)] += xr[static_cast<size_t>(k)];
    }
  }
  std::vector<double> y(static_cast<size_t>(L));
  for (long long j = 0; j < L; ++j) y[static_cast<size_t>(j)] = acc[static_cast<size_t>(M / 2 + j)];
  return y;
}

std::vector<double> DirectConvolve(std::span<const double> h, std::span<const double> x) {
  const long long M = static_cast<long long>(h.size()), L = static_cast<long long>(x.size());
  std::vector<double> y(static_cast<size_t>(L));
  for (long long j = 0; j < L; ++j) {
    long double sum = 0;
    for (long long k = 0; k < M; ++k) {
      const long long at = j + M / 2 - k;
      if (at >= 0 && at < L)
        sum += static_cast<long double>(h[static_cast<size_t>(k)]) * x[static_cast<size_t>(at)];
    }
    y[static_cast<size_t>(j)] = static_cast<double>(sum);
  }
  return y;
}

void SpectrumFft::Transform(int n, double* x, double* y) {
  const int size = std::abs(n);
  if (size != size_) {
    size_ = size;
    const int n2 = size / 2, n4 = size / 4, n8 = size / 8;
    sine_.assign(static_cast<size_t>(size + n4), 0.0);
    double t = std::sin(std::numbers::pi / size);
    double dc = 2 * t * t;
    double ds = std::sqrt(dc * (2 - dc));
    t = 2 * dc;
    double c = sine_[static_cast<size_t>(n4)] = 1;
    double s = sine_[0] = 0;
    for (int i = 1; i < n8; ++i) {
      c -= dc;
      dc += t * c;
      s += ds;
      ds -= t * s;
      sine_[static_cast<size_t>(i)] = s;
      sine_[static_cast<size_t>(n4 - i)] = c;
    }
    if (n8 != 0) sine_[static_cast<size_t>(n8)] = std::sqrt(0.5);
    for (int i = 0; i < n4; ++i) sine_[static_cast<size_t>(n2 - i)] = sine_[static_cast<size_t>(i)];
    for (int i = 0; i < n2 + n4; ++i) {
      sine_[static_cast<size_t>(i + n2)] = -sine_[static_cast<size_t>(i)];
    }
    reversed_.assign(static_cast<size_t>(size), 0);
    int j = 0;
    for (int i = 1; i < size; ++i) {
      int k = n2;
      while (k <= j) {
        j -= k;
        k /= 2;
      }
      j += k;
      reversed_[static_cast<size_t>(i)] = j;
    }
  }
  const int n4 = size / 4;
  for (int i = 0; i < size; ++i) {
    const int j = reversed_[static_cast<size_t>(i)];
    if (i < j) {
      std::swap(x[i], x[j]);
      std::swap(y[i], y[j]);
    }
  }
  for (int k = 1; k < size; k *= 2) {
    const int k2 = 2 * k, d = size / k2;
    int h = 0;
    for (int j = 0; j < k; ++j) {
      const double c = sine_[static_cast<size_t>(h + n4)];
      const double s = n > 0 ? sine_[static_cast<size_t>(h)] : -sine_[static_cast<size_t>(h)];
      for (int i = j; i < size; i += k2) {
        const int p = i + k;
        const double dx = s * y[p] + c * x[p];
        const double dy = c * y[p] - s * x[p];
        x[p] = x[i] - dx;
        x[i] += dx;
        y[p] = y[i] - dy;
        y[i] += dy;
      }
      h += d;
    }
  }
  if (n > 0) {
    for (int i = 0; i < size; ++i) {
      x[i] /= size;
      y[i] /= size;
    }
  }
}

std::vector<double> DownSample(std::span<const int16_t> samples, double rateIn, double rateOut) {
  std::vector<double> x(samples.begin(), samples.end());
  std::vector<double> filter;
  DesignDownSampleFilter(rateIn, rateOut, filter);
  const std::vector<double> filtered = FastConvolve(filter, x);
  const double step = rateIn / rateOut;
  const auto n = static_cast<size_t>(static_cast<double>(x.size()) / step);
  std::vector<double> y(n);
  double p = 0;
  for (size_t k = 0; k < n; ++k) {
    const auto i = static_cast<size_t>(p);
    const double f = p - static_cast<double>(i);
    y[k] = f == 0 ? filtered[i] : (1 - f) * filtered[i] + f * filtered[i + 1];
    p += step;
  }
  return y;
}

namespace {

bool ApplyWindow(const std::string& name, std::span<double> w, int M) {
  if (name == "ブラックマン窓") {
    BlackmanWindow(w, M);
  } else if (name == "ハニング窓") {
    HanningWindow(w, M);
  } else if (name == "ハミング窓") {
    HammingWindow(w, M);
  } else if (name == "方形窓") {
    RectangularWindow(w, M);
  } else if (name == "三角窓") {
    TriangularWindow(w, M);
  } else if (name != "なし") {
    return false;
  }
  return true;
}

}  // namespace

FrameLoopResult FrameLoop(std::span<const double> signal, const Settings& settings,
                          int64_t loopCount) {
  FrameLoopResult result;
  const int V = settings.VirtualLength, M = settings.FrameLength;
  std::vector<double> re(static_cast<size_t>(V)), im(static_cast<size_t>(V)),
      dB(static_cast<size_t>(V));
  SpectrumFft fft;
  const int64_t step = static_cast<int64_t>(settings.FrameRate * 11.025);
  int64_t s = 0;
  for (int64_t m = 1; m <= loopCount; ++m) {
    AppendInteger(result.records, settings.FrameRate * m);
    result.records += ": ";
    for (int i = 0; i < V; ++i) {
      const int64_t at = s + i;
      re[static_cast<size_t>(i)] =
          i < M && at < static_cast<int64_t>(signal.size()) ? signal[static_cast<size_t>(at)] : 0.0;
      im[static_cast<size_t>(i)] = 0.0;
    }
    if (!ApplyWindow(settings.Window, re, M)) return result;
    fft.Transform(V, re.data(), im.data());
    for (int k = 0; k < V; ++k) {
      const double r = re[static_cast<size_t>(k)], i = im[static_cast<size_t>(k)];
      dB[static_cast<size_t>(k)] = 20.0 * std::log10(std::sqrt(r * r + i * i));
    }
    for (int k = 1; k <= V / 2 - 1; ++k) {
      const double level = dB[static_cast<size_t>(k)];
      if (!(level >= settings.WeakPowerCutDb && level >= dB[static_cast<size_t>(k - 1)] &&
            level >= dB[static_cast<size_t>(k + 1)] && (k + 1) * 11025.0 / V <= 5500.0)) {
        continue;
      }
      const double xr = re[static_cast<size_t>(k)], xi = im[static_cast<size_t>(k)];
      const double dr = xr - re[static_cast<size_t>(k - 1)],
                   di = xi - im[static_cast<size_t>(k - 1)];
      const double f = 11025.0 / V * ((k - 1) + (xr * dr + xi * di) / (dr * dr + di * di));
      if (level > result.MaxdB) result.MaxdB = level;
      if (level < result.MindB) result.MindB = level;
      if (std::isnan(f)) continue;
      result.records += Format("%0.2f %0.2f ", f, level);
    }
    result.records += "end\n";
    s += step;
  }
  return result;
}

namespace {

int Semitone(float f) {
  const auto c =
      static_cast<int16_t>(static_cast<int>(1200.0 * std::log2(f * 0.03057805146377144)));
  return static_cast<int16_t>(static_cast<int>(c * 0.01 + 0.5));
}

}  // namespace

std::string ProposedMethod1(const std::string& peakFile, const Settings& settings) {
  InputStream headerIn(peakFile);
  const WorkFileHeader header = ReadWorkFileHeader(headerIn);
  InputStream in(peakFile);
  PeakTable table;
  ReadPeakFile(in, table);
  const int F = header.FrameRate, N = header.LoopCount;
  int R = 0;
  if (F > 0) {
    R = settings.AdjacentShift == kAutomaticShift
            ? (settings.FrameLength - 11 * F) / (11 * F)
            : static_cast<int>(LeadingInteger(settings.AdjacentShift) / 11 / F);
  }
  if (R < 0) R = 0;
  std::string out = Format("MaxdB: %0.2f MindB: %0.2f  \n", header.MaxdB, header.MindB);
  out += Format("FrameRate: %d LoopCount: %d\n", F, N);
  out += header.signalName + "\n" + std::string(177, '-') + "\n";
  for (int j = 1; j <= R; ++j) out += Format("%d: end\n", j * F);
  for (int i = 0; i < N - R; ++i) {
    out += Format("%d: ", (i + R + 1) * F);
    for (int a = 0; a < table.Count(i); ++a) {
      for (int b = 0; b < table.Count(i + R); ++b) {
        const float fa = table.Frequencies(i)[static_cast<size_t>(a)];
        const float fb = table.Frequencies(i + R)[static_cast<size_t>(b)];
        const float la = table.Levels(i)[static_cast<size_t>(a)];
        const float lb = table.Levels(i + R)[static_cast<size_t>(b)];
        if (fa <= 0 || fb <= 0) continue;
        if (Semitone(fa) == Semitone(fb) && std::fabs(std::trunc(la - lb)) < 10) {
          out += Format("%0.2f %0.2f ", fa, la);
        }
      }
    }
    out += "end\n";
  }
  out += "end_of_file";
  return out;
}

}  // namespace tonvale::literal
