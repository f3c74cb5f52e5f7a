#include "gui/app/import_export_commands.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPointer>
#include <QTableView>
#include <QTimer>
#include <functional>

#include "core/prefs/pref_file.h"
#include "core/util/vell_file.h"
#include "gui/app/alert_texts.h"
#include "gui/app/alerts.h"
#include "gui/app/document_window.h"
#include "gui/app/entry_list_commands.h"
#include "gui/app/entry_list_model.h"
#include "gui/app/entry_window.h"
#include "gui/app/kdx_application.h"
#include "gui/app/localization.h"
#include "gui/app/progress_dialog.h"
#include "gui/app/transfer_dialogs.h"
#include "transfer/entry_list_file.h"
#include "transfer/v2_import.h"

namespace {

constexpr char kSaving[] = "ファイルを保存しています...";
constexpr char kImportMenu[] = "取り込み";
constexpr char kExportMenu[] = "書き出し";
constexpr char kEntryListAction[] = "WriteEntryList";
constexpr char kAppendAction[] = "ExportAppendToTextFile";
constexpr char kSaveNewAction[] = "SaveNewFile";
constexpr char kImportActions[][16] = {"ImportFile", "ImportFolder", "ImportV2Folder"};

using KdxImportWork = std::function<KdxTransferResult(
    KDX_DATA* data, const KdxImportSettings& settings, const KdxTransferProgress& progress,
    std::vector<int32_t>* importedIds)>;

QString RememberedPath(const char* key) {
  std::string path;
  (void)PREF_ReadFilePath(key, path);
  return QString::fromStdString(path);
}

void Remember(const char* key, const std::string& path) {
  if (PREF_WriteFilePath(key, path.c_str()) != 1) {
    KdxDeferSystemAlert(QStringLiteral("[-1] PREF_WriteFilePath[%1]").arg(key));
  }
}

// The folder a save panel starts in: that of the remembered file.
QString RememberedFolder(const char* key) {
  const QString path = RememberedPath(key);
  return path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
}

std::vector<int32_t> SelectedIds(KdxDocument* window) {
  std::vector<int32_t> ids;
  for (const KDX_ENTRY& entry : KdxSelectedEntries(window)) ids.push_back(entry.en_id);
  return ids;
}

size_t SelectedCount(KdxDocument* window) {
  return static_cast<size_t>(window->entryList()->selectionModel()->selectedRows().size());
}

void Say(KdxDocument* window, const std::string& text) {
  if (!text.empty()) KDXCOMM_AlertOK(window, QString::fromStdString(text));
}

// The progress of a worker whose imports save every so often, the last save
// announced.
KdxTransferProgress SavingProgress(const KdxTransferProgress& shown, KdxSession& session,
                                   bool* saveFailed) {
  KdxTransferProgress progress = shown;
  auto save = KdxSaveEvery(
      kKdxImportSaveEvery, [&session] { return session.Save(); }, saveFailed);
  progress.checkpoint = [shown, save](bool last) {
    if (last) shown.Phase(kSaving);
    return save(last);
  };
  return progress;
}

// An import on a worker under the progress dialog, then the lists, the
// report and, for exactly one new entry, its window.
void RunImport(KdxDocument* window, const char* firstMessage, const KdxImportWork& work) {
  KdxSession& session = window->session();
  if (session.busy() || !session.writable()) return;
  const KdxImportSettings settings = KDX_ReadImportSettings();
  bool saveFailed = false;
  std::vector<int32_t> imported;
  const KdxTransferResult result =
      KdxWorkerRun(window, session, KdxText(firstMessage), [&](const KdxTransferProgress& shown) {
        return work(session.EditDirectly(), settings, SavingProgress(shown, session, &saveFailed),
                    &imported);
      });
  window->ReloadMainListBoxes();
  window->raise();
  if (saveFailed) KDXCOMM_AlertOK(window, KdxText(kKdxMsgCannotSave));
  Say(window, KdxImportEndText(result));
  const int32_t open = KdxEntryToOpenAfterImport(imported);
  if (open >= 0) window->entryWindows()->OpenEntries({open});
}

// Runs fn after the panel has gone, outside its signal.
void Later(KdxDocument* window, std::function<void()> fn) {
  QTimer::singleShot(0, window, std::move(fn));
}

void ImportFileCommand(KdxDocument* window) {
  if (window->session().busy()) return;
  auto* panel = new KdxImportFilePanel(window, RememberedPath(kKdxPrefImportFile));
  panel->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(panel, &QDialog::accepted, window, [window, panel] {
    std::vector<std::string> paths;
    for (const QString& path : panel->chosen()) paths.push_back(path.toStdString());
    if (paths.empty()) return;
    Remember(kKdxPrefImportFile, paths.back());
    Later(window, [window, paths] { KdxImportChosenFiles(window, paths); });
  });
  panel->open();
}

void ImportFolderCommand(KdxDocument* window, bool version2) {
  if (window->session().busy()) return;
  const char* key = version2 ? kKdxPrefImportV2Folder : kKdxPrefImportFolder;
  QFileDialog* panel = KdxMakeFolderPanel(window, "このフォルダから取り込む", RememberedPath(key));
  panel->setObjectName(QString::fromLatin1(version2 ? "ImportV2Folder" : "ImportFolder"));
  panel->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(
      panel, &QFileDialog::fileSelected, window, [window, key, version2](const QString& chosen) {
        const std::string folder = chosen.toStdString();
        Remember(key, folder);
        Later(window,
              [window, folder, version2] { KdxImportChosenFolder(window, folder, version2); });
      });
  panel->open();
}

void ExportCommand(KdxDocument* window, const KdxExportCommand& command) {
  if (window->session().busy() || SelectedCount(window) == 0) return;
  QFileDialog* panel = KdxMakeFolderPanel(window, "ここに保存", RememberedPath(command.prefKey));
  panel->setObjectName(QString::fromLatin1(command.name));
  panel->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(
      panel, &QFileDialog::fileSelected, window, [window, &command](const QString& chosen) {
        const std::string folder = chosen.toStdString();
        Remember(command.prefKey, folder);
        Later(window, [window, &command, folder] { KdxExportSelectedTo(window, command, folder); });
      });
  panel->open();
}

void WriteEntryListCommand(KdxDocument* window) {
  KdxSession& session = window->session();
  if (session.busy() || window->entryModel()->rowCount() == 0) return;
  int32_t recordType = 0;
  (void)PREF_ReadInteger(kKdxPrefWriteEntryListType, &recordType);
  WriteEntryListDlg dialog(recordType, window);
  if (dialog.exec() != QDialog::Accepted) return;
  recordType = dialog.recordType();
  if (PREF_WriteInteger(kKdxPrefWriteEntryListType, recordType) != 1) {
    KdxDeferSystemAlert(QStringLiteral("[-1] PREF_WriteInteger[WEL_recordType]"));
  }
  const std::string refusal = KdxEntryListRefusal(recordType, SelectedCount(window));
  if (!refusal.empty()) {
    Say(window, refusal);
    return;
  }
  QFileDialog* panel = KdxMakeSavePanel(
      window, "保存", RememberedFolder(kKdxPrefWriteEntryList),
      QString::fromStdString(KdxProposedEntryListName(session.path())), QStringLiteral("txt"));
  panel->setObjectName(QString::fromLatin1(kEntryListAction));
  panel->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(
      panel, &QFileDialog::fileSelected, window, [window, recordType](const QString& chosen) {
        const std::string path = KdxWithExtension(chosen.toStdString(), "txt");
        Remember(kKdxPrefWriteEntryList, path);
        Later(window,
              [window, recordType, path] { KdxWriteEntryListTo(window, recordType, path); });
      });
  panel->open();
}

void AppendCommand(KdxDocument* window) {
  if (SelectedCount(window) == 0) return;
  KdxAppendEntriesCommand(window, window, SelectedIds(window));
}

void SaveNewFileCommand(KdxDocument* window) {
  KdxSession& session = window->session();
  if (session.busy()) return;
  SaveNewFileDlg dialog(KdxReadSaveNewFileOptions(), window);
  if (dialog.exec() != QDialog::Accepted) return;
  const KDX_NEW_SAVE_OPTIONS options = dialog.options();
  if (KdxWriteSaveNewFileOptions(options) != 0) {
    KdxDeferSystemAlert(QStringLiteral("[-1] WriteSaveNewFileOption"));
  }
  const QString ext = options.targetKdxApp == 1 ? QStringLiteral("kdr") : QStringLiteral("kdx");
  QFileDialog* panel = KdxMakeSavePanel(
      window, "保存", RememberedFolder(kKdxPrefNewSaveFile),
      QString::fromStdString(KdxProposedNewFileName(session.path(), options.targetKdxApp)), ext);
  panel->setObjectName(QString::fromLatin1(kSaveNewAction));
  panel->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(
      panel, &QFileDialog::fileSelected, window, [window, options, ext](const QString& chosen) {
        const std::string path = KdxWithExtension(chosen.toStdString(), ext.toStdString());
        Later(window, [window, options, path] { (void)KdxSaveNewFileTo(window, options, path); });
      });
  panel->open();
}

QAction* AddCommand(QMenu* menu, KdxDocument* window, const char* name, const char* title,
                    std::function<void()> run) {
  QAction* action = menu->addAction(KdxText(title));
  action->setObjectName(QString::fromLatin1(name));
  QObject::connect(action, &QAction::triggered, window, std::move(run));
  return action;
}

}  // namespace

