#include "core/util/vell_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

// Fixtures are glibc iconv output, e.g. `printf 日本語 | iconv -t SHIFT_JIS | xxd`
// (likewise -t EUC-JP, -t ISO-2022-JP, -t CP932, and -t UTF-16, which writes a
// byte-order mark and little-endian units here).
const std::string kNihongo = "日本語";
const std::string kNihongoSjis = "\x93\xFA\x96\x7B\x8C\xEA";
const std::string kNihongoEuc = "\xC6\xFC\xCB\xDC\xB8\xEC";
const std::string kNihongoJis = "\x1B\x24\x42\x46\x7C\x4B\x5C\x38\x6C\x1B\x28\x42";
const std::string kNihongoUtf16("\xFF\xFE\xE5\x65\x2C\x67\x9E\x8A", 8);
const std::string kSmile = "\xF0\x9F\x98\x80";  // 😀, two UTF-16 units

std::string Detect(const std::string& bytes, int32_t* result = nullptr) {
  char name[kVellEncodingNameSize] = "x";
  int32_t r = Vell_GetTextEncoding(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                   name, sizeof name);
  if (result != nullptr) *result = r;
  return name;
}

std::string Decode(const std::string& bytes, const char* name, int32_t expect = kVellEncOk) {
  std::string out = "stale";
  EXPECT_EQ(Vell_DecodeToUTF8(bytes, name, out), expect) << name;
  return out;
}

std::string Encode(const std::string& utf8, const char* name, int32_t expect = kVellEncOk) {
  std::string out = "stale";
  EXPECT_EQ(Vell_EncodeFromUTF8(utf8, name, out), expect) << name;
  return out;
}

TEST(VellEncodingDetect, EscapeSequenceBeforeAnyHighByteMeansIso2022jp) {
  int32_t r = -1;
  EXPECT_EQ(Detect(kNihongoJis, &r), "ISO2022JP");
  EXPECT_EQ(r, 1);
  EXPECT_EQ(Detect("a\x1B(Jb"), "ISO2022JP");
  // The pass stops at the first byte of 0x80 or more.
  EXPECT_NE(Detect("\x80" + kNihongoJis), "ISO2022JP");
  // Too few bytes after the ESC, or a designation of another character set.
  EXPECT_EQ(Detect("ab\x1B$"), "ASCII");
  EXPECT_EQ(Detect("\x1B$A!!"), "ASCII");
}

TEST(VellEncodingDetect, AsciiExcludesDelAndUtf16IsUnknown) {
  int32_t r = -1;
  EXPECT_EQ(Detect("", &r), "ASCII");
  EXPECT_EQ(r, 1);
  EXPECT_EQ(Detect("plain text, tab\there~\r\n"), "ASCII");
  EXPECT_EQ(Detect("twelve bytes\x7F", &r), "Unknown");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(Detect(kNihongoUtf16, &r), "Unknown");
  EXPECT_EQ(r, 0);
}

TEST(VellEncodingDetect, ScoresPickTheJapaneseEncoding) {
  EXPECT_EQ(Detect(kNihongoSjis), "S-JIS");
  EXPECT_EQ(Detect(kNihongo), "UTF-8");
  EXPECT_EQ(Detect(kNihongoEuc), "EUC");
  EXPECT_EQ(Detect("\xEF\xBB\xBFnote"), "UTF-8");
  EXPECT_EQ(Detect("Memo: " + kNihongoSjis + " 2024\r\n" + kNihongoSjis), "S-JIS");
  // Ties: 日 in UTF-8 scores 3 as UTF-8 and as Shift JIS, and UTF-8 wins;
  // ｱｲ in Shift JIS (B1 B2) scores 2 as Shift JIS and as EUC, and EUC wins.
  EXPECT_EQ(Detect("\xE6\x97\xA5"), "UTF-8");
  EXPECT_EQ(Detect("\xB1\xB2"), "EUC");
  // A byte that ends EUC's scan: 0x8F needs two more bytes.
  EXPECT_EQ(Detect("\xA4\xA2\x8F\xA1"), "S-JIS");
}

