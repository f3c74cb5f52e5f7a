// The interface language of a run, and the English translation against every
// interface text written in the sources.
#include "i18n/translations.h"

#include <gtest/gtest.h>

#include <QTranslator>
#include <algorithm>
#include <set>
#include <string>

#include "literal_scan.h"

namespace {

using kdx_translations::FoundKey;
using kdx_translations::Placeholders;
using kdx_translations::ScanLiterals;
using kdx_translations::TranslationProblem;

constexpr KdxLanguage kJa = KdxLanguage::kJapanese;
constexpr KdxLanguage kEn = KdxLanguage::kEnglish;

TEST(Language, TheMessagesLocaleDecidesInPosixOrderAndThePreferenceOverrides) {
  for (const char* name : {"ja", "ja_JP.UTF-8", "ja_JP.eucJP", "ja_JP.SJIS", "ja_JP@x"}) {
    EXPECT_EQ(KdxLanguageOfLocale(nullptr, nullptr, name), kJa) << name;
  }
  for (const char* name : {"C", "POSIX", "C.UTF-8", "en_US.UTF-8", "de_DE", "jv_ID", ""}) {
    EXPECT_EQ(KdxLanguageOfLocale(nullptr, nullptr, name), kEn) << name;
  }
  EXPECT_EQ(KdxLanguageOfLocale(nullptr, nullptr, nullptr), kEn);
  // LC_ALL before LC_MESSAGES before LANG; an empty variable counts as unset.
  EXPECT_EQ(KdxLanguageOfLocale("C", "ja_JP.UTF-8", "ja_JP.UTF-8"), kEn);
  EXPECT_EQ(KdxLanguageOfLocale("ja_JP.UTF-8", "C", "C"), kJa);
  EXPECT_EQ(KdxLanguageOfLocale(nullptr, "ja_JP.UTF-8", "en_US.UTF-8"), kJa);
  EXPECT_EQ(KdxLanguageOfLocale("", "", "ja_JP.UTF-8"), kJa);

  EXPECT_EQ(KdxChosenLanguage(KdxLanguageChoiceFromStored(0), kJa), kJa);
  EXPECT_EQ(KdxChosenLanguage(KdxLanguageChoiceFromStored(0), kEn), kEn);
  EXPECT_EQ(KdxChosenLanguage(KdxLanguageChoiceFromStored(1), kEn), kJa);
  EXPECT_EQ(KdxChosenLanguage(KdxLanguageChoiceFromStored(2), kJa), kEn);
  // A value a later version may store means automatic here.
  EXPECT_EQ(KdxChosenLanguage(KdxLanguageChoiceFromStored(3), kJa), kJa);
  EXPECT_EQ(KdxChosenLanguage(KdxLanguageChoiceFromStored(-1), kEn), kEn);
}

TEST(Translation, TheSourcesAreReadAsTheCompilerReadsThem) {
  const auto literals = ScanLiterals(
      "// \"注釈\" is no literal\n"
      "/* nor \"これ\" */ f(\"改行\\n\" \"と\\t\"  // between\n"
      "  \"続き\\\"\\\\\");\n"
      "char q = '\"'; int n = 1'000; g(\"後\");\n"
      "h(u8\"ユー\", R\"x(生の\\n\"文)x\", PREFIX\"\\xe6\\x97\\xa5\");\n");
  std::vector<std::string> texts;
  for (const auto& literal : literals) texts.push_back(literal.text);
  EXPECT_EQ(texts,
            (std::vector<std::string>{"改行\nと\t続き\"\\", "後", "ユー", "生の\\n\"文", "日"}));
  ASSERT_EQ(literals.size(), 5u);
  EXPECT_EQ(literals[0].line, 2);
  EXPECT_EQ(literals[1].line, 4);
}

TEST(Translation, ATranslationKeepsThePlaceholdersInOrder) {
  EXPECT_EQ(Placeholders("%ld 件、%s に 100%% $2 $1"),
            (std::vector<std::string>{"%ld", "%s", "%%", "$2", "$1"}));
  EXPECT_EQ(TranslationProblem("%s を %ld 件", "%s: %ld entries"), "");
  EXPECT_EQ(TranslationProblem("「$1」の$2", "$2 of \"$1\""), "");  // numbered may move
  EXPECT_NE(TranslationProblem("%s を %ld 件", "%ld entries of %s"), "");
  EXPECT_NE(TranslationProblem("%s を %ld 件", "entries of %s"), "");
  EXPECT_NE(TranslationProblem("100%%", "100%"), "");
  EXPECT_NE(TranslationProblem("$1 と $2", "$1 and $1"), "");
  EXPECT_NE(TranslationProblem("文章", ""), "");
  EXPECT_NE(TranslationProblem("文章", "文章"), "");
}

// Every interface text of the sources has an English text in the embedded
// translation. The failure lists every gap at once, as TS messages ready to
// paste into translations/kardinex_en.ts (tools/translations/missing_keys.sh
// prints only those).
TEST(Translation, EveryInterfaceTextHasAnEnglishText) {
  const std::unique_ptr<QTranslator> english = KdxLoadEnglishTranslation();
  ASSERT_NE(english, nullptr);
  const std::vector<FoundKey> keys = kdx_translations::ScanInterfaceKeys(KDX_SOURCE_ROOT);
  ASSERT_GT(keys.size(), 200u);  // the sources were found
  std::string missing, wrong;
  size_t gaps = 0;
  for (const FoundKey& key : keys) {
    const std::string text =
        english->translate(kKdxTranslationContext, key.text.c_str()).toStdString();
    const std::string problem = TranslationProblem(key.text, text);
    if (problem.empty()) continue;
    ++gaps;
    if (text.empty()) {
      missing += kdx_translations::TsMessage(key.text, key.where);
    } else {
      wrong += key.where + ": \"" + key.text + "\" -> \"" + text + "\": " + problem + "\n";
    }
  }
  EXPECT_EQ(gaps, 0u) << wrong << "-----BEGIN MISSING TS MESSAGES-----\n"
                      << missing << "-----END MISSING TS MESSAGES-----";

  // The special category names read the same in English as the English forms
  // the core accepts for them ("<All>", "Others"), so that what is shown is
  // read back as the same name.
  EXPECT_EQ(english->translate(kKdxTranslationContext, "＜すべて＞").toStdString(), "<All>");
  EXPECT_EQ(english->translate(kKdxTranslationContext, "その他").toStdString(), "Others");
  // The English guide is built and installed as Documentation/Guide.pdf
  // (src/gui/CMakeLists.txt); Help finds it by these names.
  EXPECT_EQ(english->translate(kKdxTranslationContext, "ドキュメント").toStdString(),
            "Documentation");
  EXPECT_EQ(english->translate(kKdxTranslationContext, "指南").toStdString(), "Guide");
  // 作成 is a date caption, and a command on the new-file dialog's button.
  EXPECT_EQ(english->translate(kKdxTranslationContext, "作成", "button").toStdString(), "Create");

  // Entries whose text no longer appears in the sources: a warning only, since
  // they cost nothing at run time.
  std::set<std::string> used;
  for (const FoundKey& key : keys) used.insert(key.text);
  const std::vector<std::string> sources = kdx_translations::TsSources(KDX_TRANSLATION_FILE);
  EXPECT_FALSE(sources.empty());
  for (const std::string& source : sources) {
    if (!used.contains(source) && !kdx_translations::IsExcludedLiteral(source)) {
      std::cerr << "warning: kardinex_en.ts translates a text no source holds: \"" << source
                << "\"\n";
    }
  }
}

}  // namespace
