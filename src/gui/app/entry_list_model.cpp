#include "gui/app/entry_list_model.h"

#include <QBrush>
#include <QColor>
#include <QDrag>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QPalette>
#include <QPixmap>
#include <QTableView>
#include <algorithm>
#include <utility>
#include <vector>

#include "core/document/blocks.h"
#include "core/document/file_type.h"
#include "core/listing/category.h"
#include "gui/app/alerts.h"
#include "gui/app/palette_logic.h"

KdxEntryListModel::KdxEntryListModel(KdxSession* session, QObject* parent)
    : QAbstractTableModel(parent), session_(session) {}

void KdxEntryListModel::Rebuild() {
  const KDX_DATA& data = session_->data();
  KDX_CATEGORY_TITLE titles{};
  (void)TI_GetData(data.catTitleAry, &titles);
  Reset(CLCOMM_GetShownColumns(data.columnAry, titles), static_cast<int>(data.showIDAry.size()));
}

void KdxEntryListModel::Reset(std::vector<KdxListColumn> columns, int rows) {
  beginResetModel();
  columns_ = std::move(columns);
  rows_ = rows;
  notes_ = session_->NoteReader();
  missingReported_ = false;
  endResetModel();
}

void KdxEntryListModel::EntryChanged(int32_t id) {
  if (session_->busy() || columns_.empty()) return;
  const auto& ids = session_->data().showIDAry;
  const size_t shown = std::min(ids.size(), static_cast<size_t>(rows_));
  for (size_t row = 0; row < shown; ++row) {
    if (ids[row] != id) continue;
    const int at = static_cast<int>(row);
    emit dataChanged(index(at, 0), index(at, static_cast<int>(columns_.size()) - 1));
  }
}

int32_t KdxEntryListModel::IdAtRow(int row) const {
  if (session_->busy() || row < 0 || row >= rows_) return -1;
  const auto& ids = session_->data().showIDAry;
  return static_cast<size_t>(row) < ids.size() ? ids[static_cast<size_t>(row)] : -1;
}

int KdxEntryListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int KdxEntryListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant KdxEntryListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() >= static_cast<int>(columns_.size())) return {};
  const KdxListColumn& column = columns_[static_cast<size_t>(index.column())];
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(Qt::AlignVCenter |
                               (column.alignment == 1 ? Qt::AlignRight : Qt::AlignLeft));
  }
  if (role != Qt::DisplayRole && role != Qt::ForegroundRole && role != Qt::DecorationRole &&
      role != Qt::ToolTipRole) {
    return {};
  }
  if (session_->busy()) return {};
  const int32_t id = IdAtRow(index.row());
  ++documentReads_;
  const std::optional<KDX_ENTRY> entry = session_->FindEntry(id);
  if (!entry) {
    const QString text = QStringLiteral("[-1] objectValueForTableColumn[%1]").arg(index.row());
    if (!missingReported_) {
      missingReported_ = true;
      KdxDeferSystemAlert(text);
    }
    return {};
  }
  if (role == Qt::ForegroundRole) {
    const KdxRgb rgb = KDXCOMM_GetLabelColor(session_->data().colorLabelAry, entry->en_co_id);
    const QColor label = QColor::fromRgbF(
        static_cast<float>(rgb.red), static_cast<float>(rgb.green), static_cast<float>(rgb.blue));
    return QBrush(KdxLabelTextColor(label, QGuiApplication::palette().color(QPalette::Base)));
  }
  if (column.isIcon) {
    if (role == Qt::DecorationRole) return IconFor(entry->en_ft_id);
    return {};
  }
  if (role == Qt::DecorationRole) return {};
  const KdxListCell cell =
      KDX_GetEntryListViewItem(session_->data(), *entry, column.identifier, notes_);
  return QString::fromStdString(cell.text);
}

QVariant KdxEntryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 ||
      section >= static_cast<int>(columns_.size())) {
    return {};
  }
  const KdxListColumn& column = columns_[static_cast<size_t>(section)];
  if (role == Qt::DisplayRole)
    return column.isIcon ? QString() : QString::fromStdString(column.title);
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(Qt::AlignVCenter |
                               (column.alignment == 1 ? Qt::AlignRight : Qt::AlignLeft));
  }
  return {};
}

