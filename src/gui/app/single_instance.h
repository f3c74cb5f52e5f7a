// One Kardinex per user. A start while another runs hands its files (possibly
// none) to the running one over a local socket and ends; the running one opens
// them, or raises the window of a document already open.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;

// The socket of this user's instance: in $XDG_RUNTIME_DIR when it is set,
// else in the temporary folder with the user id in its name.
[[nodiscard]] QString KdxInstanceSocketName();

// A hand-over on the wire: a tag, then the absolute paths.
[[nodiscard]] QByteArray KdxEncodeHandOver(const QStringList& paths);
// 1 with paths filled when data holds a whole hand-over, 0 when more is to
// come, -1 when it is not one (the connection is then dropped).
[[nodiscard]] int KdxDecodeHandOver(const QByteArray& data, QStringList* paths);

class KdxSingleInstance : public QObject {
  Q_OBJECT

 public:
  explicit KdxSingleInstance(QString socketName = KdxInstanceSocketName(),
                             QObject* parent = nullptr);
  ~KdxSingleInstance() override;

  // Gives paths (made absolute) to a running instance. True when it has taken
  // them, so this process has nothing more to do.
  bool HandOver(const QStringList& paths, int timeoutMs = 5000) const;
  // Takes the hand-overs of later starts. A socket left behind by an instance
  // that died is replaced. False when no socket can be made: the application
  // then simply runs on its own.
  bool Listen();

 signals:
  void filesReceived(const QStringList& paths);

 private:
  void AcceptConnection();

  QString socketName_;
  QLocalServer* server_ = nullptr;
};
