#pragma once

#include <QIcon>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/media_device.h"
#include "app/message_log.h"
#include "app/session.h"
#include "gui/command_map.h"
#include "gui/dialog_window.h"
#include "gui/user_dialogs.h"
#include "pipeline/process_host.h"

class QLabel;

namespace tonvale {

class LogListBox;
class PlotSurface;
class ProcessRunner;
class RunStatusBar;

// The object name of the label that shows the playback time.
inline constexpr char kPlaybackTimeName[] = "playbackTime";

// Control ids of the main window (resources/dialog_102.txt).
enum MainControl : int {
  kIdPathField = 1005,
  kIdOpenFile = 1006,
  kIdPlay = 1007,
  kIdStop = 1008,
  kIdPause = 1009,
  kIdWave = 1010,
  kIdMidi = 1011,
  kIdLogList = 1012,
  kIdSetup = 1013,
  kIdReset = 1014,
  kIdReadme = 1015,
  kIdLoad = 1016,
  kIdPlotFrame = 1017,
  kIdProcess3 = 1018,
  kIdProcess2 = 1019,
  kIdProcess4 = 1020,
  kIdProcess1 = 1021,
  kIdPlot1 = 1022,
  kIdPlot2 = 1023,
  kIdPlotHere = 1025,
  kIdChmod = 1026,
  kIdWav2Mid = 1030,
};

// The help page: beside the executable, else among the installed program's shared files, else
// in the program directory.
std::string HelpPagePath(const Session& session);

// The program's only main window: the path field and the player, the settings buttons, the
// plot frame, the analysis buttons and the message log. It shows the session's message log in
// its list box, drives one playback device, and runs the process commands on a worker thread
// (ProcessRunner) while it stays responsive: a strip below the template's controls shows which
// process runs and how far it is, with a "cancel" button (or Esc); the buttons that would
// conflict with the run are disabled until it ends.
//
// Player state: m_bDeviceOpen is 1 while the device holds the selected file; m_bPlaying is 1
// from a "play" until a stop, a reopen or the end of the file, which the window learns from
// the device and takes as a "stop"; m_bPaused is set by "pause" and cleared only by a resume, so
// after pause, stop and play the first "pause" resumes. A device failure is shown in a message box
// and, except when "pause" fails to stop or a file cannot be opened (a missing or unplayable file
// is named in the box; one chosen by "open file", a radio button, a drop or the command line then
// leaves nothing selected), ends the window and with it the program. A machine without any sound
// output is no failure of the file: the window says so and keeps the file open on a silent device.
class MainDialog : public DialogWindow, public MainFigureView {
 public:
  MainDialog(Session& session, MediaDevice& device, UserDialogs& dialogs, DesktopOpener& desktop,
             QWidget* parent = nullptr);
  ~MainDialog() override;

  // MainFigureView, for the figure buttons.
  int PlotProcess1() override;
  int PlotProcess2() override;
  int PlotProcess3() override;

  // What a run takes from the window before it starts, on the window's thread: the text of
  // the path field (which becomes the selected path), and the stop of playback, keeping the
  // player's own flags; false when no device is open or stopping fails, since an open device
  // is the proof that a file has been selected.
  std::string TakePathField();
  std::string SelectedPath() const { return m_strFilePath; }
  bool StopPlayback();

  // A process command runs on the worker.
  bool RunInProgress() const;
  // Asks the running command to stop ("cancel", Esc); nothing when none runs.
  void CancelRun();
  // Blocks until the running command has ended and the window has taken its results.
  void WaitForRun();
  // Called on the window's thread each time a run ends, after the window took its results.
  void SetRunFinishedHook(std::function<void(int result)> hook) { runFinished_ = std::move(hook); }
  // Called for each progress report the window shows (process 1 to 4, percent).
  void SetRunProgressHook(std::function<void(int, int)> hook) { runProgress_ = std::move(hook); }
  RunStatusBar* StatusBar() const { return statusBar_; }