void KdxAddTransferMenus(KdxDocument* window, QMenu* file) {
  file->addSeparator();
  QMenu* imports = file->addMenu(KdxText(kImportMenu));
  AddCommand(imports, window, kImportActions[0], "ファイルを取り込む…",
             [window] { ImportFileCommand(window); });
  AddCommand(imports, window, kImportActions[1], "フォルダから取り込む…",
             [window] { ImportFolderCommand(window, false); });
  AddCommand(imports, window, kImportActions[2], "バージョン2の書き出しファイルを取り込む…",
             [window] { ImportFolderCommand(window, true); });
  QMenu* exports = file->addMenu(KdxText(kExportMenu));
  for (const KdxExportCommand& command : kKdxExportCommands) {
    AddCommand(exports, window, command.name, command.title,
               [window, &command] { ExportCommand(window, command); });
  }
  AddCommand(file, window, kEntryListAction, "一覧ファイルを書き出す…",
             [window] { WriteEntryListCommand(window); });
  AddCommand(file, window, kAppendAction, "連結して書き出す…", [window] { AppendCommand(window); });
  AddCommand(file, window, kSaveNewAction, "新規ファイルとして保存…",
             [window] { SaveNewFileCommand(window); });
  const auto update = [window] { KdxUpdateTransferActions(window); };
  for (QMenu* menu : {file, imports, exports}) {
    QObject::connect(menu, &QMenu::aboutToShow, window, update);
  }
  // The same rules for the context menu's items and between menu openings.
  QObject::connect(window->entryList()->selectionModel(), &QItemSelectionModel::selectionChanged,
                   window, update);
  QObject::connect(window->entryModel(), &QAbstractItemModel::modelReset, window, update);
}

