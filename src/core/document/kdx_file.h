// The document file: a REZ container holding the record tables (one tag per
// table) and the entries' content blocks. This unit creates a new document
// file, loads every table into KDX_DATA and saves them back.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/container/rez.h"
#include "core/document/kdx_data.h"
#include "core/document/kdx_status.h"  // kKdxErrFile

// Creates a new, empty document file at path; never overwrites a file there.
// 0, or kKdxErrFile.
[[nodiscard]] int32_t CreateKdxFile(const char* path);

// Loads every record table of the file into data, which KDX_InitKdxData made,
// and makes the entry hash.
// An absent table stays empty. A damaged environment, counter, entry or
// category-set table fails the load (kKdxErrFile, logged), since opening
// without it would lose entries or hand out identifiers twice; a damaged
// title, column, label or file-type table falls back to its defaults and is
// named in *warnings. After the load every counter is above the identifiers
// present; a counter that cannot be raised (or defaults that cannot be made)
// fails the load too. 0, or kKdxErrFile (the tables are then empty).
[[nodiscard]] int32_t KDX_LoadAllData(const char* path, KDX_DATA* data,
                                      std::vector<std::string>* warnings = nullptr);

// Stamps the file information and writes every table, only the records that
// changed since the last load or save. 0, or kKdxErrFile when the file cannot
// be opened, the file information could not be stamped or any table could not
// be written (the first failure is logged).
[[nodiscard]] int32_t KDX_SaveAllData(const char* path, KDX_DATA* data);

// KDX_SaveAllData for a caller that knows which entries it changed since the
// last load or save (the document session): only those entries are digested,
// instead of the whole table, which at 100,000 entries is most of the cost of
// a save. The entries at changedIndices must be the only ones changed in
// place; entries appended at the end since are found by the count. After a
// removal or a reordering, use KDX_SaveAllData, which compares every entry.
[[nodiscard]] int32_t KDX_SaveAfterEntryChanges(const char* path, KDX_DATA* data,
                                                const std::vector<int32_t>& changedIndices);

// What data knows of the file its tables were last loaded from or saved to,
// once every member of the file has moved (as compaction moves them):
// moved(p) is where the member whose header was at p now is, or kRezNoLink
// when it is not known, in which case the next save writes that table whole.
// Null when data knows nothing of its file. Until it is put in place
// (data->fileState), data still speaks of the file as it was.
[[nodiscard]] std::shared_ptr<KdxFileState> KDX_FileStateMoved(
    const KDX_DATA& data, const std::function<uint32_t(uint32_t)>& moved);

// The entry table with the titles of encrypted entries enciphered.
[[nodiscard]] int32_t KDX_SaveEncrptedEntryArray(REZ_FILE* file, VELL_ARY* entryAry);
[[nodiscard]] int32_t KDX_LoadDecryptEntryArray(REZ_FILE* file, VELL_ARY* entryAry);

// What the window does with a file whose tables have loaded.
enum class KdxVersionCheck {
  kOpen,             // the current format
  kConvertFromV2,    // ask, then convert after a backup
  kNewerVersion,     // cannot be opened; *versionText names the version that can
  kNotKardinexFile,  // the file information is missing
};
[[nodiscard]] KdxVersionCheck KDX_CheckFileVersion(const KDX_DATA* data, std::string* versionText);

// Messages of the version check, keys of the localisation table.
inline constexpr const char* kKdxMsgNotKardinexFile =
    "このファイルはKardinexファイルではありません。";
inline constexpr const char* kKdxMsgConvertQuestion =
    "データファイルを新しいバージョンに変換します。\n変換前のファイルは「_backup_v300」"
    "というファイル名で同じフォルダにバックアップされます。\n変換してよろしいですか？";
inline constexpr const char* kKdxMsgNewerVersion =
    "ファイルを開くことができません。\n（このファイルはバージョン %s で開くことができます。）";

// Title encryption: 480 bytes of the title field are enciphered into the 512.
inline constexpr int32_t kKdxEncryptedTitlePlain = 480;

// A new body, text or note container identifier. The first call for a
// document raises those counters above every id in the file's block heads, so
// that none is handed out twice even when the counters were lost. kKdxFailed when no
// identifier can be drawn.
[[nodiscard]] int32_t KDX_DrawBlockId(KDX_DATA* data, uint32_t tag, const char* name);

// Forgets what the last load or save wrote, so that the next save compares
// every record with the file (after the file was changed by other means).
void KDX_ForgetSavedState(KDX_DATA* data);
