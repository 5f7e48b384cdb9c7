#pragma once

#include "app/message_log.h"
#include "app/session.h"
#include "figures/canvas.h"
#include "figures/plot_figure.h"
#include "pipeline/process_host.h"

namespace tonvale {

// Drawing entry points. The main figure first records which process it shows, so that a
// later change of display type redraws the same figure even when this attempt fails.
int PlotMainFigure(Session& session, int PlotNum, Canvas& canvas);
int PlotEnlargedFigure(Session& session, Canvas& canvas, FigureErrors& errors);

// The main window's figure buttons. They draw through the view and report into the log.
int ShowProcess1Figure(Session& session, MainFigureView& view);      // "plot-1"
int ShowProcess2Figure(Session& session, MainFigureView& view);      // "plot-2"
void ChangeMainDisplayType(Session& session, MainFigureView& view);  // "chmod"

// What the enlarged figure window's buttons need from the window.
class EnlargedFigureView {
 public:
  virtual ~EnlargedFigureView() = default;
  virtual int PlotEnlarged() = 0;
};

// Every opening of the enlarged window starts with the figure of process 1, display type 0,
// and the six lines that explain its buttons.
void ResetEnlargedFigure(Session& session);
void ShowEnlargedHelp(MessageLog& list);

// The enlarged window's buttons: each draws first, then rewrites the window's own list,
// whether or not the figure could be drawn (a failure has been shown in a box by then).
void RedrawEnlargedFigure(Session& session, EnlargedFigureView& view, MessageLog& list);
void ChangeEnlargedDisplayType(Session& session, EnlargedFigureView& view, MessageLog& list);
void ChangeEnlargedProcess(Session& session, EnlargedFigureView& view, MessageLog& list);

}  // namespace tonvale
