#include "gui/app/attachment_drag.h"

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include "richtext/attachments.h"

KdxAttachmentDragFolder::KdxAttachmentDragFolder(QString parent) : parent_(std::move(parent)) {}

// QTemporaryDir removes the folder with QDir::removeRecursively, which never
// follows a symbolic link out of it.
KdxAttachmentDragFolder::~KdxAttachmentDragFolder() = default;

QString KdxAttachmentDragFolder::path() const {
  return folder_ != nullptr && folder_->isValid() ? folder_->path() : QString();
}

QString KdxAttachmentDragFolder::Write(const QString& name, const QByteArray& bytes) {
  if (folder_ == nullptr) {
    const QString base = parent_.isEmpty() ? QDir::tempPath() : parent_;
    // mkdtemp: a new folder of mode 0700.
    folder_ = std::make_unique<QTemporaryDir>(base + QStringLiteral("/attachments-XXXXXX"));
  }
  if (!folder_->isValid()) return {};
  const QString sub = QString::number(++next_);
  if (!QDir(folder_->path()).mkdir(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
    return {};
  }
  const QString path = folder_->path() + '/' + sub + '/' + kdx_richtext::SafeAttachmentName(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner)) {
    return {};
  }
  if (file.write(bytes) != bytes.size() || !file.flush()) {
    file.close();
    file.remove();
    return {};
  }
  file.close();
  return path;
}

QString KdxAttachmentAt(const QTextDocument& document, int position) {
  if (position < 0 || document.characterAt(position) != QChar::ObjectReplacementCharacter) {
    return {};
  }
  QTextCursor cursor(const_cast<QTextDocument*>(&document));
  cursor.setPosition(position + 1);  // the format of the character before
  return kdx_richtext::AttachmentName(cursor.charFormat());
}

QMimeData* KdxAttachmentMimeData(KdxAttachmentDragFolder& folder, const QTextDocument& document,
                                 int position) {
  const QString name = KdxAttachmentAt(document, position);
  if (name.isEmpty()) return nullptr;
  const QString path = folder.Write(name, kdx_richtext::AttachmentBytes(document, name));
  if (path.isEmpty()) return nullptr;
  auto* mime = new QMimeData;
  mime->setUrls({QUrl::fromLocalFile(path)});
  return mime;
}
