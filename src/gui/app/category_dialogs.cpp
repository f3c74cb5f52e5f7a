#include "gui/app/category_dialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

#include "core/listing/category.h"
#include "core/util/vell_utf8.h"
#include "gui/app/alerts.h"
#include "gui/app/localization.h"

namespace {
constexpr size_t kCategoryNameBytes = 127;
}

QDialogButtonBox* KdxOkCancelButtons(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(dialog);
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("OnOK"));
  ok->setDefault(true);
  buttons->addButton(KdxText("キャンセル"), QDialogButtonBox::RejectRole);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

CategoryAddDlg::CategoryAddDlg(const QString& title, const VELL_ARY* catSetAry, int level,
                               QWidget* parent)
    : QDialog(parent), catSetAry_(catSetAry), level_(level), field_(new QLineEdit(this)) {
  setWindowTitle(KdxText("分類の追加"));
  auto* heading = new QLineEdit(title, this);
  heading->setReadOnly(true);
  field_->setObjectName(QStringLiteral("name"));
  QDialogButtonBox* buttons = KdxOkCancelButtons(this);
  setTabOrder(heading, field_);
  connect(buttons, &QDialogButtonBox::accepted, this, &CategoryAddDlg::OnOK);
  auto* layout = new QFormLayout(this);
  layout->addRow(KdxText("分類名の種類"), heading);
  layout->addRow(KdxText("分類名"), field_);
  layout->addRow(buttons);
  setMinimumWidth(360);
}

void CategoryAddDlg::OnOK() {
  std::string name = field_->text().toStdString();
  name.resize(Vell_Utf8CutLength(name, kCategoryNameBytes));
  const KdxCategoryResult check = KDXCOMM_CheckNewCategoryName(catSetAry_, name.c_str(), level_);
  if (check != KdxCategoryResult::kOk) {
    KDXCOMM_AlertOK(this, QString::fromStdString(KDXCOMM_CategoryMessage(check, name)));
    return;
  }
  name_ = name;
  accept();
}
