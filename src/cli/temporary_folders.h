#pragma once

#include <functional>
#include <mutex>
#include <set>
#include <string>

namespace tonvale::cli {

// The temporary work folders of a run, known in one place, so that a run ended by a signal
// removes them just as a run that comes to its end does.
class TemporaryFolders {
 public:
  // A new folder tonvale-XXXXXX in the system's temporary folder, its path ending with '/';
  // "" when it cannot be made.
  std::string Make();

  // Removes a folder that Make gave, with what it holds.
  void Remove(const std::string& path);

  // Removes every folder still there, then calls `end`, which is to end the program, before
  // letting go of the folders: no conversion can make or remove one in between, nor finish
  // the run and end it otherwise.
  void RemoveAllAndEnd(const std::function<void()>& end);

 private:
  std::mutex mutex_;
  std::set<std::string> paths_;
};

// Blocks SIGINT, SIGTERM and SIGHUP (those not ignored at start, as under nohup) in the calling
// thread, and so in every thread it starts afterwards, and starts a thread that waits for them:
// when one comes, the folders are removed and the program ends as the signal would have ended
// it. SIGPIPE (output into a closed pipe, as under `| head`) ends the program the same way.
// Call before any other thread is started; `folders` must live until the program ends.
void RemoveOnSignals(TemporaryFolders& folders);

}  // namespace tonvale::cli
