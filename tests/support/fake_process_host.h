#pragma once

#include <functional>
#include <string>

#include "pipeline/process_host.h"

namespace tonvale::testing {

// The front end as the process and figure commands see it: a path field, a playback device
// that is open or not (stopping it is counted), and a plot frame that counts its figures and
// hands each to `plotter` when one is set (to draw it, or to strike between two processes).
class FakeProcessHost : public ProcessHost {
 public:
  std::string TakePathField() override {
    selected = field;
    return field;
  }
  std::string SelectedPath() const override { return selected; }
  bool StopPlayback() override {
    ++stops;
    return deviceOpen;
  }
  int PlotProcess1() override { return Plot(1, plots1); }
  int PlotProcess2() override { return Plot(2, plots2); }
  int PlotProcess3() override { return Plot(3, plots3); }

  std::string field;
  std::string selected;
  bool deviceOpen = true;
  int stops = 0;
  int plots1 = 0;
  int plots2 = 0;
  int plots3 = 0;
  std::function<int(int PlotNum)> plotter;  // its result is the figure's; 0 without one

 private:
  int Plot(int PlotNum, int& count) {
    ++count;
    return plotter ? plotter(PlotNum) : 0;
  }
};

}  // namespace tonvale::testing
