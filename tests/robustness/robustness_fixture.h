#pragma once

// What the tests of bad input and faults share: a program directory with the default settings,
// a front end for the process commands, and WAVE files built field by field.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/session.h"
#include "support/fake_process_host.h"
#include "support/temp_dir.h"

namespace tonvale::testing {

// The window as the process commands see it: the path field holds one file, the playback
// device is open, and afterProcess1 may strike between two processes.
struct CommandHost : FakeProcessHost {
  CommandHost() {
    plotter = [this](int PlotNum) {
      if (PlotNum == 1 && afterProcess1) afterProcess1();
      return 0;
    };
  }
  std::function<void()> afterProcess1;
};

// A program directory holding the default settings file.
class CommandFolder {
 public:
  CommandFolder();

  Session& session() { return session_; }
  CommandHost& host() { return host_; }
  std::vector<std::string> Log() const { return session_.log.Lines(); }
  // The log as one text, for messages that may be anywhere in it.
  std::string LogText() const;
  std::string File(const std::string& name) const { return dir_.File(name); }
  const std::string& path() const { return dir_.path(); }

  // Runs a process command with `wavePath` in the path field.
  int Run(int (*command)(Session&, ProcessHost&), const std::string& wavePath);

 private:
  TempDir dir_;
  Session session_;
  CommandHost host_;
};

// A WAVE file built from its fields, so that each can be made wrong on its own.
struct WaveFields {
  std::string riffTag = "RIFF";
  uint16_t formatId = 1;
  uint16_t channels = 1;
  uint32_t samplingRate = 11025;
  int64_t byteRate = -1;   // -1: rate x block size
  int32_t blockSize = -1;  // -1: channels x bits / 8
  uint16_t bitsPerSample = 16;
  int64_t dataSize = -1;  // -1: the size of `data`
  std::string data;
};

std::string WaveBytes(const WaveFields& fields);

// `seconds` of a 440 Hz tone as 16-bit mono sample bytes at `rate`.
std::string ToneData(double seconds, int rate);

}  // namespace tonvale::testing