  // Device operations; each returns false when a failure has ended the window. A missing
  // sound output is announced by the open unless the caller announces it itself.
  enum class OnFailure { kEndProgram, kContinue };
  bool OpenDevice(bool announceNoOutput = true, OnFailure onFailure = OnFailure::kEndProgram);
  bool CloseDevice();
  bool StopDevice();

  // Selects a file named on the command line, or handed over by a later start, as "open file"
  // would with the fitting radio button checked: a name ending in ".mid" is a MIDI file, any
  // other a WAVE file. A file that cannot be read is refused in a message box.
  void SelectFileFromCommandLine(const std::string& path);

  // Asks the device how far playback has come: shows the elapsed and the total time on the
  // "file" group's edge, and at the end of the file goes back to idle as "stop" does. A timer
  // asks while a file plays.
  void PollPlayback();
  // The time shown: "m:ss / m:ss" while a device is open, else empty.
  QString PlaybackTimeText() const;

  bool DeviceOpen() const { return m_bDeviceOpen != 0; }
  bool Playing() const { return m_bPlaying != 0; }
  bool Paused() const { return m_bPaused != 0; }
  // Counts the opens: a new value for every device opened; 0 until the first.
  unsigned DeviceId() const { return m_wDeviceID; }
  PlotSurface* PlotFrame() const { return m_plotFrame; }
  LogListBox* LogList() const { return m_logList; }

 protected:
  void DoDataExchange(DataExchange& dx) override;
  bool OnInitDialog() override;
  bool PreTranslateKeyDown(const QKeyEvent& event) override;
  void OnCommand(int id) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Routing of the buttons, in the order the window's table lists them.
  void OnReset();
  void OnSetup();
  void OnOpenFile();
  void OnStop();
  void OnPause();
  void OnPlay();
  void OnLoad();
  void OnProcess3();
  void OnProcess4();
  void OnProcess1();
  void OnProcess2();
  void OnReadme();
  void OnWav2Mid();
  void OnPlot1();
  void OnPlot2();
  void OnPlotHere();
  void OnChmod();
  void OnMidi();
  void OnWave();

  // Shows `path` in the path field and reopens the device for it; a file the device refuses
  // is named in a box and leaves nothing selected.
  void SelectFile(const std::string& path);
  // Selects `path` when it can be read.
  void SwitchToFileIfReadable(const std::string& path);
  // Shows a failed device status in a box. Returns false when the failure ended the window.
  // A missing sound output is announced only when `announceNoOutput` is set and never ends
  // anything.
  bool CheckDevice(const DeviceStatus& status, const char* caption, OnFailure onFailure,
                   bool announceNoOutput);
  // Draws the main figure of the current state into the plot frame; 0 when it was drawn.
  int PlotMainFigure();

  // Takes what `command` needs from the window and starts it on the worker. Process 1 (alone
  // or in "wav2mid") reads the path field and stops playback first.
  void StartRun(int (*command)(Session&, ProcessHost&), bool readsPathField);
  void OnRunFinished(int result);
  // Enables or disables the buttons that would conflict with a run.
  void EnableRunConflicts(bool enable);
  // After every change of the player's state: the time shown, and the timer that follows it.
  void PlayerChanged();

  static const CommandEntry<MainDialog> kCommands[];

  Session& session_;
  MediaDevice& device_;
  UserDialogs& dialogs_;
  DesktopOpener& desktop_;

  int m_bPaused = 0;
  int m_bPlaying = 0;
  int m_bDeviceOpen = 0;
  unsigned m_wDeviceID = 0;
  PlotSurface* m_plotFrame = nullptr;
  LogListBox* m_logList = nullptr;
  std::string m_strFilePath;
  QIcon m_hIcon;
  RunStatusBar* statusBar_ = nullptr;
  QLabel* playTime_ = nullptr;
  QTimer playbackTimer_;
  bool busy_ = false;  // the busy cursor shows for a run
  std::unique_ptr<ProcessRunner> runner_;
  std::function<void(int)> runFinished_;
  std::function<void(int, int)> runProgress_;
};

}  // namespace tonvale
