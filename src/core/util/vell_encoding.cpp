#include "core/util/vell_encoding.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/ucsdet.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "core/util/vell_utf8.h"

namespace {

// ---------------------------------------------------------------- detection

constexpr uint64_t kHighBits = 0x8080808080808080ull;
constexpr uint64_t kOnes = 0x0101010101010101ull;

inline uint64_t Load64(const uint8_t* p) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

// Nonzero when some byte of w is zero.
inline uint64_t HasZeroByte(uint64_t w) { return (w - kOnes) & ~w & kHighBits; }

// The first index at or after i whose byte is 0x80 or more, or n. Text is
// mostly runs of ASCII or runs of multibyte characters; the ASCII runs are
// skipped a word at a time.
inline size_t SkipAscii(const uint8_t* p, size_t i, size_t n) {
  while (i + 8 <= n && (Load64(p + i) & kHighBits) == 0) i += 8;
  while (i < n && p[i] < 0x80) ++i;
  return i;
}

// Pass 1: an ISO-2022-JP designation (ESC ( B/J/I, ESC $ @/B) before the first
// byte of 0x80 or more.
bool HasJisEscape(const uint8_t* p, size_t n) {
  const uint64_t escapes = kOnes * 0x1B;
  size_t i = 0;
  while (i < n) {
    if (i + 8 <= n) {
      uint64_t w = Load64(p + i);
      if (((w & kHighBits) | HasZeroByte(w ^ escapes)) == 0) {
        i += 8;
        continue;
      }
    }
    for (size_t end = std::min(n, i + 8); i < end; ++i) {
      uint8_t c = p[i];
      if (c >= 0x80) return false;
      if (c == 0x1B && n - i >= 3) {
        uint8_t a = p[i + 1];
        uint8_t b = p[i + 2];
        if (a == 0x28 && (b == 0x42 || b == 0x4A || b == 0x49)) return true;
        if (a == 0x24 && (b == 0x40 || b == 0x42)) return true;
      }
    }
  }
  return false;
}

// Pass 2: no byte above 0x7E.
bool IsAscii(const uint8_t* p, size_t n) {
  size_t i = 0;
  // Adding 1 to each byte sets its high bit exactly when it was 0x7F; bytes
  // already at 0x80 or more show through the OR.
  for (; i + 8 <= n; i += 8) {
    uint64_t w = Load64(p + i);
    if (((w | (w + kOnes)) & kHighBits) != 0) return false;
  }
  for (; i < n; ++i) {
    if (p[i] > 0x7E) return false;
  }
  return true;
}

int64_t SjisScore(const uint8_t* p, size_t n) {
  int64_t score = 0;
  size_t i = SkipAscii(p, 0, n);
  while (i + 1 < n) {
    uint8_t c = p[i];
    if (c < 0x80) {
      i = SkipAscii(p, i + 1, n);
    } else if (c >= 0xA1 && c <= 0xDF) {  // half-width katakana
      score += 1;
      ++i;
    } else {
      uint8_t t = p[i + 1];
      bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
      if (!lead || t < 0x40 || t == 0x7F || t > 0xFC) return -1;
      score += 2;
      i += 2;
    }
  }
  // A last byte counts only as katakana; a lead byte there is ignored.
  if (i + 1 == n && p[i] >= 0xA1 && p[i] <= 0xDF) score += 1;
  return score;
}

int64_t Utf8Score(const uint8_t* p, size_t n) {
  int64_t score = 0;
  size_t i = SkipAscii(p, 0, n);
  // While three or more bytes follow, the end of the text plays no part.
  while (i + 3 < n) {
    uint8_t c = p[i];
    if (c < 0xC0) {
      i = c < 0x80 ? SkipAscii(p, i + 1, n) : i + 1;
    } else if ((p[i + 1] & 0xC0) != 0x80) {
      ++i;
    } else if (c < 0xE0) {
      score += 2;
      i += 2;
    } else if (p[i + 2] < 0x80) {
      ++i;
    } else if (c < 0xF0) {  // also the byte-order mark EF BB BF, which scores 3 too
      score += 3;
      i += 3;
    } else if (c < 0xF8 && p[i + 3] >= 0x80) {
      score += 4;
      i += 4;
    } else {
      ++i;
    }
  }
  // The last bytes: only those with at least one byte after them count.
  while (i + 1 < n) {
    uint8_t c = p[i];
    bool cont1 = (p[i + 1] & 0xC0) == 0x80;
    size_t after = n - i - 1;
    if (c < 0x80) {
      ++i;
    } else if (c >= 0xC0 && c <= 0xDF && cont1) {
      score += 2;
      i += 2;
    } else if (after == 1) {
      ++i;
    } else if (c >= 0xE0 && c <= 0xEF && cont1 && p[i + 2] >= 0x80) {
      score += 3;
      i += 3;
    } else {
      return -1;  // two bytes follow: too few for the four-byte form
    }
  }
  return score;
}

int64_t EucScore(const uint8_t* p, size_t n) {
  int64_t score = 0;
  size_t i = SkipAscii(p, 0, n);
  while (i + 1 < n) {
    uint8_t c = p[i];
    if (c < 0x80) {
      i = SkipAscii(p, i + 1, n);
      continue;
    }
    uint8_t c1 = p[i + 1];
    if (((c >= 0xA1 && c <= 0xFE) || c == 0x8E) && c1 >= 0xA1) {
      score += 2;
      i += 2;
    } else if (c == 0x8F && n - i - 1 >= 2 && c1 >= 0xA1 && c1 <= 0xFE && p[i + 2] >= 0xA1 &&
               p[i + 2] <= 0xFE) {  // JIS X 0212
      score += 3;
      i += 3;
    } else {
      return -1;
    }
  }
  return score;
}

const char* DetectEncoding(const uint8_t* p, size_t n) {
  if (HasJisEscape(p, n)) return kVellEncodingISO2022JP;
  if (IsAscii(p, n)) return kVellEncodingASCII;
  int64_t sjis = SjisScore(p, n);
  int64_t utf8 = Utf8Score(p, n);
  int64_t euc = EucScore(p, n);
  if (sjis > 0 && sjis > utf8 && sjis > euc) return kVellEncodingSJIS;
  if (utf8 > 0 && utf8 > euc && utf8 >= sjis) return kVellEncodingUTF8;
  if (euc > 0 && euc >= sjis && euc >= utf8) return kVellEncodingEUC;
  return kVellEncodingUnknown;
}

// --------------------------------------------------------------- converters

enum Codec { kUtf8, kSjis, kEuc, kJis, kCodecCount, kOtherCodec = -1 };

struct CodecName {
  const char* name;
  const char* icuName;
};
// ICU's "Shift_JIS" is its Windows-31J table (NEC and IBM extensions, ～ as
// U+FF5E); Linux has no Mac Japanese table, so it serves for that variant too.
constexpr std::array<CodecName, kCodecCount> kCodecNames = {{
    {kVellEncodingUTF8, "UTF-8"},
    {kVellEncodingSJIS, "Shift_JIS"},
    {kVellEncodingEUC, "EUC-JP"},
    {kVellEncodingISO2022JP, "ISO-2022-JP"},
}};

int CodecOf(const char* name) {
  for (int c = 0; c < kCodecCount; ++c) {
    if (std::strcmp(name, kCodecNames[c].name) == 0) return c;
  }
  // ICU's spellings of the same encodings (what charset detection reports).
  for (int c = 0; c < kCodecCount; ++c) {
    if (ucnv_compareNames(name, kCodecNames[c].icuName) == 0) return c;
  }
  return kOtherCodec;
}

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

UConverter* OpenConverter(const char* icuName) {
  UErrorCode err = U_ZERO_ERROR;
  UConverter* cnv = ucnv_open(icuName, &err);
  if (U_FAILURE(err)) return nullptr;
  // Text written on a Mac holds 〜 (U+301C), − and ‖ where Windows text has
  // ～, － and ∥; with fallbacks both reach the same bytes instead of failing.
  ucnv_setFallback(cnv, true);
  ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
  ucnv_setFromUCallBack(cnv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
  UErrorCode substErr = U_ZERO_ERROR;  // a converter that refuses "?" keeps its own
  ucnv_setSubstString(cnv, u"?", 1, &substErr);
  if (U_FAILURE(err)) {
    ucnv_close(cnv);
    return nullptr;
  }
  return cnv;
}

// Opening a converter costs more than converting a title, so each thread keeps
// one of each. Every conversion starts with a reset.
UConverter* CachedConverter(int codec) {
  struct Cache {
    std::array<UConverter*, kCodecCount> slots{};
    ~Cache() {
      for (UConverter* c : slots) {
        if (c != nullptr) ucnv_close(c);
      }
    }
  };
  thread_local Cache cache;
  UConverter*& slot = cache.slots[codec];
  if (slot == nullptr) slot = OpenConverter(kCodecNames[codec].icuName);
  return slot;
}

// A converter for a name: cached for the four encodings, opened for this call
// for other ICU names.
struct Converter {
  int codec = kOtherCodec;
  UConverter* cnv = nullptr;
  ConverterPtr owned;
};

[[nodiscard]] int32_t ResolveConverter(const char* name, Converter& out) {
  if (name == nullptr) return kVellEncUnknownName;
  out.codec = CodecOf(name);
  if (out.codec != kOtherCodec) {
    out.cnv = CachedConverter(out.codec);
    return out.cnv != nullptr ? kVellEncOk : kVellEncFailed;
  }
  out.owned.reset(OpenConverter(name));
  out.cnv = out.owned.get();
  return out.cnv != nullptr ? kVellEncOk : kVellEncUnknownName;
}

bool IsTextError(UErrorCode err) {
  return err == U_INVALID_CHAR_FOUND || err == U_ILLEGAL_CHAR_FOUND ||
         err == U_TRUNCATED_CHAR_FOUND || err == U_ILLEGAL_ESCAPE_SEQUENCE ||
         err == U_UNSUPPORTED_ESCAPE_SEQUENCE;
}

// ICU's Shift_JIS table comes from IBM and swaps the controls 0x1A, 0x1C and
// 0x7F (SUB, FS, DEL) against Unicode; every other Shift JIS reader leaves
// them alone, so the swap is undone on each side. In Shift JIS these bytes are
// never part of a double-byte character, and in UTF-8 never part of a sequence.
void FixSjisControls(char* p, size_t n, bool afterDecoding) {
  // ICU decodes 1A 1C 7F as U+001C U+007F U+001A, and encodes the other way.
  const uint8_t decodedFrom[3] = {0x7F, 0x1A, 0x1C};
  const uint8_t encodedFrom[3] = {0x1C, 0x7F, 0x1A};
  const uint8_t* real = afterDecoding ? decodedFrom : encodedFrom;
  for (size_t i = 0; i < n; i += 8) {
    if (i + 8 <= n) {
      uint64_t w = Load64(reinterpret_cast<const uint8_t*>(p + i));
      if ((HasZeroByte(w ^ (kOnes * 0x1A)) | HasZeroByte(w ^ (kOnes * 0x1C)) |
           HasZeroByte(w ^ (kOnes * 0x7F))) == 0) {
        continue;  // the usual case: none of the three in these 8 bytes
      }
    }
    for (size_t k = i; k < std::min(n, i + 8); ++k) {
      auto b = static_cast<uint8_t>(p[k]);
      if (b == 0x1A) p[k] = static_cast<char>(real[0]);
      if (b == 0x1C) p[k] = static_cast<char>(real[1]);
      if (b == 0x7F) p[k] = static_cast<char>(real[2]);
    }
  }
}

// Conversions run through a UTF-16 buffer of this many units. Doing the two
// halves here (ICU's converter, then ICU's UTF-8 string functions) is about
// half again as fast as ucnv_convertEx on Japanese text.
constexpr size_t kChunkUnits = 8192;

// Decodes in with from into UTF-8, replacing out.
UErrorCode DecodeChunks(UConverter* from, bool sjis, std::string_view in, std::string& out) {
  out.clear();
  out.reserve(in.size() + in.size() / 2);
  ucnv_resetToUnicode(from);
  std::array<UChar, kChunkUnits> units;
  std::array<char, kChunkUnits * 3> utf8;
  const char* source = in.data();
  const char* sourceLimit = in.data() + in.size();
  size_t carried = 0;  // a lead surrogate whose trail comes in the next chunk
  for (;;) {
    UChar* target = units.data() + carried;
    UErrorCode err = U_ZERO_ERROR;
    ucnv_toUnicode(from, &target, units.data() + units.size(), &source, sourceLimit, nullptr, true,
                   &err);
    bool more = err == U_BUFFER_OVERFLOW_ERROR;
    if (U_FAILURE(err) && !more) return err;
    auto count = static_cast<int32_t>(target - units.data());
    carried = more && count > 0 && U16_IS_LEAD(units[count - 1]) ? 1 : 0;
    count -= static_cast<int32_t>(carried);
    int32_t written = 0;
    err = U_ZERO_ERROR;
    u_strToUTF8(utf8.data(), static_cast<int32_t>(utf8.size()), &written, units.data(), count,
                &err);
    if (U_FAILURE(err)) return err;
    if (sjis) FixSjisControls(utf8.data(), static_cast<size_t>(written), true);
    out.append(utf8.data(), static_cast<size_t>(written));
    if (!more) return U_ZERO_ERROR;
    if (carried != 0) units[0] = units[count];
  }
}

// Encodes UTF-8 with to, replacing out; ill-formed UTF-8 is an error.
UErrorCode EncodeChunks(UConverter* to, bool sjis, std::string_view in, std::string& out) {
  out.clear();
  out.reserve(in.size());
  ucnv_resetFromUnicode(to);
  std::array<UChar, kChunkUnits> units;
  std::array<char, kChunkUnits * 2> bytes;
  size_t pos = 0;
  while (pos < in.size()) {
    // Whole characters only (a cut through an ill-formed sequence leaves it
    // ill-formed); never more units than bytes.
    size_t take = Vell_Utf8CutLength(in.substr(pos), kChunkUnits);
    int32_t count = 0;
    UErrorCode err = U_ZERO_ERROR;
    u_strFromUTF8(units.data(), static_cast<int32_t>(units.size()), &count, in.data() + pos,
                  static_cast<int32_t>(take), &err);
    if (U_FAILURE(err)) return err;
    pos += take;
    const UChar* source = units.data();
    do {
      char* target = bytes.data();
      err = U_ZERO_ERROR;
      ucnv_fromUnicode(to, &target, bytes.data() + bytes.size(), &source, units.data() + count,
                       nullptr, pos == in.size(), &err);
      auto written = static_cast<size_t>(target - bytes.data());
      if (sjis) FixSjisControls(bytes.data(), written, false);
      out.append(bytes.data(), written);
    } while (err == U_BUFFER_OVERFLOW_ERROR);
    if (U_FAILURE(err)) return err;
  }
  return U_ZERO_ERROR;
}

// Counts each character the target encoding lacks and substitutes for it.
void CountAndSubstitute(const void* context, UConverterFromUnicodeArgs* args,
                        const UChar* codeUnits, int32_t length, UChar32 codePoint,
                        UConverterCallbackReason reason, UErrorCode* err) {
  if (reason > UCNV_IRREGULAR) return;  // reset, close or clone
  ++*static_cast<int32_t*>(const_cast<void*>(context));
  UCNV_FROM_U_CALLBACK_SUBSTITUTE(nullptr, args, codeUnits, length, codePoint, reason, err);
}

bool StartsWithBom(std::string_view s) { return s.substr(0, 3) == "\xEF\xBB\xBF"; }

// The four encodings, in the order an import tries them after detection.
using TryOrder = std::array<const char*, 4>;
constexpr TryOrder kOrderUtf8 = {kVellEncodingUTF8, kVellEncodingSJIS, kVellEncodingEUC,
                                 kVellEncodingISO2022JP};
constexpr TryOrder kOrderSjis = {kVellEncodingSJIS, kVellEncodingUTF8, kVellEncodingEUC,
                                 kVellEncodingISO2022JP};
constexpr TryOrder kOrderEuc = {kVellEncodingEUC, kVellEncodingUTF8, kVellEncodingSJIS,
                                kVellEncodingISO2022JP};
constexpr TryOrder kOrderJis = {kVellEncodingISO2022JP, kVellEncodingUTF8, kVellEncodingSJIS,
                                kVellEncodingEUC};

const TryOrder& OrderFor(std::string_view detected) {
  if (detected == kVellEncodingSJIS) return kOrderSjis;
  if (detected == kVellEncodingEUC) return kOrderEuc;
  if (detected == kVellEncodingISO2022JP) return kOrderJis;
  return kOrderUtf8;  // "UTF-8" and "ASCII"
}

// ICU's detectors look at statistics; a few MiB decide as well as the whole
// file, and ucsdet takes an int32 length.
constexpr size_t kDetectSampleBytes = size_t{4} << 20;

// ICU rates any even-length input 10 as UTF-16 and any double-byte-looking
// input 10 as GB18030 or Big5, with no evidence; trusting those turns a damaged
// Shift JIS file into a page of unrelated CJK characters.
constexpr int32_t kMinIcuConfidence = 11;

}  // namespace

int32_t Vell_GetTextEncoding(const uint8_t* bytes, size_t length, char* nameOut, size_t nameSize) {
  if (bytes == nullptr) length = 0;
  const char* name = DetectEncoding(bytes, length);
  if (nameOut != nullptr && nameSize > 0) {
    size_t len = std::strlen(name);
    if (len < nameSize) {
      std::memcpy(nameOut, name, len + 1);
    } else {
      nameOut[0] = '\0';  // a cut name would name another encoding
    }
  }
  return name == kVellEncodingUnknown ? 0 : 1;
}

int32_t Vell_DecodeToUTF8(std::string_view bytes, const char* encodingName, std::string& out) {
  out.clear();
  Converter from;
  if (int32_t r = ResolveConverter(encodingName, from); r != kVellEncOk) return r;
  if (from.codec == kUtf8) {
    if (!Vell_IsValidUtf8(bytes)) return kVellEncInvalid;
    out.assign(bytes);
    return kVellEncOk;
  }
  UErrorCode err = DecodeChunks(from.cnv, from.codec == kSjis, bytes, out);
  if (U_FAILURE(err)) {
    out.clear();
    return IsTextError(err) ? kVellEncInvalid : kVellEncFailed;
  }
  return kVellEncOk;
}

int32_t Vell_EncodeFromUTF8(std::string_view utf8, const char* encodingName, std::string& out,
                            VellLossy lossy, int32_t* unconvertible) {
  out.clear();
  if (unconvertible != nullptr) *unconvertible = 0;
  Converter to;
  if (int32_t r = ResolveConverter(encodingName, to); r != kVellEncOk) return r;
  if (to.codec == kUtf8) {
    if (!Vell_IsValidUtf8(utf8)) return kVellEncInvalid;
    out.assign(utf8);
    return kVellEncOk;
  }
  // Strict mode converts with substitutes too and then refuses the result, so
  // that the count covers every character, not just the first. ICU's reading
  // of the UTF-8 rejects what Vell_IsValidUtf8 rejects.
  int32_t count = 0;
  UErrorCode err = U_ZERO_ERROR;
  ucnv_setFromUCallBack(to.cnv, CountAndSubstitute, &count, nullptr, nullptr, &err);
  if (U_SUCCESS(err)) err = EncodeChunks(to.cnv, to.codec == kSjis, utf8, out);
  UErrorCode resetErr = U_ZERO_ERROR;  // drop the pointer to count even after a failure
  ucnv_setFromUCallBack(to.cnv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &resetErr);
  if (U_FAILURE(err)) {
    out.clear();
    return IsTextError(err) ? kVellEncInvalid : kVellEncFailed;
  }
  if (unconvertible != nullptr) *unconvertible = count;
  if (count > 0 && lossy == VellLossy::no) {
    out.clear();
    return kVellEncUnmappable;
  }
  return kVellEncOk;
}

int32_t Vell_ConvertUTF8ToSJIS(const char* utf8, size_t dstSize, char* dst) {
  if (dst != nullptr && dstSize > 0) dst[0] = '\0';
  if (utf8 == nullptr) return kVellEncInvalid;
  std::string sjis;
  int32_t r = Vell_EncodeFromUTF8(utf8, kVellEncodingSJIS, sjis);
  if (r == kVellEncInvalid) return kVellEncInvalid;
  if (r != kVellEncOk || dst == nullptr || sjis.size() >= dstSize) return kVellEncUnmappable;
  std::memcpy(dst, sjis.data(), sjis.size());
  dst[sjis.size()] = '\0';
  return 0;
}

int32_t Vell_GetLength_UTF8ToSJIS(const char* utf8) {
  if (utf8 == nullptr) return kVellEncInvalid;
  std::string_view s(utf8);
  if (!Vell_IsValidUtf8(s)) return kVellEncInvalid;
  if (s.empty()) return -2;
  // ASCII stays one byte; every other character is at most two bytes.
  uint64_t size = 1;
  for (char ch : s) {
    auto b = static_cast<uint8_t>(ch);
    size += b < 0x80 ? 1 : (b >= 0xC0 ? 2 : 0);
  }
  return size > INT32_MAX ? -3 : static_cast<int32_t>(size);
}

int32_t Vell_CStringWithUTF8(std::string_view utf8, const char* encodingName, size_t dstSize,
                             char* dst) {
  if (dst == nullptr || dstSize == 0) return kVellEncUnmappable;
  std::memset(dst, 0, dstSize);
  if (!Vell_IsValidUtf8(utf8)) return kVellEncInvalid;

  // (dstSize - 1) / 3 UTF-16 units, so that even three-byte characters fit;
  // a character outside the BMP is two units and is dropped whole.
  size_t maxUnits = (dstSize - 1) / 3;
  size_t cut = 0;
  if (utf8.size() <= maxUnits) {
    cut = utf8.size();  // never more units than bytes
  } else {
    for (size_t units = 0; cut < utf8.size();) {
      auto lead = static_cast<uint8_t>(utf8[cut]);
      size_t len = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      units += len == 4 ? 2 : 1;
      if (units > maxUnits) break;
      cut += len;
    }
  }
  std::string_view text = utf8.substr(0, cut);

  const char* name = kVellEncodingUTF8;
  for (const char* n : {kVellEncodingSJIS, kVellEncodingEUC, kVellEncodingISO2022JP}) {
    if (encodingName != nullptr && std::strcmp(encodingName, n) == 0) name = n;
  }
  if (name == kVellEncodingUTF8) {
    Vell_Utf8CopyCut(dst, dstSize, text);  // at most 3 bytes a unit: always fits
    return kVellEncOk;
  }
  std::string bytes;
  int32_t r = Vell_EncodeFromUTF8(text, name, bytes);
  if (r != kVellEncOk) return r;
  // Shift JIS and EUC-JP need at most 3 bytes a unit; ISO-2022-JP adds escape
  // sequences, and a cut inside one would leave a broken field.
  if (bytes.size() > dstSize - 1) return kVellEncUnmappable;
  std::memcpy(dst, bytes.data(), bytes.size());
  return kVellEncOk;
}

int32_t Vell_BytesToUTF8(const char* bytes, const char* encodingName, std::string& out) {
  out.clear();
  if (encodingName == nullptr) return kVellEncUnknownName;
  bool known = false;
  for (const CodecName& c : kCodecNames) known = known || std::strcmp(encodingName, c.name) == 0;
  if (!known) return kVellEncUnknownName;
  if (bytes == nullptr) return kVellEncInvalid;
  return Vell_DecodeToUTF8(bytes, encodingName, out);
}

int32_t Vell_DetectCharsetICU(std::string_view bytes, std::string& charsetName,
                              int32_t* confidence) {
  charsetName.clear();
  if (confidence != nullptr) *confidence = 0;
  if (bytes.empty()) return kVellFailed;
  UErrorCode err = U_ZERO_ERROR;
  std::unique_ptr<UCharsetDetector, decltype(&ucsdet_close)> detector(ucsdet_open(&err),
                                                                      &ucsdet_close);
  if (U_FAILURE(err)) return kVellFailed;
  auto length = static_cast<int32_t>(std::min(bytes.size(), kDetectSampleBytes));
  ucsdet_setText(detector.get(), bytes.data(), length, &err);
  const UCharsetMatch* match = ucsdet_detect(detector.get(), &err);
  if (U_FAILURE(err) || match == nullptr) return kVellFailed;
  const char* name = ucsdet_getName(match, &err);
  int32_t conf = ucsdet_getConfidence(match, &err);
  if (U_FAILURE(err) || name == nullptr) return kVellFailed;
  charsetName = name;
  if (confidence != nullptr) *confidence = conf;
  return 0;
}

const char* Vell_Utf16ByteOrder(std::string_view bytes) {
  const size_t n = bytes.size() & ~size_t{1};  // a last odd byte is a cut, judged by decoding
  if (n < 2) return nullptr;
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
  if (p[0] == 0xFF && p[1] == 0xFE) return "UTF-16LE";
  if (p[0] == 0xFE && p[1] == 0xFF) return "UTF-16BE";
  // Without a mark: the zero bytes of ASCII characters and line ends sit at
  // one parity only, and no unit is a control other than tab, CR, LF and FF,
  // or a lone surrogate. Japanese in Shift JIS, EUC-JP or UTF-8 has no zero
  // bytes at all.
  size_t zeros[2] = {0, 0};
  bool high = false;
  for (size_t i = 0; i < n; ++i) {
    zeros[i & 1] += p[i] == 0 ? 1 : 0;
    high = high || p[i] >= 0x80;
  }
  if ((zeros[0] == 0) == (zeros[1] == 0)) return nullptr;
  const bool little = zeros[1] != 0;
  // Only 7-bit bytes: ASCII text with a stray NUL, unless every unit is ASCII.
  if (!high && zeros[little ? 1 : 0] != n / 2) return nullptr;
  bool pendingLead = false;
  for (size_t i = 0; i < n; i += 2) {
    const unsigned unit = little ? p[i] | (p[i + 1] << 8) : (p[i] << 8) | p[i + 1];
    const bool lead = unit >= 0xD800 && unit <= 0xDBFF;
    const bool trail = unit >= 0xDC00 && unit <= 0xDFFF;
    if (trail != pendingLead) return nullptr;
    pendingLead = lead;
    if (unit < 0x20 && unit != '\t' && unit != '\n' && unit != '\r' && unit != '\f') {
      return nullptr;
    }
    if (unit == 0xFFFE || unit == 0xFFFF) return nullptr;
  }
  return little ? "UTF-16LE" : "UTF-16BE";
}

namespace {

// What a Japanese reading of a file holds, to judge whether a person wrote it
// that way: Japanese prose is a fifth or more kana; text in another encoding
// read as Shift JIS or EUC-JP gives kanji and symbols with hardly any kana,
// and often characters of the user-defined rows (private use).
struct ReadingCounts {
  size_t nonAscii = 0;
  size_t kana = 0;
  size_t privateUse = 0;
};

ReadingCounts CountReading(std::string_view utf8) {
  ReadingCounts counts;
  const auto* p = reinterpret_cast<const uint8_t*>(utf8.data());
  const size_t n = utf8.size();
  for (size_t i = SkipAscii(p, 0, n); i < n; i = SkipAscii(p, i, n)) {
    uint32_t c = p[i];
    size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    len = std::min(len, n - i);
    c &= len == 4 ? 0x07 : len == 3 ? 0x0F : 0x1F;
    for (size_t k = 1; k < len; ++k) c = (c << 6) | (p[i + k] & 0x3F);
    i += len;
    ++counts.nonAscii;
    if ((c >= 0x3041 && c <= 0x30FA) || c == 0x30FC) ++counts.kana;
    if (c >= 0xE000 && c <= 0xF8FF) ++counts.privateUse;
  }
  return counts;
}

// Valid UTF-8 that has multibyte sequences and no C1 controls (U+0080 to
// U+009F, which no one types and which the bytes of other encodings give).
bool IsPlainUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
  const size_t n = bytes.size();
  if (SkipAscii(p, 0, n) == n || !Vell_IsValidUtf8(bytes)) return false;
  for (size_t i = 0; i + 1 < n; ++i) {
    if (p[i] == 0xC2 && p[i + 1] < 0xA0) return false;
  }
  return true;
}

// ICU's confidence from which its naming of another encoding outweighs a
// Japanese reading with hardly any kana; with private-use characters in that
// reading, less is enough.
constexpr int32_t kIcuSureConfidence = 50;
constexpr int32_t kIcuLikelyConfidence = 30;
// A reading is judged by its start; the rest of a long file says the same.
constexpr size_t kReadingSampleBytes = size_t{1} << 20;

}  // namespace

