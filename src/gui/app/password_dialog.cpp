#include "gui/app/password_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/content/password.h"
#include "gui/app/alerts.h"
#include "gui/app/localization.h"

void KdxBuildPasswordLayout(QDialog* dialog, QLineEdit* field, const QString& message) {
  field->setObjectName(QStringLiteral("password"));
  field->setEchoMode(QLineEdit::Password);
  auto* label = new QLabel(message, dialog);
  label->setObjectName(QStringLiteral("message"));
  label->setBuddy(field);
  auto* buttons = new QDialogButtonBox(dialog);
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("OnOK"));
  ok->setDefault(true);
  buttons->addButton(KdxText("キャンセル"), QDialogButtonBox::RejectRole)
      ->setObjectName(QStringLiteral("OnCancel"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(dialog);
  layout->addWidget(label);
  layout->addWidget(field);
  layout->addWidget(buttons);
}

PasswordDlg::PasswordDlg(const QString& prompt, const QString& current, QWidget* parent)
    : QDialog(parent), field_(new QLineEdit(current, this)) {
  setWindowTitle(KdxText("パスワード"));
  field_->setMinimumWidth(260);
  KdxBuildPasswordLayout(this, field_, prompt);
}

void PasswordDlg::accept() {
  char kept[kKdxPasswordFieldSize] = {};
  if (KDX_CheckPasswordRules(field_->text().toUtf8().constData(), kept, sizeof kept) != 1) {
    KDXCOMM_AlertOK(this, KdxText(kKdxPasswordRuleAlert));
    return;
  }
  accepted_ = kept;
  QDialog::accept();
}
