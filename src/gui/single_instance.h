#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>

namespace tonvale {

// Makes sure that one instance runs per key. The first instance holds a lock file and listens
// on a local socket; a later one finds the lock taken and asks the first, through the socket,
// to bring its window to the front. A lock left by a process that died counts as free.
class SingleInstance {
 public:
  // Lock file and socket live in $XDG_RUNTIME_DIR, or in the temporary folder without it.
  explicit SingleInstance(const QString& key);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when this process is now the running instance. When the lock cannot be made at all
  // (an unwritable folder) the program runs anyway rather than not at all.
  bool Claim();

  // Asks the running instance to activate its window; true when it took the request.
  bool AskRunningInstanceToActivate(int timeoutMs = 3000);

  // Called, on the user-interface thread, when a later start asks for the window.
  void OnActivationRequested(std::function<void()> handler) { handler_ = std::move(handler); }

  QString SocketPath() const { return socketPath_; }

 private:
  void AcceptConnections();

  QString socketPath_;
  QLockFile lock_;
  std::unique_ptr<QLocalServer> server_;
  std::function<void()> handler_;
};

// The key of one executable file name (without its extension) for the current user.
QString InstanceKey(const QString& applicationName);

}  // namespace tonvale
