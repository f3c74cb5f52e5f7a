#include "gui/app/search_window.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QProgressBar>
#include <QRadioButton>
#include <QScreen>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

#include "core/content/entry_copy.h"
#include "core/document/catset_table.h"
#include "core/document/color_label.h"
#include "core/listing/entry_sort.h"
#include "core/prefs/pref_file.h"
#include "core/prefs/pref_rez.h"
#include "core/search/search_history.h"
#include "core/util/vell_file.h"
#include "core/util/vell_log.h"
#include "core/util/vell_time.h"
#include "gui/app/alert_texts.h"
#include "gui/app/alerts.h"
#include "gui/app/command_logic.h"
#include "gui/app/document_window.h"
#include "gui/app/document_window_logic.h"
#include "gui/app/entry_window.h"
#include "gui/app/find_body_window.h"
#include "gui/app/import_export_commands.h"
#include "gui/app/keyboard_access.h"
#include "gui/app/label_dialog.h"
#include "gui/app/list_option_dialog.h"
#include "gui/app/localization.h"
#include "gui/app/palette_logic.h"
#include "gui/app/search_result_model.h"
#include "gui/app/window_order.h"
#include "transfer/entry_list_file.h"

namespace {

constexpr char kEntryKind[] = "文章";
constexpr char kListOptionTitle[] = "全文検索 - 一覧表示オプション";
constexpr int kIndicatorInterval = 40;  // ms between repaints of the indicator while searching

// Sets a flag for one scope.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = old_; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
  bool old_;
};

std::string TitleOf(const KDX_ENTRY& entry) {
  return std::string(entry.en_title, strnlen(entry.en_title, sizeof entry.en_title));
}

std::string WordOf(const KDX_FOUND_RESULT& found) {
  return std::string(found.word, strnlen(found.word, sizeof found.word));
}

KDX_CATEGORY_TITLE CategoryTitles(const KDX_DATA& data) {
  KDX_CATEGORY_TITLE titles{};
  (void)TI_GetData(data.catTitleAry, &titles);
  return titles;
}

// Which results the entry list file holds: the selected ones (0) or all (1).
class ResultListTypeDlg : public QDialog {
 public:
  ResultListTypeDlg(int recordType, QWidget* parent) : QDialog(parent) {
    setWindowTitle(KdxText("一覧ファイルを書き出す"));
    auto* layout = new QVBoxLayout(this);
    group_ = new QButtonGroup(this);
    const char* texts[] = {"選択されている文章", "表示されているすべての文章"};
    for (int tag = 0; tag < 2; ++tag) {
      auto* radio = new QRadioButton(KdxText(texts[tag]), this);
      group_->addButton(radio, tag);
      layout->addWidget(radio);
    }
    group_->button(recordType == 1 ? 1 : 0)->setChecked(true);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(KdxText("次へ"), QDialogButtonBox::AcceptRole);
    buttons->addButton(KdxText("キャンセル"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
  }
  int recordType() const { return std::max(0, group_->checkedId()); }

 private:
  QButtonGroup* group_;
};

}  // namespace

// ---- The document's side ------------------------------------------------------

AllFindWindow* KdxDocument::searchWindow() const { return searchWindow_; }

void KdxDocument::setSearchWindow(AllFindWindow* window) { searchWindow_ = window; }

void KdxDocument::findAll() {
  AllFindWindow::Show(
      this, QString::fromStdString(KdxCutSearchWord(searchField_->text().toStdString())), false);
}

void KdxDocument::SetMainSerachField(const QString& word) {
  searchField_->setText(word);
  // Both windows' mode buttons show the one stored mode.
  const int mode = KDXCOMM_ReadSearchModeOption();
  if (QAbstractButton* radio = searchMode_->button(mode)) radio->setChecked(true);
  (void)KDXCOMM_WriteSearchModeOption(mode);
  (void)HICOMM_AddSearchWord(word.toStdString().c_str());
  RefreshSearchMenu();
}

// ---- Opening ------------------------------------------------------------------

AllFindWindow* AllFindWindow::Show(KdxDocument* document, const QString& word, bool doSearch) {
  if (document == nullptr || !document->session().isOpen()) return nullptr;
  if (AllFindWindow* open = document->searchWindow()) {
    open->MakeKeyAndOrderFront(doSearch, word);
    return open;
  }
  auto* window = new AllFindWindow(document);
  document->setSearchWindow(window);
  window->OpenAllFindWindow(doSearch, word);
  return window;
}

AllFindWindow::AllFindWindow(KdxDocument* document) : document_(document) {
  setAttribute(Qt::WA_DeleteOnClose);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, KdxDocumentBackground(palette.color(QPalette::Window)));
  setPalette(palette);
  setAutoFillBackground(true);
  setWindowTitle(KdxText("全文検索") + QStringLiteral(" - ") +
                 QString::fromStdString(Vell_GetFileName(document->session().path())));
  BuildWidgets();
  BuildMenus();
}

