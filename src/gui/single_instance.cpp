#include "gui/single_instance.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace tonvale {
namespace {

// One request per line, the file and the tokens percent-encoded so that any byte travels on
// one line: "token <XDG activation token>" and "startup-id <id>" come first when the later
// start has them, then "activate" or "open <file>", which ends the request.
constexpr char kActivateRequest[] = "activate\n";
constexpr char kOpenRequest[] = "open ";
constexpr char kTokenLine[] = "token ";
constexpr char kStartupIdLine[] = "startup-id ";
// Longer than any path the host allows, even percent-encoded; a peer that sends more without
// a line end is cut off.
constexpr qint64 kMaxRequestBytes = 64 * 1024;

// The uid of the process at the other end of a connected local socket, or -1.
long PeerUid(qintptr descriptor) {
  ucred credentials{};
  socklen_t size = sizeof credentials;
  if (descriptor < 0 ||
      getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) {
    return -1;
  }
  return static_cast<long>(credentials.uid);
}

// True when `path` is a folder (not a link to one) that only this user can enter: owned by the
// user and closed to group and others. `problem` says otherwise.
bool IsPrivateFolder(const QString& path, std::string& problem) {
  struct stat info;
  const QByteArray name = QFile::encodeName(path);
  if (lstat(name.constData(), &info) != 0) {
    problem = path.toStdString() + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(info.st_mode) || info.st_uid != getuid() || (info.st_mode & 077) != 0) {
    problem = path.toStdString() + " is not a folder that only this user can use";
    return false;
  }
  return true;
}

// $XDG_RUNTIME_DIR when it is private, or a folder of the user's own under the temporary
// folder, made when missing. Empty, with `problem` set, when neither can be had.
QString InstanceDirectory(std::string& problem) {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  std::string ignored;
  if (!runtime.isEmpty() && IsPrivateFolder(runtime, ignored)) return runtime;
  const QString own = QDir::tempPath() + QStringLiteral("/tonvale-%1").arg(getuid());
  // An existing folder is checked like a new one: another user may have made it first.
  if (mkdir(QFile::encodeName(own).constData(), 0700) != 0 && errno != EEXIST) {
    problem = own.toStdString() + ": " + std::strerror(errno);
    return {};
  }
  if (!IsPrivateFolder(own, problem)) return {};
  return own;
}

QByteArray Encoded(const std::string& text) {
  return QByteArray::fromStdString(text).toPercentEncoding();
}

std::string Decoded(const QByteArray& line, qsizetype prefix) {
  return QByteArray::fromPercentEncoding(line.mid(prefix).chopped(1)).toStdString();
}

}  // namespace

// What a connection has said so far: the tokens wait for the request they belong to.
struct SingleInstance::Connection {
  ActivationRequest request;
};

QString InstanceKey(const QString& applicationName) {
  // The name is hashed so that any file name gives a short, safe socket name; a readable
  // prefix helps whoever lists the folder.
  QByteArray digest =
      QCryptographicHash::hash(applicationName.toUtf8(), QCryptographicHash::Sha256).toHex();
  QString prefix = applicationName.left(24);
  for (QChar& c : prefix) {
    if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('_')) {
      c = QLatin1Char('_');
    }
  }
  return QStringLiteral("%1-%2-%3")
      .arg(prefix)
      .arg(static_cast<qulonglong>(getuid()))
      .arg(QString::fromLatin1(digest.left(16)));
}

ActivationRequest RequestFromEnvironment(const std::string& file) {
  ActivationRequest request;
  request.file = file;
  if (const char* token = std::getenv("XDG_ACTIVATION_TOKEN")) request.activationToken = token;
  if (const char* id = std::getenv("DESKTOP_STARTUP_ID")) request.startupId = id;
  return request;
}

SingleInstance::SingleInstance(const QString& key) : directory_(InstanceDirectory(problem_)) {
  if (directory_.isEmpty()) return;
  socketPath_ = directory_ + QLatin1Char('/') + key + QStringLiteral(".sock");
  lock_ =
      std::make_unique<QLockFile>(directory_ + QLatin1Char('/') + key + QStringLiteral(".lock"));
  // Only a lock whose process has died is stale, however old a live one is.
  lock_->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
  if (lock_ && lock_->isLocked()) lock_->unlock();
}

