#include "gui/app/document_settings_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/app/category_dialogs.h"
#include "gui/app/localization.h"

FilePrefDlg::FilePrefDlg(const KdxFilePrefs& prefs, QWidget* parent) : QDialog(parent) {
  setWindowTitle(KdxText("書類の設定"));
  auto* layout = new QVBoxLayout(this);
  const char* labels[] = {"文章名の暗号化", "ノートの暗号化", "本文の暗号化"};
  const bool states[] = {prefs.title, prefs.note, prefs.body};
  for (size_t i = 0; i < 3; ++i) {
    boxes_[i] = new QCheckBox(KdxText(labels[i]), this);
    boxes_[i]->setChecked(states[i]);
    layout->addWidget(boxes_[i]);
  }
  QDialogButtonBox* buttons = KdxOkCancelButtons(this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
  setMinimumWidth(280);
}

KdxFilePrefs FilePrefDlg::prefs() const {
  return {boxes_[0]->isChecked(), boxes_[1]->isChecked(), boxes_[2]->isChecked()};
}

FileInfoDlg::FileInfoDlg(const std::vector<std::pair<const char*, std::string>>& lines,
                         QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(KdxText("書類の情報"));
  auto* form = new QFormLayout;
  for (const auto& [label, value] : lines) {
    auto* text = new QLabel(QString::fromStdString(value), this);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(KdxText(label), text);
  }
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* close = buttons->addButton(KdxText("閉じる"), QDialogButtonBox::RejectRole);
  close->setDefault(true);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}
