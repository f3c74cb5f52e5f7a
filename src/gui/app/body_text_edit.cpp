#include "gui/app/body_text_edit.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMimeData>
#include <QTextCursor>
#include <QUrl>

#include "richtext/attachments.h"

namespace {

// Files larger than this are not taken into a body by a paste or a drop.
constexpr qint64 kMaxAttachmentBytes = qint64{256} * 1024 * 1024;

}  // namespace

KdxBodyTextEdit::KdxBodyTextEdit(QWidget* parent) : QTextEdit(parent) {
  setAcceptRichText(true);
  setUndoRedoEnabled(true);
  setTabChangesFocus(false);
}

bool KdxBodyTextEdit::canInsertFromMimeData(const QMimeData* source) const {
  return source->hasImage() || source->hasUrls() || QTextEdit::canInsertFromMimeData(source);
}

void KdxBodyTextEdit::insertFromMimeData(const QMimeData* source) {
  if (isReadOnly()) return;
  QTextCursor cursor = textCursor();
  bool inserted = false;
  if (source->hasUrls()) {
    for (const QUrl& url : source->urls()) {
      if (!url.isLocalFile()) continue;
      QFile file(url.toLocalFile());
      const QFileInfo info(file);
      if (!info.isFile() || info.size() > kMaxAttachmentBytes || !file.open(QIODevice::ReadOnly)) {
        continue;
      }
      kdx_richtext::InsertAttachment(cursor, kdx_richtext::SafeAttachmentName(info.fileName()),
                                     file.readAll());
      inserted = true;
    }
  } else if (source->hasImage()) {
    const QImage image = qvariant_cast<QImage>(source->imageData());
    QByteArray png;
    QBuffer buffer(&png);
    if (!image.isNull() && buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG")) {
      kdx_richtext::InsertAttachment(cursor, QStringLiteral("image.png"), png);
      inserted = true;
    }
  }
  if (inserted) {
    setTextCursor(cursor);
    return;
  }
  QTextEdit::insertFromMimeData(source);
}

void KdxBodyTextEdit::focusOutEvent(QFocusEvent* event) {
  QTextEdit::focusOutEvent(event);
  emit focusLost();
}
