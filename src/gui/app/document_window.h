// The document window: one per open document. The category browser (three
// lists) above the entry list in a splitter, the search field with its mode
// buttons and the entry count. It owns the document's session; the decisions
// it takes are in document_window_logic.h and the core's listing functions.
#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QUrl>
#include <array>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/listing/category.h"
#include "core/listing/list_columns.h"
#include "core/session/kdx_session.h"

class AllFindWindow;
class KdxApplication;
class KdxEntryWindows;
class KdxEntryTableView;
class KdxBrowserListModel;
class KdxEntryListModel;
class QAction;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QSplitter;
class QTableView;
class QToolButton;
class QWidget;

class KdxDocument : public QMainWindow {
  Q_OBJECT

 public:
  explicit KdxDocument(KdxApplication* app);
  ~KdxDocument() override;

  // Opens the file and sets the window up from it (not shown yet). On
  // anything but kOk the window holds no document and is to be deleted.
  // convert answers whether a document of the previous format is opened for
  // conversion (conversion.h).
  [[nodiscard]] KdxOpenResult Open(const std::string& path, const KdxPasswordPrompt& password,
                                   const KdxConvertQuestion& convert = {});

  KdxSession& session() { return session_; }
  const KdxCategorySelection& selection() const { return selection_; }
  bool isBrowserShown() const { return browserShown_; }

  // The widgets, for the tests that drive the window.
  QListView* categoryList(int level) const { return catLists_[static_cast<size_t>(level - 1)]; }
  QTableView* entryList() const;
  KdxEntryListModel* entryModel() const { return entryModel_; }
  QLineEdit* searchField() const { return searchField_; }
  QMenu* searchMenu() const { return searchMenu_; }
  QLabel* countLabel() const { return countLabel_; }
  QSplitter* splitter() const { return splitter_; }
  QAction* browserAction() const { return browserAction_; }
  QToolButton* addButton(int level) const { return addButtons_[static_cast<size_t>(level - 1)]; }
  // The document's open entry windows.
  KdxEntryWindows* entryWindows() const { return entryWindows_; }

  // The list rebuild: browser lists, entry list, selections and count.
  void ReloadMainListBoxes();
  // After an entry's record was stored over before: only its row is shown
  // again when the lists still hold (see KDXCOMM_EntryKeepsListPlace), else
  // the lists are rebuilt.
  void EntryRecordChanged(const KDX_ENTRY& before, const KDX_ENTRY& after, bool noteChanged);
  // Selects in the entry list every shown entry marked as selected.
  void SelectEntryListBox();
  // Imports files and folders (a drop on the entry list) with the browser's
  // categories, on a worker with the progress dialog, then reports the counts.
  void ImportDroppedPaths(const std::vector<std::string>& paths);
  // Takes the window's state into the document and saves; false after
  // telling the user that the save failed.
  bool BackupAndSave();

  // The browser's editing: "+" and "−" of a level (1 to 3), and a name
  // typed over the selected one.
  void OnAddCat(int level);
  void OnDeleteCat(int level);
  void RenameCategory(int level, const QString& text);
  // The selected entries written as files into a fresh private folder, in
  // row order, for a drag out of the entry list: their file URLs.
  QList<QUrl> ExportDraggedEntries();
  // The entries ids written so, for a drag out of another list.
  QList<QUrl> ExportEntriesForDrag(const std::vector<int32_t>& ids);

  // The document's search window while it is open (search_window.cpp).
  AllFindWindow* searchWindow() const;
  void setSearchWindow(AllFindWindow* window);
  // The search window's word: into the search field and the history, the
  // stored search mode shown by the mode buttons.
  void SetMainSerachField(const QString& word);

  // The label menu's items (0 to 7) and the commands' actions, for the tests.
  QAction* labelAction(int label) const { return labelActions_[static_cast<size_t>(label)]; }
  QAction* commandAction(const char* name) const;
  // Enables the commands for the selection (document_commands.cpp).
  void UpdateMenuState();

