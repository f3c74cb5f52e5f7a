#include "core/listing/category.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/document/entry_table.h"
#include "core/document/env_table.h"
#include "core/listing/column_kinds.h"
#include "core/util/vell_log.h"
#include "core/util/vell_string.h"
#include "core/util/vell_system.h"
#include "core/util/vell_time.h"
#include "core/util/vell_utf8.h"

using kdx_listing::kColumnKinds;
using kdx_listing::TextAt;

namespace {

constexpr size_t kNameMax = kKdxCategoryNameSize - 1;

std::string Localized(const char* key) {
  const char* text = Vell_LocalizedString(key);
  return text != nullptr ? text : key;
}

std::string CutName(std::string_view text) {
  return std::string(text.substr(0, Vell_Utf8CutLength(text, kNameMax)));
}

bool IsAllStored(const char* name) {
  return name != nullptr && std::strcmp(name, kKdxCategoryAll) == 0;
}

const char* CatsetName(const KDX_CATSET& c, int32_t level) {
  return level == 1 ? c.ct_cat1_name : level == 2 ? c.ct_cat2_name : c.ct_cat3_name;
}

char* EntryName(KDX_ENTRY& e, int32_t level) {
  return level == 1 ? e.en_cat1_name : level == 2 ? e.en_cat2_name : e.en_cat3_name;
}

// A level's name in a stored entry record.
std::string_view StoredEntryName(const uint8_t* stored, int32_t level) {
  const auto& kind = kColumnKinds[2 + level];
  return TextAt(stored, kind.storedOffset, kind.width);
}

VELL_ARY* LevelList(KDX_DATA* data, int32_t level) {
  return level == 1 ? data->cat1Ary : level == 2 ? data->cat2Ary : data->cat3Ary;
}

// A selection name where a level must be filled: All becomes その他.
std::string FilledName(const std::string& name) {
  return IsAllStored(name.c_str()) ? kKdxCategoryOther : name;
}

[[nodiscard]] int32_t QueryByLevel(int32_t level, const char* name, const VELL_ARY* source,
                                   VELL_ARY* target) {
  const bool all = IsAllStored(name);
  const int32_t count = Vell_Ary_GetSize(source);
  for (int32_t i = 0; i < count; ++i) {
    const auto* stored = static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(source, i));
    KDX_CATSET c;
    KDX_GetKdxCatset(stored, &c);
    if (!all && (name == nullptr || std::strcmp(CatsetName(c, level), name) != 0)) continue;
    if (Vell_Ary_Add(target, stored) != 0) return kKdxFailed;
  }
  return 0;
}

// Distinct names of `level` among the sets matching the two other levels.
[[nodiscard]] int32_t QueryLevel(const VELL_ARY* catSetAry, int32_t level, const char* a,
                                 const char* b, VELL_ARY* names) {
  Vell_Ary_RemoveAll(names);
  const int32_t first = level == 1 ? 2 : 1;
  const int32_t second = level == 3 ? 2 : 3;
  VellAryPtr scratch1(Vell_Ary_Init(kKdxCatsetSize, 0, 0));
  VellAryPtr scratch2(Vell_Ary_Init(kKdxCatsetSize, 0, 0));
  if (!scratch1 || !scratch2 || QueryByLevel(first, a, catSetAry, scratch1.get()) != 0 ||
      QueryByLevel(second, b, scratch1.get(), scratch2.get()) != 0)
    return kKdxFailed;
  if (level == 1) CT_GetDistinctCat1Array(scratch2.get(), names);
  if (level == 2) CT_GetDistinctCat2Array(scratch2.get(), names);
  if (level == 3) CT_GetDistinctCat3Array(scratch2.get(), names);
  return 0;
}

int CompareNameRecords(const void* a, const void* b) {
  return CT_CategorySortFunc(static_cast<const char*>(a), static_cast<const char*>(b));
}

[[nodiscard]] bool AddTriple(KDX_DATA* data, const char* n1, const char* n2, const char* n3) {
  return CT_SetData(data->catSetAry, data->idCounterAry, n1, n2, n3) >= 0;
}

}  // namespace

