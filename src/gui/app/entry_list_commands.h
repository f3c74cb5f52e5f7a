// The entry list's own commands: its context menu and keys. A right click on
// a row that is not selected selects it alone first; Delete deletes the
// selected entries after asking; Ctrl+A selects every row (the view's own).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/document/kdx_data.h"

class KdxDocument;
class QMenu;
class QPoint;
class QWidget;

// The context menu's items, in order, and which of them work with n entries
// selected; items whose command does not exist yet stay disabled.
struct KdxEntryMenuItem {
  const char* title;  // localised key; a title ending in " ▸" is a submenu
  bool enabled;
};
[[nodiscard]] std::vector<KdxEntryMenuItem> KdxEntryMenuItems(int64_t selected);

// Sets the context menu and the Delete key up on the window's entry list.
void KdxInstallEntryListCommands(KdxDocument* window);
// The context menu for a click at pos (in the list's viewport), the row under
// it selected alone when it was not selected; shown by the caller.
[[nodiscard]] QMenu* KdxMakeEntryListMenu(KdxDocument* window, const QPoint& pos);

// The selected entries of the window, in row order.
[[nodiscard]] std::vector<KDX_ENTRY> KdxSelectedEntries(KdxDocument* window);
// 複製: a copy of each selected entry; the copies end up selected instead of
// their sources; saved, lists rebuilt. A copy made under its source's title
// (the numbered one would be too long) is said; failures are counted.
void KdxCopySelectedEntries(KdxDocument* window);
// 削除…: asks ("文章"), removes the selected entries, saves and rebuilds the
// lists. Nothing happens without a selection or when the user cancels.
void KdxDeleteSelectedEntries(KdxDocument* window);
