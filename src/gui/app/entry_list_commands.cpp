#include "gui/app/entry_list_commands.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QMenu>
#include <QTableView>
#include <algorithm>
#include <cstring>

#include "core/content/entry_copy.h"
#include "core/document/color_label.h"
#include "gui/app/alert_texts.h"
#include "gui/app/alerts.h"
#include "gui/app/document_window.h"
#include "gui/app/entry_list_model.h"
#include "gui/app/entry_window.h"
#include "gui/app/import_export_commands.h"
#include "gui/app/keyboard_access.h"
#include "gui/app/localization.h"

namespace {

constexpr char kOpenTitle[] = "開く";
constexpr char kCopyTitle[] = "複製";
constexpr char kDeleteTitle[] = "削除…";
constexpr char kLabelTitle[] = "ラベル ▸";
constexpr char kChangeTitle[] = "分類の変更…";
constexpr char kExportTitle[] = "書き出し ▸";
constexpr char kEntryKind[] = "文章";
constexpr char kEncryptTitle[] = "暗号化";
constexpr char kDecryptTitle[] = "暗号解除";

std::string TitleOf(const KDX_ENTRY& entry) {
  return std::string(entry.en_title, strnlen(entry.en_title, sizeof entry.en_title));
}

}  // namespace

std::vector<KdxEntryMenuItem> KdxEntryMenuItems(int64_t selected) {
  const bool any = selected > 0;
  return {{kOpenTitle, any},   {kCopyTitle, any},   {kDeleteTitle, any},  {kLabelTitle, any},
          {kChangeTitle, any}, {kExportTitle, any}, {kEncryptTitle, any}, {kDecryptTitle, any}};
}

