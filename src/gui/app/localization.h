// The one way a window gets a text the user sees. Keys are the Japanese texts
// themselves; the table installed at start-up answers each through Qt's
// translation lookup (context "Kardinex"), so a translation loaded into the
// application later changes every window and the core's own texts alike.
// Without a translation the key is the text: the interface is Japanese.
#pragma once

#include <QString>
#include <string>
#include <string_view>
#include <vector>

#include "i18n/translations.h"

// Installs the lookup Vell_LocalizedString uses. Call once, after the
// QApplication exists.
void KdxInstallLocalization();

// Puts the application in language: English loads the embedded translation,
// Japanese Qt's own Japanese texts for its standard buttons and dialogs; the
// default QLocale becomes the language's, so that any code can ask
// QLocale().language(). Replaces the translators of an earlier call. False
// when a translation could not be loaded (the keys, Japanese, are shown).
bool KdxInstallLanguage(KdxLanguage language);

// A name stored in a document (category title, colour label) as shown: the
// defaults of a new document are Japanese interface texts, stored so whatever
// the language, and are shown translated; any other name as it is. The shown
// text never goes back into the document.
[[nodiscard]] QString KdxShownName(const char* field, size_t size);

// The localised text of a key.
[[nodiscard]] QString KdxText(const char* key);
// The localised text of a key where one Japanese word needs another
// translation in this place (role: the translation's disambiguation, such as
// "button" for 作成 as a command rather than a date caption). Without such a
// translation it is KdxText(key).
[[nodiscard]] QString KdxTextAs(const char* key, const char* role);
// The same as UTF-8, for the core's functions.
[[nodiscard]] std::string KdxTextUtf8(const char* key);

// Fills a printf-style message: each "%s" or "%ld" in turn takes the next
// value, "%%" is a percent sign. Values are inserted as they are, never read
// as formats; a placeholder without a value stays empty. One pass, so a value
// holding "%s" is kept.
[[nodiscard]] std::string KdxFillFormat(std::string_view format,
                                        const std::vector<std::string>& values);
// KdxFillFormat on the localised text of key.
[[nodiscard]] QString KdxTextFormat(const char* key, const std::vector<std::string>& values);
