#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>
#include <string>

namespace tonvale {

// Makes sure that one instance runs per key. The first instance holds a lock file and listens
// on a local socket; a later one finds the lock taken and asks the first, through the socket,
// to bring its window to the front, and to open the file it was started with, if any. A lock
// left by a process that died counts as free.
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

  // Asks the running instance to activate its window and, when `file` is not empty, to open
  // that file (an absolute path: the running instance has a working folder of its own). True
  // when it took the request.
  bool AskRunningInstanceToActivate(const std::string& file = {}, int timeoutMs = 3000);

  // Called, on the user-interface thread, when a later start asks for the window; `file` is
  // the file to open, or empty.
  using ActivationHandler = std::function<void(const std::string& file)>;
  void OnActivationRequested(ActivationHandler handler) { handler_ = std::move(handler); }

  QString SocketPath() const { return socketPath_; }

 private:
  void AcceptConnections();
  void ServeRequest(const QByteArray& line);

  QString socketPath_;
  QLockFile lock_;
  std::unique_ptr<QLocalServer> server_;
  ActivationHandler handler_;
};

// The key of one executable file name (without its extension) for the current user.
QString InstanceKey(const QString& applicationName);

}  // namespace tonvale