SingleInstance::Claim SingleInstance::TryClaim() {
  if (!lock_) return Claim::kUnavailable;
  if (!lock_->tryLock(0)) {
    if (lock_->error() == QLockFile::LockFailedError) return Claim::kRunning;
    problem_ = "the lock file " + lock_->fileName().toStdString() + " cannot be made" +
               (lock_->error() == QLockFile::PermissionError ? " (permission denied)" : "");
    return Claim::kUnavailable;
  }
  // The lock is ours, so a socket file left over is stale.
  QLocalServer::removeServer(socketPath_);
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  QObject::connect(server_.get(), &QLocalServer::newConnection, [this] { AcceptConnections(); });
  if (!server_->listen(socketPath_)) {
    problem_ = socketPath_.toStdString() + ": " + server_->errorString().toStdString();
    server_.reset();
    return Claim::kUnavailable;
  }
  return Claim::kFirst;
}

void SingleInstance::AcceptConnections() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    // Only the user's own programs may ask; the folder keeps others out, this makes sure.
    if (PeerUid(socket->socketDescriptor()) != static_cast<long>(getuid())) {
      socket->abort();
      continue;
    }
    auto connection = std::make_shared<Connection>();
    QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket, connection] {
      while (socket->canReadLine()) {
        QByteArray line = socket->readLine(kMaxRequestBytes + 1);
        if (!line.endsWith('\n')) {
          socket->abort();
          return;
        }
        ServeRequest(*connection, line);
      }
      if (socket->bytesAvailable() > kMaxRequestBytes) socket->abort();
    });
  }
}

void SingleInstance::ServeRequest(Connection& connection, const QByteArray& line) {
  ActivationRequest& request = connection.request;
  if (line.startsWith(kTokenLine)) {
    request.activationToken = Decoded(line, qsizetype(sizeof kTokenLine) - 1);
    return;
  }
  if (line.startsWith(kStartupIdLine)) {
    request.startupId = Decoded(line, qsizetype(sizeof kStartupIdLine) - 1);
    return;
  }
  if (line == kActivateRequest) {
    request.file.clear();
  } else if (line.startsWith(kOpenRequest)) {
    request.file = Decoded(line, qsizetype(sizeof kOpenRequest) - 1);
    if (request.file.empty()) return;
  } else {
    return;  // not a request of ours
  }
  ActivationRequest complete = std::exchange(request, ActivationRequest());
  // Served from the event loop, not inside the socket's signal: opening a file may show a
  // message box, whose event loop must not see this socket go away under it.
  QMetaObject::invokeMethod(
      server_.get(),
      [this, complete] {
        if (handler_) handler_(complete);
      },
      Qt::QueuedConnection);
}

bool SingleInstance::AskRunningInstanceToActivate(const ActivationRequest& request, int timeoutMs) {
  if (socketPath_.isEmpty()) return false;
  QLocalSocket socket;
  socket.connectToServer(socketPath_);
  if (!socket.waitForConnected(timeoutMs)) {
    problem_ = socketPath_.toStdString() + ": " + socket.errorString().toStdString();
    return false;
  }
  // The file's name and the tokens go only to a program of this user.
  if (PeerUid(socket.socketDescriptor()) != static_cast<long>(getuid())) {
    problem_ = socketPath_.toStdString() + " is served by another user's program";
    socket.abort();
    return false;
  }
  QByteArray message;
  if (!request.activationToken.empty()) {
    message += kTokenLine + Encoded(request.activationToken) + '\n';
  }
  if (!request.startupId.empty()) message += kStartupIdLine + Encoded(request.startupId) + '\n';
  message += request.file.empty() ? QByteArray(kActivateRequest)
                                  : kOpenRequest + Encoded(request.file) + '\n';
  socket.write(message);
  if (!socket.waitForBytesWritten(timeoutMs)) {
    problem_ = socketPath_.toStdString() + ": " + socket.errorString().toStdString();
    return false;
  }
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
  return true;
}

}  // namespace tonvale
