#include "gui/app/startup_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/prefs/pref_file.h"
#include "core/util/vell_file.h"
#include "gui/app/alert_texts.h"
#include "gui/app/keyboard_access.h"
#include "gui/app/localization.h"
#include "gui/app/password_dialog.h"
#include "gui/app/startup_logic.h"
#include "gui/app/window_frame.h"

StartupDlg::StartupDlg(const std::vector<std::string>& recentPaths, QWidget* parent)
    : QDialog(parent), list_(new QListWidget(this)) {
  setWindowTitle(QStringLiteral("Kardinex"));
  list_->setObjectName(QStringLiteral("recent_path"));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setTextElideMode(Qt::ElideMiddle);
  for (const std::string& path : recentPaths) {
    auto* item = new QListWidgetItem(QString::fromStdString(path), list_);
    item->setToolTip(item->text());
  }
  if (list_->count() > 0) list_->setCurrentRow(0);
  connect(list_, &QListWidget::itemDoubleClicked, this, &StartupDlg::DoEntryListDoubleClick);

  auto* open = new QPushButton(KdxText("開く"), this);
  auto* select = new QPushButton(KdxText("選択"), this);
  auto* create = new QPushButton(KdxText("新規"), this);
  auto* quit = new QPushButton(KdxText("終了"), this);
  open->setObjectName(QStringLiteral("OnOpen"));
  select->setObjectName(QStringLiteral("OnSelect"));
  create->setObjectName(QStringLiteral("OnNew"));
  quit->setObjectName(QStringLiteral("OnQuit"));
  select->setDefault(true);
  connect(open, &QPushButton::clicked, this, &StartupDlg::OnOpen);
  connect(select, &QPushButton::clicked, this, &StartupDlg::OnSelect);
  connect(create, &QPushButton::clicked, this, &StartupDlg::OnNew);
  connect(quit, &QPushButton::clicked, this, &StartupDlg::OnQuit);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(quit);
  buttons->addStretch(1);
  buttons->addWidget(create);
  buttons->addWidget(open);
  buttons->addWidget(select);
  // The keys move through the buttons in the order they stand.
  setTabOrder(list_, quit);
  setTabOrder(quit, create);
  setTabOrder(create, open);
  setTabOrder(open, select);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(KdxCaption(KdxText("最近使った書類"), list_, this));
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
  resize(560, 340);

  KdxRestoreWindowFrame(this, kPrefStartupDlgRectKey);
}

void StartupDlg::Finish(int result) {
  KdxStoreWindowFrame(this, kPrefStartupDlgRectKey);
  done(result);
}

void StartupDlg::OnOpen() {
  const QString path = chooseOpenPath ? chooseOpenPath() : QString();
  if (path.isEmpty()) return;  // a cancelled panel leaves the dialog open
  (void)PREF_WriteFilePath(kPrefOpenFileKey, path.toStdString().c_str());
  chosenPath_ = path;
  Finish(kOpened);
}

void StartupDlg::OnSelect() {
  const QListWidgetItem* item = list_->currentItem();
  if (item == nullptr || !item->isSelected() || item->text().isEmpty()) return;
  chosenPath_ = item->text();
  Finish(kSelected);
}

void StartupDlg::DoEntryListDoubleClick(QListWidgetItem* item) {
  if (item == nullptr) return;
  list_->setCurrentItem(item);
  OnSelect();
}

void StartupDlg::OnNew() {
  const QString path = chooseNewPath ? chooseNewPath() : QString();
  if (path.isEmpty()) return;
  const std::string folder = Vell_GetFolderPath(path.toStdString(), 0);
  (void)PREF_WriteFilePath(kPrefNewFileKey, folder.c_str());
  chosenPath_ = path;
  Finish(kNew);
}

void StartupDlg::OnQuit() { Finish(kQuit); }

PasswordCheckDlg::PasswordCheckDlg(const QString& fileName, bool afterWrongPassword,
                                   QWidget* parent)
    : QDialog(parent), field_(new QLineEdit(this)) {
  setWindowTitle(fileName);
  KdxBuildPasswordLayout(this, field_,
                         afterWrongPassword ? KdxText(kKdxMsgWrongPassword)
                                            : KdxText("パスワードを入力してください。"));
}

QString PasswordCheckDlg::password() const { return field_->text(); }
