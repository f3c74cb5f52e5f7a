#include "gui/app/label_dialog.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "gui/app/alerts.h"
#include "gui/app/category_dialogs.h"
#include "gui/app/localization.h"

QColor KdxLabelQColor(const KDX_COLOR_LABEL& label) {
  const auto component = [](int32_t stored) {
    return std::clamp(static_cast<double>(stored) / kKdxColorScale, 0.0, 1.0);
  };
  return QColor::fromRgbF(static_cast<float>(component(label.co_red)),
                          static_cast<float>(component(label.co_green)),
                          static_cast<float>(component(label.co_blue)));
}

QMenu* KdxAddLabelMenu(QMenu* menu, QObject* context, const std::function<void(int)>& choose,
                       KdxLabelItems* items) {
  QMenu* labels = menu->addMenu(KdxText("ラベル"));
  for (int label = 0; label < kKdxColorLabelCount; ++label) {
    QAction* item = labels->addAction(QString());
    item->setObjectName(QStringLiteral("setColorLabelName_%1").arg(label));
    item->setShortcut(QKeySequence(QStringLiteral("Ctrl+%1").arg(label)));
    QObject::connect(item, &QAction::triggered, context, [choose, label] { choose(label); });
    (*items)[static_cast<size_t>(label)] = item;
  }
  return labels;
}

void KdxShowLabelItems(const VELL_ARY* colorLabelAry, const KdxLabelItems& items) {
  for (int id = 0; id < kKdxColorLabelCount; ++id) {
    KDX_COLOR_LABEL label{};
    (void)CO_GetData(colorLabelAry, id, &label);
    QPixmap swatch(14, 14);
    swatch.fill(KdxLabelQColor(label));
    QAction* item = items[static_cast<size_t>(id)];
    item->setIcon(swatch);
    item->setText(KdxShownName(label.co_name, sizeof label.co_name));
  }
}

LabelEditDlg::LabelEditDlg(VELL_ARY* colorLabelAry, QWidget* parent)
    : QDialog(parent), colorLabelAry_(colorLabelAry) {
  setWindowTitle(KdxText("ラベルの編集"));
  auto* grid = new QGridLayout;
  for (int id = 0; id < kKdxColorLabelCount; ++id) {
    const size_t i = static_cast<size_t>(id);
    KDX_COLOR_LABEL label{};
    (void)CO_GetData(colorLabelAry, id, &label);
    wells_[i] = new QToolButton(this);
    wells_[i]->setObjectName(QStringLiteral("color%1").arg(id));
    wells_[i]->setIconSize(QSize(28, 16));
    names_[i] = new QLineEdit(QString::fromUtf8(label.co_name), this);
    names_[i]->setObjectName(QStringLiteral("name%1").arg(id));
    const std::vector<std::string> number{std::to_string(id)};
    wells_[i]->setAccessibleName(KdxTextFormat("ラベル%sの色", number));
    names_[i]->setAccessibleName(KdxTextFormat("ラベル%sの名前", number));
    ShowColor(id, KdxLabelQColor(label));
    if (id == 0) {
      wells_[i]->setEnabled(false);
      names_[i]->setEnabled(false);
    } else {
      connect(wells_[i], &QToolButton::clicked, this, [this, id] { ChooseColor(id); });
    }
    grid->addWidget(wells_[i], id, 0);
    grid->addWidget(names_[i], id, 1);
  }
  grid->setColumnStretch(1, 1);

  QDialogButtonBox* buttons = KdxOkCancelButtons(this);
  connect(buttons, &QDialogButtonBox::accepted, this, &LabelEditDlg::OnOK);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(buttons);
  setMinimumWidth(320);
}

void LabelEditDlg::ShowColor(int id, const QColor& color) {
  const size_t i = static_cast<size_t>(id);
  shown_[i] = color;
  QPixmap swatch(wells_[i]->iconSize());
  swatch.fill(color);
  wells_[i]->setIcon(swatch);
}

void LabelEditDlg::SetChosenColor(int id, const QColor& color) {
  if (id < 1 || id >= kKdxColorLabelCount || !color.isValid()) return;
  chosen_[static_cast<size_t>(id)] = true;
  ShowColor(id, color);
}

void LabelEditDlg::ChooseColor(int id) {
  const QColor color = QColorDialog::getColor(shown_[static_cast<size_t>(id)], this,
                                              names_[static_cast<size_t>(id)]->text());
  SetChosenColor(id, color);
}

void LabelEditDlg::OnOK() {
  std::array<KdxLabelEdit, 7> edits;
  for (size_t i = 1; i < kKdxColorLabelCount; ++i) {
    KdxLabelEdit& edit = edits[i - 1];
    edit.name = names_[i]->text().toStdString();
    edit.colorChosen = chosen_[i];
    edit.red = shown_[i].redF();
    edit.green = shown_[i].greenF();
    edit.blue = shown_[i].blueF();
  }
  const int32_t result = KDXCOMM_ApplyLabelEdits(colorLabelAry_, edits);
  if (result == kKdxLabelNameEmpty) return;  // the empty field says it
  if (result != 0) {
    KDXCOMM_SystemAlert(this, QStringLiteral("[-1] LabelEditDlg"));
    return;
  }
  accept();
}