 public slots:
  // Opens (or raises) the windows of the selected entries.
  void OpenEntry();
  void showHideBrowser();
  void OnFindButton();
  void ClearSearchHistory();
  // 全文検索: the search window with the field's word, not searched yet.
  void findAll();
  // The commands with their dialogs (document_commands.cpp).
  void listOption();
  void labelEdit();
  void setColorLabel(int label);
  void ChangeEntrys();
  void editCategoryTitle();
  void FilePreference();
  void FileInfo();
  // The commands on entries and on the file (document_entry_commands.cpp).
  void NewEntry();
  void EncryptON();
  void EncryptOFF();
  // Switches the encryption of ids under the progress dialog on parent; their
  // windows save first, failures are said.
  void SetEncryptEntries(const std::vector<int32_t>& ids, bool encrypt, QWidget* parent);
  void PasswordSetting();
  void ShowFindWindow();
  void CloseAllEntryWindow();
  void CompactDocument();

 signals:
  // A word to look for in the whole document (the search window's work).
  void searchRequested(const QString& word, int mode);
  // The search history was cleared: every search field refreshes its recents.
  void searchHistoryCleared();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // Drops on the entry list.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildWidgets();
  void BuildMenus();
  void InitWindow();
  void CatListSelectionChanged(int level);
  void EntryListSelectionChanged();
  void HeaderClicked(int section);
  void ColumnMoved();
  void ApplyColumns();
  void SplitterMoved();
  void SetDivider(int requested);
  void RefreshSearchMenu();
  // The view's columns in their shown order with their widths.
  std::vector<KdxViewColumn> ViewColumns() const;
  // Takes the window's state into the document: geometry, divider, browser,
  // columns.
  void BackupMainWindowStatus();
  // Saves; tells the user when it failed. False then.
  bool SaveOrAlert();
  // The menus of the commands above, into the bar and the view menu.
  void BuildCommandMenus(QMenu* view);
  void BuildEntryCommandMenus(QMenu* file);
  void SetEncryptSelected(bool encrypt);
  void RefreshLabelMenu();
  void ShowCategoryTitles();
  // The selected rows' entries, in row order.
  std::vector<int32_t> SelectedEntryIds() const;

  KdxApplication* app_;
  KdxSession session_;
  KdxCategorySelection selection_;
  bool guard_ = false;  // set while code changes selections: handlers ignore them
  bool browserShown_ = true;
  int rememberedDivider_ = 0;          // the browser's height before it was hidden
  std::optional<int> pendingDivider_;  // applied once the window has its size
  bool shownOnce_ = false;
  // Columns shown wider than stored to fit their heading; their stored width
  // is kept until the user resizes them.
  std::set<std::string> fittedColumns_;

  std::array<QListView*, 3> catLists_{};
  std::array<KdxBrowserListModel*, 3> catModels_{};
  std::array<QLabel*, 3> catTitles_{};
  std::array<QToolButton*, 3> addButtons_{};
  std::array<QToolButton*, 3> deleteButtons_{};
  QWidget* browserPane_ = nullptr;
  QSplitter* splitter_ = nullptr;
  KdxEntryTableView* entryList_ = nullptr;
  KdxEntryListModel* entryModel_ = nullptr;
  QLineEdit* searchField_ = nullptr;
  QMenu* searchMenu_ = nullptr;
  QButtonGroup* searchMode_ = nullptr;
  QLabel* countLabel_ = nullptr;
  QAction* browserAction_ = nullptr;
  std::array<QAction*, 8> labelActions_{};
  std::vector<QAction*> selectionActions_;  // need a selected entry
  std::vector<QAction*> documentActions_;   // need the document idle
  QAction* fileInfoAction_ = nullptr;
  KdxEntryWindows* entryWindows_ = nullptr;
  QPointer<AllFindWindow> searchWindow_;
};
