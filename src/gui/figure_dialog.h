#pragma once

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
class FigureDialog : public DialogWindow, public EnlargedFigureView, private FigureErrors {
 public:
  FigureDialog(Session& session, UserDialogs& dialogs, QWidget* parent = nullptr);
  ~FigureDialog() override;

  // EnlargedFigureView.
  int PlotEnlarged() override;

  PlotSurface* FigureFrame() const { return m_figureFrame; }
  LogListBox* FigureList() const { return m_figureList; }
  const MessageLog& Lines() const { return lines_; }

 protected:
  void DoDataExchange(DataExchange& dx) override;
  bool OnInitDialog() override;
  void OnCommand(int id) override;

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