void KdxUpdateTransferActions(KdxDocument* window) {
  const KdxSession& session = window->session();
  const KdxTransferMenuState state = KdxGetTransferMenuState(
      SelectedCount(window), static_cast<size_t>(window->entryModel()->rowCount()),
      session.busy() || !session.writable());
  const auto enable = [window](const char* name, bool on) {
    if (QAction* action = window->commandAction(name)) action->setEnabled(on);
  };
  for (const char* name : kImportActions) enable(name, state.imports);
  for (const KdxExportCommand& command : kKdxExportCommands) enable(command.name, state.exports);
  enable(kAppendAction, state.exports);
  enable(kEntryListAction, state.entryList);
  enable(kSaveNewAction, state.saveNew);
}

void KdxImportChosenFiles(KdxDocument* window, const std::vector<std::string>& paths) {
  const std::vector<std::string> targets = KdxImportTargets(paths, KDX_ReadImportSettings());
  if (targets.empty()) return;
  const KdxCategorySelection cats = window->selection();
  RunImport(window, "ファイルを取り出しています...",
            [&](KDX_DATA* data, const KdxImportSettings& settings,
                const KdxTransferProgress& progress, std::vector<int32_t>* ids) {
              return KDX_ImportFiles(data, targets, cats.name[0], cats.name[1], cats.name[2],
                                     settings, progress, ids);
            });
}

void KdxImportChosenFolder(KdxDocument* window, const std::string& folder, bool version2) {
  RunImport(window, "ファイルを検索しています...",
            [&](KDX_DATA* data, const KdxImportSettings& settings,
                const KdxTransferProgress& progress, std::vector<int32_t>* ids) {
              return version2 ? KDX_ImportV2Folder(data, folder, settings, progress, ids)
                              : KDX_ImportFolder(data, folder, settings, progress, ids);
            });
}

void KdxDocument::ImportDroppedPaths(const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  const KdxCategorySelection cats = selection_;
  RunImport(this, "ファイルを検索しています...",
            [&](KDX_DATA* data, const KdxImportSettings& settings,
                const KdxTransferProgress& progress, std::vector<int32_t>* ids) {
              return KDX_ImportPaths(data, paths, cats.name[0], cats.name[1], cats.name[2],
                                     KdxFolderCategories::kGiven, settings, progress, ids);
            });
}

KdxTransferResult KdxRunExport(KdxDocument* window, const KdxExportWork& work,
                               const std::function<void(ProgressDlg&)>& hook) {
  KdxSession& session = window->session();
  bool saveFailed = false;
  bool saved = false;
  KdxTransferResult result = KdxWorkerRun(
      window, session, KdxText(kKdxMsgExporting),
      [&](const KdxTransferProgress& progress) {
        KdxTransferResult done = work(session.EditDirectly(), progress);
        // The entries' last-used dates; files written before a cancel stay.
        if (!done.cancelled && !progress.IsCancelled()) {
          progress.Phase(kSaving);
          saveFailed = session.Save() != 0;
          saved = true;
        }
        return done;
      },
      hook);
  if (!saved) {
    // Cancelled: the dialog is gone as soon as the file at hand was written,
    // and the dates of what was exported are saved now.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    saveFailed = session.Save() != 0;
    QGuiApplication::restoreOverrideCursor();
  }
  window->ReloadMainListBoxes();
  window->raise();
  if (saveFailed) KDXCOMM_AlertOK(window, KdxText(kKdxMsgCannotSave));
  return result;
}