AllFindWindow::~AllFindWindow() = default;

void AllFindWindow::OpenAllFindWindow(bool doSearch, const QString& word) {
  if (QAbstractButton* radio = modes_->button(KDXCOMM_ReadSearchModeOption()))
    radio->setChecked(true);
  searchField_->setText(word);
  (void)PREF_GetPreferenceREZFilePath(prefRez_);
  columns_ = KDX_LoadSearchWindowColumns(prefRez_, document_->session().data());
  RefreshSearchMenu();
  RefreshLabelMenu();
  PlaceWindow();
  {
    FlagScope rebuilding(rebuilding_);
    model_->RebuildFrom(columnAry());
    ApplyColumns();
  }
  show();
  KdxBringToFront(this);
  ReloadAllFindWindowConrols(doSearch, false);
  indicator_->hide();
}

void AllFindWindow::MakeKeyAndOrderFront(bool doSearch, const QString& word) {
  KdxBringToFront(this);
  searchField_->setText(word);
  ReloadAllFindWindowConrols(doSearch, false);
}

void AllFindWindow::PlaceWindow() {
  PREF_WINDOW_RECT stored{};
  PREF_ReadWindowRect(kPrefSearchWindowRectKey, &stored);
  const KdxWindowRect rect{stored.left, stored.top, stored.right, stored.bottom};
  if (rect.left != 0 || rect.top != 0 || rect.right != 0 || rect.bottom != 0) {
    resize(std::max(rect.width(), minimumSizeHint().width()),
           std::max(rect.height(), minimumSizeHint().height()));
    move(rect.left, rect.top);
    return;
  }
  int32_t width = kPrefDefaultWindowWidth;
  int32_t height = kPrefDefaultWindowHeight;
  PREF_ReadWindowSize(kPrefDefaultWindowSizeKey, &width, &height);
  resize(width, height);
  const QRect f = document_->frameGeometry();
  const QRect screen = QGuiApplication::primaryScreen()
                           ? QGuiApplication::primaryScreen()->availableGeometry()
                           : QRect(0, 0, 1280, 800);
  KdxWindowRect placed;
  if (KDXCOMM_CalcInitialWindowBounds(
          width, height,
          KdxWindowRect{f.left(), f.top(), f.left() + f.width(), f.top() + f.height()},
          screen.width(), screen.height(), &placed) == 1) {
    move(placed.left, placed.top);
  }
}

