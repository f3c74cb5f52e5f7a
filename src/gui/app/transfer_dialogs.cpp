#include "gui/app/transfer_dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/app/localization.h"
#include "transfer/folder_walk.h"

namespace {

// Two radio buttons with the ids 0 and 1 in a titled box of their own.
QButtonGroup* AddChoice(QDialog* dialog, QVBoxLayout* layout, const char* title, const char* first,
                        const char* second, int32_t checked) {
  auto* group = new QButtonGroup(dialog);
  auto* frame = new QGroupBox(KdxText(title), dialog);
  auto* box = new QVBoxLayout(frame);
  int id = 0;
  for (const char* text : {first, second}) {
    auto* button = new QRadioButton(KdxText(text), frame);
    group->addButton(button, id++);
    box->addWidget(button);
  }
  group->button(checked == 1 ? 1 : 0)->setChecked(true);
  layout->addWidget(frame);
  return group;
}

// 次へ (accept) and キャンセル.
void AddNextCancel(QDialog* dialog, QVBoxLayout* layout) {
  auto* buttons = new QDialogButtonBox(dialog);
  QPushButton* next = buttons->addButton(KdxText("次へ"), QDialogButtonBox::AcceptRole);
  next->setObjectName(QStringLiteral("OnNext"));
  next->setDefault(true);
  buttons->addButton(KdxText("キャンセル"), QDialogButtonBox::RejectRole);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  layout->addWidget(buttons);
}

constexpr char kSelected[] = "選択されている文章";
constexpr char kShown[] = "表示されているすべての文章";

}  // namespace

WriteEntryListDlg::WriteEntryListDlg(int32_t recordType, QWidget* parent) : QDialog(parent) {
  setWindowTitle(KdxText("一覧ファイルを書き出す"));
  auto* layout = new QVBoxLayout(this);
  recordType_ = AddChoice(this, layout, "書き出す文章", kSelected, kShown, recordType);
  AddNextCancel(this, layout);
}

int32_t WriteEntryListDlg::recordType() const { return recordType_->checkedId() == 1 ? 1 : 0; }

SaveNewFileDlg::SaveNewFileDlg(const KDX_NEW_SAVE_OPTIONS& options, QWidget* parent)
    : QDialog(parent), options_(options) {
  setWindowTitle(KdxText("新規ファイルとして保存"));
  auto* layout = new QVBoxLayout(this);
  recordType_ = AddChoice(this, layout, "保存する文章", kSelected, kShown, options.recordType);
  const auto box = [this, layout](const char* text, int32_t value) {
    auto* check = new QCheckBox(KdxText(text), this);
    check->setChecked(value == 1);
    layout->addWidget(check);
    return check;
  };
  unusedCategory_ = box("使われていない分類も含める", options.isUnusedCategory);
  catTitle_ = box("分類名を引き継ぐ", options.isCatTitle);
  colorLabel_ = box("ラベルを引き継ぐ", options.isColorLabel);
  target_ = AddChoice(this, layout, "ファイルの種類", "kdx ファイル", "kdr ファイル",
                      options.targetKdxApp);
  AddNextCancel(this, layout);
}

KDX_NEW_SAVE_OPTIONS SaveNewFileDlg::options() const {
  KDX_NEW_SAVE_OPTIONS options = options_;
  options.recordType = recordType_->checkedId() == 1 ? 1 : 0;
  options.isUnusedCategory = unusedCategory_->isChecked() ? 1 : 0;
  options.isCatTitle = catTitle_->isChecked() ? 1 : 0;
  options.isColorLabel = colorLabel_->isChecked() ? 1 : 0;
  options.targetKdxApp = target_->checkedId() == 1 ? 1 : 0;
  return options;
}

KdxImportFilePanel::KdxImportFilePanel(QWidget* parent, const QString& folder)
    : QFileDialog(parent, KdxText("ファイルを取り込む"), folder) {
  setObjectName(QStringLiteral("ImportFile"));
  // The platform's panel would enter a package instead of choosing it.
  setOption(QFileDialog::DontUseNativeDialog);
  setFileMode(QFileDialog::ExistingFiles);
  setLabelText(QFileDialog::Accept, KdxText("取り込む"));
}

void KdxImportFilePanel::accept() {
  const QStringList files = selectedFiles();
  bool package = false;
  for (const QString& file : files) {
    const QFileInfo info(file);
    if (info.isDir() && KDX_IsRtfdFile(file.toStdString()) == 1) {
      package = true;
    } else if (!info.isFile()) {
      package = false;  // a plain folder or nothing: the panel's own handling
      break;
    }
  }
  // Set before the panel says it was accepted.
  chosen_ = files;
  if (package) {
    QDialog::accept();
  } else {
    QFileDialog::accept();
  }
}

QFileDialog* KdxMakeFolderPanel(QWidget* parent, const char* acceptKey, const QString& folder) {
  auto* panel = new QFileDialog(parent, KdxText(acceptKey), folder);
  panel->setOption(QFileDialog::DontUseNativeDialog);
  panel->setFileMode(QFileDialog::Directory);
  panel->setOption(QFileDialog::ShowDirsOnly);
  panel->setLabelText(QFileDialog::Accept, KdxText(acceptKey));
  return panel;
}

QFileDialog* KdxMakeSavePanel(QWidget* parent, const char* acceptKey, const QString& folder,
                              const QString& name, const QString& ext) {
  auto* panel = new QFileDialog(parent, KdxText(acceptKey), folder);
  panel->setOption(QFileDialog::DontUseNativeDialog);
  panel->setAcceptMode(QFileDialog::AcceptSave);
  panel->setFileMode(QFileDialog::AnyFile);
  panel->setDefaultSuffix(ext);
  panel->setNameFilter(QStringLiteral("*.%1").arg(ext));
  panel->setLabelText(QFileDialog::Accept, KdxText(acceptKey));
  panel->selectFile(name);
  return panel;
}
