#include "gui/app/document_window.h"

#include <QAction>
#include <QActionGroup>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "core/document/catset_table.h"
#include "core/document/env_table.h"
#include "core/listing/entry_list.h"
#include "core/listing/entry_sort.h"
#include "core/prefs/pref_file.h"
#include "core/prefs/pref_rez.h"
#include "core/search/search_history.h"
#include "core/util/vell_file.h"
#include "core/util/vell_log.h"
#include "gui/app/alert_texts.h"
#include "gui/app/alerts.h"
#include "gui/app/category_dialogs.h"
#include "gui/app/document_window_logic.h"
#include "gui/app/entry_list_commands.h"
#include "gui/app/entry_list_model.h"
#include "gui/app/entry_window.h"
#include "gui/app/import_export_commands.h"
#include "gui/app/kdx_application.h"
#include "gui/app/keyboard_access.h"
#include "gui/app/localization.h"
#include "gui/app/palette_logic.h"
#include "gui/app/print_commands.h"
#include "gui/app/progress_dialog.h"
#include "gui/app/search_window.h"
#include "transfer/export_files.h"
#include "transfer/file_import.h"

namespace {

constexpr int kDefaultWidth = 900;
constexpr int kDefaultHeight = 640;
constexpr int kDefaultDivider = 190;

// Sets a flag for one scope.
class GuardScope {
 public:
  explicit GuardScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
  ~GuardScope() { flag_ = old_; }
  GuardScope(const GuardScope&) = delete;
  GuardScope& operator=(const GuardScope&) = delete;

 private:
  bool& flag_;
  bool old_;
};

const VELL_ARY* NamesOf(const KDX_DATA& data, int level) {
  return level == 1 ? data.cat1Ary : level == 2 ? data.cat2Ary : data.cat3Ary;
}

}  // namespace

QTableView* KdxDocument::entryList() const { return entryList_; }

KdxDocument::KdxDocument(KdxApplication* app) : app_(app) {
  setAttribute(Qt::WA_DeleteOnClose);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, KdxDocumentBackground(palette.color(QPalette::Window)));
  setPalette(palette);
  setAutoFillBackground(true);
  entryWindows_ = new KdxEntryWindows(this);
  BuildWidgets();
  BuildMenus();
  KdxInstallEntryListCommands(this);
  connect(this, &KdxDocument::searchRequested, this,
          [this](const QString& word) { AllFindWindow::Show(this, word, true); });
}

KdxDocument::~KdxDocument() = default;

KdxOpenResult KdxDocument::Open(const std::string& path, const KdxPasswordPrompt& password,
                                const KdxConvertQuestion& convert) {
  const KdxOpenResult result = session_.Open(path, KdxAccess::kWrite, password, convert);
  if (result != KdxOpenResult::kOk) return result;
  setWindowTitle(QString::fromStdString(Vell_GetFileName(path)));
  setWindowFilePath(QString::fromStdString(path));
  InitWindow();
  return result;
}

