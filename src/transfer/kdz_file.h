// The single-entry export file ("kdz"): an entry's fields and its note as
// "[key] value" lines with CR LF line ends, written beside an exported body so
// that importing the body brings the entry back whole. The file never holds
// ciphertext: the note is written in plain text and the encryption flags only
// tell the importing document how to store the entry's blocks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/document/kdx_data.h"
#include "core/document/records.h"
#include "transfer/transfer_status.h"  // kKdzNote*, kKdxErrFile

// The version characters written on the "[version]" line.
inline constexpr char kKdzVersionChars[] = "0361138";
// The extension of the file, and the marker of its last line.
inline constexpr char kKdzExtension[] = "kdz";
inline constexpr char kKdzNoteKey[] = "[note]";
// The part of each line the reader looks at.
inline constexpr int32_t kKdzMaxLineBytes = 1023;

// Keyed lines read from one file at most: the file has a few dozen.
inline constexpr size_t kKdzMaxKeyedLines = 1024;

// One line of a read file: the key with its brackets and the value after the
// first "] ".
struct KdzLine {
  std::string key;
  std::string value;
};

// Writes the export file of entry to path, replacing a file there: the key
// lines in their fixed order, then "[note] " and the note (deciphered when
// encrypted). CR, LF and tab in the values other than the note are written as
// blanks, so no value can start a line of its own. 0, or kKdxErrFile when the
// note cannot be loaded or the file cannot be written whole (logged).
[[nodiscard]] int32_t KDX_ExportKdzFile(KDX_DATA* data, const KDX_ENTRY& entry,
                                        const std::string& path);

// Reads the fields of an export file into *entry and the "[file_ext]" value
// into extension (cut to 15 bytes at a character boundary). Only the lines
// before the "[note]" line count; of each key the first line counts. Texts are
// cut to their field at a character boundary, a missing text key empties the
// field, a missing number reads as 0, a label outside 0 to 7 as 0. en_id and
// the fields the file does not carry are left as they were. 1, or 0 when the
// file cannot be read or is empty (*entry and extension are then unchanged).
[[nodiscard]] int32_t KDX_ReadEntry_FromKdzFile(const std::string& path, KDX_ENTRY* entry,
                                                char extension[16]);

// The note of an export file: everything after "[note]" and its blank, where
// "[note]" counts only at the start of the file or of a line. 1 with *note
// set; kKdzNoteUnreadable when the file cannot be read, kKdzNoNote when it has
// no "[note]" (both logged, *note then empty).
[[nodiscard]] int32_t KDX_ReadNote_FromKdzFile(const std::string& path, std::string* note);

// The keyed lines of an export file's text (lines without "] " are passed
// over), up to (not including) its "[note]" line and at most kKdzMaxKeyedLines.
[[nodiscard]] std::vector<KdzLine> KDX_SplitKdzLines(const char* text);

// The value of the first line whose key is key; empty when there is none.
[[nodiscard]] std::string FindTargetValue_ByKdzFileAry(const std::vector<KdzLine>& lines,
                                                       const std::string& key);

// The path with its extension replaced by "kdz" when that extension equals
// extension without regard to ASCII case (memo.RTF, "rtf" -> memo.kdz);
// otherwise an empty string. Only the last part of the path is looked at.
[[nodiscard]] std::string GeneratePathToKdzPath(const std::string& path,
                                                const std::string& extension);
