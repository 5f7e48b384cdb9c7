#pragma once

#include <string>

namespace tonvale {

// What the process commands need from the front end that runs them: its path field, its
// playback device and its figure frame. The main window is one such host; the command line
// supplies its own.
class ProcessHost {
 public:
  virtual ~ProcessHost() = default;

  // Copies the text of the path field into the selected path and returns it.
  virtual std::string TakePathField() = 0;

  // The selected path, as last taken from or shown in the path field.
  virtual std::string SelectedPath() const = 0;

  // Stops playback, keeping the player's own flags. False when no playback device is open or
  // stopping fails: an open device is the proof that a file has been selected.
  virtual bool StopPlayback() = 0;

  // Draw the figure of process 1 or 2 in the main plot frame; 0 when it was drawn.
  virtual int PlotProcess1() = 0;
  virtual int PlotProcess2() = 0;
};

}  // namespace tonvale
