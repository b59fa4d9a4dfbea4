// The single-instance rule over QLocalServer.
#include "app/gui/single_instance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <unistd.h>

namespace vl::gui {

namespace {
constexpr int kWaitMs = 2000;
}

QString InstanceName() { return QStringLiteral("vectorlume-%1").arg(::getuid()); }

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {}

bool SingleInstance::handOver(const QStringList& files) {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (socket.waitForConnected(kWaitMs)) {
    // One name per line; an empty message still brings the first window forward.
    socket.write((files.join('\n') + '\n').toUtf8());
    socket.waitForBytesWritten(kWaitMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kWaitMs);
    return true;
  }
  // Nobody answers: a socket file left by a crashed instance must not block this one.
  QLocalServer::removeServer(name_);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(name_)) return false;  // still the first; only later starts go unheard
  connect(server_, &QLocalServer::newConnection, this, &SingleInstance::readConnection);
  return false;
}

void SingleInstance::readConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readChannelFinished, this, [this, socket] {
      QStringList files;
      for (const QByteArray& line : socket->readAll().split('\n'))
        if (!line.isEmpty()) files << QString::fromUtf8(line);
      Q_EMIT activated(files);
    });
  }
}

}  // namespace vl::gui
