#include "literal_scan.h"

#include <QFile>
#include <QXmlStreamReader>
#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "core/util/vell_utf8.h"

namespace kdx_translations {
namespace {

bool IsIdentifierChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

bool HasNonAscii(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the escape after a backslash at s[i]; returns the index after it.
size_t Unescape(std::string_view s, size_t i, std::string& out) {
  const char c = s[i];
  switch (c) {
    case 'n':
      out += '\n';
      return i + 1;
    case 't':
      out += '\t';
      return i + 1;
    case 'r':
      out += '\r';
      return i + 1;
    case 'x': {
      int value = 0;
      size_t j = i + 1;
      while (j < s.size() && HexValue(s[j]) >= 0) value = value * 16 + HexValue(s[j++]);
      out += static_cast<char>(value);
      return j;
    }
    default:
      break;
  }
  if (c >= '0' && c <= '7') {
    int value = 0;
    size_t j = i;
    while (j < s.size() && j < i + 3 && s[j] >= '0' && s[j] <= '7')
      value = value * 8 + s[j++] - '0';
    out += static_cast<char>(value);
    return j;
  }
  out += c;  // \" \\ \' \?
  return i + 1;
}

class Scanner {
 public:
  explicit Scanner(std::string_view s) : s_(s) {}

  std::vector<SourceLiteral> Run() {
    std::vector<SourceLiteral> out;
    while (i_ < s_.size()) {
      if (SkipSpaceAndComments()) continue;
      const char c = s_[i_];
      if (StringStartsHere()) {
        SourceLiteral literal{{}, line_};
        do {
          ReadString(literal.text);
          SkipSpaceAndCommentsAll();
        } while (i_ < s_.size() && StringStartsHere());
        out.push_back(std::move(literal));
      } else if (c == '\'' && !IsDigitSeparator()) {
        std::string ignored;
        ReadQuoted('\'', ignored);
      } else {
        Advance();
      }
    }
    return out;
  }

 private:
  void Advance() {
    if (s_[i_] == '\n') ++line_;
    ++i_;
  }

  bool SkipSpaceAndComments() {
    if (std::isspace(static_cast<unsigned char>(s_[i_])) != 0) {
      Advance();
      return true;
    }
    if (s_.substr(i_, 2) == "//") {
      while (i_ < s_.size() && s_[i_] != '\n') Advance();
      return true;
    }
    if (s_.substr(i_, 2) == "/*") {
      i_ += 2;
      while (i_ < s_.size() && s_.substr(i_, 2) != "*/") Advance();
      i_ = std::min(s_.size(), i_ + 2);
      return true;
    }
    return false;
  }
  void SkipSpaceAndCommentsAll() {
    while (i_ < s_.size() && SkipSpaceAndComments()) {
    }
  }

  // A string literal begins at i_: a quote, or a prefix (u8, u, U, L, R)
  // that is not the tail of an identifier.
  bool StringStartsHere() {
    if (s_[i_] == '"') return true;
    if (i_ > 0 && IsIdentifierChar(s_[i_ - 1])) return false;
    size_t j = i_;
    if (s_.substr(j, 2) == "u8") {
      j += 2;
    } else if (s_[j] == 'u' || s_[j] == 'U' || s_[j] == 'L') {
      ++j;
    }
    if (j < s_.size() && s_[j] == 'R') ++j;
    return j < s_.size() && s_[j] == '"';
  }

  // 1'000'000: a quote inside a number.
  bool IsDigitSeparator() const {
    size_t j = i_;
    while (j > 0 && (IsIdentifierChar(s_[j - 1]) || s_[j - 1] == '\'')) --j;
    return j < i_ && std::isdigit(static_cast<unsigned char>(s_[j])) != 0;
  }

  void ReadString(std::string& out) {
    bool raw = false;
    while (s_[i_] != '"') raw = s_[i_++] == 'R';
    if (!raw) {
      ReadQuoted('"', out);
      return;
    }
    // R"delim( ... )delim"
    const size_t open = s_.find('(', i_);
    if (open == std::string_view::npos) {
      i_ = s_.size();
      return;
    }
    const std::string close = ")" + std::string(s_.substr(i_ + 1, open - i_ - 1)) + "\"";
    size_t end = s_.find(close, open);
    if (end == std::string_view::npos) end = s_.size();
    const std::string_view body = s_.substr(open + 1, end - open - 1);
    out += body;
    line_ += static_cast<int>(std::count(body.begin(), body.end(), '\n'));
    i_ = std::min(s_.size(), end + close.size());
  }

  void ReadQuoted(char quote, std::string& out) {
    ++i_;
    while (i_ < s_.size() && s_[i_] != quote && s_[i_] != '\n') {
      if (s_[i_] == '\\' && i_ + 1 < s_.size()) {
        i_ = Unescape(s_, i_ + 1, out);
      } else {
        out += s_[i_++];
      }
    }
    if (i_ < s_.size() && s_[i_] == quote) ++i_;
  }

  std::string_view s_;
  size_t i_ = 0;
  int line_ = 1;
};

}  // namespace

std::vector<SourceLiteral> ScanLiterals(std::string_view source) { return Scanner(source).Run(); }

std::vector<FoundKey> ScanInterfaceKeys(const std::filesystem::path& root) {
  std::vector<std::filesystem::path> files;
  for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
    const std::string ext = item.path().extension().string();
    if (item.is_regular_file() && (ext == ".cpp" || ext == ".h")) files.push_back(item.path());
  }
  std::sort(files.begin(), files.end());
  std::vector<FoundKey> keys;
  std::set<std::string> seen;
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (SourceLiteral& literal : ScanLiterals(text)) {
      if (!HasNonAscii(literal.text) || IsExcludedLiteral(literal.text)) continue;
      if (!seen.insert(literal.text).second) continue;
      keys.push_back(
          {std::move(literal.text), std::filesystem::relative(file, root.parent_path()).string() +
                                        ":" + std::to_string(literal.line)});
    }
  }
  return keys;
}