std::string KDXCOMM_CategoryMessage(KdxCategoryResult result, std::string_view name) {
  const char* key = nullptr;
  switch (result) {
    case KdxCategoryResult::kEmpty:
      key = "分類名を入力してください。";
      break;
    case KdxCategoryResult::kAllNotAllowed:
      key = "%s は追加できません。";
      break;
    case KdxCategoryResult::kAlreadyUsed:
      key = "「%s」はすでに使用されています。別の名前を入力してください。";
      break;
    case KdxCategoryResult::kNotDeletable:
      key = "＜すべて＞ と その他 は削除できません。";
      break;
    case KdxCategoryResult::kUsedByEntry:
      key = "%s は削除できません。";
      break;
    case KdxCategoryResult::kConfirmDelete:
      key = "%s を削除してもよろしいですか？";
      break;
    case KdxCategoryResult::kNotACategory:
      key = "%sは分類名に使用できません。";
      break;
    case KdxCategoryResult::kReservedTitle:
      key = "予約されている名前は使用できません。別の名前を入力してください。";
      break;
    default:
      return {};
  }
  return Vell_ReplaceString(Localized(key), "%s", name);
}

bool KDXCOMM_isCategoryAll(const char* name) {
  return name != nullptr && (std::strcmp(name, kKdxCategoryAll) == 0 ||
                             std::strcmp(name, kKdxCategoryAllEnglish) == 0);
}

bool KDXCOMM_isCategoryOther(const char* name) {
  return name != nullptr && (std::strcmp(name, kKdxCategoryOther) == 0 ||
                             std::strcmp(name, kKdxCategoryOtherEnglish) == 0);
}

std::string KDXCOMM_GetCatDisplayName(std::string_view name) {
  if (name == kKdxCategoryAll) return Localized(kKdxCategoryAll);
  if (name == kKdxCategoryOther) return Localized(kKdxCategoryOther);
  return std::string(name);
}

std::string KDXCOMM_GetCatComboSaveString(std::string_view text) {
  std::string name = CutName(text);
  return name == Localized(kKdxCategoryOther) ? kKdxCategoryOther : name;
}

bool KDXCOMM_IsCategoryEditable(const char* name) {
  return name != nullptr && !KDXCOMM_isCategoryAll(name) && !KDXCOMM_isCategoryOther(name);
}

int32_t CT_CategorySortFunc(const char* a, const char* b) {
  const bool aOther = std::strcmp(a, kKdxCategoryOther) == 0;
  const bool bOther = std::strcmp(b, kKdxCategoryOther) == 0;
  if (aOther || bOther) return aOther == bOther ? 0 : aOther ? 1 : -1;
  const int c = std::strcmp(a, b);
  return (c > 0) - (c < 0);
}

void KDXCOMM_SortCategoryNames(VELL_ARY* names) { Vell_Ary_QuickSort(names, CompareNameRecords); }

int32_t CT_QueryKdxCats_ByCat1(const char* name, const VELL_ARY* source, VELL_ARY* target) {
  return QueryByLevel(1, name, source, target);
}
int32_t CT_QueryKdxCats_ByCat2(const char* name, const VELL_ARY* source, VELL_ARY* target) {
  return QueryByLevel(2, name, source, target);
}
int32_t CT_QueryKdxCats_ByCat3(const char* name, const VELL_ARY* source, VELL_ARY* target) {
  return QueryByLevel(3, name, source, target);
}

int32_t KDXCOMM_QueryCategory1_ByCat2NameAndCat3Name(const VELL_ARY* catSetAry, const char* cat2,
                                                     const char* cat3, VELL_ARY* names) {
  return QueryLevel(catSetAry, 1, cat2, cat3, names);
}
int32_t KDXCOMM_QueryCategory2_ByCat1NameAndCat3Name(const VELL_ARY* catSetAry, const char* cat1,
                                                     const char* cat3, VELL_ARY* names) {
  return QueryLevel(catSetAry, 2, cat1, cat3, names);
}
int32_t KDXCOMM_QueryCategory3_ByCat1NameAndCat2Name(const VELL_ARY* catSetAry, const char* cat1,
                                                     const char* cat2, VELL_ARY* names) {
  return QueryLevel(catSetAry, 3, cat1, cat2, names);
}

int32_t KDXCOMM_MakeBrowserLists(KDX_DATA* data, const KdxCategorySelection& selection) {
  const auto& s = selection.name;
  const int32_t status = KDXCOMM_QueryCategory1_ByCat2NameAndCat3Name(data->catSetAry, s[1].c_str(),
                                                                      s[2].c_str(), data->cat1Ary) |
                         KDXCOMM_QueryCategory2_ByCat1NameAndCat3Name(data->catSetAry, s[0].c_str(),
                                                                      s[2].c_str(), data->cat2Ary) |
                         KDXCOMM_QueryCategory3_ByCat1NameAndCat2Name(data->catSetAry, s[0].c_str(),
                                                                      s[1].c_str(), data->cat3Ary);
  for (VELL_ARY* names : {data->cat1Ary, data->cat2Ary, data->cat3Ary})
    KDXCOMM_SortCategoryNames(names);
  return status == 0 ? 0 : kKdxFailed;
}

