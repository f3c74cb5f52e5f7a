// The decisions behind the document window's import and export commands, as
// plain functions: which folder each command remembers, which chosen files
// are imported, what the user is told at the end, the names the save panels
// propose, the options of "save as new file" and its safe writing.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/content/new_document.h"
#include "core/document/kdx_data.h"
#include "transfer/export_files.h"
#include "transfer/file_import.h"
#include "transfer/transfer_progress.h"

// The remembered folders and files (path preferences).
inline constexpr char kKdxPrefImportFile[] = "ImportFile";
inline constexpr char kKdxPrefImportFolder[] = "ImportFolder";
inline constexpr char kKdxPrefImportV2Folder[] = "ImportV2Folder";
inline constexpr char kKdxPrefWriteEntryList[] = "WriteEntryListPath";
inline constexpr char kKdxPrefWriteEntryListType[] = "WEL_recordType";
inline constexpr char kKdxPrefNewSaveFile[] = "NewSaveFile";

// One command of the 書き出し menu: its action name, its title, what it writes
// and the preference remembering its folder.
struct KdxExportCommand {
  const char* name;
  const char* title;
  KdxExportFormat format;
  const char* prefKey;
};
inline constexpr std::array<KdxExportCommand, 7> kKdxExportCommands{{
    {"ExportFile", "ファイルとして…", KdxExportFormat::files, "ExportFile"},
    {"ExportRtfFile", "RTF…", KdxExportFormat::rtf, "ExportRtfFile"},
    {"ExportRtfdFile", "RTFD…", KdxExportFormat::rtfd, "ExportRtfdFilePath"},
    {"ExportSJisFile", "テキスト (Shift JIS)…", KdxExportFormat::sjis, "ExportSJisFile"},
    {"ExportEUCFile", "テキスト (EUC-JP)…", KdxExportFormat::euc, "ExportUtf8File"},
    {"ExportUtf8File", "テキスト (UTF-8)…", KdxExportFormat::utf8, "ExportUtf8File"},
    {"ExportBackupEntryFiles", "バックアップ…", KdxExportFormat::backup, "ExportFile"},
}};

// Which import and export commands are enabled: the exports and the joined
// text file need a selected entry, the entry list file a shown one, and
// nothing runs while a worker has the document.
struct KdxTransferMenuState {
  bool imports;
  bool exports;
  bool entryList;
  bool saveNew;
};
[[nodiscard]] KdxTransferMenuState KdxGetTransferMenuState(size_t selected, size_t shown,
                                                           bool busy);

// The chosen paths an import of files takes, in order: RTFD packages, and the
// files that are import targets by the settings' extensions ("AllExportFiles"
// takes every file that is not binary).
[[nodiscard]] std::vector<std::string> KdxImportTargets(const std::vector<std::string>& paths,
                                                        const KdxImportSettings& settings);

// The entry whose window opens after an import: the new entry when exactly
// one file was imported, else -1.
[[nodiscard]] int32_t KdxEntryToOpenAfterImport(const std::vector<int32_t>& importedIds);

// The message at the end of an import or export, empty when nothing failed:
// the counts, then the first failures one a line.
[[nodiscard]] std::string KdxImportEndText(const KdxTransferResult& result);
[[nodiscard]] std::string KdxExportEndText(const KdxTransferResult& result);
// The one alert about characters written as substitutes: each distinct
// message once, empty when every file was written exactly.
[[nodiscard]] std::string KdxSubstituteText(const KdxTransferResult& result);

// The message after writing the entry list file or the joined text file to
// path, empty when all went well: the file could not be made, or how many
// entries were left out.
[[nodiscard]] std::string KdxEntryListEndText(const KdxTransferResult& result,
                                              const std::string& path);
[[nodiscard]] std::string KdxAppendEndText(const KdxTransferResult& result,
                                           const std::string& path);

// The refusal of the entry list file for the selected entries when none is
// selected ("文章 が選択されていません。"), empty when it may go on.
[[nodiscard]] std::string KdxEntryListRefusal(int32_t recordType, size_t selected);

// The names the save panels propose: "<document name>の一覧.txt" and
// "<document name>+.kdx" (".kdr" for target 1).
[[nodiscard]] std::string KdxProposedEntryListName(const std::string& documentPath);
[[nodiscard]] std::string KdxProposedNewFileName(const std::string& documentPath, int32_t target);
// path with the extension ext added unless it already ends in "." + ext (any case).
[[nodiscard]] std::string KdxWithExtension(const std::string& path, const std::string& ext);

// The options of "save as new file", each an integer preference of its name;
// an absent one reads as 0.
[[nodiscard]] KDX_NEW_SAVE_OPTIONS KdxReadSaveNewFileOptions();
// 0, or -1 when one could not be stored.
[[nodiscard]] int32_t KdxWriteSaveNewFileOptions(const KDX_NEW_SAVE_OPTIONS& options);

// The open document that path names, however it is spelt (a link, "..", a
// hard link): its index in openPaths, or -1.
[[nodiscard]] int32_t KdxFindOpenDocument(const std::vector<std::string>& openPaths,
                                          const std::string& path);

// Writes the new document into a fresh file beside path and renames it over
// path only once it is complete: a file at path is replaced only by a whole
// new document and is left as it was on failure. 0, or kKdxErrFile (the
// temporary file removed).
[[nodiscard]] int32_t KdxSaveNewFileReplacing(KDX_DATA* data, const KDX_NEW_SAVE_OPTIONS& options,
                                              const std::string& path, int32_t expandSize);
