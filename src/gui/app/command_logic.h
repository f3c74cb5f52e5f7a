// The decisions behind the document window's commands, as plain functions:
// which commands are enabled, setting the label of entries, the document
// settings flags, and the lines of the document information.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/document/env_table.h"
#include "core/session/kdx_session.h"

// Which of the document window's commands are enabled.
struct KdxDocumentMenuState {
  bool selectionCommands;  // labels 0-7, 分類の変更, 暗号化, 暗号解除: need a selected entry
  // ラベルの編集, 分類名の編集, 一覧表示オプション, 書類の設定, 新規文章, パスワード,
  // the search field's commands, closing the entry windows, compaction
  bool documentCommands;
  bool fileInfo;  // 書類の情報: only when the file information exists
};
// Everything is off while a worker has the document.
[[nodiscard]] KdxDocumentMenuState KDXCOMM_GetDocumentMenuState(size_t selectedCount, bool busy,
                                                                bool hasFileInfo);

// Gives every entry of ids the label (0 to 7). An identifier without an entry
// is logged and ends the run there: -1 (entries before it keep their new
// label). -1 for a label out of range, with nothing changed. Not saved.
[[nodiscard]] int32_t KDXCOMM_SetColorLabel(KdxSession& session, const std::vector<int32_t>& ids,
                                            int32_t label);

// The document settings dialog's three flags, stored in the environment.
struct KdxFilePrefs {
  bool title = false;
  bool note = false;
  bool body = false;
};
inline constexpr char kKdxEncryptedTitleKey[] = "IsEncrptedTitle";
inline constexpr char kKdxEncryptedNoteKey[] = "IsEncrptedNote";
inline constexpr char kKdxEncryptedBodyKey[] = "IsEncrptedBody";
// An absent or zero value reads as off.
[[nodiscard]] KdxFilePrefs KDXCOMM_ReadFilePrefs(const VELL_ARY* envAry);
// 0, or kKdxFailed when a value could not be stored.
[[nodiscard]] int32_t KDXCOMM_WriteFilePrefs(VELL_ARY* envAry, VELL_ARY* idCounterAry,
                                             const KdxFilePrefs& prefs);

// The document information as the dialog shows it: (label key, value) pairs,
// the label to be localised. appVersionChars: this program's version
// characters ("0361138").
[[nodiscard]] std::vector<std::pair<const char*, std::string>> KDXCOMM_GetFileInfoTexts(
    const KDX_FILE_INFO& info, const char* appVersionChars);

// The password setting: stores the accepted password (empty removes the
// protection) and saves the tables at once.
enum class KdxPasswordStore {
  kStored,
  kNotStored,  // the value could not be made or stored; logged, the old one kept
  kNotSaved,   // the save failed; the document keeps the password it had
};
[[nodiscard]] KdxPasswordStore KDXCOMM_StorePassword(KdxSession& session,
                                                     const std::string& password);

// What the user is told after encrypting or decrypting entries: empty when
// every entry was switched.
[[nodiscard]] std::string KdxEncryptReportText(bool encrypt, int64_t failed);

// What the user is told after compacting the document.
[[nodiscard]] std::string KdxCompactReportText(KdxCompactResult result,
                                               const KdxCompactReport& report);