int32_t KDXCOMM_ResolveCategorySelection(const VELL_ARY* catSetAry,
                                         KdxCategorySelection* selection) {
  VellAryPtr matching[3];
  const VELL_ARY* source = catSetAry;
  int32_t fellBack = 0;
  for (int32_t l = 0; l < 3; ++l) {
    matching[l].reset(Vell_Ary_Init(kKdxCatsetSize, 0, 0));
    std::string& name = selection->name[l];
    if (!matching[l] || QueryByLevel(l + 1, name.c_str(), source, matching[l].get()) != 0)
      return kKdxFailed;
    if (Vell_Ary_GetSize(matching[l].get()) == 0 && !IsAllStored(name.c_str())) {
      name = kKdxCategoryAll;
      fellBack = 1;
      continue;  // the next level narrows the same sets
    }
    source = matching[l].get();
  }
  return fellBack;
}

void KDXCOMM_MakeCatArrays(KDX_DATA* data) {
  CT_GetDistinctCat1Array(data->catSetAry, data->cat1Ary);
  CT_GetDistinctCat2Array(data->catSetAry, data->cat2Ary);
  CT_GetDistinctCat3Array(data->catSetAry, data->cat3Ary);
  for (VELL_ARY* names : {data->cat1Ary, data->cat2Ary, data->cat3Ary})
    KDXCOMM_SortCategoryNames(names);
}

int32_t KDXCOMM_QueryEntrys(const char* cat1, const char* cat2, const char* cat3,
                            const VELL_ARY* entryAry, std::vector<int32_t>* showIDAry,
                            const std::vector<uint32_t>* order) {
  showIDAry->clear();
  const char* wanted[3] = {cat1, cat2, cat3};
  std::string_view match[3];
  bool all[3];
  for (int32_t l = 0; l < 3; ++l) {
    all[l] = IsAllStored(wanted[l]);
    match[l] = wanted[l] != nullptr ? wanted[l] : "";
  }
  const int32_t count = Vell_Ary_GetSize(entryAry);
  if (order != nullptr && order->size() != static_cast<size_t>(count)) order = nullptr;
  std::vector<int32_t>& ids = *showIDAry;
  for (int32_t n = 0; n < count; ++n) {
    const int32_t i = order != nullptr ? static_cast<int32_t>((*order)[n]) : n;
    const auto* stored = static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(entryAry, i));
    bool keep = true;
    for (int32_t l = 0; l < 3 && keep; ++l)
      keep = all[l] || StoredEntryName(stored, l + 1) == match[l];
    if (keep) ids.push_back(kdx_listing::StoredInt(stored, 0));
  }
  return 0;
}

int32_t KDXCOMM_GetCatListRowCount(const VELL_ARY* names) { return Vell_Ary_GetSize(names) + 1; }

std::string GetCatListBoxSelectedItemText(const VELL_ARY* names, int32_t row) {
  if (names == nullptr || row <= 0 || row > Vell_Ary_GetSize(names)) return kKdxCategoryAll;
  const char* record = static_cast<const char*>(Vell_Ary_GetDataPtr(names, row - 1));
  return std::string(record, strnlen(record, kNameMax));
}

std::string GetDisplayCatName_FromCatIndex(const VELL_ARY* names, int32_t row) {
  return KDXCOMM_GetCatDisplayName(GetCatListBoxSelectedItemText(names, row));
}

int32_t GetCategoryIndex_ByName(const VELL_ARY* names, const char* name) {
  if (name == nullptr) return -1;
  const int32_t count = Vell_Ary_GetSize(names);
  for (int32_t i = 0; i < count; ++i) {
    const char* record = static_cast<const char*>(Vell_Ary_GetDataPtr(names, i));
    if (std::string_view(record, strnlen(record, kNameMax)) == name) return i;
  }
  return -1;
}

int32_t KDXCOMM_GetCatListRow(const VELL_ARY* names, const char* name) {
  return GetCategoryIndex_ByName(names, name) + 1;
}

