// Detects and converts arbitrary bytes: detection is compared with a plain
// byte-by-byte model of the rules; the bytes are decoded in each encoding,
// encoded back, imported, and written into small fixed fields. Nothing may
// crash, and every text handed back must be valid UTF-8 that round-trips.
//
// Seeds in corpus/encoding are one short memo (kana, kanji, half-width
// katakana, ～①㈱髙, ASCII, line breaks) put through iconv: `iconv -t CP932`
// (sjis.txt); `-t EUC-JP` and `-t ISO-2022-JP` without the characters those
// lack; `-t UTF-16LE` after `printf '\xff\xfe'` and without it
// (utf16le.txt); UTF-8 after `printf '\xef\xbb\xbf'`; a Korean sentence
// through `iconv -t EUC-KR` (euckr.txt).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/util/vell_encoding.h"
#include "core/util/vell_utf8.h"

namespace {

void Fail(int line) {
  std::fprintf(stderr, "check failed at line %d\n", line);
  std::abort();
}
#define CHECK(ok) ((ok) ? void() : Fail(__LINE__))

bool In(int v, int lo, int hi) { return v >= lo && v <= hi; }

// The detection rules written out one byte at a time, without shortcuts.
const char* ModelDetect(const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n && p[i] < 0x80; ++i) {
    if (p[i] == 0x1B && n - i >= 3 &&
        ((p[i + 1] == 0x28 && (p[i + 2] == 0x42 || p[i + 2] == 0x4A || p[i + 2] == 0x49)) ||
         (p[i + 1] == 0x24 && (p[i + 2] == 0x40 || p[i + 2] == 0x42)))) {
      return kVellEncodingISO2022JP;
    }
  }
  bool ascii = true;
  for (size_t i = 0; i < n; ++i) ascii = ascii && p[i] <= 0x7E;
  if (ascii) return kVellEncodingASCII;

  long s = 0, u = 0, e = 0;
  for (size_t i = 0; i < n;) {
    int c = p[i];
    bool more = i + 1 < n;
    if (c < 0x80) {
      i += 1;
    } else if (In(c, 0xA1, 0xDF)) {
      s += 1, i += 1;
    } else if (!more) {
      i += 1;
    } else if ((In(c, 0x81, 0x9F) || In(c, 0xE0, 0xFC)) &&
               (In(p[i + 1], 0x40, 0x7E) || In(p[i + 1], 0x80, 0xFC))) {
      s += 2, i += 2;
    } else {
      s = -1;
      break;
    }
  }
  for (size_t i = 0; i + 1 < n;) {
    int c = p[i];
    size_t after = n - i - 1;
    if (c < 0x80) {
      i += 1;
    } else if (In(c, 0xC0, 0xDF) && In(p[i + 1], 0x80, 0xBF)) {
      u += 2, i += 2;
    } else if (after == 1) {
      i += 1;
    } else if (c == 0xEF && p[i + 1] == 0xBB && p[i + 2] == 0xBF) {
      u += 3, i += 3;
    } else if (In(c, 0xE0, 0xEF) && In(p[i + 1], 0x80, 0xBF) && p[i + 2] >= 0x80) {
      u += 3, i += 3;
    } else if (after < 3) {
      u = -1;
      break;
    } else if (In(c, 0xF0, 0xF7) && In(p[i + 1], 0x80, 0xBF) && p[i + 2] >= 0x80 &&
               p[i + 3] >= 0x80) {
      u += 4, i += 4;
    } else {
      i += 1;
    }
  }
  for (size_t i = 0; i + 1 < n;) {
    int c = p[i];
    if (c < 0x80) {
      i += 1;
    } else if ((In(c, 0xA1, 0xFE) || c == 0x8E) && p[i + 1] >= 0xA1) {
      e += 2, i += 2;
    } else if (n - i - 1 >= 2 && c == 0x8F && In(p[i + 1], 0xA1, 0xFE) &&
               In(p[i + 2], 0xA1, 0xFE)) {
      e += 3, i += 3;
    } else {
      e = -1;
      break;
    }
  }
  if (s > 0 && s > u && s > e) return kVellEncodingSJIS;
  if (u > 0 && u > e && u >= s) return kVellEncodingUTF8;
  if (e > 0 && e >= s && e >= u) return kVellEncodingEUC;
  return kVellEncodingUnknown;
}

