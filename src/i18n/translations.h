// The interface language of a run and the English texts of the interface.
// Every text the user sees is keyed by its Japanese text (Vell_LocalizedString,
// KdxText); Japanese needs no table, English is the embedded translation,
// looked up in the context "Kardinex".
#pragma once

#include <QString>
#include <memory>
#include <string_view>

class QTranslator;

enum class KdxLanguage { kJapanese, kEnglish };

// The user's choice in the preferences ("InterfaceLanguage"); any other stored
// value counts as automatic.
inline constexpr char kPrefInterfaceLanguageKey[] = "InterfaceLanguage";
enum class KdxLanguageChoice { kAutomatic = 0, kJapanese = 1, kEnglish = 2 };
[[nodiscard]] KdxLanguageChoice KdxLanguageChoiceFromStored(int stored);

// The translation context of every key.
inline constexpr char kKdxTranslationContext[] = "Kardinex";
// The English translation compiled into the program.
inline constexpr char kKdxEnglishTranslation[] = ":/i18n/kardinex_en.qm";

// The language of a locale name such as "ja_JP.UTF-8", "ja", "en_GB", "C":
// Japanese for the language "ja", English for every other and for none.
[[nodiscard]] KdxLanguage KdxLanguageOfLocaleName(std::string_view name);
// The language of the locale's messages, as POSIX orders the variables: the
// first set and non-empty of LC_ALL, LC_MESSAGES and LANG (null for unset).
[[nodiscard]] KdxLanguage KdxLanguageOfLocale(const char* lcAll, const char* lcMessages,
                                              const char* lang);
// The same from this process's environment.
[[nodiscard]] KdxLanguage KdxLanguageOfEnvironment();
// The language a run uses: the choice, or the locale's when automatic.
[[nodiscard]] KdxLanguage KdxChosenLanguage(KdxLanguageChoice choice, KdxLanguage locale);

// The English translation, loaded; null when the embedded file cannot be read.
[[nodiscard]] std::unique_ptr<QTranslator> KdxLoadEnglishTranslation();
// Makes Vell_LocalizedString answer from translator, which must outlive every
// lookup (for programs without an application object that could hold it).
void KdxInstallTranslatorLookup(std::shared_ptr<const QTranslator> translator);
