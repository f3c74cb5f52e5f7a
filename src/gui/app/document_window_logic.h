// The document window's decisions: what it keeps in the document about its
// geometry, divider and browser, how the divider is placed, where a window
// without a stored place goes, and the search field's word.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/document/kdx_data.h"

// Environment keywords of the document window.
inline constexpr const char* kKdxMainWindowRectKeys[4] = {
    "main_window_position_left", "main_window_position_top", "main_window_position_right",
    "main_window_position_bottom"};
inline constexpr char kKdxMainWindowDividerKey[] = "main_window_splitview_position";
inline constexpr char kKdxMainWindowShowBrowserKey[] = "main_window_is_show_browser";

// Preference key of the search field's mode (0 phrase, 1 all words, 2 any word).
inline constexpr char kPrefSearchModeKey[] = "SearchMode";

// Browser pane limits: shown, it is at least this tall and leaves the entry
// list at least as much; hidden, it keeps only this height.
inline constexpr int32_t kKdxSplitPaneMinimum = 150;
inline constexpr int32_t kKdxHiddenBrowserHeight = 24;
// Offset of a window placed after the frontmost one.
inline constexpr int32_t kKdxCascadeOffset = 18;

// A window frame, origin top-left, right and bottom exclusive.
struct KdxWindowRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  bool operator==(const KdxWindowRect&) const = default;
};

// What the document keeps of its window.
struct KdxMainWindowState {
  std::optional<KdxWindowRect> rect;  // only when all four values are stored
  std::optional<double> divider;      // height of the browser pane
  bool showBrowser = true;            // hidden only when stored as 0
};

[[nodiscard]] KdxMainWindowState KDXCOMM_ReadMainWindowState(const KDX_DATA& data);
// Stores the rectangle, the browser flag, and the divider when given. 0, or
// kKdxFailed when a value could not be stored. Saving is the caller's.
[[nodiscard]] int32_t KDXCOMM_WriteMainWindowState(KDX_DATA* data, const KdxMainWindowState& state);

// The two pane heights for a divider asked at requested in a splitter of
// total height with a handle of handle: shown, the browser gets at least 150
// and leaves the list at least 150 when there is room (the browser's 150
// wins when there is not); hidden, the browser gets 24 whatever was asked.
struct KdxSplitSizes {
  int32_t upper = 0;
  int32_t lower = 0;
};
[[nodiscard]] KdxSplitSizes KDXCOMM_SplitDividerPosition(int32_t total, int32_t requested,
                                                         int32_t handle, bool shown);

// Where a new window of width x height goes: 18 right of and below the front
// window; when that leaves the screen (0, 0, screenWidth, screenHeight), the
// top-left corner. Without a front window, nothing: 0 and *rect untouched;
// else 1.
[[nodiscard]] int32_t KDXCOMM_CalcInitialWindowBounds(int32_t width, int32_t height,
                                                      const std::optional<KdxWindowRect>& front,
                                                      int32_t screenWidth, int32_t screenHeight,
                                                      KdxWindowRect* rect);

// Where a stored frame is shown: as stored when it overlaps a screen, else at
// the top-left of the first screen with its size (a document last used on a
// screen that is gone). No screens: as stored.
[[nodiscard]] KdxWindowRect KdxKeepOnScreen(const KdxWindowRect& rect,
                                            const std::vector<KdxWindowRect>& screens);

// The browser menu item's title: "ブラウザを隠す" while shown, else "ブラウザを表示".
[[nodiscard]] const char* KdxBrowserMenuTitle(bool shown);

// The word a search field gives: at most 42 characters and 127 bytes, cut at
// a character boundary, with no line breaks or tabs.
[[nodiscard]] std::string KdxCutSearchWord(std::string_view text);
