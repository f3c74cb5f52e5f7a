// The dialogs that edit categories beyond one browser name: the three
// category titles, and the categories of the selected entries. Both keep a
// refused input open with a message; neither stores anything before OK.
#pragma once

#include <QDialog>
#include <array>
#include <string>

#include "core/util/vell_ary.h"

class QComboBox;
class QLineEdit;

class CategoryTitleEditDlg : public QDialog {
  Q_OBJECT

 public:
  // catTitleAry: the document's title record, filled in and, on OK, stored.
  explicit CategoryTitleEditDlg(VELL_ARY* catTitleAry, QWidget* parent = nullptr);
  QLineEdit* titleField(int level) const { return fields_[static_cast<size_t>(level - 1)]; }

 public slots:
  void OnOK();

 private:
  VELL_ARY* catTitleAry_;
  std::array<QLineEdit*, 3> fields_{};
};

class ChangeCatNamesDlg : public QDialog {
  Q_OBJECT

 public:
  // titles: the three category titles (shown); common: per level the name the
  // entries share, or "＜変更しない＞".
  ChangeCatNamesDlg(const VELL_ARY* catSetAry, const std::array<std::string, 3>& titles,
                    const std::array<std::string, 3>& common, QWidget* parent = nullptr);
  QComboBox* nameBox(int level) const { return boxes_[static_cast<size_t>(level - 1)]; }
  // After OK: per level the name to give, "＜変更しない＞" or "" (その他).
  const std::array<std::string, 3>& texts() const { return texts_; }

 public slots:
  void OnOK();

 private:
  std::array<QComboBox*, 3> boxes_{};
  std::array<std::string, 3> texts_;
};
