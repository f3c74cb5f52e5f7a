// Code pages of the RTF reader. The conversions are ICU's; this file only
// knows which ICU converter a code page number means.
#include "richtext/rtf_codepage.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace kdx_richtext::rtf_internal {
namespace {

struct CharsetCodePage {
  int charset;
  int codePage;
};

// \fcharset numbers in ascending order, for the binary search.
constexpr CharsetCodePage kCharsetCodePages[] = {
    {0, kAnsiCodePage}, {2, kSymbolCodePage}, {77, kMacCodePage}, {78, kMacJapaneseCodePage},
    {128, 932},         {129, 949},           {134, 936},         {136, 950},
    {161, 1253},        {162, 1254},          {163, 1258},        {177, 1255},
    {178, 1256},        {186, 1257},          {204, 1251},        {222, 874},
    {238, 1250},        {254, 437},           {255, 850},
};
constexpr bool CharsetBefore(const CharsetCodePage& a, const CharsetCodePage& b) {
  return a.charset < b.charset;
}
static_assert(std::is_sorted(std::begin(kCharsetCodePages), std::end(kCharsetCodePages),
                             CharsetBefore));

// ICU names to try for a Windows or Mac code page number, best first.
std::vector<std::string> ConverterNames(int codePage) {
  switch (codePage) {
    case 932:
      return {"windows-932", "Shift_JIS"};
    case 936:
      return {"windows-936", "GBK"};
    case 949:
      return {"windows-949"};
    case 950:
      return {"windows-950", "Big5"};
    case 437:
      return {"ibm-437"};
    case 850:
      return {"ibm-850"};
    case kMacCodePage:
      return {"macintosh"};
    case 65001:
      return {"UTF-8"};
    default:
      return {"windows-" + std::to_string(codePage), "ibm-" + std::to_string(codePage)};
  }
}

bool IsShiftJis(int codePage) { return codePage == 932 || codePage == kMacJapaneseCodePage; }

// The Mac's single bytes in Shift JIS, which Windows' table lacks.
char16_t MacJapaneseSingle(unsigned char byte) {
  switch (byte) {
    case 0x80:
      return u'\\';
    case 0xA0:
      return 0x00A0;
    case 0xFD:
      return 0x00A9;
    case 0xFE:
      return 0x2122;
    case 0xFF:
      return 0x2026;
    default:
      return 0;
  }
}

}  // namespace

bool IsDoubleByteCodePage(int codePage) {
  return IsShiftJis(codePage) || codePage == 936 || codePage == 949 || codePage == 950;
}

bool IsDoubleByteText(const QByteArray& bytes, int codePage) {
  const bool sjis = IsShiftJis(codePage);
  bool any = false;
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) continue;
    const bool isLead = sjis ? (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)
                             : lead >= 0x81 && lead <= 0xFE;
    if (!isLead || i + 1 == bytes.size()) return false;
    const auto trail = static_cast<unsigned char>(bytes[++i]);
    if (trail < 0x40 || trail == 0x7F || trail > (sjis ? 0xFC : 0xFE)) return false;
    any = true;
  }
  return any;
}

int CodePageOfCharset(int charset) {
  const CharsetCodePage key{charset, 0};
  const auto* found = std::lower_bound(std::begin(kCharsetCodePages), std::end(kCharsetCodePages),
                                       key, CharsetBefore);
  if (found == std::end(kCharsetCodePages) || found->charset != charset) return 0;
  return found->codePage;
}

void CodePageDecoder::Closer::operator()(UConverter* converter) const { ucnv_close(converter); }

UConverter* CodePageDecoder::ConverterFor(int codePage) {
  auto it = converters_.find(codePage);
  if (it == converters_.end()) {
    ConverterPtr converter;
    for (const std::string& name : ConverterNames(codePage)) {
      UErrorCode status = U_ZERO_ERROR;
      converter.reset(ucnv_open(name.c_str(), &status));
      if (U_SUCCESS(status) && converter) break;
      converter.reset();
    }
    if (!converter) {
      ++warnings_;  // an unknown code page reads as Windows-1252
      UErrorCode status = U_ZERO_ERROR;
      converter.reset(ucnv_open("windows-1252", &status));
      if (U_FAILURE(status)) converter.reset();
    }
    it = converters_.emplace(codePage, std::move(converter)).first;
  }
  return it->second.get();
}

QString CodePageDecoder::Decode(const QByteArray& bytes, int codePage) {
  if (bytes.isEmpty()) return {};
  if (codePage == kSymbolCodePage) {
    QString text = Decode(bytes, kAnsiCodePage);
    for (qsizetype i = 0; i < text.size(); ++i) {
      if (bytes[i] == '\xB7')
        text[i] = QChar(0x2022);  // bullet
      else if (bytes[i] == '\xA7')
        text[i] = QChar(0x25AA);  // small square
    }
    return text;
  }
  if (codePage == kMacJapaneseCodePage) {
    // The Mac's own single bytes, outside double-byte characters, then
    // Windows' table for the rest.
    QString text;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
      const auto byte = static_cast<unsigned char>(bytes[i]);
      if ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC)) {
        ++i;
      } else if (const char16_t single = MacJapaneseSingle(byte); single != 0) {
        text += Decode(bytes.mid(start, i - start), 932);
        text += QChar(single);
        start = i + 1;
      }
    }
    if (start == 0) return Decode(bytes, 932);
    return text + Decode(bytes.mid(start), 932);
  }
  UConverter* converter = ConverterFor(codePage);
  if (converter == nullptr) return QString::fromLatin1(bytes);
  QString out(bytes.size() * 2 + 2, Qt::Uninitialized);
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = ucnv_toUChars(converter, reinterpret_cast<UChar*>(out.data()),
                                       static_cast<int32_t>(out.size()), bytes.constData(),
                                       static_cast<int32_t>(bytes.size()), &status);
  if (U_FAILURE(status)) {
    ++warnings_;
    return QString::fromLatin1(bytes);
  }
  out.truncate(length);
  return out;
}

}  // namespace kdx_richtext::rtf_internal
