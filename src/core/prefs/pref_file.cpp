#include "core/prefs/pref_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "core/document/blocks.h"
#include "core/util/vell_ary.h"
#include "core/util/vell_file.h"
#include "core/util/vell_log.h"
#include "core/util/vell_mem.h"
#include "core/util/vell_system.h"
#include "core/util/vell_utf8.h"

namespace {

constexpr char kExtensionKey[] = "Extension";
constexpr const char* kDefaultExtensions[] = {"txt", "rtf", "c",    "h",   "m",   "cp",
                                              "cpp", "php", "html", "css", "xml", "csv"};
constexpr const char* kMarginKeys[] = {"PrintBodyMarginLeft", "PrintBodyMarginTop",
                                       "PrintBodyMarginRight", "PrintBodyMarginBottom"};
constexpr double kDefaultMargins[] = {72.0, 90.0, 72.0, 90.0};
// Numbers are read from the first 15 bytes of their column.
constexpr int32_t kNumberFieldSize = 16;

// One replacement of the file at a time within the process, so that two
// threads writing different keys cannot lose one of them.
std::mutex& WriteMutex() {
  static std::mutex mutex;
  return mutex;
}

// Guarded by WriteMutex.
std::function<bool(const std::string&)>& WriteHook() {
  static std::function<bool(const std::string&)> hook;
  return hook;
}

bool HoldsRowBreak(std::string_view text) { return text.find_first_of("\t\r\n") != text.npos; }

bool IsUsableKey(const char* key) { return key != nullptr && *key != '\0' && !HoldsRowBreak(key); }

std::string Column(const VELL_TAB* tab, int32_t column) {
  std::string field(static_cast<size_t>(Vell_TAB_GetFieldSize(tab, column)), '\0');
  if (!field.empty()) {
    Vell_TAB_GetFieldData(tab, column, static_cast<int32_t>(field.size() + 1), field.data());
  }
  return field;
}

// The whole keyword file; empty when it does not exist. False when it exists
// but cannot be read, so that a write does not replace settings it never saw.
[[nodiscard]] bool ReadPreferenceText(const std::string& path, std::string& text) {
  text.clear();
  char* buffer = nullptr;
  const int32_t size = Vell_ReadBuffer_fromFile(path.c_str(), &buffer);
  std::unique_ptr<char, void (*)(void*)> owner(buffer, Vell_MallocFree);
  if (size < 0) {
    std::error_code ec;
    return std::filesystem::symlink_status(path, ec).type() ==
           std::filesystem::file_type::not_found;
  }
  text.assign(buffer);  // up to a stray NUL, as the tab reader would stop there too
  return true;
}

// Runs read on the keyword's row; false when the file or the keyword is missing.
template <class Read>
bool ReadRow(const char* key, Read&& read) {
  if (!IsUsableKey(key)) return false;
  std::string path;
  std::string text;
  if (!PREF_GetPreferenceFilePath(path) || !ReadPreferenceText(path, text)) return false;
  VELL_TAB tab;
  Vell_TAB_Init(&tab, text.c_str());
  if (!PREF_FindKeyword(&tab, key)) return false;
  read(&tab);
  return true;
}

int32_t ParseInteger(const VELL_TAB* tab, int32_t column) {
  char field[kNumberFieldSize];
  Vell_TAB_GetFieldData(tab, column, kNumberFieldSize, field);
  const long value = std::strtol(field, nullptr, 10);
  return static_cast<int32_t>(std::clamp<long>(value, INT32_MIN, INT32_MAX));
}

// from_chars rather than strtod: the GUI may run under a locale whose decimal
// separator is a comma, and the file must read the same everywhere.
double ParseReal(const VELL_TAB* tab, int32_t column) {
  char field[kNumberFieldSize];
  Vell_TAB_GetFieldData(tab, column, kNumberFieldSize, field);
  const char* begin = field;
  const char* end = field + std::strlen(field);
  while (begin < end && *begin == ' ') ++begin;
  if (begin < end && *begin == '+') ++begin;
  double value = 0.0;
  std::from_chars(begin, end, value);
  return std::isfinite(value) ? value : 0.0;
}

[[nodiscard]] bool FormatReal(double value, std::string& out) {
  if (!std::isfinite(value)) return false;
  std::array<char, 400> buffer;  // room for any finite double in fixed notation
  auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                 std::chars_format::fixed, 6);
  if (ec != std::errc()) return false;
  out.assign(buffer.data(), end);
  return true;
}

