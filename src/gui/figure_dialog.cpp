#include "gui/figure_dialog.h"

#include "gui/busy_cursor.h"
#include "gui/dialog_template.h"
#include "gui/log_list_box.h"
#include "gui/plot_surface.h"
#include "gui/plot_surface_canvas.h"

namespace tonvale {

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
  return false;  // no control takes the focus
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
