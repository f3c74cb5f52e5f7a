// Code pages of the RTF reader: which code page a font's \fcharset stands for,
// and decoding of text bytes in a Windows or Mac code page through ICU.
#pragma once

#include <QByteArray>
#include <QString>
#include <map>
#include <memory>

struct UConverter;

namespace kdx_richtext::rtf_internal {

inline constexpr int kAnsiCodePage = 1252;
inline constexpr int kMacCodePage = 10000;
// Shift JIS as the Mac writes it: ICU has no table of its own for it, so it
// is Windows' with the Mac's single bytes (0x80, 0xA0, 0xFD to 0xFF).
inline constexpr int kMacJapaneseCodePage = 10001;
// Not a real code page: the Symbol character set (\fcharset2), read as
// Windows-1252 except for the bullets list markers use.
inline constexpr int kSymbolCodePage = -2;

// The code page of a font's \fcharsetN, or 0 when the document's applies (the
// default set 1 and sets this reader does not know).
[[nodiscard]] int CodePageOfCharset(int charset);

// Whether codePage is one of the East Asian double-byte code pages.
[[nodiscard]] bool IsDoubleByteCodePage(int codePage);

// Whether bytes hold at least one double-byte character of codePage (a double-
// byte code page) and every byte of 0x80 or more is part of one.
[[nodiscard]] bool IsDoubleByteText(const QByteArray& bytes, int codePage);

// Decodes bytes in a code page, keeping one ICU converter per code page used.
class CodePageDecoder {
 public:
  // The text of bytes in codePage. An unknown code page reads as Windows-1252
  // and a conversion ICU refuses as Latin-1; both count a warning.
  [[nodiscard]] QString Decode(const QByteArray& bytes, int codePage);
  [[nodiscard]] int warnings() const { return warnings_; }

 private:
  struct Closer {
    void operator()(UConverter* converter) const;
  };
  using ConverterPtr = std::unique_ptr<UConverter, Closer>;

  [[nodiscard]] UConverter* ConverterFor(int codePage);

  std::map<int, ConverterPtr> converters_;  // null: not even Windows-1252 opened
  int warnings_ = 0;
};

}  // namespace kdx_richtext::rtf_internal
