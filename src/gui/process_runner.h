#pragma once

#include <QImage>
#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/session.h"
#include "pipeline/process_host.h"

namespace tonvale {

// Runs one process command at a time on a worker thread, so that the window stays responsive.
//
// The window takes what the command needs from it before the run (the path field, the proof
// that a file is selected, the plot frame's picture); the command then works on a session of
// its own that starts from the window's settings and figure states. Its log lines go straight
// into the window's (locked) log, its progress and its figures come back as queued calls, and
// when it ends its settings and main figure state are copied back into the window's session.
// Every callback runs on the window's thread.
class ProcessRunner : public QObject {
 public:
  using Command = int (*)(Session&, ProcessHost&);

  // What the command would have asked the window for, taken on the window's thread.
  struct Inputs {
    std::string path;           // the path field
    bool fileSelected = false;  // an open playback device, now stopped
    QImage picture;             // the plot frame's picture, drawn over by the figures
  };

  explicit ProcessRunner(Session& session, QObject* parent = nullptr);
  ~ProcessRunner() override;  // cancels a run and waits for it

  // Starts `command`; false when a run is already going.
  bool Start(Command command, Inputs inputs);
  bool Running() const { return running_; }
  // Asks the run to stop at its next block.
  void Cancel();
  // Blocks until the worker has ended, then delivers everything it sent, its end included.
  void Wait();

  std::function<void(int process, int percent)> onProgress;
  std::function<void(const QImage& picture)> onPicture;
  std::function<void(int result)> onFinished;

 private:
  class Run;
  void Finish(int result);

  Session& session_;
  std::unique_ptr<Run> run_;
  std::thread worker_;
  bool running_ = false;
};

}  // namespace tonvale
