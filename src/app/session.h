#pragma once

#include <string>
#include <string_view>

#include "app/figure_state.h"
#include "app/message_log.h"
#include "app/run_progress.h"
#include "app/settings.h"
#include "app/transcription_method.h"

namespace tonvale {

// What lives for a whole run of the program and is shared by its commands: the folder of the
// settings and work files, the message log, the settings and the two figure states (the main
// window's and the enlarged window's), and the progress of the run under way. A front end owns
// one; tests make their own.
struct Session {
  explicit Session(std::string directory) : programDirectory(std::move(directory)) {}
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The folder's path with a file name appended.
  std::string WorkPath(std::string_view fileName) const {
    return programDirectory + std::string(fileName);
  }

  // A run on another thread works on a session of its own that starts from this one's
  // settings and figure states, so that nothing the window does meanwhile changes them under
  // the stages; the window takes them back when the run ends.
  void CopyStateFrom(const Session& other) {
    settings = other.settings;
    mainFigure = other.mainFigure;
    enlargedFigure = other.enlargedFigure;
    analysisThreads = other.analysisThreads;
    method = other.method;
  }

  std::string programDirectory;  // ends with '/'
  MessageLog log;
  RunProgress progress;
  Settings settings;
  FigureState mainFigure;
  FigureState enlargedFigure;
  // Threads that process 1 may use for one recording; 0 means one per core. The output is the
  // same for any number.
  unsigned analysisThreads = 0;
  // Chosen by the front end for each run; never part of the settings file.
  TranscriptionMethod method = TranscriptionMethod::kFaithful;
};

}  // namespace tonvale