void KdxDocument::BuildWidgets() {
  browserPane_ = new QWidget;
  auto* browserLayout = new QHBoxLayout(browserPane_);
  browserLayout->setContentsMargins(6, 4, 6, 4);
  for (int level = 1; level <= 3; ++level) {
    const size_t i = static_cast<size_t>(level - 1);
    auto* box = new QWidget(browserPane_);
    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->setContentsMargins(0, 0, 0, 0);
    boxLayout->setSpacing(2);
    auto* heading = new QHBoxLayout;
    catTitles_[i] = new QLabel(box);
    addButtons_[i] = new QToolButton(box);
    addButtons_[i]->setText(QStringLiteral("+"));
    addButtons_[i]->setAccessibleName(KdxText("分類の追加"));
    deleteButtons_[i] = new QToolButton(box);
    deleteButtons_[i]->setText(QStringLiteral("−"));
    deleteButtons_[i]->setAccessibleName(KdxText("分類の削除"));
    heading->addWidget(catTitles_[i], 1);
    heading->addWidget(addButtons_[i]);
    heading->addWidget(deleteButtons_[i]);
    boxLayout->addLayout(heading);
    catLists_[i] = new QListView(box);
    catLists_[i]->setObjectName(QStringLiteral("Cat%1List").arg(level));
    catTitles_[i]->setBuddy(catLists_[i]);
    catLists_[i]->setSelectionMode(QAbstractItemView::SingleSelection);
    catLists_[i]->setEditTriggers(QAbstractItemView::DoubleClicked |
                                  QAbstractItemView::EditKeyPressed);
    catModels_[i] = new KdxBrowserListModel(&session_, level, &selection_.name[i], this);
    connect(catModels_[i], &KdxBrowserListModel::renameRequested, this,
            &KdxDocument::RenameCategory, Qt::QueuedConnection);
    connect(addButtons_[i], &QToolButton::clicked, this, [this, level] { OnAddCat(level); });
    connect(deleteButtons_[i], &QToolButton::clicked, this, [this, level] { OnDeleteCat(level); });
    // Delete in a list does what its − button does (it asks first).
    auto* remove = new QAction(catLists_[i]);
    remove->setShortcut(QKeySequence::Delete);
    remove->setShortcutContext(Qt::WidgetShortcut);
    connect(remove, &QAction::triggered, this, [this, level] { OnDeleteCat(level); });
    catLists_[i]->addAction(remove);
    catLists_[i]->setModel(catModels_[i]);
    connect(catLists_[i]->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this, level] { CatListSelectionChanged(level); });
    boxLayout->addWidget(catLists_[i], 1);
    browserLayout->addWidget(box, 1);
  }
  browserPane_->setMinimumHeight(kKdxHiddenBrowserHeight);

  auto* listPane = new QWidget;
  auto* listLayout = new QVBoxLayout(listPane);
  listLayout->setContentsMargins(6, 2, 6, 6);
  listLayout->setSpacing(4);
  auto* searchRow = new QHBoxLayout;
  auto* recents = new QToolButton(listPane);
  recents->setText(QStringLiteral("▼"));
  recents->setToolTip(KdxText("最近の検索"));
  recents->setAccessibleName(recents->toolTip());
  recents->setPopupMode(QToolButton::InstantPopup);
  searchMenu_ = new QMenu(recents);
  recents->setMenu(searchMenu_);
  searchField_ = new QLineEdit(listPane);
  searchField_->setObjectName(QStringLiteral("m_SerachField"));
  searchField_->setClearButtonEnabled(true);
  searchField_->setPlaceholderText(KdxText("検索"));
  searchField_->setAccessibleName(searchField_->placeholderText());
  connect(searchField_, &QLineEdit::returnPressed, this, &KdxDocument::OnFindButton);
  searchMode_ = new QButtonGroup(this);
  searchRow->addWidget(recents);
  searchRow->addWidget(searchField_, 2);
  const char* modes[] = {"文字列", "すべての単語", "いずれかの単語"};
  for (int tag = 0; tag < 3; ++tag) {
    auto* radio = new QRadioButton(KdxText(modes[tag]), listPane);
    searchMode_->addButton(radio, tag);
    searchRow->addWidget(radio);
  }
  connect(searchMode_, &QButtonGroup::idClicked, this,
          [](int mode) { (void)PREF_WriteInteger(kPrefSearchModeKey, mode); });
  searchRow->addStretch(1);
  countLabel_ = new QLabel(listPane);
  countLabel_->setObjectName(QStringLiteral("m_NumOfEntrysStaticText"));
  countLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  searchRow->addWidget(countLabel_);
  listLayout->addLayout(searchRow);

  entryList_ =
      new KdxEntryTableView([this] { return ExportDraggedEntries(); }, [this] { OpenEntry(); },
                            [this] { ReloadMainListBoxes(); }, listPane);
  entryList_->setObjectName(QStringLiteral("EntryList"));
  entryList_->setAccessibleName(KdxText("文章の一覧"));
  entryModel_ = new KdxEntryListModel(&session_, this);
  entryList_->setModel(entryModel_);
  KdxSetUpEntryListView(entryList_);
  QHeaderView* header = entryList_->horizontalHeader();
  connect(header, &QHeaderView::sectionClicked, this, &KdxDocument::HeaderClicked);
  connect(entryList_, &QAbstractItemView::doubleClicked, this, &KdxDocument::OpenEntry);
  connect(header, &QHeaderView::sectionMoved, this, &KdxDocument::ColumnMoved);
  connect(header, &QHeaderView::sectionResized, this, [this](int logical) {
    const auto& columns = entryModel_->columns();
    if (logical >= 0 && logical < static_cast<int>(columns.size()))
      fittedColumns_.erase(columns[static_cast<size_t>(logical)].identifier);
  });
  connect(entryList_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &KdxDocument::EntryListSelectionChanged);
  entryList_->viewport()->setAcceptDrops(true);
  entryList_->viewport()->installEventFilter(this);
  listLayout->addWidget(entryList_, 1);

  splitter_ = new QSplitter(Qt::Vertical, this);
  splitter_->setObjectName(QStringLiteral("m_CatEntrySplitView"));
  splitter_->addWidget(browserPane_);
  splitter_->addWidget(listPane);
  splitter_->setCollapsible(0, false);
  splitter_->setCollapsible(1, false);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  connect(splitter_, &QSplitter::splitterMoved, this, &KdxDocument::SplitterMoved);
  setCentralWidget(splitter_);
}

