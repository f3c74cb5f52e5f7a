// The views of an entry window. The body: rich text whose pasted or dropped
// files and pictures become attachments, and whose attachments can be dragged
// out as files. Both say when they lose the focus, which is when the window
// saves the entry. Tab types a tab in both; Ctrl+Tab (Ctrl+Shift+Tab) moves
// the focus on (back).
#pragma once

#include <QPlainTextEdit>
#include <QPoint>
#include <QTextEdit>
#include <memory>

class KdxAttachmentDragFolder;
class QKeyEvent;

class KdxBodyTextEdit : public QTextEdit {
  Q_OBJECT

 public:
  explicit KdxBodyTextEdit(QWidget* parent = nullptr);
  ~KdxBodyTextEdit() override;

  // Where this body's dragged attachments are written (when a drag starts).
  KdxAttachmentDragFolder& dragFolder();
  // The document position of the attachment under a point of the viewport,
  // or -1.
  [[nodiscard]] int AttachmentPositionAt(const QPoint& viewportPos) const;

 signals:
  void focusLost();

 protected:
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  std::unique_ptr<KdxAttachmentDragFolder> dragFolder_;
  int dragPosition_ = -1;  // the attachment pressed on, until the mouse moves or is released
  QPoint dragStart_;
};

// The note view: plain text that says when it loses the focus.

class KdxNoteTextEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  using QPlainTextEdit::QPlainTextEdit;

 signals:
  void focusLost();

 protected:
  void focusOutEvent(QFocusEvent* event) override {
    QPlainTextEdit::focusOutEvent(event);
    emit focusLost();
  }
  void keyPressEvent(QKeyEvent* event) override;
};
