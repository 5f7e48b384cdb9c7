#pragma once

#include <QPoint>
#include <QRect>
#include <optional>
#include <string>

#include "app/message_log.h"
#include "app/session.h"
#include "figures/plot_figure.h"
#include "gui/command_map.h"
#include "gui/dialog_window.h"
#include "gui/user_dialogs.h"
#include "pipeline/figure_commands.h"

namespace tonvale {

class LogListBox;
class PlotSurface;

// Control ids of the enlarged figure window (resources/dialog_130.txt).
enum FigureControl : int {
  kIdFigureFrame = 1023,
  kIdRedraw = 1026,
  kIdFigureChmod = 1027,
  kIdChproc = 1028,
  kIdFigureList = 1029,
};

// The enlarged figure window: a large plot area for the session's enlarged figure state, its
// own list of lines and the buttons "re-draw", "chmod" and "chproc". Every opening starts with
// the figure of process 1 in display type 0 and draws nothing until a button is pressed; a
// figure that cannot be drawn is explained in a message box. Esc or the close box end it.
//
// It opens where it was last closed (remembered in the user's configuration, never in the
// settings file) and fits the available area of its screen: on a screen too small for it, the
// whole window is scaled down, its figures drawn at their own size and shown scaled.
class FigureDialog : public DialogWindow, public EnlargedFigureView, private FigureErrors {
 public:
  FigureDialog(Session& session, UserDialogs& dialogs, QWidget* parent = nullptr);
  ~FigureDialog() override;

  // EnlargedFigureView.
  int PlotEnlarged() override;

  // Scales the window to fit `available` and places it there, at `remembered` when it fits.
  void FitInto(const QRect& available, std::optional<QPoint> remembered);
  // Where the window was last closed, in this or an earlier run.
  static std::optional<QPoint> RememberedPosition();

  PlotSurface* FigureFrame() const { return m_figureFrame; }
  LogListBox* FigureList() const { return m_figureList; }
  const MessageLog& Lines() const { return lines_; }

 protected:
  void DoDataExchange(DataExchange& dx) override;
  bool OnInitDialog() override;
  void OnCommand(int id) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void OnRedraw();
  void OnChmod();
  void OnChproc();

  // FigureErrors: a box with no owner, no caption and an OK button.
  void ShowError(const std::string& text) override;

  static const CommandEntry<FigureDialog> kCommands[];

  Session& session_;
  UserDialogs& dialogs_;
  MessageLog lines_;
  LogListBox* m_figureList = nullptr;
  PlotSurface* m_figureFrame = nullptr;
};

}  // namespace tonvale
