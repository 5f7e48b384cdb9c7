#include "cli/temporary_folders.h"

#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

namespace tonvale::cli {
namespace {

namespace fs = std::filesystem;

// The thread that waits for the ending signals. A broken pipe is raised in the thread that
// wrote, which sigwait elsewhere cannot see, so its handler hands it on to this thread. Set
// once, before the handler is installed.
pthread_t signalWaiter;

void HandOnBrokenPipe(int) {
  pthread_kill(signalWaiter, SIGPIPE);
}

void RemoveFolder(const std::string& path) {
  // A conversion may still be writing into the folder: a file made between remove_all's
  // listing and its removal of the folder makes it fail, and another try takes the file too.
  for (int attempt = 0; attempt < 5; ++attempt) {
    std::error_code error;
    fs::remove_all(path, error);
    if (!error) return;
  }
}

}  // namespace

std::string TemporaryFolders::Make() {
  std::error_code error;
  std::string pattern = (fs::temp_directory_path(error) / "tonvale-XXXXXX").string();
  if (error) return "";
  // Made under the lock, so that every folder is either known to RemoveAllAndEnd or never made.
  std::lock_guard lock(mutex_);
  if (mkdtemp(pattern.data()) == nullptr) return "";
  pattern += '/';
  paths_.insert(pattern);
  return pattern;
}

void TemporaryFolders::Remove(const std::string& path) {
  std::lock_guard lock(mutex_);
  if (paths_.erase(path) != 0) RemoveFolder(path);
}

void TemporaryFolders::RemoveAllAndEnd(const std::function<void()>& end) {
  std::lock_guard lock(mutex_);
  for (const std::string& path : paths_) RemoveFolder(path);
  paths_.clear();
  end();
}

void RemoveOnSignals(TemporaryFolders& folders) {
  sigset_t signals;
  sigemptyset(&signals);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    struct sigaction action {};
    if (sigaction(signal, nullptr, &action) == 0 && action.sa_handler != SIG_IGN) {
      sigaddset(&signals, signal);
    }
  }
  if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0) return;
  // The folders are removed on an ordinary thread, free to lock and to allocate, rather than
  // in a signal handler.
  std::thread waiter([signals, &folders] {
    int signal = 0;
    while (sigwait(&signals, &signal) != 0) {
    }
    // The signal's own action ends the program, so that the caller sees how it ended.
    folders.RemoveAllAndEnd([signal] {
      struct sigaction action {};
      action.sa_handler = SIG_DFL;
      sigaction(signal, &action, nullptr);
      sigset_t one;
      sigemptyset(&one);
      sigaddset(&one, signal);
      pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
      raise(signal);
      _exit(128 + signal);
    });
  });
  signalWaiter = waiter.native_handle();
  waiter.detach();
  // Only the waiter keeps a broken pipe blocked; in every other thread it is handed on.
  if (sigismember(&signals, SIGPIPE) == 1) {
    struct sigaction action {};
    action.sa_handler = HandOnBrokenPipe;
    sigemptyset(&action.sa_mask);
    sigaction(SIGPIPE, &action, nullptr);
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_UNBLOCK, &pipe, nullptr);
  }
}

}  // namespace tonvale::cli
