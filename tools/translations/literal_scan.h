// The interface texts of the sources and their check against a translation.
// Every user-visible text is written in the sources as a Japanese string
// literal and used as its own translation key, so the keys are found by
// reading the literals that hold non-ASCII characters.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kdx_translations {

struct SourceLiteral {
  std::string text;  // escapes undone, adjacent literals joined
  int line = 0;      // of the first piece
};

// The string literals of C++ source text as the compiler sees them: comments
// and character literals skipped, escapes undone (raw strings taken as they
// are), "a" "b" joined into one.
[[nodiscard]] std::vector<SourceLiteral> ScanLiterals(std::string_view source);

struct FoundKey {
  std::string text;
  std::string where;  // path:line of its first use, the path from root's parent
};
// The literals holding non-ASCII characters in the .cpp and .h files under
// root, each once, minus those that are not interface texts
// (IsExcludedLiteral).
[[nodiscard]] std::vector<FoundKey> ScanInterfaceKeys(const std::filesystem::path& root);

// Literals with non-ASCII characters that are not shown to the user as
// interface texts: file-format texts, substitute characters, font names.
[[nodiscard]] bool IsExcludedLiteral(std::string_view text);

// The placeholders of a format in order: printf conversions ("%s", "%ld",
// "%%") and the numbered "$1".."$9".
[[nodiscard]] std::vector<std::string> Placeholders(std::string_view text);

// What is wrong with a key's translation: empty for none, else a short
// reason (missing, unchanged, different placeholders).
[[nodiscard]] std::string TranslationProblem(std::string_view key, std::string_view translation);

// The <source> texts of a Qt TS file; empty when it cannot be read.
[[nodiscard]] std::vector<std::string> TsSources(const std::filesystem::path& tsFile);

// A TS <message> element for key with an empty translation, ready to paste.
[[nodiscard]] std::string TsMessage(std::string_view key, std::string_view where);

}  // namespace kdx_translations