int32_t KDXCOMM_SaveCategorySelections(KDX_DATA* data, const KdxCategorySelection& selection) {
  for (int32_t l = 0; l < 3; ++l) {
    if (EV_SetTextValue(data->envAry, data->idCounterAry, kKdxCategorySelectionKeywords[l],
                        selection.name[l].c_str()) != 0)
      return kKdxFailed;
  }
  return 0;
}

KdxCategorySelection KDXCOMM_LoadCategorySelections(const KDX_DATA& data) {
  KdxCategorySelection selection;
  for (int32_t l = 0; l < 3; ++l) {
    char value[kKdxEnvValueSize] = {};
    if (EV_GetTextValue(data.envAry, kKdxCategorySelectionKeywords[l], value, sizeof value) == 1 &&
        value[0] != '\0')
      selection.name[l] = value;
  }
  return selection;
}

KdxCategoryResult KDXCOMM_CheckNewCategoryName(const VELL_ARY* catSetAry, const char* name,
                                               int32_t level) {
  if (name == nullptr || name[0] == '\0') return KdxCategoryResult::kEmpty;
  if (KDXCOMM_isCategoryAll(name)) return KdxCategoryResult::kAllNotAllowed;
  VellAryPtr names(Vell_Ary_Init(kKdxCategoryNameSize, 0, 0));
  if (!names) return KdxCategoryResult::kFailed;
  if (level == 1) CT_GetDistinctCat1Array(catSetAry, names.get());
  if (level == 2) CT_GetDistinctCat2Array(catSetAry, names.get());
  if (level == 3) CT_GetDistinctCat3Array(catSetAry, names.get());
  return CT_IsContainsCategory(names.get(), CutName(name).c_str()) == 1
             ? KdxCategoryResult::kAlreadyUsed
             : KdxCategoryResult::kOk;
}

KdxCategoryResult KDXCOMM_AddCategory(KDX_DATA* data, const char* name, int32_t level,
                                      const KdxCategorySelection& selection) {
  if (level < 1 || level > 3) return KdxCategoryResult::kFailed;
  const KdxCategoryResult check = KDXCOMM_CheckNewCategoryName(data->catSetAry, name, level);
  if (check != KdxCategoryResult::kOk) return check;
  std::array<std::string, 3> triple;
  for (int32_t l = 0; l < 3; ++l) triple[l] = FilledName(selection.name[l]);
  triple[level - 1] = CutName(name);
  return AddTriple(data, triple[0].c_str(), triple[1].c_str(), triple[2].c_str())
             ? KdxCategoryResult::kOk
             : KdxCategoryResult::kFailed;
}

KdxCategoryResult KDXCOMM_AlertCategoryConfirmation(const KDX_DATA& data, const char* name,
                                                    int32_t level) {
  if (!KDXCOMM_IsCategoryEditable(name)) return KdxCategoryResult::kNotDeletable;
  if (EN_IsUsedCategory(data.entryAry, name, level) == 1) return KdxCategoryResult::kUsedByEntry;
  return KdxCategoryResult::kConfirmDelete;
}

KdxCategoryResult KDXCOMM_DeleteCategory(KDX_DATA* data, const char* name, int32_t level) {
  const KdxCategoryResult check = KDXCOMM_AlertCategoryConfirmation(*data, name, level);
  if (check != KdxCategoryResult::kConfirmDelete) return check;
  CT_Remove(data->catSetAry, name, level);
  return KdxCategoryResult::kOk;
}

