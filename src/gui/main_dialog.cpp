#include "gui/main_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <cctype>

#include "app/output_file.h"
#include "app/program_directory.h"
#include "app/settings_file.h"
#include "extraction/recording_formats.h"
#include "gui/busy_cursor.h"
#include "gui/dialog_template.h"
#include "gui/dialog_units.h"
#include "gui/figure_dialog.h"
#include "gui/log_list_box.h"
#include "gui/method_choice.h"
#include "gui/plot_surface.h"
#include "gui/plot_surface_canvas.h"
#include "gui/process_runner.h"
#include "gui/program_icon.h"
#include "gui/run_status_bar.h"
#include "gui/startup_text.h"
#include "pipeline/figure_commands.h"
#include "pipeline/process_commands.h"

namespace tonvale {
namespace {

constexpr char kCaptionOpenError[] = "ファイルオープンエラー";
constexpr char kCaptionError[] = "エラー";
constexpr char kHelpPageName[] = "readme.html";
constexpr char kMidiSuffix[] = ".mid";
constexpr size_t kMidiSuffixBytes = sizeof kMidiSuffix - 1;
constexpr size_t kWaveSuffixBytes = 4;  // ".wav", whatever its case

// At the right end of the "file" group's top edge, which the template leaves free.
constexpr DialogRect kPlaybackTimePlace = {262, 1, 60, 10};
// How often the time shown follows the sound.
constexpr int kPlaybackPollMs = 200;

// "m:ss" of a time in milliseconds.
QString Clock(int64_t milliseconds) {
  const int64_t seconds = std::max<int64_t>(milliseconds, 0) / 1000;
  return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

const FileOpenRequest kOpenMidi = {
    .defaultExtension = "MIDI", .initialName = "*.mid", .filter = "MIDIﾌｧｲﾙ(*.mid)|*.mid||"};

// "*.flac;*.FLAC": file dialogs on Linux match patterns with case.
std::string SuffixPatterns(const RecordingFormat& format) {
  std::string patterns;
  for (std::string_view suffix : format.suffixes) {
    std::string upper(suffix);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const std::string& spelling : {std::string(suffix), upper}) {
      if (!patterns.empty()) patterns += ';';
      patterns += "*." + spelling;
    }
  }
  return patterns;
}

// Every recording format at once first, then each by itself, then every file.
FileOpenRequest OpenRecordingRequest() {
  std::string all;
  std::string each;
  for (const RecordingFormat& format : RecordingFormats()) {
    const std::string patterns = SuffixPatterns(format);
    all += (all.empty() ? "" : ";") + patterns;
    each += std::string(format.name) + "|" + patterns + "|";
  }
  return {.defaultExtension = "wav",
          .initialName = "",
          .filter = "録音ﾌｧｲﾙ|" + all + "|" + each + "すべてのﾌｧｲﾙ|*||"};
}

}  // namespace

std::string HelpPagePath(const Session& session) {
  for (const std::string& folder : {GetExecutableDirectory(), GetInstalledDataDirectory()}) {
    if (!folder.empty() && IsReadableFile(folder + kHelpPageName)) return folder + kHelpPageName;
  }
  return session.WorkPath(kHelpPageName);
}

// clang-format off
const CommandEntry<MainDialog> MainDialog::kCommands[] = {
    {kIdReset,     &MainDialog::OnReset},
    {kIdSetup,     &MainDialog::OnSetup},
    {kIdOpenFile,  &MainDialog::OnOpenFile},
    {kIdStop,      &MainDialog::OnStop},
    {kIdPause,     &MainDialog::OnPause},
    {kIdPlay,      &MainDialog::OnPlay},
    {kIdLoad,      &MainDialog::OnLoad},
    {kIdProcess3,  &MainDialog::OnProcess3},
    {kIdProcess4,  &MainDialog::OnProcess4},
    {kIdProcess1,  &MainDialog::OnProcess1},
    {kIdProcess2,  &MainDialog::OnProcess2},
    {kIdReadme,    &MainDialog::OnReadme},
    {kIdWav2Mid,   &MainDialog::OnWav2Mid},
    {kIdPlot1,     &MainDialog::OnPlot1},
    {kIdPlot2,     &MainDialog::OnPlot2},
    {kIdPlotHere,  &MainDialog::OnPlotHere},
    {kIdChmod,     &MainDialog::OnChmod},
    {kIdMidi,      &MainDialog::OnMidi},
    {kIdWave,      &MainDialog::OnWave},
};
// clang-format on

MainDialog::MainDialog(Session& session, MediaDevice& device, UserDialogs& dialogs,
                       DesktopOpener& desktop, QWidget* parent)
    : DialogWindow(MainDialogTemplate(), parent),
      session_(session),
      device_(device),
      dialogs_(dialogs),
      desktop_(desktop),
      m_hIcon(LoadProgramIcon()),
      statusBar_(new RunStatusBar(this)),
      runner_(std::make_unique<ProcessRunner>(session)) {
  // The strip that follows a run lies below everything the template places.
  const QSize client = DialogClientSize(Template());
  setFixedSize(client.width(), client.height() + RunStatusBar::kHeight);
  statusBar_->setGeometry(0, client.height(), client.width(), RunStatusBar::kHeight);
  connect(statusBar_->CancelButton(), &QPushButton::clicked, this, [this] { CancelRun(); });

  runner_->onProgress = [this](int process, int percent) {
    statusBar_->ShowProgress(process, percent);
    if (runProgress_) runProgress_(process, percent);
  };
  runner_->onPicture = [this](const QImage& picture) {
    if (m_plotFrame == nullptr) return;
    m_plotFrame->Picture() = picture;
    m_plotFrame->PictureChanged();
  };
  runner_->onFinished = [this](int result) { OnRunFinished(result); };

  // Every button is reachable with Tab, in the template's order: the radio buttons and the
  // plot frame's button too (Enter on it opens the enlarged window), then "cancel".
  QWidget* previous = nullptr;
  for (const PlacedControl& placed : Controls()) {
    const bool button = placed.control->kind == ControlKind::kPushButton ||
                        placed.control->kind == ControlKind::kAutoRadioButton;
    if (!button && !placed.control->Has(kStyleTabStop)) continue;
    placed.widget->setFocusPolicy(Qt::StrongFocus);
    if (previous != nullptr) QWidget::setTabOrder(previous, placed.widget);
    previous = placed.widget;
  }
  if (previous != nullptr) QWidget::setTabOrder(previous, statusBar_->CancelButton());
  if (m_plotFrame == nullptr) m_plotFrame = ControlAs<PlotSurface>(kIdPlotFrame);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (m_plotFrame != nullptr) m_plotFrame->SetFocusShown(now == Control(kIdPlotHere));
  });

  // The time of the sound, on the "file" group's edge as its title is.
  playTime_ = new QLabel(this);
  playTime_->setObjectName(kPlaybackTimeName);
  playTime_->setGeometry(DialogUnitsToPixels(kPlaybackTimePlace));
  playTime_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  playTime_->setAutoFillBackground(true);  // over the group's edge, as its title is
  playTime_->raise();
  playbackTimer_.setInterval(kPlaybackPollMs);
  connect(&playbackTimer_, &QTimer::timeout, this, [this] { PollPlayback(); });

  // A recording dropped anywhere on the window is selected as "open file" would select it.
  setAcceptDrops(true);
  if (auto* field = ControlAs<QLineEdit>(kIdPathField)) field->setAcceptDrops(false);
  AddMethodChoice(this, session_);
}

