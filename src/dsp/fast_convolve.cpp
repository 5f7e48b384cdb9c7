#include "dsp/fast_convolve.h"

#include <algorithm>

#include "dsp/double_array.h"
#include "dsp/fft.h"
#include "dsp/worker_pool.h"

namespace tonvale {
namespace {

// The one failure: memory runs out, or the transform size cannot serve.
bool Fail() {
  return false;
}

// Blocks transformed at once per worker: enough to keep every worker busy while the blocks of a
// batch are added up in order.
constexpr size_t kBlocksPerWorker = 2;

}  // namespace

bool StreamingConvolver::Start(std::span<const double> h, size_t L, long long fftSize,
                               WorkerPool* pool) {
  M_ = h.size();
  L_ = L;
  pool_ = pool;
  block_ = received_ = emitted_ = 0;
  input_.clear();
  if (L == 0 || M_ == 0) return true;
  if (fftSize < static_cast<long long>(M_) || fftSize > (1LL << 30)) return Fail();
  N_ = static_cast<size_t>(fftSize);
  B_ = N_ - M_ + 1;
  blocks_ = std::max<size_t>(1, (L + B_ - 1) / B_);
  const unsigned workers = pool == nullptr ? 1 : pool->size();
  batch_ = std::min(blocks_, kBlocksPerWorker * workers);
  const size_t bins = N_ / 2 + 1;
  scratch_.resize(workers);
  outs_.resize(batch_);
  for (Scratch& s : scratch_) {
    if (!s.fft.Prepare(static_cast<int>(N_)) || !TryAssign(s.re, bins) || !TryAssign(s.im, bins))
      return Fail();
  }
  for (std::vector<double>& out : outs_) {
    if (!TryAssign(out, N_)) return Fail();
  }
  if (!TryAssign(hr_, bins) || !TryAssign(hi_, bins) || !TryAssign(pending_, N_) ||
      !TryAssign(carried_, N_) || !TryReserve(input_, batch_ * B_)) {
    return Fail();
  }
  // The filter's spectrum carries the 1/N of the inverse transform (an exact power of two).
  std::vector<double>& block = outs_[0];
  std::copy(h.begin(), h.end(), block.begin());
  scratch_[0].fft.Forward(block.data(), hr_.data(), hi_.data());
  const double scale = 1.0 / static_cast<double>(N_);
  for (size_t k = 0; k < bins; ++k) {
    hr_[k] *= scale;
    hi_[k] *= scale;
  }
  return true;
}

void StreamingConvolver::Add(std::span<const double> run, const ConvolutionSink& sink) {
  if (M_ == 0 || L_ == 0) return;
  run = run.first(std::min(run.size(), L_ - std::min(L_, received_)));
  received_ += run.size();
  const size_t full = batch_ * B_;
  while (!run.empty()) {
    const size_t take = std::min(run.size(), full - input_.size());
    input_.insert(input_.end(), run.begin(), run.begin() + static_cast<std::ptrdiff_t>(take));
    run = run.subspan(take);
    if (input_.size() == full) {
      RunBlocks(batch_, sink);
      input_.clear();
    }
  }
}

void StreamingConvolver::Finish(const ConvolutionSink& sink) {
  if (M_ == 0) {
    // No filter: every output sample is 0.
    static constexpr double kZeros[1024] = {};
    while (emitted_ < L_) {
      const size_t n = std::min(std::size(kZeros), L_ - emitted_);
      sink(std::span<const double>(kZeros, n));
      emitted_ += n;
    }
    return;
  }
  // Samples that never came count as 0, as past the end of the signal.
  while (block_ < blocks_) {
    RunBlocks(std::min(batch_, blocks_ - block_), sink);
    input_.clear();
  }
}

void StreamingConvolver::RunBlocks(size_t count, const ConvolutionSink& sink) {
  const size_t bins = N_ / 2 + 1;
  auto transform = [&](size_t i, unsigned worker) {
    std::vector<double>& block = outs_[i];
    const size_t from = std::min(i * B_, input_.size());
    const size_t to = std::min(from + B_, input_.size());
    Scratch& s = scratch_[worker];
    // The transform reads the block where it lies and takes the padding as 0, so nothing is
    // copied or cleared first.
    s.fft.Forward(input_.data() + from, s.re.data(), s.im.data(), static_cast<int>(to - from));
    for (size_t k = 0; k < bins; ++k) {
      const double ar = s.re[k], ai = s.im[k];
      s.re[k] = ar * hr_[k] - ai * hi_[k];
      s.im[k] = ar * hi_[k] + ai * hr_[k];
    }
    s.fft.Inverse(s.re.data(), s.im.data(), block.data());
  };
  if (pool_ != nullptr) {
    pool_->Run(count, transform);
  } else {
    for (size_t i = 0; i < count; ++i) transform(i, 0);
  }
  // Output sample t of the full convolution (length M + L - 1) is y[t - M/2]. `pending_` holds
  // full-convolution samples first .. first + N - 1 as the blocks add up into them, each
  // starting from 0 and taking the blocks in order; those before the next block's first sample
  // are complete and are handed on.
  // The sums carried over from the last block are its buffer's samples from B on; the samples
  // past them start from 0. Adding into the other buffer saves moving the carried samples and
  // clearing the rest.
  const size_t delay = M_ / 2;
  const size_t carried = N_ - B_;
  for (size_t i = 0; i < count; ++i, ++block_) {
    const double* block = outs_[i].data();
    const double* previous = carried_.data() + B_;
    double* sums = pending_.data();
    for (size_t k = 0; k < carried; ++k) sums[k] = previous[k] + block[k];
    for (size_t k = carried; k < N_; ++k) sums[k] = 0.0 + block[k];
    const size_t first = block_ * B_;
    const bool last = block_ + 1 == blocks_;
    const size_t complete = first + (last ? N_ : B_);
    const size_t end = complete > delay ? std::min(complete - delay, L_) : 0;
    if (end > emitted_) {
      sink(std::span<const double>(pending_).subspan(emitted_ + delay - first, end - emitted_));
      emitted_ = end;
    }
    pending_.swap(carried_);
  }
}

long long FastConvolveSize(size_t M, size_t L) {
  const long long m = static_cast<long long>(M);
  const long long l = static_cast<long long>(L);
  return 1LL << (l < m ? Log2Ceil(m + l - 1) : Log2Ceil(2 * m));
}

}  // namespace tonvale
