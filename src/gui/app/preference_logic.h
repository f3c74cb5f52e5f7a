// The preference window's decisions: the values it shows and where each is
// stored, the texts of its font label and insert menus, and the fallback font
// shown for a family this system lacks.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "i18n/translations.h"

// Preference keys the window edits (besides the typed ones of the core).
inline constexpr char kPrefAllImportKey[] = "AllExportFiles";
inline constexpr char kPrefDropExportTypeKey[] = "DropExportType";
inline constexpr char kPrefDefaultTitleTypeKey[] = "DefaultTitleType";
inline constexpr char kPrefDefaultTitleKey[] = "DefaultTitle";
inline constexpr char kPrefTitleNumberKey[] = "IsTitleConsecutiveNumber";
inline constexpr char kPrefDefaultTurnKey[] = "DefaultTurn";
inline constexpr char kPrefDefaultTurnWidthKey[] = "DefaultTurnWidth";
inline constexpr char kPrefSavedTabKey[] = "PrefDlgSavedTab";
inline constexpr char kPrefWindowRectKey[] = "PrefWindowRect";
// The title field holds 512 bytes: 170 characters of up to three bytes.
inline constexpr int kPrefTitleMaxChars = 170;
// The splash time the splash box stores when it is off.
inline constexpr double kPrefSplashShownSeconds = 0.5;

// The values the window shows, read from the preferences with their defaults.
struct KdxPrefValues {
  std::vector<std::string> extensions;  // "Extension"
  bool allImport = false;               // "AllExportFiles"
  double splashSeconds = kPrefSplashShownSeconds;
  double marginLeft = 72, marginTop = 90, marginRight = 72, marginBottom = 90;
  std::string fontName;  // as stored, shown through KdxShownFontFamily
  double fontSize = 10;
  int turn = 3;           // 1 window width, 2 none, 3 document width
  std::string turnWidth;  // decimal text
  int titleType = 0;      // 0 the default title, 1 empty
  std::string title;      // "文章" (localised) when missing
  bool titleNumber = false;
  std::string savedTab;                                        // object name of the last tab
  int dropExportType = 0;                                      // 0 by the file's type, 1 RTFD
  KdxLanguageChoice language = KdxLanguageChoice::kAutomatic;  // "InterfaceLanguage"
};
[[nodiscard]] KdxPrefValues KdxReadPrefValues();

// The interface language the user chose in the preferences.
[[nodiscard]] KdxLanguageChoice KdxReadLanguageChoice();
// The language of this run: the user's choice, else the locale's.
[[nodiscard]] KdxLanguage KdxStartupLanguage();

// The extension list as stored; 1, or 0 with nothing written when an
// extension is not one PREF_IsValidExtension accepts.
[[nodiscard]] std::vector<std::string> KdxReadExtensions();
[[nodiscard]] int KdxWriteExtensions(const std::vector<std::string>& extensions);

// The splash box means "no splash": on when the time is 0, and it stores 0 or
// 0.5 seconds.
[[nodiscard]] bool KdxSplashBoxOn(double seconds);
[[nodiscard]] double KdxSplashSecondsForBox(bool on);

// The font label: the family and the point size as "%g" ("Noto Sans CJK JP 10",
// "Sans 10.5").
[[nodiscard]] std::string KdxFontLabel(std::string_view family, double points);
// The family a font setting is shown and laid out in: the stored one when the
// system has it, else the first Japanese family it has, else the stored one
// (the system's own substitution then). The stored value is never changed.
[[nodiscard]] std::string KdxShownFontFamily(
    const std::string& stored, const std::function<bool(const std::string&)>& hasFamily);

// The header and footer insert menus: the item titles (localisation keys) in
// menu order and the variable each inserts.
struct KdxPrintVariableItem {
  const char* title;
  const char* variable;
};
[[nodiscard]] const std::vector<KdxPrintVariableItem>& KdxPrintVariableItems();
// The variable of the item whose localised title is title; empty for none.
[[nodiscard]] std::string KdxPrintVariableForTitle(std::string_view title);
