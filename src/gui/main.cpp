#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/version.h"
#include "gui/analysis_app.h"
#include "gui/single_instance.h"
#include "gui/window_arguments.h"

int main(int argc, char** argv) {
  using tonvale::ParseWindowArguments;
  // --help and --version need no display, so they are answered before Qt looks for one.
  const tonvale::WindowArguments early = ParseWindowArguments({argv + 1, argv + argc});
  if (early.help) {
    std::fputs(tonvale::WindowUsage(), stdout);
    return 0;
  }
  if (early.version) {
    std::fputs(tonvale::VersionText("tonvale").c_str(), stdout);
    return 0;
  }
  // Qt takes the startup id out of the environment when it connects to the display.
  const tonvale::ActivationRequest proofs = tonvale::RequestFromEnvironment({});
  QApplication application(argc, argv);  // takes Qt's own options (-platform ...) out of argv
  const tonvale::WindowArguments arguments = ParseWindowArguments({argv + 1, argv + argc});
  if (!arguments.error.empty()) {
    std::fprintf(stderr, "tonvale: %s\n%s", arguments.error.c_str(), tonvale::WindowUsage());
    return 2;
  }
  tonvale::AnalysisApp app(application);
  app.SetArguments(arguments);
  app.SetLaunchProofs(proofs);
  return app.InitInstance();
}
