#include "gui/app/window_frame.h"

#include <QWidget>
#include <cstdint>

#include "core/prefs/pref_file.h"

void KdxRestoreWindowFrame(QWidget* window, const char* key) {
  PREF_WINDOW_RECT rect{};
  if (PREF_ReadWindowRect(key, &rect) && rect.right > rect.left && rect.bottom > rect.top) {
    window->move(rect.left, rect.top);
    window->resize(rect.right - rect.left, rect.bottom - rect.top);
  }
}

void KdxStoreWindowFrame(const QWidget* window, const char* key) {
  const QRect frame(window->pos(), window->size());
  const PREF_WINDOW_RECT rect{static_cast<int16_t>(frame.top()), static_cast<int16_t>(frame.left()),
                              static_cast<int16_t>(frame.top() + frame.height()),
                              static_cast<int16_t>(frame.left() + frame.width())};
  (void)PREF_WriteWindowRect(key, rect);
}
