#include "gui/app/preference_logic.h"

#include <array>
#include <charconv>
#include <cstring>

#include "core/prefs/pref_checks.h"
#include "core/prefs/pref_file.h"
#include "core/util/vell_ary.h"
#include "gui/app/localization.h"
#include "gui/app/startup_logic.h"

KdxPrefValues KdxReadPrefValues() {
  KdxPrefValues v;
  v.extensions = KdxReadExtensions();
  int32_t value = 0;
  PREF_ReadInteger(kPrefAllImportKey, &value);
  v.allImport = value != 0;
  double seconds = 0;
  v.splashSeconds =
      PREF_ReadDouble(kPrefSplashTimeKey, &seconds) ? seconds : kPrefSplashShownSeconds;
  PREF_ReadBodyMargin(&v.marginLeft, &v.marginTop, &v.marginRight, &v.marginBottom);
  char font[256] = {};
  PREF_ReadDefaultFontName(sizeof font, font);
  v.fontName = font;
  v.fontSize = PREF_ReadDefaultFontSize();
  v.turn = PREF_ReadDefaultTurn();
  char width[kPrefTurnWidthSize] = {};
  PREF_ReadDefaultTurnWidth(width);
  v.turnWidth = width;
  value = 0;
  PREF_ReadInteger(kPrefDefaultTitleTypeKey, &value);
  v.titleType = value == 1 ? 1 : 0;
  // Without a stored title new entries take "文章" in the interface language.
  char title[512] = {};
  v.title = PREF_ReadDefaultTitle(sizeof title, title) ? std::string(title)
                                                       : KdxTextUtf8(kPrefDefaultTitle);
  v.titleNumber = PREF_ReadIsTitleConsecutiveNumber() != 0;
  char tab[256] = {};
  PREF_ReadString(kPrefSavedTabKey, sizeof tab, tab);
  v.savedTab = tab;
  value = 0;
  PREF_ReadInteger(kPrefDropExportTypeKey, &value);
  v.dropExportType = value == 1 ? 1 : 0;
  v.language = KdxReadLanguageChoice();
  return v;
}

KdxLanguageChoice KdxReadLanguageChoice() {
  int32_t value = 0;
  PREF_ReadInteger(kPrefInterfaceLanguageKey, &value);
  return KdxLanguageChoiceFromStored(value);
}

KdxLanguage KdxStartupLanguage() {
  return KdxChosenLanguage(KdxReadLanguageChoice(), KdxLanguageOfEnvironment());
}

std::vector<std::string> KdxReadExtensions() {
  VellAryPtr ary(Vell_Ary_Init(kPrefExtensionSize, 0, 0));
  std::vector<std::string> out;
  if (!ary) return out;
  PREF_ReadExtensionArray(ary.get());
  for (int32_t i = 0; i < Vell_Ary_GetSize(ary.get()); ++i) {
    const char* record = static_cast<const char*>(Vell_Ary_GetDataPtr(ary.get(), i));
    out.emplace_back(record, strnlen(record, kPrefExtensionSize));
  }
  return out;
}

int KdxWriteExtensions(const std::vector<std::string>& extensions) {
  VellAryPtr ary(Vell_Ary_Init(kPrefExtensionSize, 0, 0));
  if (!ary) return 0;
  for (const std::string& ext : extensions) {
    if (!PREF_IsValidExtension(ext)) return 0;
    std::array<char, kPrefExtensionSize> record{};
    std::memcpy(record.data(), ext.data(), ext.size());
    if (Vell_Ary_Add(ary.get(), record.data()) != 0) return 0;
  }
  return PREF_WriteExtensionArray(ary.get());
}

bool KdxSplashBoxOn(double seconds) { return seconds == 0.0; }

double KdxSplashSecondsForBox(bool on) { return on ? 0.0 : kPrefSplashShownSeconds; }

std::string KdxFontLabel(std::string_view family, double points) {
  // "%g": six significant digits, no trailing zeros.
  std::array<char, 32> size{};
  const auto result =
      std::to_chars(size.data(), size.data() + size.size(), points, std::chars_format::general, 6);
  return std::string(family) + " " + std::string(size.data(), result.ptr);
}

std::string KdxShownFontFamily(const std::string& stored,
                               const std::function<bool(const std::string&)>& hasFamily) {
  if (!stored.empty() && hasFamily(stored)) return stored;
  static const char* const kJapaneseFamilies[] = {
      "Noto Sans CJK JP", "Noto Sans JP", "Source Han Sans JP", "IPAexGothic",
      "IPAGothic",        "TakaoGothic",  "VL Gothic"};
  for (const char* family : kJapaneseFamilies) {
    if (hasFamily(family)) return family;
  }
  return stored;
}

const std::vector<KdxPrintVariableItem>& KdxPrintVariableItems() {
  static const std::vector<KdxPrintVariableItem> kItems = {
      {"ページ番号", "${page}"},      {"ページ合計", "${total}"},     {"文章名", "${title}"},
      {"作成日時", "${create_date}"}, {"更新日時", "${update_date}"}, {"印刷日時", "${print_date}"},
      {"ファイル名", "${file_name}"}};
  return kItems;
}

std::string KdxPrintVariableForTitle(std::string_view title) {
  for (const KdxPrintVariableItem& item : KdxPrintVariableItems()) {
    if (KdxTextUtf8(item.title) == title) return item.variable;
  }
  return {};
}