void AppendRowsExcept(std::string& out, VELL_TAB* tab, const std::vector<std::string>& keys) {
  std::string line;
  for (int32_t more = Vell_TAB_FirstRow(tab); more; more = Vell_TAB_NextRow(tab)) {
    const std::string key = Column(tab, 0);
    if (key.empty() || std::find(keys.begin(), keys.end(), key) != keys.end()) continue;
    GetLineString(tab, line);
    out += line;
    out += '\n';
  }
}

// The row of key with the values; false when the key or a value would break
// the row or start another one.
[[nodiscard]] bool MakeRow(const char* key, const std::vector<std::string>& values,
                           const char* lineEnd, std::string& row) {
  if (!IsUsableKey(key)) return false;
  row = key;
  for (const std::string& value : values) {
    if (HoldsRowBreak(value)) return false;
    row += '\t';
    row += value;
  }
  row += lineEnd;
  return true;
}

// Rewrites the file with every row but those of the given keys, followed by
// their new rows in order.
[[nodiscard]] int32_t ReplaceRows(const std::vector<std::string>& keys,
                                  const std::string& newRows) {
  std::lock_guard<std::mutex> lock(WriteMutex());
  std::string path;
  std::string text;
  if (!PREF_GetPreferenceFilePath(path) || !ReadPreferenceText(path, text)) {
    Vell_SystemErrorLog("[-2] PREF_Write[%s]\r\n", keys.front().c_str());
    return 0;
  }
  VELL_TAB tab;
  Vell_TAB_Init(&tab, text.c_str());
  std::string out;
  AppendRowsExcept(out, &tab, keys);
  out += newRows;
  if (!Vell_ReplaceFileContents(path, out, 0600, WriteHook())) {
    Vell_SystemErrorLog("[-3] PREF_Write[%s]\r\n", keys.front().c_str());
    return 0;
  }
  return 1;
}

[[nodiscard]] int32_t WriteRow(const char* key, const std::vector<std::string>& values,
                               const char* lineEnd = "\n") {
  std::string row;
  if (!MakeRow(key, values, lineEnd, row)) {
    Vell_SystemErrorLog("[-1] PREF_Write[%s]\r\n", key ? key : "");
    return 0;
  }
  return ReplaceRows({key}, row);
}

}  // namespace

int32_t PREF_GetPreferenceFolderPath(std::string& dst) {
  if (!Vell_GetUserPreferencePath(dst)) return 0;
  dst += kPrefFolderName;
  std::error_code ec;
  std::filesystem::create_directories(dst, ec);
  if (ec || !std::filesystem::is_directory(dst, ec)) {
    Vell_SystemErrorLog("[-1] PREF_GetPreferenceFolderPath\r\n");
    dst.clear();
    return 0;
  }
  return 1;
}

int32_t PREF_GetPreferenceFilePath(std::string& dst) {
  if (!PREF_GetPreferenceFolderPath(dst)) return 0;
  dst += '/';
  dst += kPrefFileName;
  return 1;
}

int32_t PREF_FindKeyword(VELL_TAB* tab, const char* key) {
  if (key == nullptr) return 0;
  for (int32_t more = Vell_TAB_FirstRow(tab); more; more = Vell_TAB_NextRow(tab)) {
    if (Column(tab, 0) == key) return 1;
  }
  return 0;
}

void PREF_WriteExceptKeyword(std::string& out, VELL_TAB* tab, const char* key) {
  AppendRowsExcept(out, tab, {key ? key : ""});
}

void GetLineString(const VELL_TAB* tab, std::string& dst) {
  dst.clear();
  for (int32_t column = 0; Vell_TAB_GetFieldSize(tab, column) > 0; ++column) {
    if (column > 0) dst += '\t';
    dst += Column(tab, column);
  }
}

void PREF_SetWriteHookForTest(std::function<bool(const std::string& tempPath)> hook) {
  std::lock_guard<std::mutex> lock(WriteMutex());
  WriteHook() = std::move(hook);
}

int32_t PREF_ReadInteger(const char* key, int32_t* value) {
  if (value == nullptr) return 0;
  *value = 0;
  return ReadRow(key, [&](const VELL_TAB* tab) { *value = ParseInteger(tab, 1); });
}

int32_t PREF_WriteInteger(const char* key, int32_t value) {
  return WriteRow(key, {std::to_string(value)});
}

int32_t PREF_ReadDouble(const char* key, double* value) {
  if (value == nullptr) return 0;
  *value = 0.0;
  return ReadRow(key, [&](const VELL_TAB* tab) { *value = ParseReal(tab, 1); });
}

int32_t PREF_WriteDouble(const char* key, double value) {
  std::string text;
  if (!FormatReal(value, text)) return 0;
  return WriteRow(key, {text});
}

