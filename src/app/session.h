#pragma once

#include <string>
#include <string_view>

#include "app/figure_state.h"
#include "app/message_log.h"
#include "app/settings.h"
#include "app/transcription_method.h"

namespace tonvale {

// What lives for a whole run of the program and is shared by its commands: the folder of the
// settings and work files, the message log, the settings and the two figure states (the main
// window's and the enlarged window's). A front end owns one; tests make their own.
struct Session {
  explicit Session(std::string directory) : programDirectory(std::move(directory)) {}
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The folder's path with a file name appended.
  std::string WorkPath(std::string_view fileName) const {
    return programDirectory + std::string(fileName);
  }

  std::string programDirectory;  // ends with '/'
  MessageLog log;
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