void KdxDocument::BuildMenus() {
  QMenu* file = menuBar()->addMenu(KdxMenuTitle(KdxText("ファイル"), 'F'));
  QAction* newFile = file->addAction(KdxText("新規ファイル…"));
  newFile->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+N")));
  connect(newFile, &QAction::triggered, app_, &KdxApplication::newDocument);
  QAction* open = file->addAction(KdxText("開く…"));
  open->setShortcut(QKeySequence::Open);
  connect(open, &QAction::triggered, app_, &KdxApplication::openDocument);
  KdxAddTransferMenus(this, file);
  file->addSeparator();
  QAction* close = file->addAction(KdxText("閉じる"));
  close->setShortcuts(KdxCommandKeys("Ctrl+W", QKeySequence::Close));
  connect(close, &QAction::triggered, this, &QWidget::close);
  file->addSeparator();
  KdxAddPageSetupAction(file, this);
  file->addSeparator();
  KdxAddApplicationItems(file);

  QMenu* view = menuBar()->addMenu(KdxMenuTitle(KdxText("表示"), 'V'));
  browserAction_ = view->addAction(KdxText(KdxBrowserMenuTitle(true)));
  browserAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+B")));
  connect(browserAction_, &QAction::triggered, this, &KdxDocument::showHideBrowser);
  QAction* find = view->addAction(KdxText("検索フィールドへ"));
  find->setObjectName(QStringLiteral("ShowFindWindow"));
  find->setShortcut(QKeySequence::Find);
  connect(find, &QAction::triggered, this, &KdxDocument::ShowFindWindow);
  QAction* searchAll = view->addAction(KdxText("全文検索…"));
  searchAll->setObjectName(QStringLiteral("findAll"));
  searchAll->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+F")));
  connect(searchAll, &QAction::triggered, this, &KdxDocument::findAll);
  QAction* clear = view->addAction(KdxText("検索履歴をクリア"));
  clear->setObjectName(QStringLiteral("ClearSearchHistory"));
  connect(clear, &QAction::triggered, this, &KdxDocument::ClearSearchHistory);

  BuildCommandMenus(view);
  BuildEntryCommandMenus(file);

  KdxAddHelpMenu(menuBar());
}

