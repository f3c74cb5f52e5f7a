// The password setting's dialog: one hidden field holding the current
// password. OK keeps the dialog open with an alert while the text breaks the
// password rules; an empty text is accepted (no password).
#pragma once

#include <QDialog>
#include <QString>
#include <string>

class QLineEdit;

// The layout both password dialogs share (setting one, and asking for it as a
// document opens): the message above the hidden field, then OK, the default,
// and キャンセル, which accept and reject the dialog.
void KdxBuildPasswordLayout(QDialog* dialog, QLineEdit* field, const QString& message);

class PasswordDlg : public QDialog {
  Q_OBJECT

 public:
  PasswordDlg(const QString& prompt, const QString& current, QWidget* parent = nullptr);

  // After OK: the password as kept (its first 21 characters).
  const std::string& password() const { return accepted_; }
  QLineEdit* field() const { return field_; }

 public slots:
  void accept() override;

 private:
  QLineEdit* field_;
  std::string accepted_;
};