KdxCategoryResult KDXCOMM_RenameCategory(KDX_DATA* data, int32_t level, const char* newText,
                                         KdxCategorySelection* selection) {
  if (level < 1 || level > 3 || newText == nullptr) return KdxCategoryResult::kUnchanged;
  const std::string oldName = selection->name[level - 1];
  const std::string newName = CutName(newText);
  if (!KDXCOMM_IsCategoryEditable(oldName.c_str()) || newName.empty() || newName == oldName)
    return KdxCategoryResult::kUnchanged;
  if (CT_IsContainsCategory(LevelList(data, level), newName.c_str()) == 1)
    return KdxCategoryResult::kAlreadyUsed;

  // The sets the browser shows under the old name (those matching the other
  // two selections) are renamed; sets outside the selection are left alone,
  // so entries elsewhere that keep the old name keep their sets.
  auto inSelection = [&](const KDX_CATSET& c) {
    for (int32_t l = 1; l <= 3; ++l) {
      const std::string& s = l == level ? oldName : selection->name[l - 1];
      if (!IsAllStored(s.c_str()) && s != CatsetName(c, l)) return false;
    }
    return true;
  };
  std::vector<std::array<std::string, 3>> renamed;
  for (int32_t i = Vell_Ary_GetSize(data->catSetAry) - 1; i >= 0; --i) {
    KDX_CATSET c;
    CT_GetData(data->catSetAry, i, &c);
    if (!inSelection(c)) continue;
    std::array<std::string, 3> t{c.ct_cat1_name, c.ct_cat2_name, c.ct_cat3_name};
    t[level - 1] = newName;
    renamed.push_back(t);
    Vell_Ary_Remove(data->catSetAry, i);
  }
  bool ok = true;
  for (auto it = renamed.rbegin(); it != renamed.rend(); ++it)
    ok &= AddTriple(data, (*it)[0].c_str(), (*it)[1].c_str(), (*it)[2].c_str());

  // The shown entries take the new name. A missing one is skipped, not a
  // reason to leave the rest half renamed.
  int32_t entriesRenamed = 0;
  for (int32_t id : data->showIDAry) {
    KDX_ENTRY e;
    const int32_t index = KDX_FindEntry(data, id, &e);
    if (index < 0) {
      Vell_SystemErrorLog("[-1] KDXCOMM_UpdateShowEntryCategory[%ld]\r\n", static_cast<long>(id));
      continue;
    }
    if (oldName != EntryName(e, level)) continue;
    Vell_Utf8CopyCut(EntryName(e, level), kKdxCategoryNameSize, newName);
    EN_SetData_ByIndex(data->entryAry, index, e);
    ok &= AddTriple(data, e.en_cat1_name, e.en_cat2_name, e.en_cat3_name);
    ++entriesRenamed;
  }

  // Entries that keep the old name keep a set for their triple.
  const int32_t count = Vell_Ary_GetSize(data->entryAry);
  for (int32_t i = 0; i < count; ++i) {
    const auto* stored = static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(data->entryAry, i));
    if (StoredEntryName(stored, level) != oldName) continue;
    KDX_ENTRY e;
    KDX_GetKdxEntry(stored, &e);
    ok &= AddTriple(data, e.en_cat1_name, e.en_cat2_name, e.en_cat3_name);
  }

  if (renamed.empty() && entriesRenamed == 0) {
    std::array<std::string, 3> t;
    for (int32_t l = 0; l < 3; ++l) t[l] = FilledName(selection->name[l]);
    t[level - 1] = newName;
    ok &= AddTriple(data, t[0].c_str(), t[1].c_str(), t[2].c_str());
  }
  selection->name[level - 1] = newName;
  return ok ? KdxCategoryResult::kOk : KdxCategoryResult::kFailed;
}

std::vector<std::string> KDXCOMM_GetLevelCategoryNames(const VELL_ARY* catSetAry, int32_t level) {
  std::vector<std::string> out;
  VellAryPtr names(Vell_Ary_Init(kKdxCategoryNameSize, 0, 0));
  if (!names || level < 1 || level > 3) return out;
  if (level == 1) CT_GetDistinctCat1Array(catSetAry, names.get());
  if (level == 2) CT_GetDistinctCat2Array(catSetAry, names.get());
  if (level == 3) CT_GetDistinctCat3Array(catSetAry, names.get());
  KDXCOMM_SortCategoryNames(names.get());
  for (int32_t row = 1; row < KDXCOMM_GetCatListRowCount(names.get()); ++row)
    out.push_back(GetCatListBoxSelectedItemText(names.get(), row));
  return out;
}

std::vector<std::string> KDXCOMM_GetChangeCategoryChoices(const VELL_ARY* catSetAry,
                                                          int32_t level) {
  std::vector<std::string> choices{kKdxCategoryNoChange};
  for (std::string& name : KDXCOMM_GetLevelCategoryNames(catSetAry, level))
    choices.push_back(std::move(name));
  return choices;
}

std::array<std::string, 3> KDXCOMM_GetCommonCategories(const KDX_DATA& data,
                                                       const std::vector<int32_t>& ids) {
  std::array<std::string, 3> common;
  bool first = true;
  for (int32_t id : ids) {
    KDX_ENTRY e;
    if (KDX_FindEntry(&data, id, &e) < 0) continue;
    for (int32_t l = 0; l < 3; ++l) {
      const char* name = EntryName(e, l + 1);
      if (first)
        common[l] = name;
      else if (common[l] != name)
        common[l] = kKdxCategoryNoChange;
    }
    first = false;
  }
  if (first) common.fill(kKdxCategoryNoChange);
  return common;
}

