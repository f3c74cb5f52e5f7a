// Colour labels (colorLabelAry): always eight, identifiers 0 to 7; entries
// refer to one by en_co_id.
#pragma once

#include <cstdint>

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