int32_t PREF_ReadString(const char* key, int32_t size, char* dst) {
  if (dst == nullptr || size <= 0) return 0;
  *dst = '\0';
  return ReadRow(key, [&](const VELL_TAB* tab) {
    Vell_Utf8CopyCut(dst, static_cast<size_t>(size), Column(tab, 1));
  });
}

int32_t PREF_WriteString(const char* key, const char* value) {
  return value ? WriteRow(key, {value}) : 0;
}

int32_t PREF_ReadFilePath(const char* key, std::string& dst) {
  dst.clear();
  return ReadRow(key, [&](const VELL_TAB* tab) { dst = Column(tab, 1); });
}

int32_t PREF_WriteFilePath(const char* key, const char* path) {
  return path ? WriteRow(key, {path}) : 0;
}

int32_t PREF_ReadWindowRect(const char* key, PREF_WINDOW_RECT* rect) {
  if (rect == nullptr) return 0;
  *rect = PREF_WINDOW_RECT{};
  return ReadRow(key, [&](const VELL_TAB* tab) {
    auto at = [&](int32_t column) {
      return static_cast<int16_t>(
          std::clamp<int32_t>(ParseInteger(tab, column), INT16_MIN, INT16_MAX));
    };
    rect->left = at(1);
    rect->top = at(2);
    rect->right = at(3);
    rect->bottom = at(4);
  });
}

int32_t PREF_WriteWindowRect(const char* key, const PREF_WINDOW_RECT& rect) {
  return WriteRow(key, {std::to_string(rect.left), std::to_string(rect.top),
                        std::to_string(rect.right), std::to_string(rect.bottom)});
}

int32_t PREF_ReadWindowSize(const char* key, int32_t* width, int32_t* height) {
  if (width == nullptr || height == nullptr) return 0;
  *width = kPrefDefaultWindowWidth;
  *height = kPrefDefaultWindowHeight;
  return ReadRow(key, [&](const VELL_TAB* tab) {
    *width = ParseInteger(tab, 1);
    *height = ParseInteger(tab, 2);
  });
}

int32_t PREF_ReadExtensionArray(VELL_ARY* array) {
  if (array == nullptr || array->recordSize != kPrefExtensionSize) return 0;
  int32_t added = 0;
  auto add = [&](std::string_view extension) {
    char record[kPrefExtensionSize] = {};
    Vell_Utf8CopyCut(record, sizeof record, extension);
    if (Vell_Ary_Add(array, record) == 0) ++added;
  };
  const bool found = ReadRow(kExtensionKey, [&](const VELL_TAB* tab) {
    for (int32_t column = 1; Vell_TAB_GetFieldSize(tab, column) > 0; ++column) {
      add(Column(tab, column));
    }
  });
  if (added == 0) {
    for (const char* extension : kDefaultExtensions) add(extension);
  }
  return found ? 1 : 0;
}

int32_t PREF_WriteExtensionArray(const VELL_ARY* array) {
  if (array == nullptr || array->recordSize != kPrefExtensionSize) return 0;
  std::vector<std::string> extensions;
  for (int32_t i = 0; i < Vell_Ary_GetSize(array); ++i) {
    const char* record = static_cast<const char*>(Vell_Ary_GetDataPtr(array, i));
    const std::string_view extension(record, ::strnlen(record, kPrefExtensionSize));
    if (extension.empty()) {
      Vell_SystemErrorLog("[-1] PREF_WriteExtensionArray\r\n");
      return 0;
    }
    extensions.emplace_back(
        extension.substr(0, Vell_Utf8CutLength(extension, kPrefExtensionSize - 1)));
  }
  return WriteRow(kExtensionKey, extensions, "\r\n");
}

int32_t PREF_ReadExpandSize() {
  int32_t size = 0;
  if (!PREF_ReadInteger("ExpandSize", &size)) size = kPrefDefaultExpandSize;
  // A huge step would overflow container sizes and 0 would never end a size loop.
  return std::clamp(size, kPrefMinExpandSize, kKdxMaxExpandSize);
}

int32_t PREF_ReadDefaultFontName(int32_t size, char* dst) {
  if (PREF_ReadString("DefaultFontName", size, dst)) return 1;
  if (dst != nullptr && size > 0)
    Vell_Utf8CopyCut(dst, static_cast<size_t>(size), kPrefDefaultFontName);
  return 0;
}

int32_t PREF_WriteDefaultFontName(const char* name) {
  return PREF_WriteString("DefaultFontName", name);
}

double PREF_ReadDefaultFontSize() {
  double size = 0.0;
  return PREF_ReadDouble("DefaultFontSize", &size) ? size : kPrefDefaultFontSize;
}

