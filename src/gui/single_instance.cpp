#include "gui/single_instance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

namespace tonvale {
namespace {

constexpr char kActivateRequest[] = "activate\n";

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
        if (socket->readLine() == kActivateRequest && handler_) handler_();
      }
    });
  }
}

bool SingleInstance::AskRunningInstanceToActivate(int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(socketPath_);
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write(kActivateRequest);
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
  return true;
}

}  // namespace tonvale