void KdxDocument::InitWindow() {
  GuardScope guard(guard_);
  const KDX_DATA& data = session_.data();
  selection_ = KDXCOMM_LoadCategorySelections(data);

  ShowCategoryTitles();
  RefreshLabelMenu();
  ReloadMainListBoxes();

  const KdxMainWindowState state = KDXCOMM_ReadMainWindowState(data);
  if (state.rect && state.rect->width() > 0 && state.rect->height() > 0) {
    std::vector<KdxWindowRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
      const QRect g = screen->availableGeometry();
      screens.push_back({g.left(), g.top(), g.left() + g.width(), g.top() + g.height()});
    }
    const KdxWindowRect shown = KdxKeepOnScreen(*state.rect, screens);
    resize(std::max(shown.width(), minimumSizeHint().width()),
           std::max(shown.height(), minimumSizeHint().height()));
    move(shown.left, shown.top);
  } else {
    resize(kDefaultWidth, kDefaultHeight);
    std::optional<KdxWindowRect> front;
    for (const KdxDocument* other : app_->documents()) {
      if (other == this || !other->isVisible()) continue;
      const QRect f = other->frameGeometry();
      front = KdxWindowRect{f.left(), f.top(), f.left() + f.width(), f.top() + f.height()};
    }
    const QRect screen = QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, 1280, 800);
    KdxWindowRect rect;
    if (KDXCOMM_CalcInitialWindowBounds(kDefaultWidth, kDefaultHeight, front, screen.width(),
                                        screen.height(), &rect) == 1) {
      move(rect.left, rect.top);
    }
  }
  pendingDivider_ = state.divider ? static_cast<int>(*state.divider) : kDefaultDivider;
  browserShown_ = true;
  if (!state.showBrowser) {
    rememberedDivider_ = *pendingDivider_;
    showHideBrowser();
  }

  int mode = 0;
  PREF_ReadInteger(kPrefSearchModeKey, &mode);
  if (QAbstractButton* radio = searchMode_->button(std::clamp(mode, 0, 2))) radio->setChecked(true);
  RefreshSearchMenu();
  for (QListView* list : catLists_) list->scrollTo(list->currentIndex());
}

void KdxDocument::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shownOnce_) {
    shownOnce_ = true;
    if (pendingDivider_) SetDivider(browserShown_ ? *pendingDivider_ : 0);
    pendingDivider_.reset();
    // The entry windows open when the document closed come back over it.
    QTimer::singleShot(0, this, [this] {
      if (session_.isOpen()) entryWindows_->Restore();
    });
  }
}

void KdxDocument::ReloadMainListBoxes() {
  if (session_.busy()) return;
  GuardScope guard(guard_);
  if (session_.ReloadList(&selection_) != 0) {
    KdxDeferSystemAlert(QStringLiteral("[-1] ReloadMainListBoxes"));
  }
  const KDX_DATA& data = session_.data();
  for (int level = 1; level <= 3; ++level) {
    const size_t i = static_cast<size_t>(level - 1);
    catModels_[i]->Rebuild();
    const int row = KDXCOMM_GetCatListRow(NamesOf(data, level), selection_.name[i].c_str());
    catLists_[i]->selectionModel()->setCurrentIndex(catModels_[i]->index(row),
                                                    QItemSelectionModel::ClearAndSelect);
  }
  entryModel_->Rebuild();
  ApplyColumns();
  SelectEntryListBox();
  countLabel_->setText(QString::number(data.showIDAry.size()));
  UpdateMenuState();
  if (searchWindow_ != nullptr) searchWindow_->LatestFoundResultIDArray();
}

void KdxDocument::EntryRecordChanged(const KDX_ENTRY& before, const KDX_ENTRY& after,
                                     bool noteChanged) {
  if (session_.busy()) return;
  KDX_SORT_INFO keys;
  CLCOMM_InitListInfo(session_.data().columnAry, &keys);
  if (!KDXCOMM_EntryKeepsListPlace(keys, before, after, noteChanged)) {
    ReloadMainListBoxes();
    return;
  }
  entryModel_->EntryChanged(after.en_id);
  if (searchWindow_ != nullptr) searchWindow_->LatestFoundResultIDArray();
}

