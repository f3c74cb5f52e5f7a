#include "gui/app/password_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/content/password.h"
#include "gui/app/alerts.h"
#include "gui/app/localization.h"

PasswordDlg::PasswordDlg(const QString& prompt, const QString& current, QWidget* parent)
    : QDialog(parent), field_(new QLineEdit(current, this)) {
  setWindowTitle(KdxText("パスワード"));
  field_->setObjectName(QStringLiteral("password"));
  field_->setEchoMode(QLineEdit::Password);
  field_->setMinimumWidth(260);
  auto* message = new QLabel(prompt, this);
  message->setObjectName(QStringLiteral("message"));
  message->setBuddy(field_);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("OnOK"));
  ok->setDefault(true);
  buttons->addButton(KdxText("キャンセル"), QDialogButtonBox::RejectRole)
      ->setObjectName(QStringLiteral("OnCancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &PasswordDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(message);
  layout->addWidget(field_);
  layout->addWidget(buttons);
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
