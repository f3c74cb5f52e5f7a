// The document window's commands that open a dialog or change the selected
// entries: list options, labels, changing categories, the category titles,
// the document settings and its information.
#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QTableView>
#include <algorithm>

#include "core/document/catset_table.h"
#include "core/document/color_label.h"
#include "core/document/env_table.h"
#include "core/listing/list_options.h"
#include "gui/app/alerts.h"
#include "gui/app/category_edit_dialogs.h"
#include "gui/app/command_logic.h"
#include "gui/app/document_settings_dialogs.h"
#include "gui/app/document_window.h"
#include "gui/app/entry_list_model.h"
#include "gui/app/keyboard_access.h"
#include "gui/app/label_dialog.h"
#include "gui/app/list_option_dialog.h"
#include "gui/app/localization.h"

namespace {

KDX_CATEGORY_TITLE CategoryTitles(const KDX_DATA& data) {
  KDX_CATEGORY_TITLE titles{};
  (void)TI_GetData(data.catTitleAry, &titles);
  return titles;
}

}  // namespace

void KdxDocument::BuildCommandMenus(QMenu* view) {
  QAction* options = view->addAction(KdxText("一覧表示オプション…"));
  options->setObjectName(QStringLiteral("listOption"));
  options->setShortcut(QKeySequence(QStringLiteral("Ctrl+J")));
  connect(options, &QAction::triggered, this, &KdxDocument::listOption);

  QMenu* entries = menuBar()->addMenu(KdxMenuTitle(KdxText("文章"), 'T'));
  entries->setObjectName(QStringLiteral("EntryMenu"));
  QMenu* labels = KdxAddLabelMenu(
      entries, this, [this](int label) { setColorLabel(label); }, &labelActions_);
  selectionActions_.insert(selectionActions_.end(), labelActions_.begin(), labelActions_.end());
  connect(labels, &QMenu::aboutToShow, this, &KdxDocument::RefreshLabelMenu);
  QAction* editLabels = entries->addAction(KdxText("ラベルの編集…"));
  editLabels->setObjectName(QStringLiteral("labelEdit"));
  connect(editLabels, &QAction::triggered, this, &KdxDocument::labelEdit);
  entries->addSeparator();
  QAction* change = entries->addAction(KdxText("分類の変更…"));
  change->setObjectName(QStringLiteral("ChangeEntrys"));
  connect(change, &QAction::triggered, this, &KdxDocument::ChangeEntrys);
  selectionActions_.push_back(change);
  QAction* titles = entries->addAction(KdxText("分類名の編集…"));
  titles->setObjectName(QStringLiteral("editCategoryTitle"));
  connect(titles, &QAction::triggered, this, &KdxDocument::editCategoryTitle);

  QMenu* document = menuBar()->addMenu(KdxMenuTitle(KdxText("書類"), 'D'));
  document->setObjectName(QStringLiteral("DocumentMenu"));
  QAction* settings = document->addAction(KdxText("書類の設定…"));
  settings->setObjectName(QStringLiteral("FilePreference"));
  connect(settings, &QAction::triggered, this, &KdxDocument::FilePreference);
  fileInfoAction_ = document->addAction(KdxText("書類の情報…"));
  fileInfoAction_->setObjectName(QStringLiteral("FileInfo"));
  fileInfoAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Alt+I")));
  connect(fileInfoAction_, &QAction::triggered, this, &KdxDocument::FileInfo);
  documentActions_ = {options, editLabels, titles, settings};

  for (QMenu* menu : {view, entries, document}) {
    connect(menu, &QMenu::aboutToShow, this, &KdxDocument::UpdateMenuState);
  }
}

QAction* KdxDocument::commandAction(const char* name) const {
  return findChild<QAction*>(QString::fromLatin1(name));
}

void KdxDocument::UpdateMenuState() {
  const bool open = session_.isOpen();
  KDX_FILE_INFO info{};
  const KdxDocumentMenuState state = KDXCOMM_GetDocumentMenuState(
      entryList()->selectionModel()->selectedRows().size(), session_.busy() || !open,
      open && EV_GetFileInfo(session_.data().envAry, &info) == 1);
  for (QAction* action : selectionActions_) action->setEnabled(state.selectionCommands);
  for (QAction* action : documentActions_) action->setEnabled(state.documentCommands);
  fileInfoAction_->setEnabled(state.fileInfo);
}

void KdxDocument::RefreshLabelMenu() {
  if (session_.busy() || !session_.isOpen()) return;
  KdxShowLabelItems(session_.data().colorLabelAry, labelActions_);
  UpdateMenuState();
}

