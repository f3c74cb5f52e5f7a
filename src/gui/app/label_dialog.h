// The label dialog: the names and colours of labels 1 to 7 (label 0, "none",
// is shown but not editable). OK with an empty name does nothing; an accepted
// OK stores the labels.
#pragma once

#include <QColor>
#include <QDialog>
#include <array>
#include <functional>

#include "core/document/color_label.h"

class QAction;
class QLineEdit;
class QMenu;
class QToolButton;

using KdxLabelItems = std::array<QAction*, kKdxColorLabelCount>;

class LabelEditDlg : public QDialog {
  Q_OBJECT

 public:
  // colorLabelAry: the document's labels, stored into on OK.
  explicit LabelEditDlg(VELL_ARY* colorLabelAry, QWidget* parent = nullptr);

  QLineEdit* nameField(int id) const { return names_[static_cast<size_t>(id)]; }
  QToolButton* colorWell(int id) const { return wells_[static_cast<size_t>(id)]; }
  // What choosing a colour in the well's colour dialog does (1 to 7).
  void SetChosenColor(int id, const QColor& color);

 public slots:
  void OnOK();

 private:
  void ChooseColor(int id);
  void ShowColor(int id, const QColor& color);

  VELL_ARY* colorLabelAry_;
  std::array<QLineEdit*, kKdxColorLabelCount> names_{};
  std::array<QToolButton*, kKdxColorLabelCount> wells_{};
  std::array<QColor, kKdxColorLabelCount> shown_{};
  std::array<bool, kKdxColorLabelCount> chosen_{};
};

// The colour a label shows (components stored x 100000).
[[nodiscard]] QColor KdxLabelQColor(const KDX_COLOR_LABEL& label);

// The "ラベル" submenu the document and search windows put in their 文章
// menu: one item per label, Ctrl+0 to Ctrl+7, named setColorLabelName_N,
// calling choose(N); context owns the connections. The items have no text
// until KdxShowLabelItems fills them.
QMenu* KdxAddLabelMenu(QMenu* menu, QObject* context, const std::function<void(int)>& choose,
                       KdxLabelItems* items);
// Gives each item its label's name and, as a menu item cannot colour its
// text, the label's colour as a swatch.
void KdxShowLabelItems(const VELL_ARY* colorLabelAry, const KdxLabelItems& items);
