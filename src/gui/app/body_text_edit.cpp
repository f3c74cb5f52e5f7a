#include "gui/app/body_text_edit.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QBuffer>
#include <QDrag>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextCursor>
#include <QUrl>

#include "gui/app/attachment_drag.h"
#include "gui/app/kdx_application.h"
#include "gui/app/keyboard_access.h"
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

KdxBodyTextEdit::~KdxBodyTextEdit() = default;

KdxAttachmentDragFolder& KdxBodyTextEdit::dragFolder() {
  if (dragFolder_ == nullptr) {
    KdxApplication* app = KdxApplication::instance();
    dragFolder_ =
        std::make_unique<KdxAttachmentDragFolder>(app ? app->temporaryFolder() : QString());
  }
  return *dragFolder_;
}

int KdxBodyTextEdit::AttachmentPositionAt(const QPoint& viewportPos) const {
  const QPoint point =
      viewportPos + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
  const int position = document()->documentLayout()->hitTest(point, Qt::ExactHit);
  return KdxAttachmentAt(*document(), position).isEmpty() ? -1 : position;
}

// The text views refuse to pass the focus on while Tab types a tab: the
// widget's own step is taken.
void KdxBodyTextEdit::keyPressEvent(QKeyEvent* event) {
  if (const int step = KdxControlTabStep(event->key(), event->modifiers())) {
    QWidget::focusNextPrevChild(step > 0);
    return;
  }
  QTextEdit::keyPressEvent(event);
}

void KdxNoteTextEdit::keyPressEvent(QKeyEvent* event) {
  if (const int step = KdxControlTabStep(event->key(), event->modifiers())) {
    QWidget::focusNextPrevChild(step > 0);
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void KdxBodyTextEdit::mousePressEvent(QMouseEvent* event) {
  dragPosition_ =
      event->button() == Qt::LeftButton ? AttachmentPositionAt(event->position().toPoint()) : -1;
  dragStart_ = event->position().toPoint();
  QTextEdit::mousePressEvent(event);
}

void KdxBodyTextEdit::mouseMoveEvent(QMouseEvent* event) {
  if (dragPosition_ >= 0 && (event->buttons() & Qt::LeftButton) &&
      (event->position().toPoint() - dragStart_).manhattanLength() >=
          QApplication::startDragDistance()) {
    const int position = dragPosition_;
    dragPosition_ = -1;
    // The file is written now, not before: a body nobody drags from leaves
    // nothing on disk.
    if (QMimeData* mime = KdxAttachmentMimeData(dragFolder(), *document(), position)) {
      auto* drag = new QDrag(this);
      drag->setMimeData(mime);
      drag->exec(Qt::CopyAction, Qt::CopyAction);
      return;
    }
  }
  QTextEdit::mouseMoveEvent(event);
}

void KdxBodyTextEdit::mouseReleaseEvent(QMouseEvent* event) {
  dragPosition_ = -1;
  QTextEdit::mouseReleaseEvent(event);
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