TEST(VellEncodingConvert, FixturesRoundTripInEachEncoding) {
  const std::pair<const char*, std::string> cases[] = {{"S-JIS", kNihongoSjis},
                                                       {"EUC", kNihongoEuc},
                                                       {"ISO2022JP", kNihongoJis},
                                                       {"UTF-8", kNihongo}};
  for (const auto& [name, bytes] : cases) {
    EXPECT_EQ(Decode("a" + bytes + "\n", name), "a" + kNihongo + "\n") << name;
    EXPECT_EQ(Encode("a" + kNihongo + "\n", name), "a" + bytes + "\n") << name;
  }
  // ICU charset names work too, as charset detection reports them.
  EXPECT_EQ(Decode(kNihongoUtf16.substr(2), "UTF-16LE"), kNihongo);
  EXPECT_EQ(Decode(kNihongoSjis, "Shift_JIS"), kNihongo);
}

TEST(VellEncodingConvert, ShiftJisIsWindows31J) {
  // `printf '～①㈱髙' | iconv -t CP932 | xxd`: full-width tilde, NEC and IBM extensions.
  const std::string vendor = "～①㈱髙";
  const std::string vendorSjis = "\x81\x60\x87\x40\x87\x8A\xFB\xFC";
  EXPECT_EQ(Encode(vendor, "S-JIS"), vendorSjis);
  EXPECT_EQ(Decode(vendorSjis, "S-JIS"), vendor);
  // Mac text has the wave dash U+301C where Windows has U+FF5E; both are 81 60.
  EXPECT_EQ(Encode("〜", "S-JIS"), "\x81\x60");
  // SUB, FS and DEL stay themselves (ICU's IBM table swaps them).
  const std::string controls = "\x1A\x1C\x7F";
  EXPECT_EQ(Decode(controls, "S-JIS"), controls);
  EXPECT_EQ(Encode(controls, "S-JIS"), controls);
  // Half-width katakana are single bytes: `printf ｱｲ | iconv -t SHIFT_JIS`.
  EXPECT_EQ(Decode("\xB1\xB2", "S-JIS"), "ｱｲ");
}

TEST(VellEncodingConvert, ReportsInvalidInputAndUnknownNames) {
  EXPECT_EQ(Decode(kNihongoSjis.substr(0, 5), "S-JIS", kVellEncInvalid), "");  // cut lead
  EXPECT_EQ(Decode("\x81\x20", "S-JIS", kVellEncInvalid), "");
  EXPECT_EQ(Decode("\xA9\xA1", "EUC", kVellEncInvalid), "");  // unassigned row 9
  EXPECT_EQ(Decode("\x1B$B\xC6\xFC", "ISO2022JP", kVellEncInvalid), "");
  EXPECT_EQ(Decode("\xE6\x97", "UTF-8", kVellEncInvalid), "");
  EXPECT_EQ(Encode("ok\xE6\x97", "S-JIS", kVellEncInvalid), "");
  EXPECT_EQ(Encode("ok\xC0\x80", "UTF-8", kVellEncInvalid), "");  // overlong NUL
  EXPECT_EQ(Encode("\xED\xA0\x80", "S-JIS", kVellEncInvalid), "");
  EXPECT_EQ(Decode("abc", "Unknown", kVellEncUnknownName), "");
  EXPECT_EQ(Encode("abc", "no-such-charset", kVellEncUnknownName), "");
  std::string out;
  EXPECT_EQ(Vell_DecodeToUTF8("abc", nullptr, out), kVellEncUnknownName);
}

