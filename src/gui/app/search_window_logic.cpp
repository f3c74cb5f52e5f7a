#include "gui/app/search_window_logic.h"

#include <algorithm>
#include <cstring>

#include "core/document/blocks.h"
#include "core/document/records.h"
#include "core/prefs/pref_file.h"
#include "core/prefs/pref_rez.h"
#include "core/search/search_history.h"
#include "core/util/vell_file.h"
#include "gui/app/document_window_logic.h"

namespace {

VellAryPtr CopyArray(const VELL_ARY* source, int32_t recordSize) {
  VellAryPtr copy(Vell_Ary_Init(source != nullptr ? source->recordSize : recordSize, 0, 0));
  if (!copy || source == nullptr) return copy;
  for (int32_t i = 0; i < Vell_Ary_GetSize(source); ++i) {
    if (Vell_Ary_Add(copy.get(), Vell_Ary_GetDataPtr(source, i)) != 0) return {};
  }
  return copy;
}

bool SameUnit(char16_t a, char16_t b) {
  if (a == b) return true;
  const char16_t la = (a >= u'A' && a <= u'Z') ? static_cast<char16_t>(a - u'A' + u'a') : a;
  const char16_t lb = (b >= u'A' && b <= u'Z') ? static_cast<char16_t>(b - u'A' + u'a') : b;
  return la == lb;
}

}  // namespace

int32_t KDXCOMM_ReadSearchModeOption() {
  int32_t mode = 0;
  PREF_ReadInteger(kPrefSearchModeKey, &mode);
  return std::clamp(mode, kKdxSearchPhrase, kKdxSearchAnyWord);
}

int32_t KDXCOMM_WriteSearchModeOption(int32_t mode) {
  return PREF_WriteInteger(kPrefSearchModeKey,
                           std::clamp(mode, kKdxSearchPhrase, kKdxSearchAnyWord));
}

std::vector<std::string> KdxRecentSearchWords() {
  std::vector<std::string> words;
  std::string rez;
  VellAryPtr history(HICOMM_InitSearchHistory());
  if (!history || !PREF_GetPreferenceREZFilePath(rez) ||
      HICOMM_LoadSearchHistory(rez.c_str(), kPrefTagHIAL, history.get()) != 0) {
    return words;
  }
  const int32_t count = std::min(Vell_Ary_GetSize(history.get()), kKdxRecentSearchCount);
  for (int32_t i = 0; i < count; ++i) {
    KDX_SEARCH_HISTORY record{};
    KDX_GetKdxSerachHistory(static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(history.get(), i)),
                            &record);
    words.emplace_back(record.hi_words, strnlen(record.hi_words, sizeof record.hi_words));
  }
  return words;
}

KdxColumnSet KDX_LoadSearchWindowColumns(const std::string& prefRez, const KDX_DATA& document,
                                         KdxColumnSetSource* source) {
  KdxColumnSet set{VellAryPtr(Vell_Ary_Init(kKdxIdCounterSize, 0, 0)),
                   VellAryPtr(Vell_Ary_Init(kKdxColumnSize, 0, 0))};
  if (!set.idCounterAry || !set.columnAry) return {};
  const auto loaded = [&] {
    Vell_Ary_RemoveAll(set.idCounterAry.get());
    Vell_Ary_RemoveAll(set.columnAry.get());
    return !prefRez.empty() &&
           CL_Load(prefRez.c_str(), kPrefTagCLAL, set.idCounterAry.get(), set.columnAry.get()) ==
               0 &&
           Vell_Ary_GetSize(set.columnAry.get()) > 0;
  };
  if (loaded()) {
    if (source != nullptr) *source = KdxColumnSetSource::kStored;
    return set;
  }
  KdxColumnSet copy{CopyArray(document.idCounterAry, kKdxIdCounterSize),
                    CopyArray(document.columnAry, kKdxColumnSize)};
  if (!copy.idCounterAry || !copy.columnAry) return {};
  if (!prefRez.empty() &&
      CL_Save(prefRez.c_str(), kPrefTagCLAL, copy.idCounterAry.get(), copy.columnAry.get()) == 0 &&
      loaded()) {
    if (source != nullptr) *source = KdxColumnSetSource::kSeeded;
    return set;
  }
  if (source != nullptr) *source = KdxColumnSetSource::kCopied;
  return copy;
}

void KdxSetFoundSelection(std::vector<KDX_FOUND_RESULT>& results, const std::vector<int>& rows) {
  for (KDX_FOUND_RESULT& found : results) found.selected = 0;
  for (const int row : rows) {
    if (row >= 0 && static_cast<size_t>(row) < results.size())
      results[static_cast<size_t>(row)].selected = 1;
  }
}

std::vector<int> KdxSelectedFoundRows(const std::vector<KDX_FOUND_RESULT>& results) {
  std::vector<int> rows;
  for (size_t i = 0; i < results.size(); ++i) {
    if (results[i].selected == 1) rows.push_back(static_cast<int>(i));
  }
  return rows;
}

void KdxAppendCopiedResults(std::vector<KDX_FOUND_RESULT>& results,
                            const std::vector<KdxCopiedResult>& copies) {
  KdxSetFoundSelection(results, {});
  for (const KdxCopiedResult& copy : copies) {
    KDX_FOUND_RESULT found{};
    found.en_id = copy.en_id;
    found.selected = 1;
    found.kind = kKdxFoundInBody;
    const size_t n = std::min(copy.word.size(), sizeof found.word - 1);
    std::copy_n(copy.word.data(), n, found.word);
    results.push_back(found);
  }
}

KdxSearchMenuState KdxGetSearchMenuState(size_t selectedRows, bool busy) {
  return {!busy && selectedRows > 0, !busy};
}

const char* KdxSearchFailureText(int32_t code) {
  switch (code) {
    case 0:
    case kKdxSearchCancelled:
      return nullptr;
    case kKdxSearchCannotOpen:
      return "ファイルを読み込めないため検索できませんでした。";
    default:
      return "検索できませんでした。";
  }
}

std::string KdxResultListFileName(const std::string& documentPath) {
  return Vell_RemoveExtension(Vell_GetFileName(documentPath)) + "の検索結果一覧.txt";
}

int KdxFindFoundWord(const QString& text, const QString& word) {
  const qsizetype n = word.size();
  if (n == 0 || n > text.size()) return -1;
  for (qsizetype at = 0; at + n <= text.size(); ++at) {
    qsizetype i = 0;
    while (i < n && SameUnit(text[at + i].unicode(), word[i].unicode())) ++i;
    if (i == n) return static_cast<int>(at);
  }
  return -1;
}