MainDialog::~MainDialog() {
  // The run writes into the session's log, which the list box follows: it ends first.
  runner_.reset();
  if (m_logList != nullptr) m_logList->Follow(nullptr);
  if (busy_) QGuiApplication::restoreOverrideCursor();
}

void MainDialog::DoDataExchange(DataExchange& dx) {
  dx.Control(kIdPlotFrame, m_plotFrame);
  dx.Control(kIdLogList, m_logList);
  dx.Text(kIdPathField, m_strFilePath);
}

bool MainDialog::OnInitDialog() {
  setWindowIcon(m_hIcon);
  SetChecked(kIdWave, true);
  m_bDeviceOpen = 0;
  m_bPlaying = 0;
  m_bPaused = 0;
  if (m_logList != nullptr) m_logList->Follow(&session_.log);
  session_.log.ClearLog();
  for (std::string_view line : StartupText()) session_.log.AppendLog(line);
  return true;
}

bool MainDialog::PreTranslateKeyDown(const QKeyEvent& event) {
  const bool control = event.modifiers() == Qt::ControlModifier;
  if (control && event.key() == Qt::Key_O) {
    OnOpenFile();
    return true;
  }
  if (control && event.key() == Qt::Key_R) {
    if (QWidget* wav2mid = Control(kIdWav2Mid); wav2mid != nullptr && wav2mid->isEnabled()) {
      OnWav2Mid();
    }
    return true;
  }
  // Space plays, pauses and resumes, except while a path is typed.
  if (event.key() == Qt::Key_Space && event.modifiers() == Qt::NoModifier &&
      focusWidget() != Control(kIdPathField)) {
    if (m_bPlaying != 0) {
      OnPause();
    } else {
      OnPlay();
    }
    return true;
  }
  // Neither key may close the window or press a button; Esc cancels a run, Enter on the plot
  // frame opens the enlarged window.
  switch (event.key()) {
    case Qt::Key_Escape:
      CancelRun();
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (focusWidget() == Control(kIdPlotHere)) OnPlotHere();
      return true;
    default:
      return false;
  }
}