bool IsExcludedLiteral(std::string_view text) {
  static const std::set<std::string, std::less<>> kExcluded = {
      // Characters put in place of others, never read as words: the
      // full-width stop and slash that replace "." and "/" in export file
      // names, the ideographic space, the attachment's object replacement
      // character, the byte order mark.
      "．",
      "／",
      "　",
      "\uFFFC",
      "\uFEFF",
      // kdx's marks around a search hit.
      "«",
      "»",
      // Symbols on buttons and menus, the same in every language.
      "−",
      "▼",
      " ▸",
      // kdx's help, English already, naming the stored category その他.
      "Category of level 1 (empty: その他)",
  };
  // The backup export format's field tags (【文章名】 and the like) and the
  // lines made of them: the file format, read back by the import.
  if (text.starts_with("【")) return true;
  // Byte patterns (file signatures), not text.
  if (!Vell_IsValidUtf8(text)) return true;
  return kExcluded.contains(text);
}

std::vector<std::string> Placeholders(std::string_view text) {
  std::vector<std::string> out;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '$' && text[i + 1] >= '1' && text[i + 1] <= '9') {
      out.emplace_back(text.substr(i, 2));
      ++i;
    } else if (text[i] == '%') {
      size_t j = i + 1;
      while (j < text.size() &&
             std::string_view("-+ #0123456789.lhz").find(text[j]) != std::string_view::npos) {
        ++j;
      }
      if (j < text.size()) {
        out.emplace_back(text.substr(i, j - i + 1));
        i = j;
      }
    }
  }
  return out;
}

std::string TranslationProblem(std::string_view key, std::string_view translation) {
  if (translation.empty()) return "no translation";
  if (translation == key) return "not translated";
  std::vector<std::string> want = Placeholders(key);
  std::vector<std::string> have = Placeholders(translation);
  // Numbered placeholders may move; printf ones are filled in order.
  const auto numbered = [](const std::string& p) { return p.front() == '$'; };
  std::vector<std::string> wantNumbered, haveNumbered;
  std::copy_if(want.begin(), want.end(), std::back_inserter(wantNumbered), numbered);
  std::copy_if(have.begin(), have.end(), std::back_inserter(haveNumbered), numbered);
  std::erase_if(want, numbered);
  std::erase_if(have, numbered);
  std::sort(wantNumbered.begin(), wantNumbered.end());
  std::sort(haveNumbered.begin(), haveNumbered.end());
  if (want != have || wantNumbered != haveNumbered) {
    std::ostringstream why;
    why << "placeholders differ:";
    for (const std::string& p : Placeholders(key)) why << ' ' << p;
    why << " against";
    for (const std::string& p : Placeholders(translation)) why << ' ' << p;
    return why.str();
  }
  return {};
}

std::vector<std::string> TsSources(const std::filesystem::path& tsFile) {
  QFile file(QString::fromStdString(tsFile.string()));
  std::vector<std::string> out;
  if (!file.open(QIODevice::ReadOnly)) return out;
  QXmlStreamReader xml(&file);
  while (!xml.atEnd()) {
    if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("source")) {
      out.push_back(xml.readElementText().toStdString());
    }
  }
  if (xml.hasError()) out.clear();
  return out;
}

std::string TsMessage(std::string_view key, std::string_view where) {
  const auto escaped = [](std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
        .toHtmlEscaped()
        .toStdString();
  };
  const size_t colon = where.rfind(':');
  // Locations are relative to the TS file, in translations/.
  std::string out = "    <message>\n        <location filename=\"../" +
                    escaped(where.substr(0, colon)) + "\" line=\"" +
                    std::string(where.substr(colon + 1)) + "\"/>\n";
  out += "        <source>" + escaped(key) + "</source>\n";
  out += "        <translation type=\"unfinished\"></translation>\n    </message>\n";
  return out;
}

}  // namespace kdx_translations