void KdxDocument::ShowCategoryTitles() {
  const KDX_CATEGORY_TITLE titles = CategoryTitles(session_.data());
  const char* texts[] = {titles.ti_cat1_title, titles.ti_cat2_title, titles.ti_cat3_title};
  for (size_t i = 0; i < 3; ++i) catTitles_[i]->setText(KdxText(texts[i]));
}

std::vector<int32_t> KdxDocument::SelectedEntryIds() const {
  std::vector<int> rows;
  for (const QModelIndex& index : entryList()->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  std::vector<int32_t> ids;
  for (const int row : rows) {
    const int32_t id = entryModel_->IdAtRow(row);
    if (id >= 0) ids.push_back(id);
  }
  return ids;
}

void KdxDocument::listOption() {
  if (session_.busy()) return;
  KDX_DATA* data = session_.EditSettings();
  CLCOMM_UpdateColumnWidthArray(ViewColumns(), data->columnAry);
  ListOptionDlg dialog(KdxText(kKdxListOptionTitle), data->columnAry, CategoryTitles(*data), this);
  if (dialog.exec() != QDialog::Accepted) return;
  // Re-sorted and shown anew; saved with the next save.
  ReloadMainListBoxes();
}

void KdxDocument::labelEdit() {
  if (session_.busy()) return;
  LabelEditDlg dialog(session_.EditSettings()->colorLabelAry, this);
  if (dialog.exec() != QDialog::Accepted) return;
  // The dialog stored into the label table: the next save writes it.
  (void)session_.EditDirectly();
  RefreshLabelMenu();
  ReloadMainListBoxes();
}

void KdxDocument::setColorLabel(int label) {
  if (session_.busy()) return;
  const std::vector<int32_t> ids = SelectedEntryIds();
  if (ids.empty()) return;
  if (KDXCOMM_SetColorLabel(session_, ids, label) != 0) {
    KDXCOMM_SystemAlert(this,
                        QStringLiteral("[-1] KDXCOMM_SetColorLabel_fromTableViewSelectedRow"));
  }
  // Not saved now: the next save writes the labels.
  ReloadMainListBoxes();
}

void KdxDocument::ChangeEntrys() {
  if (session_.busy()) return;
  const std::vector<int32_t> ids = SelectedEntryIds();
  if (ids.empty()) return;
  const KDX_CATEGORY_TITLE record = CategoryTitles(session_.data());
  const std::array<std::string, 3> titles{KdxTextUtf8(record.ti_cat1_title),
                                          KdxTextUtf8(record.ti_cat2_title),
                                          KdxTextUtf8(record.ti_cat3_title)};
  ChangeCatNamesDlg dialog(session_.data().catSetAry, titles,
                           KDXCOMM_GetCommonCategories(session_.data(), ids), this);
  if (dialog.exec() != QDialog::Accepted) return;
  std::string refused;
  if (KDXCOMM_ChangeEntryCategories(session_.EditDirectly(), ids, dialog.texts(), &refused) !=
      KdxCategoryResult::kOk) {
    KDXCOMM_SystemAlert(this, QStringLiteral("[-1] KDXCOMM_ChangeEntryCategories"));
  }
  // Not saved now: the next save writes the entries.
  ReloadMainListBoxes();
}

void KdxDocument::editCategoryTitle() {
  if (session_.busy()) return;
  CategoryTitleEditDlg dialog(session_.EditSettings()->catTitleAry, this);
  if (dialog.exec() != QDialog::Accepted) return;
  (void)session_.EditDirectly();
  (void)SaveOrAlert();
  ShowCategoryTitles();
  ReloadMainListBoxes();
}

void KdxDocument::FilePreference() {
  if (session_.busy()) return;
  KDX_DATA* data = session_.EditSettings();
  const KdxFilePrefs stored = KDXCOMM_ReadFilePrefs(data->envAry);
  FilePrefDlg dialog(stored, this);
  const KdxFilePrefs chosen = dialog.exec() == QDialog::Accepted ? dialog.prefs() : stored;
  // Written back either way, as the document had them or as chosen; not saved now.
  if (KDXCOMM_WriteFilePrefs(data->envAry, data->idCounterAry, chosen) != 0) {
    KDXCOMM_SystemAlert(this, QStringLiteral("[-1] FilePreference"));
  }
}

void KdxDocument::FileInfo() {
  if (session_.busy()) return;
  KDX_FILE_INFO info{};
  if (EV_GetFileInfo(session_.data().envAry, &info) != 1) return;
  FileInfoDlg dialog(KDXCOMM_GetFileInfoTexts(info, KDX_VERSION_CHARS), this);
  dialog.exec();
}