void MainDialog::OnCommand(int id) {
  DispatchCommand<MainDialog>(*this, kCommands, id);
}

// The first local file of a drop; empty when there is none.
static std::string DroppedFile(const QMimeData* mime) {
  if (mime == nullptr || !mime->hasUrls()) return {};
  for (const QUrl& url : mime->urls()) {
    if (url.isLocalFile()) return url.toLocalFile().toStdString();
  }
  return {};
}

void MainDialog::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFile(event->mimeData()).empty()) event->acceptProposedAction();
}

void MainDialog::dropEvent(QDropEvent* event) {
  const std::string path = DroppedFile(event->mimeData());
  if (path.empty()) return;
  event->acceptProposedAction();
  SelectFileFromCommandLine(path);
}

void MainDialog::closeEvent(QCloseEvent* event) {
  // A run is cancelled, which it notices at its next block, and the window waits for it: its
  // unfinished files are dropped and the previous ones stay.
  CancelRun();
  WaitForRun();
  CloseDevice();
  DialogWindow::closeEvent(event);
}

// ---- Device ----

bool MainDialog::CheckDevice(const DeviceStatus& status, const char* caption, OnFailure onFailure,
                             bool announceNoOutput) {
  if (status.ok()) return true;
  if (status.code == DeviceStatus::Code::kNoAudioOutput) {
    if (announceNoOutput) {
      dialogs_.ShowMessageBox(this, status.error, kCaptionError, MessageIcon::kExclamation);
    }
    return true;
  }
  dialogs_.ShowMessageBox(this, status.error, caption, MessageIcon::kExclamation);
  if (onFailure == OnFailure::kContinue) return true;
  EndDialog(QDialog::Rejected);
  return false;
}

bool MainDialog::OpenDevice(bool announceNoOutput, OnFailure onFailure) {
  DeviceType type = IsChecked(kIdWave) ? DeviceType::kWaveformAudio : DeviceType::kSequencer;
  const DeviceStatus status = device_.Open(type, m_strFilePath);
  if (onFailure == OnFailure::kContinue && !status.ok() &&
      status.code != DeviceStatus::Code::kNoAudioOutput) {
    // Said with the file's name; nothing is open afterwards.
    dialogs_.ShowMessageBox(this, status.error + "\n" + m_strFilePath, kCaptionOpenError,
                            MessageIcon::kExclamation);
    return true;
  }
  if (!CheckDevice(status, kCaptionOpenError, OnFailure::kEndProgram, announceNoOutput)) {
    return false;
  }
  m_bDeviceOpen = 1;
  ++m_wDeviceID;
  PlayerChanged();
  return true;
}

bool MainDialog::StopDevice() {
  if (m_bDeviceOpen == 0) return true;
  if (!CheckDevice(device_.Stop(), kCaptionError, OnFailure::kEndProgram, false)) return false;
  m_bPlaying = 0;
  PlayerChanged();
  return true;
}

bool MainDialog::CloseDevice() {
  if (!StopDevice()) return false;
  bool running = true;
  if (m_bDeviceOpen != 0) {
    running = CheckDevice(device_.Close(), kCaptionError, OnFailure::kEndProgram, false);
  }
  m_bDeviceOpen = 0;
  UpdateData(false);
  PlayerChanged();
  return running;
}

void MainDialog::OnStop() {
  StopDevice();
}

