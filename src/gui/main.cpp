#include <QApplication>
#include <QStringList>

#include "gui/analysis_app.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  tonvale::AnalysisApp app(application);
  const QStringList arguments = QApplication::arguments();
  qsizetype screenshot = arguments.indexOf(QStringLiteral("--screenshot"));
  if (screenshot > 0 && screenshot + 1 < arguments.size()) {
    app.SetScreenshotPath(arguments.at(screenshot + 1));
  }
  return app.InitInstance();
}
