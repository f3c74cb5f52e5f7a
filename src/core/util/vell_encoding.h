// Text encodings: the names stored in entries (en_encode), detection of the
// encoding of a file's bytes, and conversion between UTF-8 (the system's own
// text) and the Japanese encodings other programs write. Conversions go through
// ICU converters and report bad input and characters that have no form in the
// target encoding; nothing here throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/util/vell_status.h"  // kVellEnc*: the results of the conversions

// Encoding names as stored and passed around; compared exactly, case included.
inline constexpr char kVellEncodingUTF8[] = "UTF-8";
inline constexpr char kVellEncodingSJIS[] = "S-JIS";
inline constexpr char kVellEncodingEUC[] = "EUC";
inline constexpr char kVellEncodingISO2022JP[] = "ISO2022JP";
// Detection results only; no conversion uses them.
inline constexpr char kVellEncodingASCII[] = "ASCII";
inline constexpr char kVellEncodingUnknown[] = "Unknown";
// Smallest buffer that holds every name above with its NUL.
inline constexpr size_t kVellEncodingNameSize = 10;

// Whether an encoding substitutes "?" for characters it cannot hold (exports
// that tell the user afterwards) or fails on the first one.
enum class VellLossy { no, yes };

// Detects the encoding of length bytes: escape sequences of ISO-2022-JP, plain
// ASCII (0x00-0x7E; DEL is not ASCII here), then scores for Shift JIS, UTF-8 and
// EUC-JP. Writes the name into nameOut when it fits in nameSize bytes (an empty
// string otherwise). Returns 1 for a recognised encoding, 0 for "Unknown".
// UTF-16 text is not recognised.
int32_t Vell_GetTextEncoding(const uint8_t* bytes, size_t length, char* nameOut, size_t nameSize);

// Decodes bytes in encodingName into UTF-8 text in out. encodingName is one of
// "UTF-8", "S-JIS", "EUC", "ISO2022JP", or any charset name ICU knows (what
// charset detection reports, such as "UTF-16LE"). A byte-order mark is kept.
// Returns kVellEncOk, kVellEncInvalid for bytes that are not text in that
// encoding, kVellEncUnknownName or kVellEncFailed; out is empty on failure.
[[nodiscard]] int32_t Vell_DecodeToUTF8(std::string_view bytes, const char* encodingName,
                                        std::string& out);

// Encodes UTF-8 text into encodingName (the names Vell_DecodeToUTF8 accepts).
// Characters the encoding lacks make it fail with kVellEncUnmappable, or with
// VellLossy::yes become "?"; either way their number goes to *unconvertible
// when given. Invalid UTF-8 is kVellEncInvalid. out is empty on failure.
[[nodiscard]] int32_t Vell_EncodeFromUTF8(std::string_view utf8, const char* encodingName,
                                          std::string& out, VellLossy lossy = VellLossy::no,
                                          int32_t* unconvertible = nullptr);

// Converts NUL-terminated UTF-8 text to Shift JIS in dst (dstSize bytes, NUL
// included). Returns 0; kVellEncInvalid when the input is null or not valid
// UTF-8; kVellEncUnmappable when a character has no Shift JIS form or the
// result does not fit. dst is an empty string on failure.
[[nodiscard]] int32_t Vell_ConvertUTF8ToSJIS(const char* utf8, size_t dstSize, char* dst);

// The buffer size for Vell_ConvertUTF8ToSJIS: the largest Shift JIS size the
// text can have, plus 1. kVellEncInvalid for a null or invalid input, -2 for an
// empty text, -3 when the size does not fit in int32_t.
[[nodiscard]] int32_t Vell_GetLength_UTF8ToSJIS(const char* utf8);

// Writes text typed by the user into a fixed field: keeps the first
// (dstSize - 1) / 3 UTF-16 units of utf8 (never splitting a surrogate pair),
// converts them to "S-JIS", "EUC" or "ISO2022JP" (any other name gives UTF-8)
// and copies the result into dst, zero-filled. Returns 0; kVellEncInvalid for
// invalid UTF-8; kVellEncUnmappable when a character cannot be converted, when
// ISO-2022-JP escapes make the result too long, or when dst is null or
// dstSize 0. dst is an empty string on failure.
[[nodiscard]] int32_t Vell_CStringWithUTF8(std::string_view utf8, const char* encodingName,
                                           size_t dstSize, char* dst);

// Text from a NUL-terminated byte string in "UTF-8", "S-JIS", "EUC" or
// "ISO2022JP" (no other name). Returns 0, kVellEncInvalid for a null input or
// bytes that are not valid in that encoding, kVellEncUnknownName for any other
// name or kVellEncFailed. out is empty on failure.
[[nodiscard]] int32_t Vell_BytesToUTF8(const char* bytes, const char* encodingName,
                                       std::string& out);

// Charset detection by ICU over (a prefix of) the bytes: the best match's name
// and confidence (0-100). Returns 0, or kVellFailed when ICU recognises nothing.
[[nodiscard]] int32_t Vell_DetectCharsetICU(std::string_view bytes, std::string& charsetName,
                                            int32_t* confidence);

// "UTF-16LE" or "UTF-16BE" when bytes are plainly UTF-16: they begin with a
// byte-order mark, or their zero bytes (those of ASCII characters) all stand
// at one parity and no unit is a control other than tab, CR, LF and FF or a
// lone surrogate. nullptr otherwise.
[[nodiscard]] const char* Vell_Utf16ByteOrder(std::string_view bytes);

// Decides the encoding of a text file's bytes for import and decodes them;
// `kdx detect` reports the same decision. In order: a UTF-8 byte-order mark
// means UTF-8, and UTF-16 (Vell_Utf16ByteOrder) is read as such; bytes that
// are valid UTF-8 with multibyte characters (and no C1 controls) are UTF-8.
// Otherwise Vell_GetTextEncoding picks the order in which "UTF-8", "S-JIS",
// "EUC" and "ISO2022JP" are tried. A Shift JIS or EUC-JP reading with hardly
// any kana gives way to ICU charset detection when that names another
// encoding with confidence (Korean in EUC-KR is valid EUC-JP); such a reading
// that is mostly user-defined characters with no sure alternative fails.
// When detection gives "Unknown" or none of the four decodes, ICU charset
// detection chooses (a guess without evidence, confidence 10 or less, is not
// taken). A leading U+FEFF is dropped from the text. *encodingUsed receives
// one of the four names, or the ICU charset name of another encoding; an
// empty input gives an empty text and "S-JIS". Returns 0, or kVellEncInvalid
// (text empty, *encodingUsed the detected name, *whyNot a sentence saying
// why) when no encoding decodes the bytes as text.
[[nodiscard]] int32_t Vell_DecodeTextForImport(std::string_view bytes, std::string& utf8Out,
                                               std::string* encodingUsed,
                                               std::string* whyNot = nullptr);