void MainDialog::OnOpenFile() {
  const FileOpenRequest request = IsChecked(kIdWave) ? OpenRecordingRequest() : kOpenMidi;
  std::optional<std::string> chosen = dialogs_.GetOpenFileName(this, request);
  if (chosen) SelectFile(*chosen);
}

void MainDialog::SelectFile(const std::string& path) {
  m_strFilePath = path;
  UpdateData(false);
  if (!CloseDevice()) return;
  // A file the player refuses is named in a box and the program goes on with nothing selected:
  // ending it would lose the window for a wrong choice in the file dialog.
  OpenDevice(true, OnFailure::kContinue);
  if (m_bDeviceOpen == 0) {
    m_strFilePath.clear();
    UpdateData(false);
  }
}

void MainDialog::SelectFileFromCommandLine(const std::string& path) {
  if (!IsReadableFile(path)) {
    dialogs_.ShowMessageBox(this, "ファイルを開けません．\n" + path, kCaptionOpenError,
                            MessageIcon::kExclamation);
    return;
  }
  const bool midi = path.size() >= kMidiSuffixBytes &&
                    QString::fromStdString(path.substr(path.size() - kMidiSuffixBytes))
                            .compare(QLatin1String(kMidiSuffix), Qt::CaseInsensitive) == 0;
  SetChecked(midi ? kIdMidi : kIdWave, true);
  SelectFile(path);
}

void MainDialog::OnPlay() {
  UpdateData(true);
  // Always a freshly opened device, so playback starts from the beginning.
  if (!CloseDevice()) return;
  // A mistyped path, or a file the player cannot take (a missing MIDI file with "midi"
  // checked), is explained in a box and the program goes on: ending it would lose the window.
  if (!IsReadableFile(m_strFilePath)) {
    dialogs_.ShowMessageBox(this, "ファイルを開けません．\n" + m_strFilePath, kCaptionOpenError,
                            MessageIcon::kExclamation);
    return;
  }
  if (!OpenDevice(false, OnFailure::kContinue)) return;
  if (m_bDeviceOpen == 0) return;
  m_bPlaying = 1;
  if (CheckDevice(device_.PlayFromStart(), kCaptionError, OnFailure::kEndProgram, true)) {
    PlayerChanged();
  }
}

void MainDialog::OnPause() {
  if (m_bDeviceOpen == 0 || m_bPlaying == 0) return;
  if (m_bPaused != 0) {
    if (!CheckDevice(device_.Resume(), kCaptionError, OnFailure::kEndProgram, true)) return;
    m_bPaused = 0;
  } else {
    // A stop keeps the position, so the next "pause" resumes from there.
    CheckDevice(device_.Stop(), kCaptionOpenError, OnFailure::kContinue, false);
    m_bPaused = 1;
  }
  PlayerChanged();
}

void MainDialog::PlayerChanged() {
  if (playTime_ != nullptr) playTime_->setText(PlaybackTimeText());
  if (m_bPlaying != 0 && m_bPaused == 0) {
    if (!playbackTimer_.isActive()) playbackTimer_.start();
  } else {
    playbackTimer_.stop();
  }
}

QString MainDialog::PlaybackTimeText() const {
  if (m_bDeviceOpen == 0) return {};
  const PlaybackTime time = device_.Time();
  return Clock(std::min(time.elapsed, time.total)) + QStringLiteral(" / ") + Clock(time.total);
}

void MainDialog::PollPlayback() {
  if (m_bDeviceOpen != 0 && m_bPlaying != 0 && m_bPaused == 0 && device_.Time().ended) {
    // The end of the file is a stop that nobody pressed: the window goes back to idle, and a
    // device that fails to stop there is said but ends nothing.
    CheckDevice(device_.Stop(), kCaptionError, OnFailure::kContinue, false);
    m_bPlaying = 0;
  }
  PlayerChanged();
}

void MainDialog::SwitchToFileIfReadable(const std::string& path) {
  if (IsReadableFile(path)) SelectFile(path);
}

void MainDialog::OnMidi() {
  SwitchToFileIfReadable(m_strFilePath + kMidiSuffix);
}

void MainDialog::OnWave() {
  if (m_strFilePath.size() < kWaveSuffixBytes) return;
  SwitchToFileIfReadable(m_strFilePath.substr(0, m_strFilePath.size() - kWaveSuffixBytes));
}