Qt::ItemFlags KdxEntryListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QIcon KdxEntryListModel::IconFor(int32_t fileTypeId) const {
  if (auto it = icons_.constFind(fileTypeId); it != icons_.constEnd()) return *it;
  QIcon icon;
  KDX_FILE_TYPE type{};
  const std::string& path = session_->path();
  int32_t size = 0;
  if (FT_GetData(session_->data().fileTypeAry, fileTypeId, &type) >= 0 &&
      FI_GetDataSize(path.c_str(), type.ft_fi_id, &size) == 1 && size > 0) {
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    QImage image;
    if (FI_Load(path.c_str(), type.ft_fi_id, size, bytes.data()) == 1 &&
        image.loadFromData(bytes.data(), size)) {
      icon = QIcon(QPixmap::fromImage(image));
    }
  }
  icons_.insert(fileTypeId, icon);
  return icon;
}

KdxBrowserListModel::KdxBrowserListModel(const KdxSession* session, int level,
                                         const std::string* selected, QObject* parent)
    : QAbstractListModel(parent), session_(session), level_(level), selected_(selected) {}

const VELL_ARY* KdxBrowserListModel::names() const {
  const KDX_DATA& data = session_->data();
  return level_ == 1 ? data.cat1Ary : level_ == 2 ? data.cat2Ary : data.cat3Ary;
}

void KdxBrowserListModel::Rebuild() {
  beginResetModel();
  rows_ = KDXCOMM_GetCatListRowCount(names());
  endResetModel();
}

int KdxBrowserListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

QVariant KdxBrowserListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || session_->busy()) return {};
  if (role == Qt::EditRole) {
    return QString::fromStdString(GetCatListBoxSelectedItemText(names(), index.row()));
  }
  if (role != Qt::DisplayRole) return {};
  return QString::fromStdString(GetDisplayCatName_FromCatIndex(names(), index.row()));
}

Qt::ItemFlags KdxBrowserListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (!session_->busy() && KDXCOMM_IsCategoryEditable(selected_->c_str()) &&
      index.row() == KDXCOMM_GetCatListRow(names(), selected_->c_str())) {
    flags |= Qt::ItemIsEditable;
  }
  return flags;
}

bool KdxBrowserListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
  // Queued by the window: the editor is still open here.
  emit renameRequested(level_, value.toString());
  return true;
}

QItemSelection KdxRowSelection(const QAbstractItemModel* model, std::vector<int> rows) {
  std::sort(rows.begin(), rows.end());
  const int lastColumn = std::max(model->columnCount() - 1, 0);
  QItemSelection selection;
  for (size_t i = 0; i < rows.size();) {
    size_t end = i + 1;
    while (end < rows.size() && rows[end] <= rows[end - 1] + 1) ++end;
    selection.select(model->index(rows[i], 0), model->index(rows[end - 1], lastColumn));
    i = end;
  }
  return selection;
}

void KdxSetUpEntryListView(QTableView* view) {
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setTabKeyNavigation(false);  // the arrows move; Tab goes on to the next control
  view->setShowGrid(false);
  view->setAlternatingRowColors(true);
  view->setWordWrap(false);
  view->setDragEnabled(true);
  view->setDragDropMode(QAbstractItemView::DragOnly);
  view->verticalHeader()->hide();
  view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
  QHeaderView* header = view->horizontalHeader();
  header->setSectionsMovable(true);
  header->setMinimumSectionSize(kKdxMinColumnWidth);
  header->setTextElideMode(Qt::ElideRight);
  header->setSortIndicatorShown(true);
  header->setSectionsClickable(true);
  header->setStretchLastSection(false);
}

KdxEntryTableView::KdxEntryTableView(std::function<QList<QUrl>()> exportDragged,
                                     std::function<void()> open, std::function<void()> afterDrag,
                                     QWidget* parent)
    : QTableView(parent),
      exportDragged_(std::move(exportDragged)),
      open_(std::move(open)),
      afterDrag_(std::move(afterDrag)) {}

void KdxEntryTableView::startDrag(Qt::DropActions) {
  const QList<QUrl> urls = exportDragged_();
  if (urls.isEmpty()) return;
  auto* mime = new QMimeData;
  mime->setUrls(urls);
  auto* drag = new QDrag(this);
  drag->setMimeData(mime);
  drag->exec(Qt::CopyAction, Qt::CopyAction);
  if (afterDrag_) afterDrag_();
}

void KdxEntryTableView::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      event->modifiers() == Qt::NoModifier) {
    open_();
    return;
  }
  QTableView::keyPressEvent(event);
}
