// Files and folders as new entries: plain text in any Japanese encoding (and
// whatever else charset detection recognises), RTF files and RTFD packages.
// An entry export file (kdz) beside an imported file gives the entry its
// title, categories, dates, flags and note back.
//
// These functions use the rich-text layer, so they need a QGuiApplication.
// They add entries and category sets to the document's tables and write the
// content blocks to its file on the calling thread; KDX_ImportFiles and
// KDX_ImportFolder make the bodies of the files ahead on a few worker threads
// of their own (Qt's text classes are reentrant; no widget is involved).
// Saving the tables (KDX_SaveAllData) is the caller's, once after the whole
// import; the document file is flushed to the disk once, before they return.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/document/kdx_data.h"
#include "core/document/records.h"
#include "transfer/transfer_progress.h"
#include "transfer/transfer_status.h"  // kKdxImport*, kKdxConvert*

// The preferences an import uses, read once at its start.
struct KdxImportSettings {
  std::string fontName;                 // "DefaultFontName"
  double fontSize = 0;                  // "DefaultFontSize"
  int32_t expandSize = 0;               // block growth size
  int32_t turn = 0;                     // "DefaultTurn"
  std::string turnWidth;                // "DefaultTurnWidth"
  std::vector<std::string> extensions;  // "Extension"
  int32_t importAll = 0;                // "AllExportFiles"
};
[[nodiscard]] KdxImportSettings KDX_ReadImportSettings();

// The font name a body is laid out in: fontName when this system has that
// family, else empty (the text system's default, which is what a missing
// family gives anyway). Asked once per import instead of once per file.
[[nodiscard]] std::string KDX_UsableFontName(const std::string& fontName);

// A body made from a file, with its plain text and the encoding it was read in.
struct KdxImportedBody {
  std::string body;      // stored body bytes; empty for an empty file
  std::string text;      // plain text of the body, UTF-8
  std::string encoding;  // "UTF-8", "S-JIS", "EUC", "ISO2022JP" or a charset name
  std::string failure;   // why the file could not be read, when that is known
  std::string warning;   // what the user should know about a file that was read
};

// Reads a text file into *out: the encoding detected and tried in order, then
// charset detection; the text laid out in the font. An empty file gives an
// empty body and "S-JIS". Returns the bytes read, or kKdxImportUnreadable,
// kKdxImportTooLarge or kKdxImportUndecodable (nothing decodes it).
[[nodiscard]] int32_t KDX_ImportTextFile(const std::string& path, const std::string& fontName,
                                         double fontSize, KdxImportedBody* out);

// A new entry for the file: EN_InitData with the file's name as title, the
// categories and the wrap settings; en_file_path the full path (both cut at a
// character boundary). en_id is -1 when no identifier is left.
void KDX_PrepareImportEntry(KDX_DATA* data, const std::string& path, const std::string& cat1,
                            const std::string& cat2, const std::string& cat3,
                            const KdxImportSettings& settings, KDX_ENTRY* entry);

// Imports one file or RTFD package into the prepared entry and adds it to the
// document: body, text and note blocks (encrypted as its flags say), the file
// type, the encoding, the record and its category set. All or nothing: on
// failure no block or record is left. The text block ends in its NUL; the
// body of an RTF file or package is its data and one zero byte. Returns
// en_bo_block_size (the bytes read from a text file, the body data's size
// for rich text), or one of the kKdxImport failures.
[[nodiscard]] int32_t KDX_ImportOneFile(KDX_DATA* data, const std::string& path, KDX_ENTRY* entry,
                                        const std::string& fontName, double fontSize,
                                        int32_t expandSize);

// Words for the user for a kKdxImport failure.
[[nodiscard]] std::string KDX_ImportFailureText(int32_t code);

// Imports files with the given categories ("＜すべて＞" becoming "その他"): RTFD
// packages as one file, folders through the folder walk (their files keep
// these categories), other files when they are import targets (the others,
// and FIFOs, sockets and devices, were named and not imported: failures). Failures are
// counted with their reasons (a file that cannot be read says why: permission
// denied, ...); cancelling is polled between files. *importedIds, when given,
// gets the new entries' ids.
[[nodiscard]] KdxTransferResult KDX_ImportFiles(
    KDX_DATA* data, const std::vector<std::string>& paths, const std::string& cat1,
    const std::string& cat2, const std::string& cat3, const KdxImportSettings& settings,
    const KdxTransferProgress& progress, std::vector<int32_t>* importedIds = nullptr);

// Imports the import targets of a folder tree, each with the categories of its
// path below folder (KDXCOMM_GetCats_ByFilePath; a relative folder is taken
// from the current folder, so "." is named after it). Folders that cannot be
// searched count as failed, and what the walk passes over as skipped.
[[nodiscard]] KdxTransferResult KDX_ImportFolder(KDX_DATA* data, const std::string& folder,
                                                 const KdxImportSettings& settings,
                                                 const KdxTransferProgress& progress,
                                                 std::vector<int32_t>* importedIds = nullptr);

// True for a folder that is walked rather than imported as one item: a folder
// that is not an RTFD package.
[[nodiscard]] bool KDX_IsPlainFolder(const std::string& path);

// How a folder among the paths of KDX_ImportPaths gives its files categories.
enum class KdxFolderCategories {
  kFromPath,  // those of each file's path below the folder (KDX_ImportFolder)
  kGiven,     // the categories given for the files (a drop on the entry list)
};

// What a user named or dropped, in the order given: folders that are not RTFD
// packages by the folder rule, everything else (files and RTFD packages) as
// KDX_ImportFiles does with the given categories. The results of every part
// are added up; cancelling ends the whole import. The one import of kdx
// import and of a drop on the document window.
[[nodiscard]] KdxTransferResult KDX_ImportPaths(
    KDX_DATA* data, const std::vector<std::string>& paths, const std::string& cat1,
    const std::string& cat2, const std::string& cat3, KdxFolderCategories folders,
    const KdxImportSettings& settings, const KdxTransferProgress& progress,
    std::vector<int32_t>* importedIds = nullptr);

// Rewrites an entry's body stored as RTF (documents of the previous major
// version) as a body of the current form, encrypted when en_bo_encrypt is 1,
// and sets en_bo_block_size. 0; kKdxConvertNoBody when the body cannot be
// loaded or is empty; kKdxConvertNotRtf when it cannot be read as RTF;
// kKdxConvertNotSaved when the new body cannot be saved.
[[nodiscard]] int32_t KDXCOMM_ConvertOldFileToNewFile(KDX_DATA* data, KDX_ENTRY* entry,
                                                      int32_t expandSize);
