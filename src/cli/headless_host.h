#pragma once

#include <string>

#include "app/process_host.h"

namespace tonvale::cli {

// The command line's stand-in for the window: the path field holds the named file, and the
// playback device counts as open for it when the file exists and can be read. There is no
// plot area, so nothing is drawn.
class HeadlessHost : public ProcessHost {
 public:
  explicit HeadlessHost(std::string path) : path_(std::move(path)) {}

  std::string TakePathField() override { return path_; }
  std::string SelectedPath() const override { return path_; }
  bool StopPlayback() override;
  int PlotProcess1() override { return 1; }
  int PlotProcess2() override { return 1; }

 private:
  std::string path_;
};

}  // namespace tonvale::cli