std::vector<KDX_ENTRY> KdxSelectedEntries(KdxDocument* window) {
  std::vector<int> rows;
  for (const QModelIndex& index : window->entryList()->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  std::vector<KDX_ENTRY> entries;
  for (const int row : rows) {
    std::optional<KDX_ENTRY> entry =
        window->session().FindEntry(window->entryModel()->IdAtRow(row));
    if (!entry) {
      KDXCOMM_SystemAlert(
          window, QStringLiteral("[-1] MakeSelectedEntryArray_FromNSTableView[%1]").arg(row));
      break;
    }
    entries.push_back(*entry);
  }
  return entries;
}

void KdxCopySelectedEntries(KdxDocument* window) {
  KdxSession& session = window->session();
  if (session.busy()) return;
  const std::vector<KDX_ENTRY> entries = KdxSelectedEntries(window);
  if (entries.empty()) return;
  std::vector<int32_t> copies;
  int64_t failed = 0;
  for (const KDX_ENTRY& entry : entries) {
    // The copy takes what the source's window shows.
    if (EntryWindow* open = window->entryWindows()->Find(entry.en_id)) open->autoSaveEntry();
    KDX_ENTRY copy{};
    const KdxChangeResult result = session.CopyEntry(entry.en_id, &copy);
    if (result == KdxChangeResult::kOk || result == KdxChangeResult::kTitleKeptAsSource) {
      copies.push_back(copy.en_id);
    } else {
      ++failed;
    }
    if (result == KdxChangeResult::kTitleKeptAsSource) {
      KDXCOMM_AlertOK(window, KdxTextFormat(kKdxMsgCopyTitleTooLong, {TitleOf(entry)}));
    }
  }
  if (session.SetEntrySelection(copies) != 0) {
    KDXCOMM_SystemAlert(window, QStringLiteral("[-1] CopyEntry"));
  }
  if (session.Save() != 0) KDXCOMM_AlertOK(window, KdxText(kKdxMsgCannotSave));
  window->ReloadMainListBoxes();
  if (failed > 0) {
    KDXCOMM_AlertOK(
        window, KdxTextFormat("%ld 件の文章を複製できませんでした。", {std::to_string(failed)}));
  }
}

void KdxDeleteSelectedEntries(KdxDocument* window) {
  KdxSession& session = window->session();
  if (session.busy()) return;
  const std::vector<KDX_ENTRY> entries = KdxSelectedEntries(window);
  if (entries.empty()) return;
  const std::string first = TitleOf(entries.front());
  const std::string question =
      KDXCOMM_MakeDeleteConfirmationText(kEntryKind, first, static_cast<int64_t>(entries.size()));
  if (KDXCOMM_AlertOkCancel(window, QString::fromStdString(question)) != 1) return;
  for (const KDX_ENTRY& entry : entries) {
    if (EntryWindow* open = window->entryWindows()->Find(entry.en_id)) open->close();
    if (session.RemoveEntry(entry.en_id) != KdxChangeResult::kOk) {
      KDXCOMM_SystemAlert(window, QStringLiteral("[-1] DeleteEntry[%1]").arg(entry.en_id));
      break;
    }
  }
  if (session.Save() != 0) KDXCOMM_AlertOK(window, KdxText(kKdxMsgCannotSave));
  window->ReloadMainListBoxes();
}

QMenu* KdxMakeEntryListMenu(KdxDocument* window, const QPoint& pos) {
  QTableView* list = window->entryList();
  const QModelIndex index = list->indexAt(pos);
  QItemSelectionModel* selection = list->selectionModel();
  if (index.isValid() && !selection->isRowSelected(index.row(), QModelIndex())) {
    selection->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  auto* menu = new QMenu(list);
  menu->setObjectName(QStringLiteral("EntryListMenu"));
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const int64_t selected = selection->selectedRows().size();
  for (const KdxEntryMenuItem& item : KdxEntryMenuItems(selected)) {
    const std::string title = item.title;
    const std::string arrow = " ▸";
    if (title.size() > arrow.size() && title.ends_with(arrow)) {
      QMenu* sub = menu->addMenu(KdxText(title.substr(0, title.size() - arrow.size()).c_str()));
      sub->setEnabled(item.enabled && !window->session().busy());
      if (std::strcmp(item.title, kLabelTitle) == 0) {
        window->UpdateMenuState();
        for (int label = 0; label < kKdxColorLabelCount; ++label) {
          sub->addAction(window->labelAction(label));
        }
      } else if (std::strcmp(item.title, kExportTitle) == 0) {
        KdxUpdateTransferActions(window);
        for (const KdxExportCommand& command : kKdxExportCommands) {
          sub->addAction(window->commandAction(command.name));
        }
      }
      continue;
    }
    QAction* action = menu->addAction(KdxText(item.title));
    action->setEnabled(item.enabled && !window->session().busy());
    if (std::strcmp(item.title, kOpenTitle) == 0) {
      QObject::connect(action, &QAction::triggered, window, &KdxDocument::OpenEntry);
    } else if (std::strcmp(item.title, kChangeTitle) == 0) {
      QObject::connect(action, &QAction::triggered, window,
                       [window] { window->commandAction("ChangeEntrys")->trigger(); });
    } else if (std::strcmp(item.title, kDeleteTitle) == 0) {
      QObject::connect(action, &QAction::triggered, window,
                       [window] { KdxDeleteSelectedEntries(window); });
    } else if (std::strcmp(item.title, kCopyTitle) == 0) {
      QObject::connect(action, &QAction::triggered, window,
                       [window] { KdxCopySelectedEntries(window); });
    } else if (std::strcmp(item.title, kEncryptTitle) == 0) {
      QObject::connect(action, &QAction::triggered, window, &KdxDocument::EncryptON);
    } else if (std::strcmp(item.title, kDecryptTitle) == 0) {
      QObject::connect(action, &QAction::triggered, window, &KdxDocument::EncryptOFF);
    }
  }
  return menu;
}

void KdxInstallEntryListCommands(KdxDocument* window) {
  QTableView* list = window->entryList();
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(list, &QWidget::customContextMenuRequested, window, [window](const QPoint& pos) {
    QMenu* menu = KdxMakeEntryListMenu(window, pos);
    menu->popup(window->entryList()->viewport()->mapToGlobal(pos));
  });
  KdxAddContextMenuKeys(list);
  auto* remove = new QAction(list);
  remove->setShortcut(QKeySequence::Delete);
  remove->setShortcutContext(Qt::WidgetShortcut);
  QObject::connect(remove, &QAction::triggered, window,
                   [window] { KdxDeleteSelectedEntries(window); });
  list->addAction(remove);
  auto* copy = new QAction(list);
  copy->setObjectName(QStringLiteral("CopyEntry"));
  copy->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
  QObject::connect(copy, &QAction::triggered, window, [window] { KdxCopySelectedEntries(window); });
  list->addAction(copy);
}
