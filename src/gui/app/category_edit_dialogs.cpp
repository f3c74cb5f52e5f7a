#include "gui/app/category_edit_dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "core/document/catset_table.h"
#include "core/listing/category.h"
#include "gui/app/alerts.h"
#include "gui/app/category_dialogs.h"
#include "gui/app/localization.h"

namespace {

// A combo box item: "＜変更しない＞" and the special names localised.
QString ChoiceText(const std::string& name) {
  if (name == kKdxCategoryNoChange) return KdxText(kKdxCategoryNoChange);
  return QString::fromStdString(KDXCOMM_GetCatDisplayName(name));
}

}  // namespace

CategoryTitleEditDlg::CategoryTitleEditDlg(VELL_ARY* catTitleAry, QWidget* parent)
    : QDialog(parent), catTitleAry_(catTitleAry) {
  setWindowTitle(KdxText("分類名の編集"));
  KDX_CATEGORY_TITLE record{};
  (void)TI_GetData(catTitleAry, &record);
  const char* stored[] = {record.ti_cat1_title, record.ti_cat2_title, record.ti_cat3_title};
  const char* labels[] = {"第１分類", "第２分類", "第３分類"};
  auto* layout = new QFormLayout(this);
  for (size_t i = 0; i < 3; ++i) {
    fields_[i] = new QLineEdit(QString::fromUtf8(stored[i]), this);
    fields_[i]->setObjectName(QStringLiteral("title%1").arg(i + 1));
    layout->addRow(KdxText(labels[i]), fields_[i]);
  }
  QDialogButtonBox* buttons = KdxOkCancelButtons(this);
  connect(buttons, &QDialogButtonBox::accepted, this, &CategoryTitleEditDlg::OnOK);
  layout->addRow(buttons);
  setMinimumWidth(380);
}

void CategoryTitleEditDlg::OnOK() {
  std::array<std::string, 3> titles;
  for (size_t i = 0; i < 3; ++i) titles[i] = fields_[i]->text().toStdString();
  std::string named;
  const KdxCategoryResult result = KDXCOMM_SetCategoryTitles(catTitleAry_, titles, &named);
  switch (result) {
    case KdxCategoryResult::kOk:
      accept();
      return;
    case KdxCategoryResult::kEmptyTitle:
      return;  // nothing to say: the empty field shows it
    case KdxCategoryResult::kFailed:
      KDXCOMM_SystemAlert(this, QStringLiteral("[-1] KDXCOMM_SetCategoryTitles"));
      return;
    default:
      KDXCOMM_AlertOK(this, QString::fromStdString(KDXCOMM_CategoryMessage(result, named)));
      return;
  }
}

ChangeCatNamesDlg::ChangeCatNamesDlg(const VELL_ARY* catSetAry,
                                     const std::array<std::string, 3>& titles,
                                     const std::array<std::string, 3>& common, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(KdxText("分類の変更"));
  auto* layout = new QFormLayout(this);
  for (size_t i = 0; i < 3; ++i) {
    QComboBox* box = new QComboBox(this);
    boxes_[i] = box;
    box->setObjectName(QStringLiteral("cat%1").arg(i + 1));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& name :
         KDXCOMM_GetChangeCategoryChoices(catSetAry, static_cast<int32_t>(i + 1))) {
      box->addItem(ChoiceText(name));
    }
    box->setMaxVisibleItems(std::max(box->count(), 1));
    box->setEditText(ChoiceText(common[i]));
    layout->addRow(KdxText(titles[i].c_str()), box);
  }
  QDialogButtonBox* buttons = KdxOkCancelButtons(this);
  connect(buttons, &QDialogButtonBox::accepted, this, &ChangeCatNamesDlg::OnOK);
  layout->addRow(buttons);
  setMinimumWidth(380);
}

void ChangeCatNamesDlg::OnOK() {
  const QString noChange = KdxText(kKdxCategoryNoChange);
  std::array<std::string, 3> texts;
  for (size_t i = 0; i < 3; ++i) {
    const QString text = boxes_[i]->currentText();
    texts[i] = text == noChange ? std::string(kKdxCategoryNoChange)
                                : KDXCOMM_GetCatComboSaveString(text.toStdString());
  }
  std::string refused;
  const KdxCategoryResult check = KDXCOMM_CheckChangeCategoryTexts(texts, &refused);
  if (check != KdxCategoryResult::kOk) {
    KDXCOMM_AlertOK(this, QString::fromStdString(KDXCOMM_CategoryMessage(check, refused)));
    return;
  }
  texts_ = texts;
  accept();
}