TEST(VellEncodingConvert, UnmappableCharactersFailOrAreCountedWhenLossy) {
  const std::string text = "a" + kSmile + "b" + kSmile + "\xC2\xA2";  // ¢ has no CP932 form
  std::string out = "stale";
  int32_t count = -1;
  EXPECT_EQ(Vell_EncodeFromUTF8(text, "S-JIS", out, VellLossy::no, &count), kVellEncUnmappable);
  EXPECT_EQ(out, "");
  EXPECT_EQ(count, 3);
  EXPECT_EQ(Vell_EncodeFromUTF8(text, "S-JIS", out, VellLossy::yes, &count), kVellEncOk);
  EXPECT_EQ(out, "a?b??");
  EXPECT_EQ(count, 3);
  EXPECT_EQ(Vell_EncodeFromUTF8("あ" + kSmile, "ISO2022JP", out, VellLossy::yes, &count),
            kVellEncOk);
  EXPECT_EQ(out, "\x1B$B$\"\x1B(B?");
  EXPECT_EQ(count, 1);
  EXPECT_EQ(Vell_EncodeFromUTF8("あ" + kSmile, "EUC", out, VellLossy::yes, &count), kVellEncOk);
  EXPECT_EQ(out, "\xA4\xA2?");
  EXPECT_EQ(Vell_EncodeFromUTF8(kSmile, "UTF-8", out, VellLossy::no, &count), kVellEncOk);
  EXPECT_EQ(count, 0);
}

TEST(VellEncodingSjisBuffer, ConvertsIntoTheBufferOrLeavesItEmpty) {
  char dst[8];
  EXPECT_EQ(Vell_ConvertUTF8ToSJIS("a日本", sizeof dst, dst), 0);
  EXPECT_STREQ(dst, "a\x93\xFA\x96\x7B");
  EXPECT_EQ(Vell_ConvertUTF8ToSJIS("日本語a", 7, dst), -2);  // needs 8 with the NUL
  EXPECT_STREQ(dst, "");
  EXPECT_EQ(Vell_ConvertUTF8ToSJIS(kSmile.c_str(), sizeof dst, dst), -2);
  EXPECT_STREQ(dst, "");
  EXPECT_EQ(Vell_ConvertUTF8ToSJIS("\xE6\x97", sizeof dst, dst), -1);
  EXPECT_EQ(Vell_ConvertUTF8ToSJIS(nullptr, sizeof dst, dst), -1);

  EXPECT_EQ(Vell_GetLength_UTF8ToSJIS(""), -2);
  EXPECT_EQ(Vell_GetLength_UTF8ToSJIS("\xE6\x97"), -1);
  EXPECT_EQ(Vell_GetLength_UTF8ToSJIS("a日本語é"), 1 + 4 * 2 + 1);
  // The size it gives is always enough.
  const char* text = "ｱｲ～①a〜";
  std::string buffer(static_cast<size_t>(Vell_GetLength_UTF8ToSJIS(text)), 'x');
  EXPECT_EQ(Vell_ConvertUTF8ToSJIS(text, buffer.size(), buffer.data()), 0);
}

std::string Import(const std::string& bytes, std::string* used, int32_t expect = kVellEncOk) {
  std::string out = "stale";
  EXPECT_EQ(Vell_DecodeTextForImport(bytes, out, used), expect);
  return out;
}

TEST(VellEncodingImport, TriesEncodingsInTheOrderDetectionGives) {
  // "\xA9\xA1\xA9\xA1" is detected as EUC, but row 9 is unassigned in EUC-JP and
  // the bytes are not UTF-8; as Shift JIS they are half-width katakana
  // (`printf ｩ｡ｩ｡ | iconv -t SJIS`).
  const std::tuple<std::string, std::string, const char*> cases[] = {
      {kNihongoEuc, kNihongo, "EUC"},
      {kNihongoJis, kNihongo, "ISO2022JP"},
      {"\xEF\xBB\xBF" + kNihongo, kNihongo, "UTF-8"},
      {"\xA9\xA1\xA9\xA1", "ｩ｡ｩ｡", "S-JIS"}};
  for (const auto& [bytes, text, name] : cases) {
    std::string used;
    EXPECT_EQ(Import(bytes, &used), text) << name;
    EXPECT_EQ(used, name);
  }
}