void KdxDocument::ApplyColumns() {
  QHeaderView* header = entryList_->horizontalHeader();
  const QSignalBlocker block(header);
  const auto& columns = entryModel_->columns();
  for (int logical = 0; logical < static_cast<int>(columns.size()); ++logical) {
    // The model already lists the columns in the user's order.
    const int visual = header->visualIndex(logical);
    if (visual != logical) header->moveSection(visual, logical);
    // Never narrower than the heading with its sort arrow; the stored width
    // stays until the user resizes the column (sectionResized above).
    const KdxListColumn& column = columns[static_cast<size_t>(logical)];
    const int stored = std::max(column.width, kKdxMinColumnWidth);
    const int shown = std::max(stored, header->sectionSizeHint(logical));
    header->resizeSection(logical, shown);
    if (shown > stored)
      fittedColumns_.insert(column.identifier);
    else
      fittedColumns_.erase(column.identifier);
  }
  const std::vector<KdxSortColumn> keys = CLCOMM_GetSortColumns(session_.data().columnAry);
  int sortSection = -1;
  for (int i = 0; i < static_cast<int>(columns.size()) && !keys.empty(); ++i) {
    if (columns[static_cast<size_t>(i)].identifier == keys.front().identifier) sortSection = i;
  }
  header->setSortIndicator(sortSection, !keys.empty() && keys.front().ascending
                                            ? Qt::AscendingOrder
                                            : Qt::DescendingOrder);
}

void KdxDocument::SelectEntryListBox() {
  GuardScope guard(guard_);
  const std::vector<int32_t> rows = KDXCOMM_GetSelectedShownRows(session_.data());
  entryList_->selectionModel()->select(
      KdxRowSelection(entryModel_, std::vector<int>(rows.begin(), rows.end())),
      QItemSelectionModel::ClearAndSelect);
}

void KdxDocument::CatListSelectionChanged(int level) {
  if (guard_ || session_.busy()) return;
  const size_t i = static_cast<size_t>(level - 1);
  const QModelIndexList chosen = catLists_[i]->selectionModel()->selectedRows();
  const int row = chosen.isEmpty() ? 0 : chosen.front().row();
  selection_.name[i] = GetCatListBoxSelectedItemText(NamesOf(session_.data(), level), row);
  ReloadMainListBoxes();
  if (KDXCOMM_SaveCategorySelections(session_.EditSettings(), selection_) != 0) {
    KdxDeferSystemAlert(QStringLiteral("[-1] KDXCOMM_SaveCategorySelections"));
  }
  (void)SaveOrAlert();
}

void KdxDocument::EntryListSelectionChanged() {
  if (guard_ || session_.busy()) return;
  std::vector<int32_t> ids;
  for (const QModelIndex& index : entryList_->selectionModel()->selectedRows()) {
    const int32_t id = entryModel_->IdAtRow(index.row());
    if (id >= 0) ids.push_back(id);
  }
  if (session_.SetEntrySelection(ids) != 0) {
    KDXCOMM_SystemAlert(this, QStringLiteral("[-1] UpdateIsSelectedFlags"));
  }
  UpdateMenuState();
}

void KdxDocument::HeaderClicked(int section) {
  if (session_.busy()) return;
  const auto& columns = entryModel_->columns();
  if (section < 0 || section >= static_cast<int>(columns.size())) return;
  const std::string identifier = columns[static_cast<size_t>(section)].identifier;
  KDX_DATA* data = session_.EditSettings();
  CLCOMM_UpdateColumnWidthArray(ViewColumns(), data->columnAry);
  const bool ascending = KDXCOMM_HeaderClickDirection(data->columnAry, identifier);
  if (KDXCOMM_ClickColumnHeader(data->columnAry, identifier, ascending) != 1) return;
  ReloadMainListBoxes();
  (void)SaveOrAlert();
}

void KdxDocument::ColumnMoved() {
  if (guard_ || session_.busy()) return;
  CLCOMM_UpdateColumnWidthArray(ViewColumns(), session_.EditSettings()->columnAry);
  // The model now lists the columns in the new order.
  GuardScope guard(guard_);
  entryModel_->Rebuild();
  ApplyColumns();
  SelectEntryListBox();
}

