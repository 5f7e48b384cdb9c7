#include "gui/process_runner.h"

#include <QCoreApplication>
#include <QEvent>

#include "gui/plot_surface_canvas.h"
#include "pipeline/figure_commands.h"

namespace tonvale {

// One run: its session, the host the command sees, and the hand-over of lines and progress.
class ProcessRunner::Run : public ProcessHost,
                           private MessageLog::Observer,
                           private RunProgress::Observer {
 public:
  Run(ProcessRunner& runner, Inputs inputs)
      : runner_(runner), session_(runner.session_.programDirectory), inputs_(std::move(inputs)) {
    session_.CopyStateFrom(runner.session_);
    session_.log.AddObserver(this);
    session_.progress.SetObserver(this);
  }
  ~Run() override { session_.log.RemoveObserver(this); }

  Session& session() { return session_; }

  // ProcessHost, on the worker thread.
  std::string TakePathField() override { return inputs_.path; }
  std::string SelectedPath() const override { return inputs_.path; }
  bool StopPlayback() override { return inputs_.fileSelected; }
  int PlotProcess1() override { return Plot(1); }
  int PlotProcess2() override { return Plot(2); }
  int PlotProcess3() override { return Plot(3); }

 private:
  // Draws into the run's copy of the picture and hands the result to the window.
  int Plot(int PlotNum) {
    if (inputs_.picture.isNull()) return 1;
    RasterCanvas canvas(inputs_.picture);
    const int result = PlotMainFigure(session_, PlotNum, canvas);
    QMetaObject::invokeMethod(
        &runner_,
        [runner = &runner_, picture = inputs_.picture.copy()] {
          if (runner->onPicture) runner->onPicture(picture);
        },
        Qt::QueuedConnection);
    return result;
  }

  // The window's log follows the run's: it is locked, so the worker may write it.
  void OnLogCleared() override { runner_.session_.log.ClearLog(); }
  void OnLineAppended(std::string_view line) override { runner_.session_.log.AppendLog(line); }

  void OnProgress(int process, int percent) override {
    QMetaObject::invokeMethod(
        &runner_,
        [runner = &runner_, process, percent] {
          if (runner->running_ && runner->onProgress) runner->onProgress(process, percent);
        },
        Qt::QueuedConnection);
  }

  ProcessRunner& runner_;
  Session session_;
  Inputs inputs_;
};

ProcessRunner::ProcessRunner(Session& session, QObject* parent)
    : QObject(parent), session_(session) {}

ProcessRunner::~ProcessRunner() {
  Cancel();
  if (worker_.joinable()) worker_.join();
}

bool ProcessRunner::Start(Command command, Inputs inputs) {
  if (running_) return false;
  running_ = true;
  run_ = std::make_unique<Run>(*this, std::move(inputs));
  worker_ = std::thread([this, command, run = run_.get()] {
    const int result = command(run->session(), *run);
    QMetaObject::invokeMethod(
        this, [this, result] { Finish(result); }, Qt::QueuedConnection);
  });
  return true;
}

void ProcessRunner::Cancel() {
  if (run_ != nullptr) run_->session().progress.Cancel();
}

void ProcessRunner::Wait() {
  if (!running_) return;
  if (worker_.joinable()) worker_.join();
  // The run's last calls are queued for this thread; they are delivered now, in order.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}

void ProcessRunner::Finish(int result) {
  if (!running_) return;
  if (worker_.joinable()) worker_.join();
  // What the command loaded or reset becomes the window's, as if it had run on its thread.
  session_.settings = run_->session().settings;
  session_.mainFigure = run_->session().mainFigure;
  run_.reset();
  running_ = false;
  if (onFinished) onFinished(result);
}

}  // namespace tonvale
