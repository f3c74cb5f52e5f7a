#include "core/document/color_label.h"

#include <cstring>

#include "core/document/record_layout.h"
#include "core/document/record_table.h"
#include "core/util/vell_utf8.h"

namespace {

struct DefaultColor {
  int32_t red, green, blue;
};

constexpr DefaultColor kDefaultColors[kKdxColorLabelCount] = {
    {0, 0, 0},           {100000, 50000, 0}, {100000, 0, 0}, {100000, 0, 100000},
    {0, 100000, 100000}, {0, 0, 100000},     {0, 50196, 0},  {60000, 40000, 20000}};

}  // namespace

using kdx_table::ColorLabelTable;

int32_t CO_InitData(const char* name0, const char* name1, const char* name2, const char* name3,
                    const char* name4, const char* name5, const char* name6, const char* name7,
                    VELL_ARY* colorLabelAry) {
  const char* const names[kKdxColorLabelCount] = {name0, name1, name2, name3,
                                                  name4, name5, name6, name7};
  for (int32_t i = 0; i < kKdxColorLabelCount; ++i) {
    KDX_COLOR_LABEL l{};
    l.co_id = i;
    kdx_layout::SetCreatedNow(l.co_create_date, l.co_update_date);
    Vell_Utf8CopyCut(l.co_name, sizeof l.co_name, names[i] != nullptr ? names[i] : "");
    l.co_red = kDefaultColors[i].red;
    l.co_green = kDefaultColors[i].green;
    l.co_blue = kDefaultColors[i].blue;
    if (ColorLabelTable::Add(colorLabelAry, l) != 0) return kKdxFailed;
  }
  return 0;
}

int32_t CO_GetData(const VELL_ARY* colorLabelAry, int32_t id, KDX_COLOR_LABEL* label) {
  return ColorLabelTable::IndexOf(colorLabelAry, id, label) >= 0 ? 1 : 0;
}

int32_t CO_GetID_ByName(const VELL_ARY* colorLabelAry, const char* name) {
  if (name == nullptr) return 0;
  KDX_COLOR_LABEL l;
  const int32_t index = ColorLabelTable::Find(
      colorLabelAry, [name](const KDX_COLOR_LABEL& c) { return std::strcmp(c.co_name, name) == 0; },
      &l);
  return index >= 0 ? l.co_id : 0;
}

void CO_GetData_ByIndex(const VELL_ARY* colorLabelAry, int32_t index, KDX_COLOR_LABEL* label) {
  ColorLabelTable::At(colorLabelAry, index, label);
}

void CO_SetData(VELL_ARY* colorLabelAry, int32_t index, const KDX_COLOR_LABEL& label) {
  ColorLabelTable::Put(colorLabelAry, index, label);
}

int32_t CO_ComponentToStored(double component) {
  if (!(component > 0.0)) return 0;  // also NaN
  if (component >= 1.0) return kKdxColorScale;
  return static_cast<int32_t>(component * kKdxColorScale);
}

int32_t KDXCOMM_ApplyLabelEdits(VELL_ARY* colorLabelAry, const std::array<KdxLabelEdit, 7>& edits) {
  for (const KdxLabelEdit& edit : edits) {
    if (edit.name.empty()) return kKdxLabelNameEmpty;
  }
  std::array<KDX_COLOR_LABEL, 7> labels{};
  std::array<int32_t, 7> indices{};
  for (int32_t id = 1; id <= 7; ++id) {
    indices[id - 1] = ColorLabelTable::IndexOf(colorLabelAry, id, &labels[id - 1]);
    if (indices[id - 1] < 0) return kKdxFailed;
  }
  for (size_t i = 0; i < edits.size(); ++i) {
    KDX_COLOR_LABEL& l = labels[i];
    const KdxLabelEdit& edit = edits[i];
    std::memset(l.co_name, 0, sizeof l.co_name);
    Vell_Utf8CopyCut(l.co_name, sizeof l.co_name, edit.name);
    if (edit.colorChosen) {
      l.co_red = CO_ComponentToStored(edit.red);
      l.co_green = CO_ComponentToStored(edit.green);
      l.co_blue = CO_ComponentToStored(edit.blue);
    }
    kdx_layout::SetNow(l.co_update_date);
    CO_SetData(colorLabelAry, indices[i], l);
  }
  return 0;
}