// ---- Settings and help ----

void MainDialog::OnLoad() {
  LoadSettingsCommand(session_);
}

void MainDialog::OnReset() {
  ResetSettings(session_);
}

void MainDialog::OnSetup() {
  desktop_.OpenDocument(session_.WorkPath(kSettingsFileName), session_.programDirectory);
}

void MainDialog::OnReadme() {
  desktop_.OpenDocument(HelpPagePath(session_), session_.programDirectory);
}

// ---- Process commands ----

std::string MainDialog::TakePathField() {
  UpdateData(true);
  return m_strFilePath;
}

bool MainDialog::StopPlayback() {
  if (m_bDeviceOpen == 0) return false;
  DeviceStatus status = device_.Stop();
  return status.ok() || status.code == DeviceStatus::Code::kNoAudioOutput;
}

void MainDialog::StartRun(int (*command)(Session&, ProcessHost&), bool readsPathField) {
  if (runner_->Running()) return;
  QGuiApplication::setOverrideCursor(Qt::BusyCursor);
  busy_ = true;
  ProcessRunner::Inputs inputs;
  if (readsPathField) {
    TakePathField();
    inputs.fileSelected = StopPlayback();
  }
  inputs.path = m_strFilePath;
  if (m_plotFrame != nullptr) inputs.picture = m_plotFrame->Picture();
  EnableRunConflicts(false);
  statusBar_->ShowProgress(0, 0);
  runner_->Start(command, std::move(inputs));
}

void MainDialog::OnRunFinished(int result) {
  if (busy_) QGuiApplication::restoreOverrideCursor();
  busy_ = false;
  statusBar_->ShowIdle();
  EnableRunConflicts(true);
  if (runFinished_) runFinished_(result);
}

void MainDialog::EnableRunConflicts(bool enable) {
  // Each of these reads or writes the settings, the work files or the main figure.
  for (int id : {kIdProcess1, kIdProcess2, kIdProcess3, kIdProcess4, kIdWav2Mid, kIdLoad, kIdReset,
                 kIdPlot1, kIdPlot2, kIdChmod}) {
    if (QWidget* control = Control(id)) control->setEnabled(enable);
  }
  // The run has taken its method already.
  if (auto* method = findChild<QWidget*>(QString::fromLatin1(kMethodChoiceName))) {
    method->setEnabled(enable);
  }
}

bool MainDialog::RunInProgress() const {
  return runner_->Running();
}

void MainDialog::CancelRun() {
  runner_->Cancel();
}

void MainDialog::WaitForRun() {
  runner_->Wait();
}

void MainDialog::OnProcess1() {
  StartRun(RunProcess1, true);
}

void MainDialog::OnProcess2() {
  StartRun(RunProcess2, false);
}

void MainDialog::OnProcess3() {
  StartRun(RunProcess3, false);
}

void MainDialog::OnProcess4() {
  StartRun(RunProcess4, false);
}

void MainDialog::OnWav2Mid() {
  StartRun(RunWav2Mid, true);
}

// ---- Figures ----

int MainDialog::PlotProcess1() {
  session_.mainFigure.PlotNum = 1;
  return PlotMainFigure();
}

int MainDialog::PlotProcess2() {
  session_.mainFigure.PlotNum = 2;
  return PlotMainFigure();
}

int MainDialog::PlotProcess3() {
  session_.mainFigure.PlotNum = 3;
  return PlotMainFigure();
}

int MainDialog::PlotMainFigure() {
  if (m_plotFrame == nullptr) return 1;
  PlotSurfaceCanvas canvas(*m_plotFrame);
  return tonvale::PlotMainFigure(session_, session_.mainFigure.PlotNum, canvas);
}

void MainDialog::OnPlot1() {
  BusyCursor busy;
  ShowProcess1Figure(session_, *this);
}

void MainDialog::OnPlot2() {
  BusyCursor busy;
  ShowProcess2Figure(session_, *this);
}

void MainDialog::OnChmod() {
  BusyCursor busy;
  ChangeMainDisplayType(session_, *this);
}

void MainDialog::OnPlotHere() {
  // Modal over this window; the main figure and its state are left as they are.
  FigureDialog figure(session_, dialogs_);
  figure.setScreen(screen());  // it fits the screen this window is on
  figure.DoModal();
}

}  // namespace tonvale
