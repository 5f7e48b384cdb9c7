#include "app/run_progress.h"

#include <algorithm>

namespace tonvale {

void RunProgress::BeginProcess(int process) {
  process_ = process;
  percent_ = -1;
  SetSpan(0.0, 1.0);
  Report(0);
}

void RunProgress::SetSpan(double from, double to) {
  spanFrom_ = std::clamp(from, 0.0, 1.0);
  spanTo_ = std::clamp(to, spanFrom_, 1.0);
}

bool RunProgress::Advance(int64_t done, int64_t total) {
  if (Cancelled()) return false;
  if (total > 0) {
    const double part =
        static_cast<double>(std::clamp<int64_t>(done, 0, total)) / static_cast<double>(total);
    Report(static_cast<int>((spanFrom_ + part * (spanTo_ - spanFrom_)) * 100.0));
  }
  return true;
}

void RunProgress::Report(int percent) {
  // Progress only moves forward within a process, so a pass that restarts its count does not
  // make the bar jump back.
  if (percent <= percent_) return;
  percent_ = percent;
  if (observer_ != nullptr && process_ != 0) observer_->OnProgress(process_, percent);
}

}  // namespace tonvale
