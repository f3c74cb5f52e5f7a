// The list options dialog: which columns the entry list shows and its three
// sort keys with their directions. It works on a copy of the column table and
// stores it only when OK is accepted; a refused OK says why and stays open.
#pragma once

#include <QDialog>
#include <QString>
#include <array>

#include "core/listing/list_options.h"

class QButtonGroup;
class QComboBox;
class QRadioButton;
class QTableWidget;
class QTableWidgetItem;

class ListOptionDlg : public QDialog {
  Q_OBJECT

 public:
  // columnAry: the table OK writes into; title: the window title (localised).
  ListOptionDlg(const QString& title, VELL_ARY* columnAry, const KDX_CATEGORY_TITLE& titles,
                QWidget* parent = nullptr);

  // The controls, for the tests. key and the radios count from 0.
  QTableWidget* columnList() const { return list_; }
  QComboBox* keyBox(int key) const { return keyBoxes_[static_cast<size_t>(key)]; }
  QRadioButton* ascendingButton(int key) const { return ascending_[static_cast<size_t>(key)]; }
  QRadioButton* descendingButton(int key) const { return descending_[static_cast<size_t>(key)]; }
  const KdxListOptions& options() const { return options_; }

 public slots:
  void OnOK();

 protected:
  // Space in the column list ticks the current row's box.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void KeyChosen(int key, int index);
  void ShowKeys();
  void ShownChanged(QTableWidgetItem* item);

  VELL_ARY* columnAry_;
  KDX_CATEGORY_TITLE titles_;
  KdxListOptions options_;
  QTableWidget* list_;
  std::array<QComboBox*, 3> keyBoxes_{};
  std::array<QButtonGroup*, 3> directions_{};
  std::array<QRadioButton*, 3> ascending_{};
  std::array<QRadioButton*, 3> descending_{};
};