std::vector<KdxViewColumn> KdxDocument::ViewColumns() const {
  std::vector<KdxViewColumn> out;
  const QHeaderView* header = entryList_->horizontalHeader();
  const auto& columns = entryModel_->columns();
  for (int visual = 0; visual < header->count(); ++visual) {
    const int logical = header->logicalIndex(visual);
    if (logical < 0 || logical >= static_cast<int>(columns.size())) continue;
    const KdxListColumn& column = columns[static_cast<size_t>(logical)];
    const int width =
        fittedColumns_.count(column.identifier) != 0 ? column.width : header->sectionSize(logical);
    out.push_back({column.identifier, static_cast<double>(width)});
  }
  return out;
}

void KdxDocument::SetDivider(int requested) {
  const int handle = splitter_->handleWidth();
  const int total = splitter_->height();
  const KdxSplitSizes sizes = KDXCOMM_SplitDividerPosition(total, requested, handle, browserShown_);
  splitter_->setSizes({sizes.upper, sizes.lower});
}

void KdxDocument::SplitterMoved() {
  const QList<int> sizes = splitter_->sizes();
  if (sizes.size() != 2) return;
  const KdxSplitSizes wanted = KDXCOMM_SplitDividerPosition(
      splitter_->height(), sizes[0], splitter_->handleWidth(), browserShown_);
  if (wanted.upper != sizes[0]) splitter_->setSizes({wanted.upper, wanted.lower});
}

void KdxDocument::showHideBrowser() {
  if (browserShown_) {
    if (shownOnce_) rememberedDivider_ = splitter_->sizes().value(0, kDefaultDivider);
    browserShown_ = false;
    if (shownOnce_) SetDivider(0);
    entryList_->setFocus();
  } else {
    browserShown_ = true;
    if (shownOnce_) SetDivider(rememberedDivider_ > 0 ? rememberedDivider_ : kDefaultDivider);
  }
  for (size_t i = 0; i < 3; ++i) {
    addButtons_[i]->setEnabled(browserShown_);
    deleteButtons_[i]->setEnabled(browserShown_);
  }
  if (QSplitterHandle* handle = splitter_->handle(1)) handle->setEnabled(browserShown_);
  browserAction_->setText(KdxText(KdxBrowserMenuTitle(browserShown_)));
  // Only the flag now: the rest is taken when the window closes.
  KDX_DATA* data = session_.EditSettings();
  if (EV_SetIntValue(data->envAry, data->idCounterAry, kKdxMainWindowShowBrowserKey,
                     browserShown_ ? 1 : 0) != 0) {
    KdxDeferSystemAlert(QStringLiteral("[-1] showHideBrowser"));
  }
}

void KdxDocument::RefreshSearchMenu() {
  searchMenu_->clear();
  QAction* heading = searchMenu_->addAction(KdxText("最近の検索"));
  heading->setEnabled(false);
  std::string rez;
  VELL_ARY* history = HICOMM_InitSearchHistory();
  if (history != nullptr && PREF_GetPreferenceREZFilePath(rez) &&
      HICOMM_LoadSearchHistory(rez.c_str(), kPrefTagHIAL, history) == 0) {
    const int32_t count = std::min(Vell_Ary_GetSize(history), kKdxRecentSearchCount);
    for (int32_t i = 0; i < count; ++i) {
      KDX_SEARCH_HISTORY record{};
      KDX_GetKdxSerachHistory(static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(history, i)),
                              &record);
      const QString word = QString::fromUtf8(record.hi_words);
      QAction* item = searchMenu_->addAction(word);
      connect(item, &QAction::triggered, this, [this, word] {
        searchField_->setText(word);
        OnFindButton();
      });
    }
  }
  HICOMM_FreeSearchHistory(history);
  searchMenu_->addSeparator();
  QAction* clear = searchMenu_->addAction(KdxText("履歴をクリア"));
  connect(clear, &QAction::triggered, this, &KdxDocument::ClearSearchHistory);
}

