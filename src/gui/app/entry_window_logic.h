// The entry window's decisions: what its controls make of the entry record,
// whether leaving the window changed anything worth writing, how the body
// wraps, where a window without a stored frame goes, and in which order the
// windows of a document come back when it opens.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/document/kdx_data.h"
#include "core/document/records.h"
#include "gui/app/document_window_logic.h"

// The info area's height while shown; hidden, it takes none.
inline constexpr int32_t kKdxEntryInfoHeight = 200;
// Environment keyword of the document window's place in the window order.
inline constexpr char kKdxMainWindowOrderKey[] = "main_window_order_index";
// Preference key of a new entry window's size.
inline constexpr char kPrefDefaultEntryWindowSizeKey[] = "DefaultEntryWindowSize";

// What a text control hands to a fixed field of fieldSize bytes: at most
// (fieldSize - 1) / 3 UTF-16 units (170 for a title, 42 for a category),
// never ending in half a surrogate pair, then cut to fieldSize - 1 bytes of
// UTF-8 at a character boundary.
[[nodiscard]] std::string KdxControlText(const QString& text, size_t fieldSize);

// "%s（%ld）": the window title of an entry.
[[nodiscard]] QString KdxEntryWindowTitle(const KDX_ENTRY& entry);

// What the window's controls hold, apart from the note and the body.
struct KdxEntryWindowValues {
  QString title;
  std::array<QString, 3> categories;
  bool infoShown = true;
  KdxWindowRect frame;
};

// The stored record with the controls' values read into it: title and
// categories cut to their fields (an empty category or the shown form of
// その他 becomes "その他"), the info toggle, the frame, and this system as
// the one that updated it.
[[nodiscard]] KDX_ENTRY EW_GetKdxEntry_ByControl(const KDX_ENTRY& stored,
                                                 const KdxEntryWindowValues& values);

// The note or the body as the change test sees it.
struct KdxEntryPart {
  bool editable = true;               // it loaded when the window opened
  std::optional<std::string> stored;  // what the document holds now; none when unreadable
  std::string shown;                  // the window's text (the body's normalised)
  bool modified = false;              // the body's formatting changed
  // Not edited since it was loaded or last saved: unchanged, and neither
  // stored nor shown is looked at.
  bool untouched = false;
};

// The stored plain text in the form the change test compares (as
// NormalizeBodyText leaves it, in UTF-8). Text that needs nothing of it
// (valid UTF-8 without CR, U+2028, U+2029, a trailing NUL or a leading byte
// order mark) comes back as it is, unconverted: a long body's text is read
// at every autosave.
[[nodiscard]] std::string KdxComparableStoredText(std::string text);

// What leaving the window changed: first is 0 for nothing, else the first
// difference (1 title, 2..4 categories, 5 note, 6 body). A part is saved only
// when it changed; one that could not be read (now or at opening) never
// counts, so its stored content is never written over. Label, frame and the
// info toggle do not count.
struct KdxEntryChanges {
  int32_t first = 0;
  bool note = false;
  bool body = false;
};
[[nodiscard]] KdxEntryChanges EW_IsTheEntryUpdated(const KDX_ENTRY& stored,
                                                   const KDX_ENTRY& fromWindow,
                                                   const KdxEntryPart& note,
                                                   const KdxEntryPart& body);

// How the body wraps: en_turn 1 at the window's width, 3 at a fixed width of
// en_turn_width points (read by KDXCOMM_ParseTurnWidth), anything else not at
// all.
enum class KdxBodyWrap { kWindowWidth, kFixedWidth, kNone };
struct KdxBodyWrapMode {
  KdxBodyWrap wrap = KdxBodyWrap::kNone;
  int32_t widthPoints = 0;  // for kFixedWidth
};
[[nodiscard]] KdxBodyWrapMode KdxGetBodyWrapMode(int32_t turn, const char* turnWidth);

// The stored frame of an entry's window, or none when all four values are
// below 1 (a window never placed).
[[nodiscard]] std::optional<KdxWindowRect> KdxStoredEntryFrame(const KDX_ENTRY& entry);
void KdxSetEntryFrame(KDX_ENTRY* entry, const KdxWindowRect& frame);

// The document window's place in the window order ("main_window_order_index",
// 0 when absent), and storing it.
[[nodiscard]] int32_t KDXCOMM_GetMainOrderIndex(const KDX_DATA& data);
[[nodiscard]] int32_t KDXCOMM_BackupMainOrderIndex(KDX_DATA* data, int32_t order);

// Which windows come back when a document opens and in which order they are
// raised. entries holds {en_id, en_window_z_index} in table order; only
// positive indexes reopen (0, the front window when the document closed,
// and -1, no window, do not). raise lists the windows from the back to the
// front (descending order number, ties in list order): each entry by its
// id, the document window as none, so the smallest number ends in front.
struct KdxWindowRestorePlan {
  std::vector<int32_t> reopen;
  std::vector<std::optional<int32_t>> raise;
};
[[nodiscard]] KdxWindowRestorePlan KdxPlanWindowRestore(
    const std::vector<std::pair<int32_t, int32_t>>& entries, int32_t mainOrder);
