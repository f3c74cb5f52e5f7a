#include "gui/app/single_instance.h"

#include <unistd.h>

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

constexpr quint32 kHandOverTag = 0x4b445831;  // "KDX1"
constexpr char kAcknowledge = '1';
// A hand-over names a few paths; anything far larger is not one of ours.
constexpr qsizetype kHandOverLimit = 1 << 20;

}  // namespace

QString KdxInstanceSocketName() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir()) {
    return QDir(runtime).filePath(QStringLiteral("kardinex-instance"));
  }
  return QDir(QDir::tempPath()).filePath(QStringLiteral("kardinex-instance-%1").arg(getuid()));
}

QByteArray KdxEncodeHandOver(const QStringList& paths) {
  QByteArray body;
  QDataStream out(&body, QIODevice::WriteOnly);
  out.setVersion(QDataStream::Qt_6_0);
  out << kHandOverTag << paths;
  QByteArray data;
  QDataStream framed(&data, QIODevice::WriteOnly);
  framed << static_cast<quint32>(body.size());
  data.append(body);
  return data;
}

int KdxDecodeHandOver(const QByteArray& data, QStringList* paths) {
  if (data.size() < 4) return 0;
  QDataStream in(data);
  quint32 size = 0;
  in >> size;
  if (size > kHandOverLimit) return -1;
  if (data.size() - 4 < static_cast<qsizetype>(size)) return 0;
  QDataStream body(data.mid(4, size));
  body.setVersion(QDataStream::Qt_6_0);
  quint32 tag = 0;
  QStringList read;
  body >> tag >> read;
  if (tag != kHandOverTag || body.status() != QDataStream::Ok) return -1;
  *paths = read;
  return 1;
}

KdxSingleInstance::KdxSingleInstance(QString socketName, QObject* parent)
    : QObject(parent), socketName_(std::move(socketName)) {}

KdxSingleInstance::~KdxSingleInstance() {
  if (server_ != nullptr) server_->close();
}

bool KdxSingleInstance::HandOver(const QStringList& paths, int timeoutMs) const {
  QLocalSocket socket;
  socket.connectToServer(socketName_);
  if (!socket.waitForConnected(timeoutMs)) return false;
  QStringList absolute;
  for (const QString& path : paths) absolute << QFileInfo(path).absoluteFilePath();
  socket.write(KdxEncodeHandOver(absolute));
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  // The answer comes once the running instance has read the whole request;
  // without it the files may not have arrived, and this start opens them.
  if (!socket.waitForReadyRead(timeoutMs)) return false;
  return socket.read(1) == QByteArray(1, kAcknowledge);
}

bool KdxSingleInstance::Listen() {
  if (server_ != nullptr) return true;
  // Listening replaces whatever socket is there, so first make sure no
  // instance started meanwhile answers on it; one nobody answers on is what a
  // crashed instance left behind.
  {
    QLocalSocket probe;
    probe.connectToServer(socketName_);
    if (probe.waitForConnected(1000)) return false;
  }
  auto* server = new QLocalServer(this);
  server->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server->listen(socketName_)) {
    QLocalServer::removeServer(socketName_);
    if (!server->listen(socketName_)) {
      delete server;
      return false;
    }
  }
  server_ = server;
  connect(server_, &QLocalServer::newConnection, this, &KdxSingleInstance::AcceptConnection);
  return true;
}

void KdxSingleInstance::AcceptConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      QByteArray data = socket->property("kdxPending").toByteArray() + socket->readAll();
      QStringList paths;
      const int state = KdxDecodeHandOver(data, &paths);
      if (state == 0) {
        socket->setProperty("kdxPending", data);
        return;
      }
      socket->setProperty("kdxPending", QByteArray());
      if (state < 0) {
        socket->abort();
        return;
      }
      socket->write(QByteArray(1, kAcknowledge));
      socket->flush();
      emit filesReceived(paths);
    });
  }
}