TEST(VellEncodingImport, FallsBackToIcuDetectionAndReportsFailure) {
  std::string used;
  std::string charset;
  int32_t confidence = 0;
  EXPECT_EQ(Vell_DetectCharsetICU(kNihongoUtf16, charset, &confidence), 0);
  EXPECT_EQ(charset, "UTF-16LE");
  EXPECT_EQ(confidence, 100);
  EXPECT_EQ(Import(kNihongoUtf16, &used), kNihongo);  // the mark is dropped
  EXPECT_EQ(used, "UTF-16LE");
  // ASCII with DEL is Unknown to the scores; ICU reads it (as some Latin set).
  EXPECT_EQ(Import("twelve bytes\x7F", &used), "twelve bytes\x7F");
  EXPECT_NE(used, "Unknown");
  // Unknown to both detectors: not imported, never an empty success.
  EXPECT_EQ(Vell_DetectCharsetICU("\xFF", charset, &confidence), -1);
  EXPECT_EQ(Import("\xFF", &used, kVellEncInvalid), "");
  EXPECT_EQ(used, "Unknown");
  // Shift JIS by the scores, yet none of the four decodes it (EF 40 is
  // unassigned), and ICU's only guess is UTF-16BE with no evidence.
  EXPECT_EQ(Import(kNihongoSjis + "\xEF\x40", &used, kVellEncInvalid), "");
}

// Made with `printf TEXT | iconv -t UTF-8` (the source text itself), and
// `-t EUC-KR`, `-t GB2312`, `-t SHIFT_JIS`, `-t EUC-JP`, `-t UTF-16LE`,
// `-t UTF-16BE`, then `xxd`.
TEST(VellEncodingImport, ValidUtf8IsUtf8EvenWhereTheScoresSayOtherwise) {
  // Each is valid Shift JIS or EUC-JP too, and the scores pick that.
  EXPECT_EQ(Detect("caf\xC3\xA9"), "EUC");
  for (const std::string text : {"caf\xC3\xA9",
                                 "\xC2\xA5"
                                 "100",
                                 "誤差±5%", "温度 25°C ©"}) {
    std::string used;
    EXPECT_EQ(Import(text, &used), text);
    EXPECT_EQ(used, "UTF-8") << text;
  }
}

TEST(VellEncodingImport, OtherEncodingsAreNotStoredAsJapanese) {
  // 안녕하세요. 오늘은 날씨가 좋습니다. 저는 학교에 갑니다. in EUC-KR: valid EUC-JP,
  // where it reads as a string of unrelated kanji.
  const std::string korean =
      "\xBE\xC8\xB3\xE7\xC7\xCF\xBC\xBC\xBF\xE4. \xBF\xC0\xB4\xC3\xC0\xBA \xB3\xAF\xBE\xBE\xB0\xA1 "
      "\xC1\xC1\xBD\xC0\xB4\xCF\xB4\xD9. \xC0\xFA\xB4\xC2 \xC7\xD0\xB1\xB3\xBF\xA1 "
      "\xB0\xA9\xB4\xCF\xB4\xD9.\n";
  // 你好，今天天气很好。我去学校。这是一个测试文件。 in GB2312.
  const std::string chinese =
      "\xC4\xE3\xBA\xC3\xA3\xAC\xBD\xF1\xCC\xEC\xCC\xEC\xC6\xF8\xBA\xDC\xBA\xC3\xA1\xA3\xCE\xD2"
      "\xC8\xA5\xD1\xA7\xD0\xA3\xA1\xA3\xD5\xE2\xCA\xC7\xD2\xBB\xB8\xF6\xB2\xE2\xCA\xD4\xCE\xC4"
      "\xBC\xFE\xA1\xA3\n";
  EXPECT_EQ(Detect(korean), "EUC");
  std::string used;
  EXPECT_EQ(Import(korean, &used), "안녕하세요. 오늘은 날씨가 좋습니다. 저는 학교에 갑니다.\n");
  EXPECT_EQ(used, "EUC-KR");
  EXPECT_EQ(Import(chinese, &used), "你好，今天天气很好。我去学校。这是一个测试文件。\n");
  EXPECT_EQ(used, "GB18030");

  // Japanese keeps its reading: prose, and kanji without kana, which ICU
  // takes for a single-byte Greek or Latin text.
  const std::tuple<std::string, std::string, const char*> japanese[] = {
      // 日本語のテキストです。今日は良い天気ですね。
      {"\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x65\x83\x4C\x83\x58\x83\x67\x82\xC5\x82\xB7\x81\x42"
       "\x8D\xA1\x93\xFA\x82\xCD\x97\xC7\x82\xA2\x93\x56\x8B\x43\x82\xC5\x82\xB7\x82\xCB\x81\x42",
       "日本語のテキストです。今日は良い天気ですね。", "S-JIS"},
      {"\xC6\xFC\xCB\xDC\xB8\xEC\xA4\xCE\xA5\xC6\xA5\xAD\xA5\xB9\xA5\xC8\xA4\xC7\xA4\xB9\xA1\xA3"
       "\xBA\xA3\xC6\xFC\xA4\xCF\xCE\xC9\xA4\xA4\xC5\xB7\xB5\xA4\xA4\xC7\xA4\xB9\xA4\xCD\xA1\xA3",
       "日本語のテキストです。今日は良い天気ですね。", "EUC"},
      {"\x89\xEF\x8B\x63\x8E\xBA", "会議室", "S-JIS"},
      {"\x93\x8C\x8B\x9E\x93\x73\x90\xE7\x91\xE3\x93\x63\x8B\xE6\n", "東京都千代田区\n", "S-JIS"},
  };
  for (const auto& [bytes, text, name] : japanese) {
    EXPECT_EQ(Import(bytes, &used), text) << name;
    EXPECT_EQ(used, name);
  }

  // Shift JIS user-defined characters and nothing else: no reading is
  // believable, so the file is refused with a reason.
  std::string why;
  std::string out = "stale";
  EXPECT_EQ(Vell_DecodeTextForImport("\xF0\x40\xF1\x80\xF2\x90\xF3\xA0\xF4\xB0", out, &used, &why),
            kVellEncInvalid);
  EXPECT_EQ(out, "");
  EXPECT_NE(why.find("user-defined"), std::string::npos) << why;
}

