#include "gui/figure_dialog.h"

#include <QGuiApplication>
#include <QScreen>

#include "gui/busy_cursor.h"
#include "gui/dialog_template.h"
#include "gui/dialog_units.h"
#include "gui/log_list_box.h"
#include "gui/plot_surface.h"
#include "gui/plot_surface_canvas.h"
#include "gui/screen_fit.h"
#include "gui/user_configuration.h"

namespace tonvale {
namespace {

constexpr char kPositionKey[] = "figureWindow/position";

}  // namespace

// clang-format off
const CommandEntry<FigureDialog> FigureDialog::kCommands[] = {
    {kIdRedraw,      &FigureDialog::OnRedraw},
    {kIdFigureChmod, &FigureDialog::OnChmod},
    {kIdChproc,      &FigureDialog::OnChproc},
};
// clang-format on

FigureDialog::FigureDialog(Session& session, UserDialogs& dialogs, QWidget* parent)
    : DialogWindow(FigureDialogTemplate(), parent), session_(session), dialogs_(dialogs) {
  ResetEnlargedFigure(session_);
}

FigureDialog::~FigureDialog() {
  if (m_figureList != nullptr) m_figureList->Follow(nullptr);
}

void FigureDialog::DoDataExchange(DataExchange& dx) {
  dx.Control(kIdFigureList, m_figureList);
  dx.Control(kIdFigureFrame, m_figureFrame);
}

bool FigureDialog::OnInitDialog() {
  if (m_figureList != nullptr) m_figureList->Follow(&lines_);
  ShowEnlargedHelp(lines_);
  // The screen where it was last, else the one it was opened on.
  const std::optional<QPoint> remembered = RememberedPosition();
  QScreen* screen = nullptr;
  if (remembered) {
    const QSize half = DialogClientSize(Template()) / 2;
    screen = QGuiApplication::screenAt(*remembered + QPoint(half.width(), half.height()));
  }
  if (screen == nullptr) screen = this->screen();
  if (screen != nullptr) FitInto(screen->availableGeometry(), remembered);
  return false;  // no control takes the focus
}

void FigureDialog::FitInto(const QRect& available, std::optional<QPoint> remembered) {
  SetScale(FitScale(DialogClientSize(Template()), available));
  move(PlaceWindow(size() + kFrameAllowance, available, remembered));
}

std::optional<QPoint> FigureDialog::RememberedPosition() {
  const QVariant position = UserConfiguration().value(kPositionKey);
  if (position.typeId() != QMetaType::QPoint) return std::nullopt;
  return position.toPoint();
}

void FigureDialog::hideEvent(QHideEvent* event) {
  UserConfiguration().setValue(kPositionKey, pos());
  DialogWindow::hideEvent(event);
}

void FigureDialog::OnCommand(int id) {
  DispatchCommand<FigureDialog>(*this, kCommands, id);
}

int FigureDialog::PlotEnlarged() {
  if (m_figureFrame == nullptr) return 1;
  BusyCursor busy;
  PlotSurfaceCanvas canvas(*m_figureFrame);
  return PlotEnlargedFigure(session_, canvas, *this);
}

void FigureDialog::OnRedraw() {
  RedrawEnlargedFigure(session_, *this, lines_);
}

void FigureDialog::OnChmod() {
  ChangeEnlargedDisplayType(session_, *this, lines_);
}

void FigureDialog::OnChproc() {
  ChangeEnlargedProcess(session_, *this, lines_);
}

void FigureDialog::ShowError(const std::string& text) {
  dialogs_.ShowMessageBox(nullptr, text, "", MessageIcon::kNone);
}

}  // namespace tonvale