void KdxDocument::OpenEntry() {
  if (session_.busy()) return;
  // The list's selection is in the entries already, in row order.
  std::vector<int32_t> ids;
  for (const int32_t row : KDXCOMM_GetSelectedShownRows(session_.data())) {
    const int32_t id = entryModel_->IdAtRow(row);
    if (id >= 0) ids.push_back(id);
  }
  entryWindows_->OpenEntries(ids);
}

void KdxDocument::OnFindButton() {
  const std::string word = KdxCutSearchWord(searchField_->text().toStdString());
  if (word.empty()) return;
  const int mode = std::max(0, searchMode_->checkedId());
  (void)PREF_WriteInteger(kPrefSearchModeKey, mode);
  (void)HICOMM_AddSearchWord(word.c_str());
  RefreshSearchMenu();
  emit searchRequested(QString::fromStdString(word), mode);
}

void KdxDocument::ClearSearchHistory() {
  (void)HICOMM_ClearSearchWord();
  // The history is the user's, shared by every document's field.
  for (KdxDocument* document : app_->documents()) {
    document->RefreshSearchMenu();
    emit document->searchHistoryCleared();
  }
}

void KdxDocument::BackupMainWindowStatus() {
  GuardScope guard(guard_);
  KDX_DATA* data = session_.EditSettings();
  KdxMainWindowState state;
  const QPoint at = pos();
  state.rect = KdxWindowRect{at.x(), at.y(), at.x() + width(), at.y() + height()};
  if (browserShown_ && shownOnce_) state.divider = splitter_->sizes().value(0, kDefaultDivider);
  state.showBrowser = browserShown_;
  if (KDXCOMM_WriteMainWindowState(data, state) != 0) {
    Vell_SystemErrorLog("[-1] BackupMainWindowStatus\r\n");
  }
  CLCOMM_UpdateColumnWidthArray(ViewColumns(), data->columnAry);
}

bool KdxDocument::SaveOrAlert() {
  if (session_.Save() == 0) return true;
  KDXCOMM_AlertOK(this, KdxText(kKdxMsgCannotSave));
  return false;
}

void KdxDocument::closeEvent(QCloseEvent* event) {
  if (session_.busy()) {
    event->ignore();
    return;
  }
  if (session_.isOpen()) {
    if (searchWindow_ != nullptr) searchWindow_->close();
    // Their order first, then each entry window saves its entry and closes.
    entryWindows_->RecordOrder();
    entryWindows_->CloseAll();
    BackupMainWindowStatus();
    (void)SaveOrAlert();
    session_.Close();
  }
  app_->DocumentClosed(this);
  event->accept();
}

bool KdxDocument::eventFilter(QObject* watched, QEvent* event) {
  if (watched != entryList_->viewport()) return QMainWindow::eventFilter(watched, event);
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
    return QMainWindow::eventFilter(watched, event);
  }
  auto* drop = static_cast<QDropEvent*>(event);
  std::vector<std::string> paths;
  if (drop->source() == nullptr && drop->mimeData() != nullptr) {
    for (const QUrl& url : drop->mimeData()->urls()) {
      if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
    }
  }
  if (paths.empty() || session_.busy()) {
    drop->ignore();
    return true;
  }
  drop->setDropAction(Qt::CopyAction);
  drop->accept();
  if (type == QEvent::Drop) {
    activateWindow();
    // After the drop has returned to the dragging program.
    QTimer::singleShot(0, this, [this, paths] { ImportDroppedPaths(paths); });
  }
  return true;
}