KdxCategoryResult KDXCOMM_CheckChangeCategoryTexts(const std::array<std::string, 3>& texts,
                                                   std::string* refused) {
  for (const std::string& text : texts) {
    if (KDXCOMM_isCategoryAll(text.c_str())) {
      if (refused != nullptr) *refused = text;
      return KdxCategoryResult::kNotACategory;
    }
  }
  return KdxCategoryResult::kOk;
}

KdxCategoryResult KDXCOMM_ChangeEntryCategories(KDX_DATA* data, const std::vector<int32_t>& ids,
                                                const std::array<std::string, 3>& texts,
                                                std::string* refused) {
  const KdxCategoryResult check = KDXCOMM_CheckChangeCategoryTexts(texts, refused);
  if (check != KdxCategoryResult::kOk) return check;
  bool ok = true;
  for (int32_t id : ids) {
    KDX_ENTRY e;
    const int32_t index = KDX_FindEntry(data, id, &e);
    if (index < 0) {
      Vell_SystemErrorLog("[-1] KDXCOMM_ChangeEntryCategories[%ld]\r\n", static_cast<long>(id));
      continue;
    }
    for (int32_t l = 0; l < 3; ++l) {
      if (texts[l] == kKdxCategoryNoChange) continue;
      // An empty box means the default category, as in the entry window.
      const std::string name = texts[l].empty() ? kKdxCategoryOther : CutName(texts[l]);
      Vell_Utf8CopyCut(EntryName(e, l + 1), kKdxCategoryNameSize, name);
    }
    EN_SetData_ByIndex(data->entryAry, index, e);
    ok &= AddTriple(data, e.en_cat1_name, e.en_cat2_name, e.en_cat3_name);
  }
  return ok ? KdxCategoryResult::kOk : KdxCategoryResult::kFailed;
}

int32_t IsTheReservedTitle(const char* title) {
  static constexpr const char* kReserved[] = {"文章名",
                                              "ＩＤ",
                                              "作成日時",
                                              "更新日時",
                                              "最後に開いた日時",
                                              "最後に使った日時",
                                              "ラベル",
                                              "本文のサイズ",
                                              "エンコーディング",
                                              "ファイルパス",
                                              "作成したＯＳ",
                                              "更新したＯＳ",
                                              "作成したコンピュータ名",
                                              "更新したコンピュータ名",
                                              "ノート"};
  if (title == nullptr) return 0;
  const std::string shown = Localized(title);
  for (const char* reserved : kReserved)
    if (shown == Localized(reserved)) return 1;
  return 0;
}

KdxCategoryResult KDXCOMM_CheckCategoryTitles(const std::array<std::string, 3>& titles,
                                              std::string* named) {
  for (const std::string& t : titles)
    if (t.empty()) return KdxCategoryResult::kEmptyTitle;
  const std::string* repeated = nullptr;
  if (titles[0] == titles[1] || titles[0] == titles[2])
    repeated = &titles[0];
  else if (titles[1] == titles[2])
    repeated = &titles[1];
  if (repeated != nullptr) {
    if (named != nullptr) *named = *repeated;
    return KdxCategoryResult::kAlreadyUsed;
  }
  for (const std::string& t : titles)
    if (IsTheReservedTitle(t.c_str()) == 1) return KdxCategoryResult::kReservedTitle;
  return KdxCategoryResult::kOk;
}

KdxCategoryResult KDXCOMM_SetCategoryTitles(VELL_ARY* catTitleAry,
                                            const std::array<std::string, 3>& titles,
                                            std::string* named) {
  const KdxCategoryResult check = KDXCOMM_CheckCategoryTitles(titles, named);
  if (check != KdxCategoryResult::kOk) return check;
  KDX_CATEGORY_TITLE t;
  if (TI_GetData(catTitleAry, &t) == 0)
    Vell_GetCurrentTimeAsString(t.ti_create_date, sizeof t.ti_create_date);
  Vell_GetCurrentTimeAsString(t.ti_update_date, sizeof t.ti_update_date);
  Vell_Utf8CopyCut(t.ti_cat1_title, sizeof t.ti_cat1_title, titles[0]);
  Vell_Utf8CopyCut(t.ti_cat2_title, sizeof t.ti_cat2_title, titles[1]);
  Vell_Utf8CopyCut(t.ti_cat3_title, sizeof t.ti_cat3_title, titles[2]);
  return TI_SetData(catTitleAry, t) == 0 ? KdxCategoryResult::kOk : KdxCategoryResult::kFailed;
}