int32_t PREF_WriteDefaultFontSize(double size) { return PREF_WriteDouble("DefaultFontSize", size); }

int32_t PREF_ReadDefaultTitle(int32_t size, char* dst) {
  if (PREF_ReadString("DefaultTitle", size, dst)) return 1;
  if (dst != nullptr && size > 0)
    Vell_Utf8CopyCut(dst, static_cast<size_t>(size), kPrefDefaultTitle);
  return 0;
}

int32_t PREF_ReadDefaultTurn() {
  int32_t turn = 0;
  return PREF_ReadInteger("DefaultTurn", &turn) ? turn : kPrefDefaultTurn;
}

int32_t PREF_ReadDefaultTurnWidth(char* dst) {
  if (PREF_ReadString("DefaultTurnWidth", kPrefTurnWidthSize, dst)) return 1;
  if (dst != nullptr) Vell_Utf8CopyCut(dst, kPrefTurnWidthSize, kPrefDefaultTurnWidth);
  return 0;
}

int32_t PREF_ReadIsTitleConsecutiveNumber() {
  int32_t consecutive = 0;
  PREF_ReadInteger("IsTitleConsecutiveNumber", &consecutive);
  return consecutive;
}

int32_t PREF_ReadBodyMargin(double* left, double* top, double* right, double* bottom) {
  double* const margins[] = {left, top, right, bottom};
  for (int i = 0; i < 4; ++i) {
    if (margins[i] == nullptr) return 0;
    *margins[i] = kDefaultMargins[i];
  }
  // One parse for all four, so they come from the same version of the file.
  return ReadRow(kMarginKeys[3], [&](VELL_TAB* tab) {
    for (int i = 0; i < 4; ++i) {
      if (PREF_FindKeyword(tab, kMarginKeys[i])) *margins[i] = ParseReal(tab, 1);
    }
  });
}

int32_t PREF_WriteBodyMargin(double left, double top, double right, double bottom) {
  const double margins[] = {left, top, right, bottom};
  std::string rows;
  for (int i = 0; i < 4; ++i) {
    std::string value;
    std::string row;
    if (!FormatReal(margins[i], value) || !MakeRow(kMarginKeys[i], {value}, "\n", row)) return 0;
    rows += row;
  }
  return ReplaceRows({std::begin(kMarginKeys), std::end(kMarginKeys)}, rows);
}

// ---- Recent documents ----------------------------------------------------------

namespace {

constexpr char kRecentFilesKey[] = "RecentFiles";

// True when path lies in a trash folder: a volume's ".Trash" or ".Trash-<uid>",
// or the user's own under dataHome.
bool InTrash(const std::string& path, const std::string& dataHome) {
  if (path.find("/.Trash/") != std::string::npos) return true;
  if (path.find("/.Trash-") != std::string::npos) {
    // "/.Trash-1000/" on another volume: digits, then a slash.
    const size_t at = path.find("/.Trash-") + 8;
    size_t end = at;
    while (end < path.size() && path[end] >= '0' && path[end] <= '9') ++end;
    if (end > at && end < path.size() && path[end] == '/') return true;
  }
  if (!dataHome.empty()) {
    std::string trash = dataHome;
    if (trash.back() != '/') trash += '/';
    trash += "Trash/";
    if (path.compare(0, trash.size(), trash) == 0) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> PREF_ReadRecentFiles() {
  std::vector<std::string> paths;
  ReadRow(kRecentFilesKey, [&](const VELL_TAB* tab) {
    for (int32_t column = 1; Vell_TAB_GetFieldSize(tab, column) > 0; ++column) {
      paths.push_back(Column(tab, column));
    }
  });
  return paths;
}

int32_t PREF_AddRecentFile(const std::string& path) {
  if (path.empty() || HoldsRowBreak(path)) return 0;
  std::vector<std::string> paths = PREF_ReadRecentFiles();
  std::erase(paths, path);
  paths.insert(paths.begin(), path);
  if (paths.size() > static_cast<size_t>(kPrefRecentFileCount)) paths.resize(kPrefRecentFileCount);
  return WriteRow(kRecentFilesKey, paths);
}

std::vector<std::string> PREF_FilterRecentFiles(const std::vector<std::string>& paths,
                                                const std::string& dataHome) {
  std::vector<std::string> kept;
  for (const std::string& path : paths) {
    if (path.empty() || InTrash(path, dataHome)) continue;
    if (!Vell_IsFileExists(path.c_str())) continue;
    kept.push_back(path);
  }
  return kept;
}

std::string PREF_GetDataHome() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/') return xdg;
  const std::string home = Vell_GetHomeFolder();
  return home.empty() ? std::string() : home + "/.local/share";
}
