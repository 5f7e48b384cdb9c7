#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>
#include <string>

namespace tonvale {

// What a later start asks of the running instance: bring its window to the front and, when
// `file` is not empty, open that file (an absolute path). The later start's proofs of the
// user's action travel with it, so that the window manager lets the running window come to
// the front: an XDG activation token on Wayland, the startup id on X11; either may be empty.
struct ActivationRequest {
  std::string file;
  std::string activationToken;
  std::string startupId;
};

// Makes sure that one instance runs per key. The first instance holds a lock file and listens
// on a local socket; a later one finds the lock taken and sends its request through the socket
// to the first. A lock left by a process that died counts as free.
//
// The lock and the socket lie in $XDG_RUNTIME_DIR when that is a private folder of the user, or
// else in a folder of the user's own under the temporary folder, created with mode 0700 and
// used only when its owner and mode are still those: another user can neither take the names
// first nor listen in the first instance's place. A later start also checks that the listening
// end belongs to the same user before it sends anything.
class SingleInstance {
 public:
  explicit SingleInstance(const QString& key);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  enum class Claim {
    kFirst,        // this process is the running instance and takes requests
    kRunning,      // another instance runs: send it the request
    kUnavailable,  // no private folder, or the lock or the socket failed: Problem() says why
  };
  Claim TryClaim();
  // Why the hand-over is unavailable, or why a request could not be sent; empty otherwise.
  const std::string& Problem() const { return problem_; }

  // Sends the request to the running instance. True when it took the request; false, with
  // Problem() set, when it cannot be reached or its listening end belongs to another user.
  bool AskRunningInstanceToActivate(const ActivationRequest& request, int timeoutMs = 3000);

  // Called, on the user-interface thread, for each request of a later start.
  using ActivationHandler = std::function<void(const ActivationRequest& request)>;
  void OnActivationRequested(ActivationHandler handler) { handler_ = std::move(handler); }

  QString SocketPath() const { return socketPath_; }

 private:
  struct Connection;
  void AcceptConnections();
  void ServeRequest(Connection& connection, const QByteArray& line);

  std::string problem_;  // first: the folder's check below reports into it
  QString directory_;    // empty when no private folder could be had
  QString socketPath_;
  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<QLocalServer> server_;
  ActivationHandler handler_;
};

// The key of one executable file name (without its extension) for the current user.
QString InstanceKey(const QString& applicationName);

// The request a later start makes: the file it was given and the proofs of the user's action
// that its environment holds (XDG_ACTIVATION_TOKEN, DESKTOP_STARTUP_ID).
ActivationRequest RequestFromEnvironment(const std::string& file);

}  // namespace tonvale