int32_t Vell_DecodeTextForImport(std::string_view bytes, std::string& utf8Out,
                                 std::string* encodingUsed, std::string* whyNot) {
  utf8Out.clear();
  if (whyNot != nullptr) whyNot->clear();
  auto finish = [&](std::string_view name) {
    if (StartsWithBom(utf8Out)) utf8Out.erase(0, 3);
    if (encodingUsed != nullptr) encodingUsed->assign(name);
    return kVellEncOk;
  };
  auto fail = [&](std::string_view name, std::string reason) {
    utf8Out.clear();
    if (encodingUsed != nullptr) encodingUsed->assign(name);
    if (whyNot != nullptr) *whyNot = std::move(reason);
    return kVellEncInvalid;
  };
  if (bytes.empty()) return finish(kVellEncodingSJIS);

  // Byte-order marks, and UTF-16 whose zero bytes give it away.
  if (StartsWithBom(bytes) && Vell_DecodeToUTF8(bytes, kVellEncodingUTF8, utf8Out) == kVellEncOk) {
    return finish(kVellEncodingUTF8);
  }
  if (const char* utf16 = Vell_Utf16ByteOrder(bytes);
      utf16 != nullptr && Vell_DecodeToUTF8(bytes, utf16, utf8Out) == kVellEncOk) {
    return finish(utf16);
  }

  char detected[kVellEncodingNameSize];
  Vell_GetTextEncoding(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), detected,
                       sizeof detected);
  const bool jis = std::strcmp(detected, kVellEncodingISO2022JP) == 0;
  // Bytes that are valid UTF-8 with multibyte characters are UTF-8 in
  // practice, even where the scores favour Shift JIS or EUC-JP (é, ¥ and ±
  // are two bytes that both read as a kanji there).
  if (!jis && IsPlainUtf8(bytes)) {
    utf8Out.assign(bytes);  // validated just now
    return finish(kVellEncodingUTF8);
  }

  // ICU's detector, asked only when needed: it costs more than the rest.
  std::string charset;
  int32_t confidence = 0;
  bool icuAsked = false, icuNamed = false;
  auto askIcu = [&] {
    if (!icuAsked) icuNamed = Vell_DetectCharsetICU(bytes, charset, &confidence) == 0;
    icuAsked = true;
    return icuNamed;
  };
  // ICU's choice when it is another encoding than the four and reads the bytes.
  std::string other;
  auto otherReading = [&](int32_t atLeast) {
    return askIcu() && confidence >= atLeast && CodecOf(charset.c_str()) == kOtherCodec &&
           Vell_DecodeToUTF8(bytes, charset.c_str(), other) == kVellEncOk;
  };

  if (std::strcmp(detected, kVellEncodingUnknown) != 0) {
    for (const char* name : OrderFor(detected)) {
      if (Vell_DecodeToUTF8(bytes, name, utf8Out) != kVellEncOk) continue;
      if (name != kVellEncodingSJIS && name != kVellEncodingEUC) return finish(name);
      const ReadingCounts counts =
          CountReading(std::string_view(utf8Out).substr(0, kReadingSampleBytes));
      const bool fewKana = counts.kana * 8 < counts.nonAscii && counts.nonAscii >= 4;
      if (!fewKana) return finish(name);
      if (otherReading(counts.privateUse > 0 ? kIcuLikelyConfidence : kIcuSureConfidence)) {
        utf8Out = std::move(other);
        return finish(charset);
      }
      if (counts.privateUse == 0) return finish(name);
      return fail(detected, std::string("read as ") + name +
                                " it is mostly user-defined characters and symbols, and no "
                                "other encoding fits it well" +
                                (icuNamed ? " (the best guess, " + charset + ", is not sure)"
                                          : std::string()));
    }
  }

  // Anything ICU recognises (Latin-1, GB18030, ...) is used, under our name
  // when it is one of the four.
  if (askIcu() && confidence >= kMinIcuConfidence &&
      Vell_DecodeToUTF8(bytes, charset.c_str(), utf8Out) == kVellEncOk) {
    int codec = CodecOf(charset.c_str());
    return finish(codec != kOtherCodec ? kCodecNames[codec].name : charset);
  }
  return fail(detected,
              "not valid in Shift JIS, EUC-JP, ISO-2022-JP or UTF-8, and no other "
              "encoding could be recognised");
}
