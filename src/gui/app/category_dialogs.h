// The dialog that adds a category name at one level of the browser. A refused
// name is said why and the dialog stays open with it.
#pragma once

#include <QDialog>
#include <QString>
#include <string>

#include "core/util/vell_ary.h"

class QDialogButtonBox;
class QLineEdit;

// The buttons of the editing dialogs: OK (the default, so Return; named
// "OnOK") and キャンセル, which rejects. The caller connects accepted() to its
// checks.
QDialogButtonBox* KdxOkCancelButtons(QDialog* dialog);

class CategoryAddDlg : public QDialog {
  Q_OBJECT

 public:
  // title: the level's heading; catSetAry: the document's category sets.
  CategoryAddDlg(const QString& title, const VELL_ARY* catSetAry, int level,
                 QWidget* parent = nullptr);
  // The accepted name, cut to 127 bytes at a character boundary.
  const std::string& name() const { return name_; }
  QLineEdit* nameField() const { return field_; }

 public slots:
  void OnOK();

 private:
  const VELL_ARY* catSetAry_;
  int level_;
  QLineEdit* field_;
  std::string name_;
};