void AllFindWindow::BuildWidgets() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(4);

  auto* searchRow = new QHBoxLayout;
  auto* recents = new QToolButton(central);
  recents->setText(QStringLiteral("▼"));
  recents->setToolTip(KdxText("最近の検索"));
  recents->setAccessibleName(recents->toolTip());
  recents->setPopupMode(QToolButton::InstantPopup);
  searchMenu_ = new QMenu(recents);
  recents->setMenu(searchMenu_);
  searchField_ = new QLineEdit(central);
  searchField_->setObjectName(QStringLiteral("m_SerachField"));
  searchField_->setClearButtonEnabled(true);
  searchField_->setPlaceholderText(KdxText("検索"));
  searchField_->setAccessibleName(searchField_->placeholderText());
  connect(searchField_, &QLineEdit::returnPressed, this, &AllFindWindow::OnFindButton);
  searchRow->addWidget(recents);
  searchRow->addWidget(searchField_, 1);
  indicator_ = new QProgressBar(central);
  indicator_->setObjectName(QStringLiteral("m_ProgressSpinning"));
  indicator_->setRange(0, 0);
  indicator_->setTextVisible(false);
  indicator_->setFixedWidth(48);
  indicator_->hide();
  searchRow->addWidget(indicator_);
  layout->addLayout(searchRow);

  auto* modeRow = new QHBoxLayout;
  modes_ = new QButtonGroup(this);
  const char* modes[] = {"文字列", "すべての単語", "いずれかの単語"};
  for (int tag = 0; tag < 3; ++tag) {
    auto* radio = new QRadioButton(KdxText(modes[tag]), central);
    modes_->addButton(radio, tag);
    modeRow->addWidget(radio);
  }
  connect(modes_, &QButtonGroup::idClicked, this, &AllFindWindow::OnRadioSearchMode);
  modeRow->addStretch(1);
  countLabel_ = new QLabel(central);
  countLabel_->setObjectName(QStringLiteral("m_Static_NumOfEntrys"));
  countLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  modeRow->addWidget(countLabel_);
  layout->addLayout(modeRow);

  list_ = new KdxEntryTableView([this] { return ExportDraggedResults(); }, [this] { OpenEntry(); },
                                {}, central);
  list_->setObjectName(QStringLiteral("m_List_FoundResult"));
  list_->setAccessibleName(KdxText("検索結果"));
  model_ = new KdxFoundResultModel(&document_->session(), &results_, this);
  list_->setModel(model_);
  KdxSetUpEntryListView(list_);
  QHeaderView* header = list_->horizontalHeader();
  connect(header, &QHeaderView::sectionClicked, this, &AllFindWindow::HeaderClicked);
  connect(header, &QHeaderView::sectionMoved, this, &AllFindWindow::ColumnMoved);
  connect(list_, &QAbstractItemView::doubleClicked, this, &AllFindWindow::OpenEntry);
  connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &AllFindWindow::SelectionChanged);
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    const QModelIndex index = list_->indexAt(pos);
    QItemSelectionModel* selection = list_->selectionModel();
    if (index.isValid() && !selection->isRowSelected(index.row(), QModelIndex())) {
      selection->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    UpdateMenuState();
    entriesMenu_->popup(list_->viewport()->mapToGlobal(pos));
  });
  KdxAddContextMenuKeys(list_);
  auto* remove = new QAction(list_);
  remove->setShortcut(QKeySequence::Delete);
  remove->setShortcutContext(Qt::WidgetShortcut);
  connect(remove, &QAction::triggered, this, &AllFindWindow::DeleteEntry);
  list_->addAction(remove);
  layout->addWidget(list_, 1);
  setCentralWidget(central);
}

QTableView* AllFindWindow::resultList() const { return list_; }

