// Export files of version 2 of the program: Shift JIS text, CR line ends, the
// body first and then fourteen tag lines ("\r【文章名】 title" ...) in a fixed
// order. Each file becomes one entry with its fields, note and body.
//
// Like the file import, these need the rich-text layer (a QGuiApplication),
// and leave saving the tables to the caller.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/document/kdx_data.h"
#include "core/document/records.h"
#include "transfer/file_import.h"
#include "transfer/transfer_progress.h"
#include "transfer/transfer_status.h"  // kKdxErrFile

inline constexpr int32_t kKdxV2TagCount = 14;

// The values of one export file, as UTF-8.
struct KdxV2Export {
  std::string body;  // the text before the first tag line, CR line ends kept
  std::string title, cat1, cat2, cat3, note;
  int32_t turn = 0;       // en_turn: wrap 0 -> 2, 1 -> 1, 2 -> 3
  std::string turnWidth;  // decimal text, empty when 29 or less (keep the default)
  int32_t label = 0;      // 0 to 7; anything else reads as 0
  std::string created, updated, viewed, used;  // 14-digit dates as written
};

// Results of KDX_ParseV2Export.
enum class KdxV2Parse {
  ok,
  notShiftJis,  // the bytes are not Shift JIS text
  missingTag,   // a tag line is missing
  badOrder,     // the tag lines are not in their order
  badValue,     // a value is too long, holds a CR, or the wrap mode is not 0, 1 or 2
};

// Parses the bytes of an export file. The limits leave room for the NUL of
// each field (title 511 bytes, categories 127, keyword 255, the numbers 10,
// dates 14, version 4). *out is complete only for ok. Nothing is logged.
[[nodiscard]] KdxV2Parse KDX_ParseV2Export(std::string_view bytes, KdxV2Export* out);

// 1 when the file holds the Shift JIS form of "【バージョン】 0200", else 0 (also
// for an unreadable or empty file, or one above the import size limit).
[[nodiscard]] int32_t KDX_IsV2ExportFile(const std::string& path);

// Parses the file into the prepared entry and adds it to the document with
// its text block (the body as written, and its NUL), note block and body
// block (the body laid out in the font), made in that order, unencrypted;
// en_bo_block_size is the body text's length. All or nothing. 1, or 0 with
// the reason logged.
[[nodiscard]] int32_t KDX_ImportV2ExportFile(KDX_DATA* data, const std::string& path,
                                             const std::string& fontName, double fontSize,
                                             int32_t expandSize, KDX_ENTRY* entry);

// One file as a new entry with the file type "v2filetype" and its category
// set registered; a category the file leaves empty is the given one. 0, or
// kKdxErrFile when the file is not a version-2 export file, cannot be parsed or
// stored. *entryId, when given, gets the new entry's identifier.
[[nodiscard]] int32_t KDX_ImportOneV2File(KDX_DATA* data, const std::string& path,
                                          const std::string& cat1, const std::string& cat2,
                                          const std::string& cat3,
                                          const KdxImportSettings& settings,
                                          int32_t* entryId = nullptr);

// Walks folder (every non-binary file), and imports each file with the
// categories of its path; files that are not version-2 export files count as
// failed.
[[nodiscard]] KdxTransferResult KDX_ImportV2Folder(KDX_DATA* data, const std::string& folder,
                                                   const KdxImportSettings& settings,
                                                   const KdxTransferProgress& progress,
                                                   std::vector<int32_t>* importedIds = nullptr);
