// The document window's import and export commands: 取り込み ▸ (files,
// a folder, a folder of version-2 export files, and files dropped on the
// entry list), 書き出し ▸ (seven kinds of files into a folder), the entry
// list file, the joined text file and "save as new file". Each opens its
// panel window-modal; what follows the panel is a function of its own, which
// the tests call with the paths a user would choose.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/content/new_document.h"
#include "gui/app/import_export_logic.h"
#include "transfer/transfer_progress.h"

class KdxDocument;
class ProgressDlg;
class QMenu;
class QWidget;
struct KDX_DATA;

// Adds the commands to the window's file menu (their actions are named after
// the commands: "ImportFile", "ExportRtfFile", ...).
void KdxAddTransferMenus(KdxDocument* window, QMenu* file);
// Enables the commands for the window's selection and list.
void KdxUpdateTransferActions(KdxDocument* window);

// Imports the chosen files that are import targets with the browser's
// categories on a worker; reports failures; one imported file opens its
// entry window. Nothing when none is an import target.
void KdxImportChosenFiles(KdxDocument* window, const std::vector<std::string>& paths);
// Imports a folder's import targets (version2: its version-2 export files),
// each with the categories of its path below folder.
void KdxImportChosenFolder(KdxDocument* window, const std::string& folder, bool version2);
// Exports the selected entries in row order into folder on a worker.
void KdxExportSelectedTo(KdxDocument* window, const KdxExportCommand& command,
                         const std::string& folder);
// The run of such an export: work on a worker under the progress dialog, then
// the save of the entries' last-used dates it set. After a whole run the
// dialog says so and waits for the save; a cancelled run closes the dialog as
// soon as work returns and saves after it. A failed save is said. hook as
// KdxWorkerRun's.
using KdxExportWork =
    std::function<KdxTransferResult(KDX_DATA* data, const KdxTransferProgress& progress)>;
KdxTransferResult KdxRunExport(KdxDocument* window, const KdxExportWork& work,
                               const std::function<void(ProgressDlg&)>& hook = {});
// The entry list file (recordType 0: the selected entries, 1: all shown).
void KdxWriteEntryListTo(KdxDocument* window, int32_t recordType, const std::string& path);
// The joined text file of the selected entries.
void KdxAppendSelectedTo(KdxDocument* window, const std::string& path);
// 連結して書き出す… for entries chosen in another window (the search window's
// results): the save panel on parent, then the joined text of ids, reported
// on parent.
void KdxAppendEntriesCommand(KdxDocument* window, QWidget* parent, std::vector<int32_t> ids);
void KdxAppendEntriesTo(KdxDocument* window, QWidget* parent, const std::vector<int32_t>& ids,
                        const std::string& path);
// The new document at path; refused (said, false) when path is the file of
// any open document, however it is spelt.
bool KdxSaveNewFileTo(KdxDocument* window, const KDX_NEW_SAVE_OPTIONS& options,
                      const std::string& path);
