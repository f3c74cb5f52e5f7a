// Writing and reading the single-entry export file.
#include "transfer/kdz_file.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

#include "core/content/entry_content.h"
#include "core/util/vell_file.h"
#include "core/util/vell_log.h"
#include "core/util/vell_tab.h"
#include "core/util/vell_utf8.h"
#include "transfer/export_write.h"

namespace {

enum class KdzKind {
  kVersion,  // written only
  kId,       // written only: the importing document draws a new identifier
  kText,
  kNumber,
  kFlag,  // en_is_select_entrylist: any non-zero number reads as 1
  kFileExt,
};

struct KdzField {
  const char* key;
  KdzKind kind;
  size_t offset;  // into KDX_ENTRY, for kText, kNumber and kFlag
  size_t width;   // of a text field
};

#define KDZ_TEXT(field) \
  { "[" #field "]", KdzKind::kText, offsetof(KDX_ENTRY, field), sizeof(KDX_ENTRY::field) }
#define KDZ_NUMBER(field) \
  { "[" #field "]", KdzKind::kNumber, offsetof(KDX_ENTRY, field), 0 }

// The lines of the file, in the order they are written.
const KdzField kKdzFields[] = {
    {"[version]", KdzKind::kVersion, 0, 0},
    {"[en_id]", KdzKind::kId, 0, 0},
    KDZ_TEXT(en_title),
    KDZ_TEXT(en_cat1_name),
    KDZ_TEXT(en_cat2_name),
    KDZ_TEXT(en_cat3_name),
    KDZ_NUMBER(en_co_id),
    KDZ_TEXT(en_create_date),
    KDZ_TEXT(en_update_date),
    KDZ_TEXT(en_last_opened_date),
    KDZ_TEXT(en_use_date),
    KDZ_NUMBER(en_window_position_left),
    KDZ_NUMBER(en_window_position_top),
    KDZ_NUMBER(en_window_position_right),
    KDZ_NUMBER(en_window_position_bottom),
    KDZ_NUMBER(en_window_z_index),
    KDZ_NUMBER(en_focus_item),
    KDZ_NUMBER(en_detail_toggle),
    KDZ_NUMBER(en_body_scroll_position),
    KDZ_NUMBER(en_body_caret_position),
    KDZ_NUMBER(en_body_selection_start),
    KDZ_NUMBER(en_body_selection_end),
    KDZ_TEXT(en_file_path),
    KDZ_TEXT(en_create_os),
    KDZ_TEXT(en_update_os),
    KDZ_TEXT(en_create_machine_name),
    KDZ_TEXT(en_update_machine_name),
    {"[en_is_select_entrylist]", KdzKind::kFlag, offsetof(KDX_ENTRY, en_is_select_entrylist), 0},
    KDZ_TEXT(en_encode),
    {"[file_ext]", KdzKind::kFileExt, 0, 0},
    KDZ_NUMBER(en_encrypt),
    KDZ_NUMBER(en_bo_encrypt),
    KDZ_NUMBER(en_no_encrypt),
};

#undef KDZ_TEXT
#undef KDZ_NUMBER

constexpr size_t kExtensionBufferSize = 16;

// A text field of the entry, bounded by its width even without a NUL.
std::string_view TextField(const KDX_ENTRY& entry, const KdzField& field) {
  const char* text = reinterpret_cast<const char*>(&entry) + field.offset;
  return std::string_view(text, strnlen(text, field.width));
}

// The number field of the entry that field describes.
int32_t& NumberField(KDX_ENTRY& entry, const KdzField& field) {
  return *reinterpret_cast<int32_t*>(reinterpret_cast<char*>(&entry) + field.offset);
}
int32_t NumberValue(const KDX_ENTRY& entry, const KdzField& field) {
  return *reinterpret_cast<const int32_t*>(reinterpret_cast<const char*>(&entry) + field.offset);
}

// A value on one line: CR, LF and tab would end it or start another line.
std::string OneLine(std::string_view value) {
  std::string line(value);
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n' || c == '\t'; }, ' ');
  return line;
}

// Decimal text as a number: leading blanks and a sign allowed, anything after
// the digits ignored, out-of-range values clamped, no digits read as 0.
int32_t ParseNumber(const std::string& text) {
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (end == text.c_str()) return 0;
  return static_cast<int32_t>(std::clamp<long long>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// True when the row is the note's marker line ("[note]", then a blank or nothing).
bool IsNoteRow(std::string_view row) {
  const std::string_view key = kKdzNoteKey;
  return row.substr(0, key.size()) == key && (row.size() == key.size() || row[key.size()] == ' ');
}

// The whole file, within the import limit; empty (and false) when it cannot
// be read.
[[nodiscard]] bool ReadWholeFile(const std::string& path, std::string* text) {
  return Vell_ReadFileUpTo(path.c_str(), kKdxImportMaxFileBytes, text) == 0;
}

}  // namespace

int32_t KDX_ExportKdzFile(KDX_DATA* data, const KDX_ENTRY& entry, const std::string& path) {
  std::string note;
  const int32_t size =
      KDX_LoadBlockText(data->kdxFilePath.c_str(), entry, KdxBlockKind::kNote, &note);
  if (size < 0 && size != kKdxLoadMissing) {
    // A note that cannot be read is not written as an empty one.
    Vell_SystemErrorLog("[-1] KDX_ExportKdzFile[%d]\r\n", entry.en_id);
    return kKdxErrFile;
  }

  std::string out;
  for (const KdzField& field : kKdzFields) {
    std::string value;
    switch (field.kind) {
      case KdzKind::kVersion:
        value = kKdzVersionChars;
        break;
      case KdzKind::kId:
        value = std::to_string(entry.en_id);
        break;
      case KdzKind::kText:
        value = OneLine(TextField(entry, field));
        break;
      case KdzKind::kNumber:
        value = std::to_string(NumberValue(entry, field));
        break;
      case KdzKind::kFlag:
        value = entry.en_is_select_entrylist ? "1" : "0";
        break;
      case KdzKind::kFileExt:
        value = OneLine(KDX_GetEntryFileTypeExt(data, entry));
        break;
    }
    out.append(field.key).append(" ").append(value).append("\r\n");
  }
  out.append(kKdzNoteKey).append(" ").append(note);

  if (WriteExportFile(path, out) != 0) {
    Vell_SystemErrorLog("[-1] ExportEntry\r\n");
    Vell_SystemErrorLog("[-1] KDX_ExportKdzFile\r\n");
    return kKdxErrFile;
  }
  return 0;
}

std::vector<KdzLine> KDX_SplitKdzLines(const char* text) {
  std::vector<KdzLine> lines;
  VELL_TAB tab;
  Vell_TAB_Init(&tab, text);
  // Three bytes beyond the limit show whether the cut splits a character.
  char row[kKdzMaxLineBytes + 4];
  for (int32_t more = Vell_TAB_FirstRow(&tab); more == 1; more = Vell_TAB_NextRow(&tab)) {
    const int32_t length = Vell_TAB_GetFieldData(&tab, 0, sizeof row, row);
    std::string_view line(row, static_cast<size_t>(length));
    line = line.substr(0, Vell_Utf8CutLength(line, kKdzMaxLineBytes));
    if (IsNoteRow(line)) break;
    // A line without a key can match nothing; keeping them would let a file
    // of newlines cost memory many times its size.
    const size_t split = line.find("] ");
    if (split == std::string_view::npos) continue;
    lines.push_back({std::string(line.substr(0, split + 1)), std::string(line.substr(split + 2))});
    if (lines.size() == kKdzMaxKeyedLines) break;
  }
  return lines;
}

std::string FindTargetValue_ByKdzFileAry(const std::vector<KdzLine>& lines,
                                         const std::string& key) {
  for (const KdzLine& line : lines) {
    if (line.key == key) return line.value;
  }
  return std::string();
}

int32_t KDX_ReadEntry_FromKdzFile(const std::string& path, KDX_ENTRY* entry, char extension[16]) {
  std::string text;
  if (entry == nullptr || !ReadWholeFile(path, &text) || text.empty()) return 0;
  const std::vector<KdzLine> lines = KDX_SplitKdzLines(text.c_str());

  KDX_ENTRY result = *entry;
  std::string fileExt;
  for (const KdzField& field : kKdzFields) {
    const std::string value = FindTargetValue_ByKdzFileAry(lines, field.key);
    switch (field.kind) {
      case KdzKind::kVersion:
      case KdzKind::kId:
        break;
      case KdzKind::kText: {
        char* dst = reinterpret_cast<char*>(&result) + field.offset;
        std::memset(dst, 0, field.width);
        Vell_Utf8CopyCut(dst, field.width, value);
        break;
      }
      case KdzKind::kNumber:
        NumberField(result, field) = ParseNumber(value);
        break;
      case KdzKind::kFlag:
        result.en_is_select_entrylist = ParseNumber(value) != 0;
        break;
      case KdzKind::kFileExt:
        fileExt = value;
        break;
    }
  }
  // A label number no label record has shows as no label.
  if (result.en_co_id < 0 || result.en_co_id > 7) result.en_co_id = 0;
  *entry = result;
  if (extension != nullptr) Vell_Utf8CopyCut(extension, kExtensionBufferSize, fileExt);
  return 1;
}

int32_t KDX_ReadNote_FromKdzFile(const std::string& path, std::string* note) {
  note->clear();
  std::string text;
  if (!ReadWholeFile(path, &text)) {
    Vell_SystemErrorLog("[-1] ImportNote_FromKdzFile\r\n");
    return kKdzNoteUnreadable;
  }
  // The marker counts at the start of a line only: a value holding "[note]"
  // further along its line is not the note.
  const std::string_view marker = kKdzNoteKey;
  size_t at = 0;
  while (true) {
    if (text.compare(at, marker.size(), marker) == 0) {
      const size_t after = at + marker.size();
      if (after == text.size() ||
          std::string_view(" \r\n").find(text[after]) != std::string_view::npos)
        break;
    }
    at = text.find('\n', at);
    if (at == std::string::npos) {
      Vell_SystemErrorLog("[-2] ImportNote_FromKdzFile\r\n");
      return kKdzNoNote;
    }
    ++at;
  }
  note->assign(text, std::min(at + marker.size() + 1, text.size()));
  return 1;
}

std::string GeneratePathToKdzPath(const std::string& path, const std::string& extension) {
  if (!KDX_HasExtension(path, extension)) return std::string();
  return path.substr(0, path.rfind('.') + 1) + kKdzExtension;
}
