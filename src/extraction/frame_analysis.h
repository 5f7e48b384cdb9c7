#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dsp/analysis_windows.h"
#include "extraction/frame_peak_sink.h"
#include "extraction/peak_picker.h"

namespace tonvale {

class WorkerPool;

// The frame loop of process 1 over an analysis signal that arrives a run at a time: frame m
// (from 1) starts at sample (m - 1) * step, is labelled frameRate * m and is analysed once the
// signal covers it (or has ended: samples past the end are 0). The frames ready at a time are
// shared out among the workers, each with its own picker, and their peaks handed to a sink that
// takes them in frame order, so what it writes is the same for any number of workers. Only the
// samples that frames still to come will use are kept.
class FrameAnalysis {
 public:
  // False when memory runs out or the sizes cannot serve (see SpectralPeakPicker::Prepare).
  bool Prepare(int frameRate, int frameLength, int virtualLength, double levelFloorDb,
               const AnalysisWindow& window, WorkerPool& pool);
  // The number of frames, LoopCount (0 until set: the signal is then only passed over).
  void SetFrameCount(int64_t loopCount);

  // The next samples of the analysis signal.
  void Add(std::span<const double> run, FramePeakSink& sink);
  // After the last run: the frames left.
  void Finish(FramePeakSink& sink);

  const LevelRange& range() const { return range_; }
  int64_t frames() const { return next_ - 1; }
  // The start of the frame after the last one analysed.
  int64_t nextStart() const { return (next_ - 1) * step_; }

 private:
  // Analyses the frames up to `last` and hands their peaks to the sink.
  void Analyse(int64_t last, FramePeakSink& sink);

  int frameRate_ = 0;
  int frameLength_ = 0;
  int64_t step_ = 0;
  int64_t loopCount_ = 0;
  const AnalysisWindow* window_ = nullptr;
  WorkerPool* pool_ = nullptr;
  std::vector<SpectralPeakPicker> pickers_;     // one per worker
  std::vector<std::vector<PickedPeak>> found_;  // one per worker: the peaks of its frame
  std::vector<LevelRange> ranges_;              // one per item of a batch
  LevelRange range_;
  int64_t next_ = 1;            // the next frame
  std::vector<double> signal_;  // the signal from sample signalFrom_ on
  int64_t signalFrom_ = 0;
};

}  // namespace tonvale
