// Colour labels (colorLabelAry): always eight, identifiers 0 to 7; entries
// refer to one by en_co_id.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/document/kdx_status.h"
#include "core/document/records.h"
#include "core/util/vell_ary.h"

inline constexpr int32_t kKdxColorLabelCount = 8;
// Colour components are stored as the 0.0..1.0 value x 100000.
inline constexpr int32_t kKdxColorScale = 100000;

// Appends the eight labels (ids 0 to 7, the default colours) with the given
// names (localised by the caller) and both dates now; 0, or kKdxFailed.
[[nodiscard]] int32_t CO_InitData(const char* name0, const char* name1, const char* name2,
                                  const char* name3, const char* name4, const char* name5,
                                  const char* name6, const char* name7, VELL_ARY* colorLabelAry);
// 1 and the label with that identifier, or 0.
[[nodiscard]] int32_t CO_GetData(const VELL_ARY* colorLabelAry, int32_t id, KDX_COLOR_LABEL* label);
// Identifier of the first label with that name; 0 (the "none" label) when none has it.
[[nodiscard]] int32_t CO_GetID_ByName(const VELL_ARY* colorLabelAry, const char* name);
// All zero for a bad index.
void CO_GetData_ByIndex(const VELL_ARY* colorLabelAry, int32_t index, KDX_COLOR_LABEL* label);
// Overwrites the label at index; a bad index does nothing.
void CO_SetData(VELL_ARY* colorLabelAry, int32_t index, const KDX_COLOR_LABEL& label);
// A component 0.0..1.0 in stored form, truncated (values outside are clamped).
[[nodiscard]] int32_t CO_ComponentToStored(double component);

// What the label dialog hands back for one of the labels 1 to 7: the typed
// name and, when the user picked one, a colour (components 0.0..1.0). A label
// whose colour was not picked keeps its stored components exactly.
struct KdxLabelEdit {
  std::string name;
  bool colorChosen = false;
  double red = 0, green = 0, blue = 0;
};
// The dialog's OK: when any of the seven names is empty nothing is stored and
// kKdxLabelNameEmpty is answered. Otherwise labels 1 to 7 take their names
// (cut to 127 bytes at a character boundary), their chosen colours (stored
// x 100000, truncated, clamped) and the update date now; 0. Label 0 is never
// changed. kKdxFailed when a label is missing (nothing stored then either).
inline constexpr int32_t kKdxLabelNameEmpty = 1;
[[nodiscard]] int32_t KDXCOMM_ApplyLabelEdits(VELL_ARY* colorLabelAry,
                                              const std::array<KdxLabelEdit, 7>& edits);
