#include "gui/app/command_logic.h"

#include "core/content/password_store.h"
#include "core/document/color_label.h"
#include "core/util/vell_log.h"
#include "core/util/vell_time.h"
#include "gui/app/localization.h"

KdxDocumentMenuState KDXCOMM_GetDocumentMenuState(size_t selectedCount, bool busy,
                                                  bool hasFileInfo) {
  if (busy) return {false, false, false};
  return {selectedCount > 0, true, hasFileInfo};
}

int32_t KDXCOMM_SetColorLabel(KdxSession& session, const std::vector<int32_t>& ids, int32_t label) {
  if (label < 0 || label >= kKdxColorLabelCount) return -1;
  for (const int32_t id : ids) {
    std::optional<KDX_ENTRY> entry = session.FindEntry(id);
    if (!entry) {
      Vell_SystemErrorLog("[-1] KDXCOMM_SetColorLabel_fromTableViewSelectedRow[%ld]\r\n",
                          static_cast<long>(id));
      return -1;
    }
    if (entry->en_co_id == label) continue;
    entry->en_co_id = label;
    if (session.UpdateEntry(*entry) != KdxChangeResult::kOk) return -1;
  }
  return 0;
}

namespace {

bool ReadFlag(const VELL_ARY* envAry, const char* key) {
  int32_t value = 0;
  return EV_GetIntValue(envAry, key, &value) == 1 && value != 0;
}

std::string VersionText(const char* chars) {
  char text[64];
  Vell_MakeVersionString(chars, 3, text, sizeof text);
  return text;
}

std::string DateText(const char* chars) {
  char text[32];
  Vell_GetViewDateStringFromDataChars(chars, text);
  return text;
}

}  // namespace

KdxFilePrefs KDXCOMM_ReadFilePrefs(const VELL_ARY* envAry) {
  return {ReadFlag(envAry, kKdxEncryptedTitleKey), ReadFlag(envAry, kKdxEncryptedNoteKey),
          ReadFlag(envAry, kKdxEncryptedBodyKey)};
}

int32_t KDXCOMM_WriteFilePrefs(VELL_ARY* envAry, VELL_ARY* idCounterAry,
                               const KdxFilePrefs& prefs) {
  int32_t failed = 0;
  failed |= EV_SetIntValue(envAry, idCounterAry, kKdxEncryptedTitleKey, prefs.title ? 1 : 0);
  failed |= EV_SetIntValue(envAry, idCounterAry, kKdxEncryptedNoteKey, prefs.note ? 1 : 0);
  failed |= EV_SetIntValue(envAry, idCounterAry, kKdxEncryptedBodyKey, prefs.body ? 1 : 0);
  return failed != 0 ? kKdxFailed : 0;
}

std::vector<std::pair<const char*, std::string>> KDXCOMM_GetFileInfoTexts(
    const KDX_FILE_INFO& info, const char* appVersionChars) {
  return {{"このアプリケーションのバージョン", VersionText(appVersionChars)},
          {"ファイルのバージョン", info.kdxFileVersion},
          {"作成日時", DateText(info.createFileDate)},
          {"作成したアプリケーション", VersionText(info.createAppVersion)},
          {"作成したＯＳ", info.createOS},
          {"更新日時", DateText(info.updateFileDate)},
          {"更新したアプリケーション", VersionText(info.updateAppVersion)},
          {"更新したＯＳ", info.updateOS}};
}

KdxPasswordStore KDXCOMM_StorePassword(KdxSession& session, const std::string& password) {
  KDX_DATA* settings = session.EditSettings();
  const int32_t status =
      KDXCOMM_SetPassword(settings->envAry, settings->idCounterAry, password.c_str());
  if (status != 0) {
    Vell_SystemErrorLog("[-1] PasswordSetting(%ld) \n", static_cast<long>(status));
    return KdxPasswordStore::kNotStored;
  }
  // A failed save reads the tables back as the file holds them: the old
  // password stays, in the file and in memory.
  return session.Save() == 0 ? KdxPasswordStore::kStored : KdxPasswordStore::kNotSaved;
}

std::string KdxEncryptReportText(bool encrypt, int64_t failed) {
  if (failed <= 0) return {};
  return KdxFillFormat(KdxTextUtf8(encrypt ? "%ld 件の文章を暗号化できませんでした。"
                                           : "%ld 件の文章を暗号解除できませんでした。"),
                       {std::to_string(failed)});
}

std::string KdxCompactReportText(KdxCompactResult result, const KdxCompactReport& report) {
  const char* unchanged = "書類は元のままです。";
  switch (result) {
    case KdxCompactResult::kOk:
      return KdxFillFormat(
          KdxTextUtf8(
              "書類を圧縮しました。%ld バイトから %ld バイトになり、%ld バイト減りました。"),
          {std::to_string(report.sizeBefore), std::to_string(report.sizeAfter),
           std::to_string(report.reclaimed())});
    case KdxCompactResult::kNotWritable:
      return KdxTextUtf8("この書類は書き込めないため、圧縮できませんでした。");
    case KdxCompactResult::kUnsaved:
      return KdxTextUtf8("保存されていない変更があるため、書類を圧縮できませんでした。");
    case KdxCompactResult::kUnreadable:
      return KdxTextUtf8("書類の一部を読み込めないため、圧縮できませんでした。") +
             KdxTextUtf8(unchanged);
    case KdxCompactResult::kCannotWrite:
      return KdxTextUtf8("圧縮した書類を書き込めませんでした。") + KdxTextUtf8(unchanged);
    case KdxCompactResult::kCopyDiffers:
      return KdxTextUtf8("圧縮した書類が元の書類と一致しませんでした。") + KdxTextUtf8(unchanged);
    case KdxCompactResult::kCannotReplace:
      return KdxTextUtf8("圧縮した書類を元の書類と置き換えられませんでした。") +
             KdxTextUtf8(unchanged);
    case KdxCompactResult::kOtherLinks:
      return KdxTextUtf8("この書類には別の名前（ハードリンク）があるため、圧縮できませんでした。") +
             KdxTextUtf8(unchanged);
    case KdxCompactResult::kReopenFailed:
      return KdxTextUtf8("書類を圧縮しましたが、開き直すことができませんでした。");
  }
  return KdxTextUtf8("書類を圧縮できませんでした。");
}
