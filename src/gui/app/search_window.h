// The search window (AllFindWindow): one per document, opened from the
// document's search field or its 全文検索 command. It searches the bodies of
// the document for the words of its own search field in one of three modes
// and lists the entries found with a column set of its own, kept per user in
// the preference container. Its commands work on the selected results. The
// decisions are in search_window_logic.h.
#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QUrl>
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/listing/list_columns.h"
#include "core/search/search_engine.h"
#include "gui/app/search_window_logic.h"

class KdxDocument;
class KdxFoundResultModel;
class KdxEntryTableView;
class QAction;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QTableView;

class AllFindWindow : public QMainWindow {
  Q_OBJECT

 public:
  // The document's search window raised with word, or made and opened
  // (OpenAllFindWindow); it searches at once when doSearch is set.
  static AllFindWindow* Show(KdxDocument* document, const QString& word, bool doSearch);
  ~AllFindWindow() override;

  // Front, word into the field, then the search cycle.
  void MakeKeyAndOrderFront(bool doSearch, const QString& word);
  // The search cycle: the stored mode selected, the field's word handed to
  // the document and the history, then (doSearch and a word) the search and
  // the list; reselect keeps the selected results selected.
  void ReloadAllFindWindowConrols(bool doSearch, bool reselect);
  // Sorts the results by the window's keys and shows them.
  void ReloadFoundResultListBox(bool reselect);
  // The document changed: results whose entries are gone are dropped and the
  // list is shown anew with its selection.
  void LatestFoundResultIDArray();

  // The widgets and state, for the tests that drive the window.
  QLineEdit* searchField() const { return searchField_; }
  QButtonGroup* modeButtons() const { return modes_; }
  QTableView* resultList() const;
  KdxFoundResultModel* resultModel() const { return model_; }
  QLabel* countLabel() const { return countLabel_; }
  QProgressBar* indicator() const { return indicator_; }
  QAction* commandAction(const char* name) const;
  const std::vector<KDX_FOUND_RESULT>& results() const { return results_; }
  const VELL_ARY* columnAry() const { return columns_.columnAry.get(); }
  // The selected results written as files for a drag out of the list.
  QList<QUrl> ExportDraggedResults();

 public slots:
  void OnFindButton();
  void OnRadioSearchMode(int mode);
  void findAll();
  void OpenEntry();
  void CopyEntry();
  void DeleteEntry();
  void setColorLabel(int label);
  void labelEdit();
  void EncryptON();
  void EncryptOFF();
  void ExportAppendToTextFile();
  void WriteEntryList();
  void listOption();
  void ClearSearchHistory();
  void CloseAllEntryWindow();
  void showMainWindow();
  // Enables the commands for the selection.
  void UpdateMenuState();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  explicit AllFindWindow(KdxDocument* document);
  void OpenAllFindWindow(bool doSearch, const QString& word);
  void BuildWidgets();
  void BuildMenus();
  void PlaceWindow();
  void RefreshSearchMenu();
  void RefreshLabelMenu();
  void StartSerach(const std::string& word);
  void ApplyColumns();
  void HeaderClicked(int section);
  void ColumnMoved();
  void SelectionChanged();
  void SelectFlaggedRows();
  std::vector<KdxViewColumn> ViewColumns() const;
  void StoreColumns();
  // The selected rows, in row order.
  std::vector<int> SelectedRows() const;
  // The selected rows with their entries, up to the first row whose entry is
  // gone (said to the user).
  std::vector<std::pair<int, KDX_ENTRY>> SelectedEntries();
  // Saves the document and rebuilds its lists and this window's.
  void SaveAndReload();
  // The selected results' entries, in row order.
  std::vector<int32_t> SelectedIds();

  QPointer<KdxDocument> document_;
  KdxColumnSet columns_;
  std::string prefRez_;
  std::vector<KDX_FOUND_RESULT> results_;
  std::vector<uint32_t> tableOrder_;  // the entry table by the window's keys, kept between sorts
  bool rebuilding_ = false;  // the list is being rebuilt: selection changes are not the user's

  QLineEdit* searchField_ = nullptr;
  QMenu* searchMenu_ = nullptr;
  QButtonGroup* modes_ = nullptr;
  QProgressBar* indicator_ = nullptr;
  KdxEntryTableView* list_ = nullptr;
  KdxFoundResultModel* model_ = nullptr;
  QLabel* countLabel_ = nullptr;
  QMenu* entriesMenu_ = nullptr;
  std::array<QAction*, 8> labelActions_{};
  std::vector<QAction*> resultActions_;  // need a selected result
  std::vector<QAction*> windowActions_;  // need the document idle
};