void AllFindWindow::BuildMenus() {
  const auto add = [this](QMenu* menu, const char* title, const char* name, auto slot,
                          const QKeySequence& keys = {}) {
    QAction* action = menu->addAction(KdxText(title));
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  QMenu* file = menuBar()->addMenu(KdxMenuTitle(KdxText("ファイル"), 'F'));
  add(file, "閉じる", "CloseActiveWindow", &QWidget::close)
      ->setShortcuts(KdxCommandKeys("Ctrl+W", QKeySequence::Close));
  QAction* closeEntries =
      add(file, "すべての文章ウインドウを閉じる", "CloseAllEntryWindow",
          &AllFindWindow::CloseAllEntryWindow, QKeySequence(QStringLiteral("Ctrl+Alt+W")));
  add(file, "書類ウインドウを表示", "showMainWindow", &AllFindWindow::showMainWindow,
      QKeySequence(QStringLiteral("Ctrl+Shift+M")));
  file->addSeparator();
  QAction* list =
      add(file, "一覧ファイルを書き出す…", "WriteEntryList", &AllFindWindow::WriteEntryList);
  QAction* joined = add(file, "連結して書き出す…", "ExportAppendToTextFile",
                        &AllFindWindow::ExportAppendToTextFile);
  file->addSeparator();
  KdxAddApplicationItems(file);

  QMenu* view = menuBar()->addMenu(KdxMenuTitle(KdxText("表示"), 'V'));
  add(view, "検索フィールドへ", "ShowFindWindow", &AllFindWindow::findAll, QKeySequence::Find);
  QAction* clear =
      add(view, "検索履歴をクリア", "ClearSearchHistory", &AllFindWindow::ClearSearchHistory);
  QAction* options = add(view, "一覧表示オプション…", "listOption", &AllFindWindow::listOption,
                         QKeySequence(QStringLiteral("Ctrl+J")));

  entriesMenu_ = menuBar()->addMenu(KdxMenuTitle(KdxText("文章"), 'T'));
  QAction* open = add(entriesMenu_, "開く", "OpenEntry", &AllFindWindow::OpenEntry);
  QAction* copy = add(entriesMenu_, "複製", "CopyEntry", &AllFindWindow::CopyEntry,
                      QKeySequence(QStringLiteral("Ctrl+D")));
  QAction* remove = add(entriesMenu_, "削除…", "DeleteEntry", &AllFindWindow::DeleteEntry);
  QMenu* labels = KdxAddLabelMenu(
      entriesMenu_, this, [this](int label) { setColorLabel(label); }, &labelActions_);
  resultActions_.insert(resultActions_.end(), labelActions_.begin(), labelActions_.end());
  connect(labels, &QMenu::aboutToShow, this, &AllFindWindow::RefreshLabelMenu);
  QAction* editLabels = add(entriesMenu_, "ラベルの編集…", "labelEdit", &AllFindWindow::labelEdit);
  entriesMenu_->addSeparator();
  QAction* encrypt = add(entriesMenu_, "暗号化", "EncryptON", &AllFindWindow::EncryptON);
  QAction* decrypt = add(entriesMenu_, "暗号解除", "EncryptOFF", &AllFindWindow::EncryptOFF);
  resultActions_.insert(resultActions_.end(), {open, copy, remove, list, joined, encrypt, decrypt});
  windowActions_ = {closeEntries, clear, options, editLabels};
  for (QMenu* menu : {file, view, entriesMenu_}) {
    connect(menu, &QMenu::aboutToShow, this, &AllFindWindow::UpdateMenuState);
  }
  KdxAddHelpMenu(menuBar());
}

QAction* AllFindWindow::commandAction(const char* name) const {
  return findChild<QAction*>(QString::fromLatin1(name));
}

void AllFindWindow::UpdateMenuState() {
  const bool busy = document_ == nullptr || document_->session().busy();
  const KdxSearchMenuState state =
      KdxGetSearchMenuState(list_->selectionModel()->selectedRows().size(), busy);
  for (QAction* action : resultActions_) action->setEnabled(state.resultCommands);
  for (QAction* action : windowActions_) action->setEnabled(state.windowCommands);
}

void AllFindWindow::RefreshSearchMenu() {
  searchMenu_->clear();
  QAction* heading = searchMenu_->addAction(KdxText("最近の検索"));
  heading->setEnabled(false);
  for (const std::string& recent : KdxRecentSearchWords()) {
    const QString word = QString::fromStdString(recent);
    connect(searchMenu_->addAction(word), &QAction::triggered, this, [this, word] {
      searchField_->setText(word);
      OnFindButton();
    });
  }
  searchMenu_->addSeparator();
  connect(searchMenu_->addAction(KdxText("履歴をクリア")), &QAction::triggered, this,
          &AllFindWindow::ClearSearchHistory);
}

void AllFindWindow::RefreshLabelMenu() {
  if (document_ == nullptr || document_->session().busy()) return;
  KdxShowLabelItems(document_->session().data().colorLabelAry, labelActions_);
  UpdateMenuState();
}

// ---- The search ---------------------------------------------------------------

void AllFindWindow::OnFindButton() {
  KdxBringToFront(this);
  ReloadAllFindWindowConrols(true, false);
  searchField_->setFocus();
}

void AllFindWindow::OnRadioSearchMode(int mode) {
  (void)KDXCOMM_WriteSearchModeOption(mode);
  OnFindButton();
}

void AllFindWindow::findAll() {
  searchField_->setFocus();
  searchField_->selectAll();
}

void AllFindWindow::ReloadAllFindWindowConrols(bool doSearch, bool reselect) {
  if (document_ == nullptr || document_->session().busy()) return;
  if (QAbstractButton* radio = modes_->button(KDXCOMM_ReadSearchModeOption()))
    radio->setChecked(true);
  const std::string word = KdxCutSearchWord(searchField_->text().toStdString());
  document_->SetMainSerachField(QString::fromStdString(word));
  RefreshSearchMenu();
  if (word.empty() || !doSearch) return;
  indicator_->show();
  StartSerach(word);
  ReloadFoundResultListBox(reselect);
  indicator_->hide();
}

void AllFindWindow::StartSerach(const std::string& word) {
  FlagScope rebuilding(rebuilding_);
  const int mode = std::max(0, modes_->checkedId());
  (void)KDXCOMM_WriteSearchModeOption(mode);
  // The file as last saved: every command that changes bodies saves at once.
  const KdxSession& session = document_->session();
  QElapsedTimer shown;
  shown.start();
  KdxSearchCallbacks callbacks;
  callbacks.progress = [&shown](int64_t, int64_t) {
    // The indicator turns; the window takes no input meanwhile.
    if (shown.elapsed() < kIndicatorInterval) return;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    shown.restart();
  };
  std::vector<KDX_FOUND_RESULT> found;
  const int32_t code = KDX_SearchEntries(&session.data(), word.c_str(), mode, kKdxSearchBody,
                                         callbacks, found, nullptr);
  if (const char* failure = KdxSearchFailureText(code)) {
    // The results of the last search stay as they were.
    Vell_SystemErrorLog("[%ld] StartSerach\r\n", static_cast<long>(code));
    KDXCOMM_AlertOK(this, KdxText(failure));
    return;
  }
  if (code == 0) results_ = std::move(found);
}

void AllFindWindow::ReloadFoundResultListBox(bool reselect) {
  if (document_ == nullptr || document_->session().busy()) return;
  FlagScope rebuilding(rebuilding_);
  const KdxSession& session = document_->session();
  KDX_SORT_INFO keys{};
  CLCOMM_InitListInfo(columnAry(), &keys);
  const int32_t sorted =
      KDX_SortFoundResults(&session.data(), keys, session.NoteReader(), results_, &tableOrder_);
  if (sorted == -1) KdxDeferSystemAlert(QStringLiteral("[-1] CreateShowEntryArray"));
  model_->RebuildFrom(columnAry());
  ApplyColumns();
  if (reselect) {
    SelectFlaggedRows();
  } else {
    list_->clearSelection();
    KdxSetFoundSelection(results_, {});
  }
  countLabel_->setText(QString::number(results_.size()));
  UpdateMenuState();
}

void AllFindWindow::LatestFoundResultIDArray() {
  if (document_ == nullptr || document_->session().busy()) return;
  KDX_DropMissingFoundResults(&document_->session().data(), results_);
  RefreshLabelMenu();
  ReloadFoundResultListBox(true);
}

void AllFindWindow::SelectFlaggedRows() {
  FlagScope rebuilding(rebuilding_);
  list_->selectionModel()->select(KdxRowSelection(model_, KdxSelectedFoundRows(results_)),
                                  QItemSelectionModel::ClearAndSelect);
}

void AllFindWindow::SelectionChanged() {
  if (!rebuilding_) KdxSetFoundSelection(results_, SelectedRows());
  UpdateMenuState();
}

std::vector<std::pair<int, KDX_ENTRY>> AllFindWindow::SelectedEntries() {
  std::vector<std::pair<int, KDX_ENTRY>> entries;
  for (const int row : SelectedRows()) {
    std::optional<KDX_ENTRY> entry = document_->session().FindEntry(model_->IdAtRow(row));
    if (!entry) {
      KDXCOMM_SystemAlert(
          this, QStringLiteral("[-1] AFW_MakeSelectedEntryArray_FromNSTableView[%1]").arg(row));
      break;
    }
    entries.emplace_back(row, *entry);
  }
  return entries;
}

std::vector<int> AllFindWindow::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : list_->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

// ---- Columns ------------------------------------------------------------------

void AllFindWindow::ApplyColumns() {
  QHeaderView* header = list_->horizontalHeader();
  const QSignalBlocker block(header);
  const auto& columns = model_->columns();
  for (int logical = 0; logical < static_cast<int>(columns.size()); ++logical) {
    // The model lists the columns in the user's order already.
    const int visual = header->visualIndex(logical);
    if (visual != logical) header->moveSection(visual, logical);
    header->resizeSection(
        logical, std::max(columns[static_cast<size_t>(logical)].width, kKdxMinColumnWidth));
  }
  const std::vector<KdxSortColumn> keys = CLCOMM_GetSortColumns(columnAry());
  int section = -1;
  for (int i = 0; i < static_cast<int>(columns.size()) && !keys.empty(); ++i) {
    if (columns[static_cast<size_t>(i)].identifier == keys.front().identifier) section = i;
  }
  header->setSortIndicator(
      section, !keys.empty() && keys.front().ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

std::vector<KdxViewColumn> AllFindWindow::ViewColumns() const {
  std::vector<KdxViewColumn> out;
  const QHeaderView* header = list_->horizontalHeader();
  const auto& columns = model_->columns();
  for (int visual = 0; visual < header->count(); ++visual) {
    const int logical = header->logicalIndex(visual);
    if (logical < 0 || logical >= static_cast<int>(columns.size())) continue;
    out.push_back({columns[static_cast<size_t>(logical)].identifier,
                   static_cast<double>(header->sectionSize(logical))});
  }
  return out;
}

void AllFindWindow::HeaderClicked(int section) {
  if (document_ == nullptr || document_->session().busy()) return;
  const auto& columns = model_->columns();
  if (section < 0 || section >= static_cast<int>(columns.size())) return;
  const std::string identifier = columns[static_cast<size_t>(section)].identifier;
  CLCOMM_UpdateColumnWidthArray(ViewColumns(), columns_.columnAry.get());
  const bool ascending = KDXCOMM_HeaderClickDirection(columnAry(), identifier);
  if (KDXCOMM_ClickColumnHeader(columns_.columnAry.get(), identifier, ascending) != 1) return;
  ReloadFoundResultListBox(true);
}

void AllFindWindow::ColumnMoved() {
  if (rebuilding_ || document_ == nullptr || document_->session().busy()) return;
  CLCOMM_UpdateColumnWidthArray(ViewColumns(), columns_.columnAry.get());
  FlagScope rebuilding(rebuilding_);
  model_->RebuildFrom(columnAry());
  ApplyColumns();
  SelectFlaggedRows();
}

void AllFindWindow::StoreColumns() {
  if (!columns_.columnAry) return;
  CLCOMM_UpdateColumnWidthArray(ViewColumns(), columns_.columnAry.get());
  if (prefRez_.empty() || CL_Save(prefRez_.c_str(), kPrefTagCLAL, columns_.idCounterAry.get(),
                                  columns_.columnAry.get()) != 0) {
    Vell_SystemErrorLog("[-1] AllFindWindow CL_Save\r\n");
  }
}

void AllFindWindow::listOption() {
  if (document_ == nullptr || document_->session().busy() || !columns_.columnAry) return;
  CLCOMM_UpdateColumnWidthArray(ViewColumns(), columns_.columnAry.get());
  ListOptionDlg dialog(KdxText(kListOptionTitle), columns_.columnAry.get(),
                       CategoryTitles(document_->session().data()), this);
  if (dialog.exec() != QDialog::Accepted) return;
  StoreColumns();
  ReloadFoundResultListBox(true);
}

// ---- Commands on the selected results -----------------------------------------

std::vector<int32_t> AllFindWindow::SelectedIds() {
  std::vector<int32_t> ids;
  for (const auto& [row, entry] : SelectedEntries()) ids.push_back(entry.en_id);
  return ids;
}

void AllFindWindow::EncryptON() {
  if (document_ != nullptr) document_->SetEncryptEntries(SelectedIds(), true, this);
}

void AllFindWindow::EncryptOFF() {
  if (document_ != nullptr) document_->SetEncryptEntries(SelectedIds(), false, this);
}

void AllFindWindow::ExportAppendToTextFile() {
  if (document_ != nullptr) KdxAppendEntriesCommand(document_, this, SelectedIds());
}

void AllFindWindow::SaveAndReload() {
  if (document_->session().Save() != 0) KDXCOMM_AlertOK(this, KdxText(kKdxMsgCannotSave));
  // The document's rebuild reloads this list too.
  document_->ReloadMainListBoxes();
  document_->entryWindows()->UpdateAll();
}

void AllFindWindow::OpenEntry() {
  if (document_ == nullptr || document_->session().busy() || !document_->session().writable())
    return;
  KdxSession& session = document_->session();
  KdxEntryWindows* windows = document_->entryWindows();
  for (const int row : SelectedRows()) {
    std::optional<KDX_ENTRY> entry = session.FindEntry(model_->IdAtRow(row));
    if (!entry) {
      KDXCOMM_SystemAlert(this, QStringLiteral("[-1] OpenEntry[%1]").arg(model_->IdAtRow(row)));
      break;
    }
    EntryWindow* window = windows->Find(entry->en_id);
    if (window != nullptr) {
      KdxBringToFront(window);
      Vell_GetCurrentTimeAsString(entry->en_last_opened_date, kVellDateCharsSize);
    } else {
      window = windows->Open(&*entry);
    }
    if (window != nullptr) {
      // The word becomes the find string; the first place it was found by
      // the search's own rule is what the window shows selected.
      const QString word = QString::fromStdString(WordOf(results_[static_cast<size_t>(row)]));
      if (KdxEntryFind* find = KdxEntryFind::Of(window); find != nullptr && !word.isEmpty())
        (void)find->InitFindBody(word, false);
      window->SelectFoundText(word);
    }
    if (session.UpdateEntry(*entry) != KdxChangeResult::kOk) {
      Vell_SystemErrorLog("[-1] OpenEntry[%ld]\r\n", static_cast<long>(entry->en_id));
    }
  }
  SaveAndReload();
}

void AllFindWindow::CopyEntry() {
  if (document_ == nullptr || document_->session().busy()) return;
  KdxSession& session = document_->session();
  const std::vector<std::pair<int, KDX_ENTRY>> sources = SelectedEntries();
  if (sources.empty()) return;
  std::vector<KdxCopiedResult> copies;
  int64_t failed = 0;
  for (const auto& [row, entry] : sources) {
    const std::string word = WordOf(results_[static_cast<size_t>(row)]);
    // The copy takes what the source's window shows.
    if (EntryWindow* open = document_->entryWindows()->Find(entry.en_id)) open->autoSaveEntry();
    KDX_ENTRY copy{};
    const KdxChangeResult result = session.CopyEntry(entry.en_id, &copy);
    if (result == KdxChangeResult::kOk || result == KdxChangeResult::kTitleKeptAsSource) {
      copies.push_back({copy.en_id, word});
    } else {
      ++failed;
    }
    if (result == KdxChangeResult::kTitleKeptAsSource) {
      KDXCOMM_AlertOK(this, KdxTextFormat(kKdxMsgCopyTitleTooLong, {TitleOf(entry)}));
    }
  }
  KdxAppendCopiedResults(results_, copies);
  SaveAndReload();
  if (failed > 0) {
    KDXCOMM_AlertOK(
        this, KdxTextFormat("%ld 件の文章を複製できませんでした。", {std::to_string(failed)}));
  }
}

void AllFindWindow::DeleteEntry() {
  if (document_ == nullptr || document_->session().busy()) return;
  KdxSession& session = document_->session();
  std::vector<KDX_ENTRY> entries;
  for (const auto& selected : SelectedEntries()) entries.push_back(selected.second);
  if (entries.empty()) return;
  const std::string question = KDXCOMM_MakeDeleteConfirmationText(
      kEntryKind, TitleOf(entries.front()), static_cast<int64_t>(entries.size()));
  if (KDXCOMM_AlertOkCancel(this, QString::fromStdString(question)) != 1) return;
  for (const KDX_ENTRY& entry : entries) {
    // The window goes first: closing saves its entry, which must still exist.
    if (EntryWindow* open = document_->entryWindows()->Find(entry.en_id)) open->close();
    if (session.RemoveEntry(entry.en_id) != KdxChangeResult::kOk) {
      KDXCOMM_SystemAlert(this, QStringLiteral("[-1] DeleteEntry[%1]").arg(entry.en_id));
      break;
    }
  }
  {
    FlagScope rebuilding(rebuilding_);
    KdxSetFoundSelection(results_, {});
    list_->clearSelection();
  }
  SaveAndReload();
}

void AllFindWindow::setColorLabel(int label) {
  if (document_ == nullptr || document_->session().busy()) return;
  std::vector<int32_t> ids;
  for (const int row : SelectedRows()) ids.push_back(model_->IdAtRow(row));
  if (ids.empty()) return;
  // A missing entry is logged there and ends the run; what was set is kept.
  (void)KDXCOMM_SetColorLabel(document_->session(), ids, label);
  // Unlike the document window's labels, these are saved at once.
  SaveAndReload();
}

void AllFindWindow::labelEdit() {
  if (document_ != nullptr) document_->labelEdit();
  RefreshLabelMenu();
}

void AllFindWindow::WriteEntryList() {
  if (document_ == nullptr || document_->session().busy() || !columns_.columnAry) return;
  int32_t stored = 0;
  PREF_ReadInteger(kPrefWriteEntryListTypeKey, &stored);
  ResultListTypeDlg dialog(stored, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const int recordType = dialog.recordType();
  (void)PREF_WriteInteger(kPrefWriteEntryListTypeKey, recordType);
  if (recordType == 0 && KdxSelectedFoundRows(results_).empty()) {
    KDXCOMM_AlertOK(this, KdxTextFormat("%s が選択されていません。", {KdxTextUtf8(kEntryKind)}));
    return;
  }
  std::string folder;
  PREF_ReadFilePath(kPrefWriteEntryListPathKey, folder);
  const QString proposed =
      QDir(QString::fromStdString(folder))
          .filePath(QString::fromStdString(KdxResultListFileName(document_->session().path())));
  QFileDialog panel(this, KdxText("一覧ファイルを書き出す"), proposed,
                    QStringLiteral("Text (*.txt)"));
  panel.setAcceptMode(QFileDialog::AcceptSave);
  panel.setDefaultSuffix(QStringLiteral("txt"));
  if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty()) return;
  const std::string path = panel.selectedFiles().front().toStdString();
  (void)PREF_WriteFilePath(kPrefWriteEntryListPathKey, Vell_GetFolderPath(path, 0).c_str());
  if (document_->session().Save() != 0) KDXCOMM_AlertOK(this, KdxText(kKdxMsgCannotSave));
  CLCOMM_UpdateColumnWidthArray(ViewColumns(), columns_.columnAry.get());
  const KdxTransferResult result = KDX_WriteEntryList_Results(
      document_->session().data(), columnAry(), results_, recordType, path);
  if (result.failed > 0 && result.succeeded == 0 && !result.failures.empty() &&
      result.failures.back().item == path) {
    KDXCOMM_AlertOK(this, KdxText("一覧ファイルを作成できませんでした。"));
  } else if (result.failed > 0) {
    KDXCOMM_AlertOK(this,
                    KdxTextFormat("%ld 件の文章が見つからなかったため一覧に含めませんでした。",
                                  {std::to_string(result.failed)}));
  }
}

void AllFindWindow::ClearSearchHistory() {
  (void)HICOMM_ClearSearchWord();
  RefreshSearchMenu();
  if (document_ != nullptr) document_->ClearSearchHistory();
}

void AllFindWindow::CloseAllEntryWindow() {
  if (document_ != nullptr && !document_->session().busy()) document_->entryWindows()->CloseAll();
}

void AllFindWindow::showMainWindow() {
  if (document_ != nullptr) KdxBringToFront(document_);
}

QList<QUrl> AllFindWindow::ExportDraggedResults() {
  if (document_ == nullptr || document_->session().busy()) return {};
  std::vector<int32_t> ids;
  for (const int row : SelectedRows()) {
    const int32_t id = model_->IdAtRow(row);
    if (!document_->session().FindEntry(id)) {
      KDXCOMM_SystemAlert(this, QStringLiteral("[-1] ExportDropFiles_ToOutside[%1]").arg(id));
      break;
    }
    ids.push_back(id);
  }
  const QList<QUrl> urls = document_->ExportEntriesForDrag(ids);
  // Each exported entry was marked as used.
  if (!urls.isEmpty()) SaveAndReload();
  return urls;
}

// ---- Closing ------------------------------------------------------------------

void AllFindWindow::closeEvent(QCloseEvent* event) {
  if (document_ != nullptr && document_->session().busy()) {
    event->ignore();
    return;
  }
  const QPoint at = pos();
  const PREF_WINDOW_RECT rect{static_cast<int16_t>(at.y()), static_cast<int16_t>(at.x()),
                              static_cast<int16_t>(at.y() + height()),
                              static_cast<int16_t>(at.x() + width())};
  if (PREF_WriteWindowRect(kPrefSearchWindowRectKey, rect) != 1) {
    Vell_SystemErrorLog("[-1] AllFindWindow WindowWillClose\r\n");
  }
  StoreColumns();
  if (document_ != nullptr) document_->setSearchWindow(nullptr);
  event->accept();
}
