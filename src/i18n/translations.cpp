#include "i18n/translations.h"

#include <QTranslator>
#include <cstdlib>
#include <optional>
#include <string>

#include "core/util/vell_system.h"

KdxLanguageChoice KdxLanguageChoiceFromStored(int stored) {
  switch (stored) {
    case static_cast<int>(KdxLanguageChoice::kJapanese):
      return KdxLanguageChoice::kJapanese;
    case static_cast<int>(KdxLanguageChoice::kEnglish):
      return KdxLanguageChoice::kEnglish;
    default:
      return KdxLanguageChoice::kAutomatic;
  }
}

KdxLanguage KdxLanguageOfLocaleName(std::string_view name) {
  // language[_territory][.codeset][@modifier]
  const std::string_view language = name.substr(0, name.find_first_of("_.@"));
  return language == "ja" ? KdxLanguage::kJapanese : KdxLanguage::kEnglish;
}

KdxLanguage KdxLanguageOfLocale(const char* lcAll, const char* lcMessages, const char* lang) {
  for (const char* name : {lcAll, lcMessages, lang}) {
    if (name != nullptr && name[0] != '\0') return KdxLanguageOfLocaleName(name);
  }
  return KdxLanguage::kEnglish;
}

KdxLanguage KdxLanguageOfEnvironment() {
  return KdxLanguageOfLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                             std::getenv("LANG"));
}

KdxLanguage KdxChosenLanguage(KdxLanguageChoice choice, KdxLanguage locale) {
  switch (choice) {
    case KdxLanguageChoice::kJapanese:
      return KdxLanguage::kJapanese;
    case KdxLanguageChoice::kEnglish:
      return KdxLanguage::kEnglish;
    case KdxLanguageChoice::kAutomatic:
      break;
  }
  return locale;
}

std::unique_ptr<QTranslator> KdxLoadEnglishTranslation() {
  // The resource lives in this static library: naming it here makes the
  // linker keep it.
  static const bool registered = [] {
    Q_INIT_RESOURCE(kdx_translations);
    return true;
  }();
  (void)registered;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QString::fromLatin1(kKdxEnglishTranslation))) return nullptr;
  return translator;
}

void KdxInstallTranslatorLookup(std::shared_ptr<const QTranslator> translator) {
  if (!translator) {
    Vell_SetLocalizedStringTable({});
    return;
  }
  Vell_SetLocalizedStringTable([translator](std::string_view key) -> std::optional<std::string> {
    const std::string k(key);
    const QString text = translator->translate(kKdxTranslationContext, k.c_str());
    if (text.isEmpty()) return std::nullopt;
    return text.toStdString();
  });
}
