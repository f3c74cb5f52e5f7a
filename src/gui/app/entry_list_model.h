// The entry list's model: one row per shown entry (showIDAry), one column per
// shown column of the document's column table. Cells come from the listing's
// cell texts, colours from the label table, icons from the file types.
//
// While a worker has the document (the session is busy) the model answers
// nothing from the tables or the file: rows keep their count from the last
// rebuild and cells are empty until the next rebuild.
#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QItemSelection>
#include <QList>
#include <QTableView>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/listing/list_columns.h"
#include "core/session/kdx_session.h"

class QTableView;

class KdxEntryListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  KdxEntryListModel(KdxSession* session, QObject* parent = nullptr);

  // Takes the columns and the shown entries from the document anew.
  void Rebuild();
  const std::vector<KdxListColumn>& columns() const { return columns_; }
  // en_id of a row, or -1.
  [[nodiscard]] virtual int32_t IdAtRow(int row) const;
  // How many times a cell was read from the document: tests check that a
  // busy document is never read.
  int64_t documentReads() const { return documentReads_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 protected:
  // Shows these columns over rows rows, whose entries IdAtRow names.
  void Reset(std::vector<KdxListColumn> columns, int rows);
  const KdxSession* session() const { return session_; }

 private:
  QIcon IconFor(int32_t fileTypeId) const;

  KdxSession* session_;
  std::vector<KdxListColumn> columns_;
  int rows_ = 0;
  KdxNoteReader notes_;
  mutable QHash<int32_t, QIcon> icons_;  // by file type, read once per document
  mutable int64_t documentReads_ = 0;
  mutable bool missingReported_ = false;  // one alert per rebuild
};

// Whole rows of model as one selection, each run of consecutive rows one
// range: a selection model compares its ranges pairwise, so a range per row
// makes selecting thousands of rows take seconds.
[[nodiscard]] QItemSelection KdxRowSelection(const QAbstractItemModel* model,
                                             std::vector<int> rows);

// An entry list's view as the lists of entries show it: whole rows selected,
// several at a time, not edited, dragged out; columns moved and clicked;
// no row numbers.
void KdxSetUpEntryListView(QTableView* view);

// A list of entries: Return opens the selected ones, and a drag carries them
// out as the files exportDragged writes when the drag starts (afterDrag runs
// once it ends).
class KdxEntryTableView : public QTableView {
 public:
  KdxEntryTableView(std::function<QList<QUrl>()> exportDragged, std::function<void()> open,
                    std::function<void()> afterDrag, QWidget* parent);

 protected:
  void startDrag(Qt::DropActions) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::function<QList<QUrl>()> exportDragged_;
  std::function<void()> open_;
  std::function<void()> afterDrag_;
};

// The browser's list of one level (1 to 3): row 0 is All, row r the level's
// name r - 1, shown in display form; empty cells while the document is busy.
// Only the selected row may be renamed, and only when it is neither All nor
// その他 (selected: the window's selected name of the level); a rename is
// handed on as renameRequested and changes nothing here.
class KdxBrowserListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  KdxBrowserListModel(const KdxSession* session, int level, const std::string* selected,
                      QObject* parent = nullptr);

  void Rebuild();
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 signals:
  void renameRequested(int level, const QString& text);

 private:
  const VELL_ARY* names() const;  // the level's cat1Ary..cat3Ary, remade by each rebuild

  const KdxSession* session_;
  int level_;
  const std::string* selected_;
  int rows_ = 1;
};