QList<QUrl> KdxDocument::ExportDraggedEntries() {
  if (session_.busy()) return {};
  QList<int> rows;
  for (const QModelIndex& index : entryList_->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  std::vector<int32_t> ids;
  for (const int row : rows) {
    const int32_t id = entryModel_->IdAtRow(row);
    if (id < 0) {
      KDXCOMM_SystemAlert(this, QStringLiteral("[-1] ExportDropFiles_ToOutside[%1]").arg(row));
      break;
    }
    ids.push_back(id);
  }
  return ExportEntriesForDrag(ids);
}

QList<QUrl> KdxDocument::ExportEntriesForDrag(const std::vector<int32_t>& ids) {
  if (session_.busy()) return {};
  const QString base = app_->temporaryFolder();
  std::string folder;
  if (ids.empty() || base.isEmpty() ||
      Vell_GenerateUniqueFilePath(base.toStdString(), "drag", "", folder,
                                  VellUniqueMode::kCreateFolder) != 0) {
    return {};
  }
  const KdxTransferResult result = KDX_ExportEntries(session_.EditDirectly(), ids, folder,
                                                     KdxExportFormat::files, KdxTransferProgress{});
  for (const KdxTransferFailure& failure : result.failures) {
    Vell_SystemErrorLog("[-1] ExportDropFiles_ToOutside %s: %s\r\n", failure.item.c_str(),
                        failure.reason.c_str());
  }
  QList<QUrl> urls;
  const QDir dir(QString::fromStdString(folder));
  for (const QFileInfo& file :
       dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                         QDir::Time | QDir::Reversed)) {
    urls.push_back(QUrl::fromLocalFile(file.absoluteFilePath()));
  }
  return urls;
}

void KdxDocument::OnAddCat(int level) {
  if (session_.busy() || !browserShown_) return;
  const size_t i = static_cast<size_t>(level - 1);
  CategoryAddDlg dialog(catTitles_[i]->text(), session_.data().catSetAry, level, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const KdxCategoryResult result =
      KDXCOMM_AddCategory(session_.EditDirectly(), dialog.name().c_str(), level, selection_);
  if (result != KdxCategoryResult::kOk) {
    KDXCOMM_SystemAlert(this, QStringLiteral("[-1] OnAddCat%1").arg(level));
  }
  (void)SaveOrAlert();
  ReloadMainListBoxes();
}

void KdxDocument::OnDeleteCat(int level) {
  if (session_.busy() || !browserShown_) return;
  const size_t i = static_cast<size_t>(level - 1);
  const std::string name = selection_.name[i];
  const KdxCategoryResult check =
      KDXCOMM_AlertCategoryConfirmation(session_.data(), name.c_str(), level);
  const QString message = QString::fromStdString(KDXCOMM_CategoryMessage(check, name));
  if (check != KdxCategoryResult::kConfirmDelete) {
    KDXCOMM_AlertOK(this, message);
    return;
  }
  if (KDXCOMM_AlertOkCancel(this, message) != 1) return;
  const KdxCategoryResult result =
      KDXCOMM_DeleteCategory(session_.EditDirectly(), name.c_str(), level);
  if (result != KdxCategoryResult::kOk) {
    KDXCOMM_AlertOK(this, QString::fromStdString(KDXCOMM_CategoryMessage(result, name)));
    return;
  }
  selection_.name[i] = kKdxCategoryAll;
  if (KDXCOMM_SaveCategorySelections(session_.EditSettings(), selection_) != 0) {
    KdxDeferSystemAlert(QStringLiteral("[-1] KDXCOMM_SaveCategorySelections"));
  }
  (void)SaveOrAlert();
  ReloadMainListBoxes();
}

void KdxDocument::RenameCategory(int level, const QString& text) {
  if (session_.busy()) return;
  const std::string typed = text.toStdString();
  const KdxCategoryResult result =
      KDXCOMM_RenameCategory(session_.EditDirectly(), level, typed.c_str(), &selection_);
  if (result == KdxCategoryResult::kUnchanged) return;
  if (result != KdxCategoryResult::kOk) {
    KDXCOMM_AlertOK(this, QString::fromStdString(KDXCOMM_CategoryMessage(result, typed)));
    return;
  }
  if (KDXCOMM_SaveCategorySelections(session_.EditSettings(), selection_) != 0) {
    KdxDeferSystemAlert(QStringLiteral("[-1] KDXCOMM_SaveCategorySelections"));
  }
  ReloadMainListBoxes();
  (void)SaveOrAlert();
}
