#include "gui/single_instance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

namespace tonvale {
namespace {

// One request per line: "activate", or "open " and the file's path, percent-encoded so that
// any byte of a file name travels on one line.
constexpr char kActivateRequest[] = "activate\n";
constexpr char kOpenRequest[] = "open ";
// Longer than any path the host allows, even percent-encoded; a peer that sends more without
// a line end is cut off.
constexpr qint64 kMaxRequestBytes = 64 * 1024;

QString InstanceDirectory() {
  QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime;
  return QDir::tempPath();
}

}  // namespace

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

SingleInstance::SingleInstance(const QString& key)
    : socketPath_(InstanceDirectory() + QLatin1Char('/') + key + QStringLiteral(".sock")),
      lock_(InstanceDirectory() + QLatin1Char('/') + key + QStringLiteral(".lock")) {
  // Only a lock whose process has died is stale, however old a live one is.
  lock_.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
  if (lock_.isLocked()) lock_.unlock();
}

bool SingleInstance::Claim() {
  if (!lock_.tryLock(0)) {
    if (lock_.error() == QLockFile::LockFailedError) return false;
    return true;
  }
  // The lock is ours, so a socket file left over is stale.
  QLocalServer::removeServer(socketPath_);
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  QObject::connect(server_.get(), &QLocalServer::newConnection, [this] { AcceptConnections(); });
  server_->listen(socketPath_);
  return true;
}

void SingleInstance::AcceptConnections() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
      while (socket->canReadLine()) {
        QByteArray line = socket->readLine(kMaxRequestBytes + 1);
        if (!line.endsWith('\n')) {
          socket->abort();
          return;
        }
        // Served from the event loop, not inside the socket's signal: opening a file may
        // show a message box, whose event loop must not see this socket go away under it.
        QMetaObject::invokeMethod(
            server_.get(), [this, line] { ServeRequest(line); }, Qt::QueuedConnection);
      }
      if (socket->bytesAvailable() > kMaxRequestBytes) socket->abort();
    });
  }
}

void SingleInstance::ServeRequest(const QByteArray& line) {
  if (!handler_) return;
  if (line == kActivateRequest) {
    handler_({});
  } else if (line.startsWith(kOpenRequest)) {
    QByteArray encoded = line.mid(qsizetype(sizeof kOpenRequest) - 1).chopped(1);
    QByteArray file = QByteArray::fromPercentEncoding(encoded);
    if (!file.isEmpty()) handler_(file.toStdString());
  }
}

bool SingleInstance::AskRunningInstanceToActivate(const std::string& file, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(socketPath_);
  if (!socket.waitForConnected(timeoutMs)) return false;
  if (file.empty()) {
    socket.write(kActivateRequest);
  } else {
    socket.write(kOpenRequest + QByteArray::fromStdString(file).toPercentEncoding() + '\n');
  }
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
  return true;
}

}  // namespace tonvale
