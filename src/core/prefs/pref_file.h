// The keyword file "Preference.txt" in $XDG_CONFIG_HOME/Kardinex/: one setting
// per line, the keyword, a tab and its values separated by tabs.
//
// Settings belong to the user, not to a document, and nothing is cached: every
// read parses the file anew and every write replaces it, so a value written is
// seen by the next read on any thread or window. A write goes to a temporary
// file in the same folder which then replaces the old one, so a reader never
// sees a half-written file and a failed write leaves the old settings whole.
//
// Reads return 1 when the keyword was found and 0 otherwise; the output holds
// the keyword's default then (0, 0.0, empty, zeros unless a function says
// otherwise). Writes return 1, or 0 with the file unchanged: values holding a
// tab, CR or LF are refused, since they would split or inject rows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/prefs/pref_status.h"
#include "core/util/vell_tab.h"

struct VELL_ARY;

inline constexpr char kPrefFolderName[] = "Kardinex";
inline constexpr char kPrefFileName[] = "Preference.txt";

// Records of the extension list: a NUL-terminated extension without the dot.
inline constexpr int32_t kPrefExtensionSize = 16;
inline constexpr int32_t kPrefDefaultExpandSize = 1024;
inline constexpr int32_t kPrefMinExpandSize = 128;
inline constexpr int32_t kPrefDefaultWindowWidth = 484;
inline constexpr int32_t kPrefDefaultWindowHeight = 546;
inline constexpr int32_t kPrefDefaultTurn = 3;  // wrap at the document width
inline constexpr char kPrefDefaultTitle[] = "文章";
inline constexpr char kPrefDefaultFontName[] = "HiraKakuPro-W3";
inline constexpr double kPrefDefaultFontSize = 10.0;
inline constexpr char kPrefDefaultTurnWidth[] = "450";
inline constexpr int32_t kPrefTurnWidthSize = 32;

// A window frame in screen points, origin top-left; stored as left, top,
// right, bottom.
struct PREF_WINDOW_RECT {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};

// "<config>/Kardinex", created when missing. 1, or 0 with dst empty when
// there is no home or the folder cannot be made.
[[nodiscard]] int32_t PREF_GetPreferenceFolderPath(std::string& dst);
// "<config>/Kardinex/Preference.txt", creating the folder. 1, or 0 (dst empty).
[[nodiscard]] int32_t PREF_GetPreferenceFilePath(std::string& dst);

// Integers: column 1, its first 15 bytes as decimal (a non-number is 0),
// clamped to 32 bits.
int32_t PREF_ReadInteger(const char* key, int32_t* value);
[[nodiscard]] int32_t PREF_WriteInteger(const char* key, int32_t value);
// Reals: written with six decimals, independent of the process locale.
int32_t PREF_ReadDouble(const char* key, double* value);
[[nodiscard]] int32_t PREF_WriteDouble(const char* key, double value);
// Column 1, cut to size - 1 bytes at a character boundary.
int32_t PREF_ReadString(const char* key, int32_t size, char* dst);
[[nodiscard]] int32_t PREF_WriteString(const char* key, const char* value);
// Column 1 whole: a remembered path is never cut.
int32_t PREF_ReadFilePath(const char* key, std::string& dst);
[[nodiscard]] int32_t PREF_WriteFilePath(const char* key, const char* path);
int32_t PREF_ReadWindowRect(const char* key, PREF_WINDOW_RECT* rect);
[[nodiscard]] int32_t PREF_WriteWindowRect(const char* key, const PREF_WINDOW_RECT& rect);
// Width in column 1, height in column 2; 484 x 546 when missing.
int32_t PREF_ReadWindowSize(const char* key, int32_t* width, int32_t* height);
// Adds the extensions of "Extension" (columns 1, 2, ... to the first empty
// one) to array, whose records are kPrefExtensionSize bytes; the twelve
// default extensions when the keyword is missing or lists none.
int32_t PREF_ReadExtensionArray(VELL_ARY* array);
// Refuses an empty extension too, which would end the list for the reader.
[[nodiscard]] int32_t PREF_WriteExtensionArray(const VELL_ARY* array);

// Typed settings with their defaults.
// 1024 when missing; kept within 128 .. kKdxMaxExpandSize.
[[nodiscard]] int32_t PREF_ReadExpandSize();
int32_t PREF_ReadDefaultFontName(int32_t size, char* dst);
[[nodiscard]] int32_t PREF_WriteDefaultFontName(const char* name);
[[nodiscard]] double PREF_ReadDefaultFontSize();
[[nodiscard]] int32_t PREF_WriteDefaultFontSize(double size);
// "文章" when missing ("DefaultTitle").
int32_t PREF_ReadDefaultTitle(int32_t size, char* dst);
// 1 window width, 2 none, 3 document width (the default).
[[nodiscard]] int32_t PREF_ReadDefaultTurn();
// Decimal text, "450" when missing; dst holds kPrefTurnWidthSize bytes.
int32_t PREF_ReadDefaultTurnWidth(char* dst);
[[nodiscard]] int32_t PREF_ReadIsTitleConsecutiveNumber();
// 72, 90, 72, 90 points. Without "PrintBodyMarginBottom" all four are the
// defaults whatever the others hold; the answer says whether it was found.
int32_t PREF_ReadBodyMargin(double* left, double* top, double* right, double* bottom);
// Writes the four in one replacement of the file.
[[nodiscard]] int32_t PREF_WriteBodyMargin(double left, double top, double right, double bottom);

// Helpers of the reader and writer.
// Makes the first row whose column 0 equals key current; 1 found, else 0.
[[nodiscard]] int32_t PREF_FindKeyword(VELL_TAB* tab, const char* key);
// Appends to out every row, each ended by LF, but those of key and those with
// an empty column 0. Rows are copied whole, however long.
void PREF_WriteExceptKeyword(std::string& out, VELL_TAB* tab, const char* key);
// The current row's columns joined by tabs, up to the first empty column.
void GetLineString(const VELL_TAB* tab, std::string& dst);

// Test seam: called with the temporary file's path once the new content is in
// it, before it replaces the keyword file; answering false abandons the write
// at that point, as a crash would. An empty function removes it.
void PREF_SetWriteHookForTest(std::function<bool(const std::string& tempPath)> hook);

// ---- Recent documents ----------------------------------------------------------
// The documents opened last, most recent first, in "RecentFiles" (one path per
// column). Paths holding a tab, CR or LF cannot be kept in a row and are
// never remembered.
inline constexpr int32_t kPrefRecentFileCount = 10;

// The remembered paths as stored, whether or not they still exist.
[[nodiscard]] std::vector<std::string> PREF_ReadRecentFiles();
// Puts path first (an equal path further down moves up), keeping at most
// kPrefRecentFileCount. 1, or 0 with the list unchanged.
[[nodiscard]] int32_t PREF_AddRecentFile(const std::string& path);
// The paths a start-up dialog offers: those that exist and do not lie in a
// trash folder ("/.Trash/", "/.Trash-<uid>/", or the XDG trash under
// dataHome, normally ~/.local/share), in their order.
[[nodiscard]] std::vector<std::string> PREF_FilterRecentFiles(const std::vector<std::string>& paths,
                                                              const std::string& dataHome);
// $XDG_DATA_HOME when absolute, else ~/.local/share; empty without a home.
[[nodiscard]] std::string PREF_GetDataHome();
