#include "core/session/entry_commands.h"

#include <climits>

#include "core/document/env_table.h"
#include "core/prefs/pref_file.h"
#include "core/util/vell_log.h"
#include "core/util/vell_system.h"

KdxNewEntryPrefs KDXCOMM_ReadNewEntryPrefs() {
  KdxNewEntryPrefs prefs;
  int32_t titleType = 0;
  if (PREF_ReadInteger("DefaultTitleType", &titleType)) prefs.titleType = titleType;
  char title[512];
  // The default of a missing preference in the user's language.
  prefs.defaultTitle =
      PREF_ReadDefaultTitle(sizeof title, title) ? title : Vell_LocalizedString(kPrefDefaultTitle);
  prefs.consecutiveNumber = PREF_ReadIsTitleConsecutiveNumber() != 0;
  prefs.turn = PREF_ReadDefaultTurn();
  char turnWidth[kPrefTurnWidthSize];
  PREF_ReadDefaultTurnWidth(turnWidth);
  prefs.turnWidth = turnWidth;
  return prefs;
}

std::string KDXCOMM_MakeNewEntryTitle(const KdxNewEntryPrefs& prefs, const VELL_ARY* envAry,
                                      int32_t* number) {
  *number = -1;
  if (prefs.titleType == 1) return {};
  const std::string& title = prefs.defaultTitle;
  if (!prefs.consecutiveNumber) return title;
  int32_t last = 0;
  if (EV_GetIntValue(envAry, kKdxConsecutiveNumberKey, &last) != 1 || last < 0) last = 0;
  // At the end of the range the number stays: a repeated title, never a negative one.
  *number = last == INT32_MAX ? last : last + 1;
  return title + std::to_string(*number);
}

KdxChangeResult KDXCOMM_CreateNewEntry(KdxSession& session, const KdxNewEntryPrefs& prefs,
                                       const std::array<std::string, 3>& categories,
                                       KDX_ENTRY* created) {
  if (!session.isOpen()) return KdxChangeResult::kFailed;
  int32_t number = -1;
  KdxNewEntry fields;
  fields.title = KDXCOMM_MakeNewEntryTitle(prefs, session.data().envAry, &number);
  fields.cat1 = categories[0];
  fields.cat2 = categories[1];
  fields.cat3 = categories[2];
  fields.turn = prefs.turn;
  fields.turnWidth = prefs.turnWidth;
  KDX_ENTRY made{};
  const KdxChangeResult result = session.CreateEntry(fields, &made);
  if (result != KdxChangeResult::kOk) return result;
  if (number >= 0) {
    KDX_DATA* settings = session.EditSettings();
    if (EV_SetIntValue(settings->envAry, settings->idCounterAry, kKdxConsecutiveNumberKey,
                       number) != 0) {
      Vell_SystemErrorLog("[-1] KDXCOMM_CreateNewEntry[%d]\r\n", number);
    }
  }
  if (session.SetEntrySelection({made.en_id}) != 0) return KdxChangeResult::kFailed;
  made.en_is_select_entrylist = 1;
  if (created != nullptr) *created = made;
  return KdxChangeResult::kOk;
}

KdxEncryptEntriesResult KDXCOMM_SetEncryptEntries(KdxSession& session,
                                                  const std::vector<int32_t>& ids, bool encrypt,
                                                  const KdxEncryptProgress& progress) {
  KdxEncryptEntriesResult result;
  const auto total = static_cast<int64_t>(ids.size());
  if (ids.empty()) return result;
  // A failed switch drops every change not saved: save those first.
  if (!session.writable() || session.Save() != 0) {
    result.failed = total;
    result.failedIds = ids;
    return result;
  }
  for (int64_t done = 0; done < total; ++done) {
    if (progress.cancelled && progress.cancelled()) {
      result.cancelled = true;
      break;
    }
    const int32_t id = ids[static_cast<size_t>(done)];
    const std::optional<KDX_ENTRY> entry = session.FindEntry(id);
    if (progress.item) progress.item(entry ? entry->en_title : std::string(), done, total);
    switch (entry ? session.SetEncrypted(id, encrypt) : KdxChangeResult::kNoSuchEntry) {
      case KdxChangeResult::kOk:
        ++result.switched;
        break;
      case KdxChangeResult::kUnchanged:
        ++result.unchanged;
        break;
      default:
        ++result.failed;
        result.failedIds.push_back(id);
        break;
    }
  }
  return result;
}
