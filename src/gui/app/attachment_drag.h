// Attachments dragged out of a body: written as files, only when a drag
// starts, into a private folder of the window (mode 0700, inside the
// application's private temporary folder) that goes when the window goes.
// Other programs get plain file URLs; nothing is written to a folder other
// users can see, the bodies of encrypted entries included.
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

class QMimeData;
class QTemporaryDir;
class QTextDocument;

class KdxAttachmentDragFolder {
 public:
  // parent: the folder to make it in (the application's private folder);
  // empty for the system's temporary folder.
  explicit KdxAttachmentDragFolder(QString parent = {});
  ~KdxAttachmentDragFolder();
  KdxAttachmentDragFolder(const KdxAttachmentDragFolder&) = delete;
  KdxAttachmentDragFolder& operator=(const KdxAttachmentDragFolder&) = delete;

  // Writes bytes as a file (mode 0600) under the cleaned name, in a fresh
  // subfolder of its own so that names never collide: its path, or empty
  // when it could not be written (a partial file is removed).
  [[nodiscard]] QString Write(const QString& name, const QByteArray& bytes);
  // The folder; empty until the first file is written.
  [[nodiscard]] QString path() const;

 private:
  QString parent_;
  std::unique_ptr<QTemporaryDir> folder_;
  int next_ = 0;
};

// The name of the attachment whose character is at position in document, or
// an empty string when there is none.
[[nodiscard]] QString KdxAttachmentAt(const QTextDocument& document, int position);

// The drag's data for the attachment at position: its file written into
// folder and offered as a file URL. Null when there is no attachment there or
// it could not be written.
[[nodiscard]] QMimeData* KdxAttachmentMimeData(KdxAttachmentDragFolder& folder,
                                               const QTextDocument& document, int position);
