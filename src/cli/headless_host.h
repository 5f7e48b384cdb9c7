#pragma once

#include <functional>
#include <string>

#include "pipeline/process_host.h"

namespace tonvale::cli {

// The command line's stand-in for the window: the path field holds the named file, and the
// playback device counts as open for it when the file exists and can be read. There is no
// plot area: the figures of processes 1 to 3 go to a plotter when one is given (one that
// writes picture files), and are otherwise not drawn.
class HeadlessHost : public ProcessHost {
 public:
  // Draws the figure of process PlotNum; 0 when it was drawn.
  using Plotter = std::function<int(int PlotNum)>;

  explicit HeadlessHost(std::string path, Plotter plotter = nullptr)
      : path_(std::move(path)), plotter_(std::move(plotter)) {}

  std::string TakePathField() override { return path_; }
  std::string SelectedPath() const override { return path_; }
  bool StopPlayback() override;
  int PlotProcess1() override { return plotter_ ? plotter_(1) : 1; }
  int PlotProcess2() override { return plotter_ ? plotter_(2) : 1; }
  int PlotProcess3() override { return plotter_ ? plotter_(3) : 1; }

 private:
  std::string path_;
  Plotter plotter_;
};

}  // namespace tonvale::cli
