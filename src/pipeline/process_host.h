#pragma once

#include <string>

namespace tonvale {

// Where the figures of processes 1 to 3 are shown: the main window's plot frame, or whatever
// stands in for it.
class MainFigureView {
 public:
  virtual ~MainFigureView() = default;

  // Draw the figure of process 1 or 2, or the notes of process 3, in the main plot frame; 0
  // when it was drawn.
  virtual int PlotProcess1() = 0;
  virtual int PlotProcess2() = 0;
  virtual int PlotProcess3() = 0;
};

// What the process commands need from the front end that runs them: its path field, its
// playback device and its figure frame. The window answers from what it took on its own thread
// before a run, since the commands run on a worker; the command line supplies its own host.
class ProcessHost : public MainFigureView {
 public:
  // Copies the text of the path field into the selected path and returns it.
  virtual std::string TakePathField() = 0;

  // The selected path, as last taken from or shown in the path field.
  virtual std::string SelectedPath() const = 0;

  // Stops playback, keeping the player's own flags. False when no playback device is open or
  // stopping fails: an open device is the proof that a file has been selected.
  virtual bool StopPlayback() = 0;
};

}  // namespace tonvale