// A field written by Vell_CStringWithUTF8 ends in NUL and, for text without
// NUL characters of its own, is zero-filled after the text.
void CheckField(const char* field, size_t size, std::string_view text) {
  CHECK(field[size - 1] == '\0');
  if (text.find('\0') != std::string_view::npos) return;
  for (size_t k = strnlen(field, size); k < size; ++k) CHECK(field[k] == '\0');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  char name[kVellEncodingNameSize];
  int32_t found = Vell_GetTextEncoding(data, size, name, sizeof name);
  CHECK(std::strcmp(name, ModelDetect(data, size)) == 0);
  CHECK(found == (std::strcmp(name, kVellEncodingUnknown) != 0 ? 1 : 0));

  std::string text, back, again;
  for (const char* enc :
       {kVellEncodingUTF8, kVellEncodingSJIS, kVellEncodingEUC, kVellEncodingISO2022JP}) {
    if (Vell_DecodeToUTF8(bytes, enc, text) != kVellEncOk) {
      CHECK(text.empty());
      continue;
    }
    CHECK(Vell_IsValidUtf8(text));
    // Decoded text encodes again, unless it holds a character the encoder
    // lacks. ICU's tables decode some bytes one way only (EUC-JP 8E E2 is ¬,
    // which encodes as A2 CC, which decodes as ￢), so the text may change
    // once; after that a round trip keeps the bytes.
    int32_t lost = -1;
    int32_t r = Vell_EncodeFromUTF8(text, enc, back, VellLossy::no, &lost);
    CHECK(r == kVellEncOk || r == kVellEncUnmappable);
    CHECK((r == kVellEncOk) == (lost == 0));
    if (r == kVellEncOk) {
      std::string backAgain;
      CHECK(Vell_DecodeToUTF8(back, enc, again) == kVellEncOk);
      CHECK(Vell_EncodeFromUTF8(again, enc, backAgain) == kVellEncOk && backAgain == back);
    }
    CHECK(Vell_EncodeFromUTF8(text, enc, back, VellLossy::yes, &lost) == kVellEncOk);
    char field[13];
    for (size_t fieldSize : {1, 4, 7, 13}) {
      // A character the encoding lacks, or a text too long, fails the copy;
      // the field must be sound either way.
      static_cast<void>(Vell_CStringWithUTF8(text, enc, fieldSize, field));
      CheckField(field, fieldSize, text);
    }
  }

  // The bytes themselves as UTF-8 input, valid or not.
  bool valid = Vell_IsValidUtf8(bytes);
  for (const char* enc : {kVellEncodingSJIS, kVellEncodingEUC, kVellEncodingISO2022JP}) {
    int32_t r = Vell_EncodeFromUTF8(bytes, enc, back, VellLossy::yes);
    CHECK((r == kVellEncOk) == valid);
  }
  char field[16];
  for (size_t fieldSize : {1, 2, 4, 5, 8, 16}) {
    int32_t r = Vell_CStringWithUTF8(bytes, kVellEncodingUTF8, fieldSize, field);
    CheckField(field, fieldSize, bytes);
    CHECK((r == kVellEncOk) == valid);
    CHECK(Vell_IsValidUtf8(std::string_view(field, fieldSize - 1)));
  }
  std::string terminated(bytes.substr(0, bytes.find('\0')));
  int32_t length = Vell_GetLength_UTF8ToSJIS(terminated.c_str());
  if (length > 0) {
    std::string sjis(static_cast<size_t>(length), 'x');
    int32_t r = Vell_ConvertUTF8ToSJIS(terminated.c_str(), sjis.size(), sjis.data());
    CHECK(r == kVellEncOk || r == kVellEncUnmappable);
  }
  if (Vell_BytesToUTF8(terminated.c_str(), name, text) == kVellEncOk) {
    CHECK(Vell_IsValidUtf8(text));
  } else {
    CHECK(text.empty());
  }

  std::string used, whyNot;
  if (Vell_DecodeTextForImport(bytes, text, &used, &whyNot) == kVellEncOk) {
    CHECK(Vell_IsValidUtf8(text) && !used.empty() && whyNot.empty());
  } else {
    CHECK(text.empty() && size > 0 && !whyNot.empty());
  }
  if (const char* order = Vell_Utf16ByteOrder(bytes); order != nullptr) {
    CHECK(std::strcmp(order, "UTF-16LE") == 0 || std::strcmp(order, "UTF-16BE") == 0);
  }
  return 0;
}