void KdxExportSelectedTo(KdxDocument* window, const KdxExportCommand& command,
                         const std::string& folder) {
  KdxSession& session = window->session();
  if (session.busy() || !session.writable()) return;
  const std::vector<int32_t> ids = SelectedIds(window);
  if (ids.empty()) return;
  const KdxTransferResult result =
      KdxRunExport(window, [&](KDX_DATA* data, const KdxTransferProgress& progress) {
        return KDX_ExportEntries(data, ids, folder, command.format, progress);
      });
  Say(window, KdxExportEndText(result));
  Say(window, KdxSubstituteText(result));
}

bool KdxDocument::BackupAndSave() {
  BackupMainWindowStatus();
  return SaveOrAlert();
}

void KdxWriteEntryListTo(KdxDocument* window, int32_t recordType, const std::string& path) {
  KdxSession& session = window->session();
  if (session.busy()) return;
  if (!window->BackupAndSave()) return;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const KdxTransferResult result = KDX_WriteEntryList_ShowEntry(session.data(), recordType, path);
  QGuiApplication::restoreOverrideCursor();
  Say(window, KdxEntryListEndText(result, path));
}

void KdxAppendSelectedTo(KdxDocument* window, const std::string& path) {
  KdxAppendEntriesTo(window, window, SelectedIds(window), path);
}

void KdxAppendEntriesCommand(KdxDocument* window, QWidget* parent, std::vector<int32_t> ids) {
  if (window->session().busy() || ids.empty()) return;
  QFileDialog* panel = KdxMakeSavePanel(
      parent, "連結", QFileInfo(QString::fromStdString(window->session().path())).absolutePath(),
      QString(), QStringLiteral("txt"));
  panel->setObjectName(QString::fromLatin1(kAppendAction));
  panel->setAttribute(Qt::WA_DeleteOnClose);
  QPointer<QWidget> guard(parent);
  QObject::connect(panel, &QFileDialog::fileSelected, window,
                   [window, guard, ids = std::move(ids)](const QString& chosen) {
                     const std::string path = KdxWithExtension(chosen.toStdString(), "txt");
                     Later(window, [window, guard, ids, path] {
                       KdxAppendEntriesTo(window, guard ? guard.data() : window, ids, path);
                     });
                   });
  panel->open();
}

void KdxAppendEntriesTo(KdxDocument* window, QWidget* parent, const std::vector<int32_t>& ids,
                        const std::string& path) {
  KdxSession& session = window->session();
  if (session.busy() || !session.writable() || ids.empty()) return;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const KdxTransferResult result = KDX_ExportAppendToTextFile(session.EditDirectly(), ids, path);
  const bool saved = session.Save() == 0;
  QGuiApplication::restoreOverrideCursor();
  window->ReloadMainListBoxes();
  if (!saved) KDXCOMM_AlertOK(parent, KdxText(kKdxMsgCannotSave));
  const std::string text = KdxAppendEndText(result, path);
  if (!text.empty()) KDXCOMM_AlertOK(parent, QString::fromStdString(text));
}

bool KdxSaveNewFileTo(KdxDocument* window, const KDX_NEW_SAVE_OPTIONS& options,
                      const std::string& path) {
  KdxSession& session = window->session();
  if (session.busy()) return false;
  Remember(kKdxPrefNewSaveFile, path);
  std::vector<std::string> open;
  if (KdxApplication* app = KdxApplication::instance()) {
    for (KdxDocument* document : app->documents()) open.push_back(document->session().path());
  } else {
    open.push_back(session.path());
  }
  if (KdxFindOpenDocument(open, path) >= 0) {
    KdxBeep();
    Say(window,
        KdxFillFormat(KdxTextUtf8("「%s」はすでに使用されています。別の名前を入力してください。"),
                      {Vell_GetFileName(path)}));
    return false;
  }
  if (!window->BackupAndSave()) return false;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const int32_t status =
      KdxSaveNewFileReplacing(session.EditDirectly(), options, path, PREF_ReadExpandSize());
  QGuiApplication::restoreOverrideCursor();
  if (status != 0) {
    KDXCOMM_AlertOK(window, KdxText(kKdxMsgCannotCreateFile));
    return false;
  }
  return true;
}
