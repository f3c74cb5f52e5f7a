#include "gui/app/document_window_logic.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "core/document/env_table.h"
#include "core/util/vell_utf8.h"

namespace {

constexpr size_t kSearchWordChars = 42;
constexpr size_t kSearchWordBytes = 127;

std::optional<double> ReadReal(const KDX_DATA& data, const char* key) {
  char text[kKdxEnvValueSize];
  if (EV_GetTextValue(data.envAry, key, text, sizeof text) != 1) return std::nullopt;
  double value = 0;
  const char* end = text + std::char_traits<char>::length(text);
  if (std::from_chars(text, end, value).ec != std::errc()) return std::nullopt;
  return value;
}

}  // namespace

KdxMainWindowState KDXCOMM_ReadMainWindowState(const KDX_DATA& data) {
  KdxMainWindowState state;
  int32_t v[4];
  bool all = true;
  for (int i = 0; i < 4; ++i)
    all = all && EV_GetIntValue(data.envAry, kKdxMainWindowRectKeys[i], &v[i]) == 1;
  if (all) state.rect = KdxWindowRect{v[0], v[1], v[2], v[3]};
  state.divider = ReadReal(data, kKdxMainWindowDividerKey);
  int32_t shown = 1;
  if (EV_GetIntValue(data.envAry, kKdxMainWindowShowBrowserKey, &shown) == 1 && shown == 0) {
    state.showBrowser = false;
  }
  return state;
}

int32_t KDXCOMM_WriteMainWindowState(KDX_DATA* data, const KdxMainWindowState& state) {
  bool ok = true;
  if (state.rect) {
    const int32_t v[4] = {state.rect->left, state.rect->top, state.rect->right, state.rect->bottom};
    for (int i = 0; i < 4; ++i) {
      ok = ok &&
           EV_SetIntValue(data->envAry, data->idCounterAry, kKdxMainWindowRectKeys[i], v[i]) == 0;
    }
  }
  if (state.divider) {
    char text[64];
    std::snprintf(text, sizeof text, "%f", *state.divider);
    ok = ok &&
         EV_SetTextValue(data->envAry, data->idCounterAry, kKdxMainWindowDividerKey, text) == 0;
  }
  ok = ok && EV_SetIntValue(data->envAry, data->idCounterAry, kKdxMainWindowShowBrowserKey,
                            state.showBrowser ? 1 : 0) == 0;
  return ok ? 0 : kKdxFailed;
}

KdxSplitSizes KDXCOMM_SplitDividerPosition(int32_t total, int32_t requested, int32_t handle,
                                           bool shown) {
  const int32_t room = std::max(0, total - handle);
  KdxSplitSizes sizes;
  if (!shown) {
    sizes.upper = std::min(kKdxHiddenBrowserHeight, room);
  } else {
    sizes.upper = std::max(requested, kKdxSplitPaneMinimum);
    if (room - sizes.upper < kKdxSplitPaneMinimum) {
      sizes.upper = std::max(kKdxSplitPaneMinimum, room - kKdxSplitPaneMinimum);
    }
    sizes.upper = std::min(sizes.upper, room);
  }
  sizes.lower = room - sizes.upper;
  return sizes;
}

int32_t KDXCOMM_CalcInitialWindowBounds(int32_t width, int32_t height,
                                        const std::optional<KdxWindowRect>& front,
                                        int32_t screenWidth, int32_t screenHeight,
                                        KdxWindowRect* rect) {
  if (!front) return 0;
  KdxWindowRect r{front->left + kKdxCascadeOffset, front->top + kKdxCascadeOffset, 0, 0};
  r.right = r.left + width;
  r.bottom = r.top + height;
  if (r.left < 0 || r.top < 0 || r.right > screenWidth || r.bottom > screenHeight) {
    r = {0, 0, width, height};
  }
  *rect = r;
  return 1;
}

KdxWindowRect KdxKeepOnScreen(const KdxWindowRect& rect,
                              const std::vector<KdxWindowRect>& screens) {
  for (const KdxWindowRect& screen : screens) {
    if (rect.left < screen.right && screen.left < rect.right && rect.top < screen.bottom &&
        screen.top < rect.bottom) {
      return rect;
    }
  }
  if (screens.empty()) return rect;
  const KdxWindowRect& first = screens.front();
  return {first.left, first.top, first.left + rect.width(), first.top + rect.height()};
}

const char* KdxBrowserMenuTitle(bool shown) { return shown ? "ブラウザを隠す" : "ブラウザを表示"; }

std::string KdxCutSearchWord(std::string_view text) {
  std::string word(text);
  std::replace_if(
      word.begin(), word.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
  // Count characters by their lead bytes, then cut at the byte limit.
  size_t chars = 0;
  size_t end = 0;
  for (; end < word.size(); ++end) {
    if ((static_cast<unsigned char>(word[end]) & 0xC0) != 0x80 && ++chars > kSearchWordChars) break;
  }
  word.resize(end);
  word.resize(Vell_Utf8CutLength(word, kSearchWordBytes));
  return word;
}