TEST(VellEncodingImport, PlainUtf16IsReadWithOrWithoutAMark) {
  // 日本、テスト\nA in UTF-16LE and UTF-16BE: 、 is 01 30, which the binary
  // test would take for a control byte.
  const std::string le("\xE5\x65\x2C\x67\x01\x30\xC6\x30\xB9\x30\xC8\x30\x0A\x00\x41\x00", 16);
  std::string be = le;
  for (size_t i = 0; i < be.size(); i += 2) std::swap(be[i], be[i + 1]);
  EXPECT_STREQ(Vell_Utf16ByteOrder(le), "UTF-16LE");
  EXPECT_STREQ(Vell_Utf16ByteOrder(be), "UTF-16BE");
  EXPECT_STREQ(Vell_Utf16ByteOrder("\xFE\xFF"), "UTF-16BE");
  std::string used;
  EXPECT_EQ(Import(le, &used), "日本、テスト\nA");
  EXPECT_EQ(used, "UTF-16LE");
  EXPECT_EQ(Import("\xFE\xFF" + be, &used), "日本、テスト\nA");
  EXPECT_EQ(used, "UTF-16BE");
  // Not UTF-16: no zero bytes, zeros at both parities, a control unit, a
  // lone surrogate.
  EXPECT_EQ(Vell_Utf16ByteOrder("plain ascii!"), nullptr);
  EXPECT_EQ(Vell_Utf16ByteOrder(std::string("a\0\0b", 4)), nullptr);
  EXPECT_EQ(Vell_Utf16ByteOrder(std::string("a\0\x01\0", 4)), nullptr);
  EXPECT_EQ(Vell_Utf16ByteOrder(std::string("a\0\x00\xDC", 4)), nullptr);
  // ASCII with a stray NUL stays ASCII; ASCII in UTF-16 is UTF-16.
  EXPECT_EQ(Vell_Utf16ByteOrder(std::string("abc\0", 4)), nullptr);
  EXPECT_STREQ(Vell_Utf16ByteOrder(std::string("a\0b\0", 4)), "UTF-16LE");
}

}  // namespace
