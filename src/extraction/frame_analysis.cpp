#include "extraction/frame_analysis.h"

#include <algorithm>

#include "dsp/worker_pool.h"

namespace tonvale {
namespace {

// Frames per item of work: enough to make the hand-out cheap, few enough to share a batch out
// evenly.
constexpr int64_t kFramesPerItem = 16;

}  // namespace

bool FrameAnalysis::Prepare(int frameRate, int frameLength, int virtualLength, double levelFloorDb,
                            const AnalysisWindow& window, WorkerPool& pool) {
  frameRate_ = frameRate;
  frameLength_ = frameLength;
  // The frame step is a whole number of samples, so frames drift slightly against their labels.
  step_ = static_cast<int64_t>(frameRate * 11.025);
  loopCount_ = 0;
  window_ = &window;
  pool_ = &pool;
  next_ = 1;
  signalFrom_ = 0;
  signal_.clear();
  range_ = LevelRange();
  pickers_ = std::vector<SpectralPeakPicker>(pool.size());
  found_.resize(pool.size());
  for (SpectralPeakPicker& picker : pickers_) {
    if (!picker.Prepare(frameLength, virtualLength, levelFloorDb)) return false;
  }
  return true;
}

void FrameAnalysis::SetFrameCount(int64_t loopCount) {
  loopCount_ = loopCount;
}

void FrameAnalysis::Add(std::span<const double> run, FramePeakSink& sink) {
  if (next_ > loopCount_) return;  // no frame will use these samples
  signal_.insert(signal_.end(), run.begin(), run.end());
  const int64_t known = signalFrom_ + static_cast<int64_t>(signal_.size());
  // Frame m needs the samples up to (m - 1) * step + frameLength - 1.
  const int64_t last = known < frameLength_ ? 0 : (known - frameLength_) / step_ + 1;
  Analyse(std::min(last, loopCount_), sink);
}

void FrameAnalysis::Finish(FramePeakSink& sink) {
  Analyse(loopCount_, sink);
  std::vector<double>().swap(signal_);
}

void FrameAnalysis::Analyse(int64_t last, FramePeakSink& sink) {
  while (next_ <= last) {
    const int64_t count = last - next_ + 1;
    const size_t items = static_cast<size_t>((count + kFramesPerItem - 1) / kFramesPerItem);
    ranges_.assign(items, LevelRange());
    const int64_t first = next_;
    const std::span<const double> signal(signal_);
    sink.StartBatch(first, last, items);
    pool_->Run(items, [&](size_t item, unsigned worker) {
      std::vector<PickedPeak>& found = found_[worker];
      const int64_t from = first + static_cast<int64_t>(item) * kFramesPerItem;
      const int64_t to = std::min(last, from + kFramesPerItem - 1);
      for (int64_t m = from; m <= to; ++m) {
        found.clear();
        pickers_[worker].AnalyseFrame(signal, (m - 1) * step_ - signalFrom_, *window_, found,
                                      ranges_[item]);
        sink.Frame(item, m, frameRate_ * m, found);
      }
    });
    sink.EndBatch();
    for (size_t item = 0; item < items; ++item) {
      range_.MaxdB = std::max(range_.MaxdB, ranges_[item].MaxdB);
      range_.MindB = std::min(range_.MindB, ranges_[item].MindB);
    }
    next_ = last + 1;
  }
  // Samples before the next frame's start are never used again.
  const int64_t keepFrom =
      std::min((next_ - 1) * step_, signalFrom_ + static_cast<int64_t>(signal_.size()));
  if (keepFrom > signalFrom_) {
    signal_.erase(signal_.begin(),
                  signal_.begin() + static_cast<std::ptrdiff_t>(keepFrom - signalFrom_));
    signalFrom_ = keepFrom;
  }
}

}  // namespace tonvale
