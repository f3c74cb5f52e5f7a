// The views of an entry window. The body: rich text whose pasted or dropped
// files and pictures become attachments. Both say when they lose the focus,
// which is when the window saves the entry.
#pragma once

#include <QPlainTextEdit>
#include <QTextEdit>

class KdxBodyTextEdit : public QTextEdit {
  Q_OBJECT

 public:
  explicit KdxBodyTextEdit(QWidget* parent = nullptr);

 signals:
  void focusLost();

 protected:
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;
  void focusOutEvent(QFocusEvent* event) override;
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
};
