#include "gui/app/entry_window_logic.h"

#include <QByteArrayView>
#include <algorithm>
#include <cstring>
#include <string_view>

#include "core/document/catset_table.h"
#include "core/document/env_table.h"
#include "core/listing/category.h"
#include "core/prefs/turn_width.h"
#include "core/util/vell_system.h"
#include "core/util/vell_utf8.h"
#include "gui/app/localization.h"
#include "richtext/body_format.h"

std::string KdxControlText(const QString& text, size_t fieldSize) {
  if (fieldSize == 0) return {};
  const qsizetype units = static_cast<qsizetype>((fieldSize - 1) / 3);
  QString kept = text.left(units);
  if (!kept.isEmpty() && kept.back().isHighSurrogate()) kept.chop(1);
  const QByteArray utf8 = kept.toUtf8();
  std::string out(fieldSize, '\0');
  out.resize(Vell_Utf8CopyCut(
      out.data(), fieldSize, std::string_view(utf8.constData(), static_cast<size_t>(utf8.size()))));
  return out;
}

QString KdxEntryWindowTitle(const KDX_ENTRY& entry) {
  return KdxTextFormat("%s（%ld）",
                       {std::string(entry.en_title, strnlen(entry.en_title, sizeof entry.en_title)),
                        std::to_string(entry.en_id)});
}

KDX_ENTRY EW_GetKdxEntry_ByControl(const KDX_ENTRY& stored, const KdxEntryWindowValues& values) {
  KDX_ENTRY entry = stored;
  const std::string title = KdxControlText(values.title, sizeof entry.en_title);
  std::memset(entry.en_title, 0, sizeof entry.en_title);
  std::memcpy(entry.en_title, title.data(), title.size());
  char* fields[3] = {entry.en_cat1_name, entry.en_cat2_name, entry.en_cat3_name};
  for (size_t level = 0; level < 3; ++level) {
    std::string name = KDXCOMM_GetCatComboSaveString(
        KdxControlText(values.categories[level], sizeof entry.en_cat1_name));
    if (name.empty()) name = kKdxCategoryOther;
    std::memset(fields[level], 0, sizeof entry.en_cat1_name);
    std::memcpy(fields[level], name.data(), std::min(name.size(), sizeof entry.en_cat1_name - 1));
  }
  entry.en_detail_toggle = values.infoShown ? 1 : 0;
  KdxSetEntryFrame(&entry, values.frame);
  Vell_GetOSVersionString(entry.en_update_os, sizeof entry.en_update_os);
  Vell_GetMachineName(entry.en_update_machine_name, sizeof entry.en_update_machine_name);
  return entry;
}

namespace {

bool PartChanged(const KdxEntryPart& part) {
  return part.editable && !part.untouched && part.stored &&
         (*part.stored != part.shown || part.modified);
}

template <size_t N>
bool FieldDiffers(const char (&a)[N], const char (&b)[N]) {
  return std::string_view(a, strnlen(a, N)) != std::string_view(b, strnlen(b, N));
}

}  // namespace

std::string KdxComparableStoredText(std::string text) {
  const bool asItIs =
      QByteArrayView(text.data(), static_cast<qsizetype>(text.size())).isValidUtf8() &&
      text.find('\r') == std::string::npos && text.find("\xE2\x80\xA8") == std::string::npos &&
      text.find("\xE2\x80\xA9") == std::string::npos && (text.empty() || text.back() != '\0') &&
      !text.starts_with("\xEF\xBB\xBF");  // the decoder drops a leading byte order mark
  if (asItIs) return text;
  return kdx_richtext::NormalizeBodyText(QString::fromStdString(text)).toStdString();
}

KdxEntryChanges EW_IsTheEntryUpdated(const KDX_ENTRY& stored, const KDX_ENTRY& fromWindow,
                                     const KdxEntryPart& note, const KdxEntryPart& body) {
  KdxEntryChanges changes;
  changes.note = PartChanged(note);
  changes.body = PartChanged(body);
  if (FieldDiffers(stored.en_title, fromWindow.en_title)) {
    changes.first = 1;
  } else if (FieldDiffers(stored.en_cat1_name, fromWindow.en_cat1_name)) {
    changes.first = 2;
  } else if (FieldDiffers(stored.en_cat2_name, fromWindow.en_cat2_name)) {
    changes.first = 3;
  } else if (FieldDiffers(stored.en_cat3_name, fromWindow.en_cat3_name)) {
    changes.first = 4;
  } else if (changes.note) {
    changes.first = 5;
  } else if (changes.body) {
    changes.first = 6;
  }
  return changes;
}

KdxBodyWrapMode KdxGetBodyWrapMode(int32_t turn, const char* turnWidth) {
  if (turn == 1) return {KdxBodyWrap::kWindowWidth, 0};
  if (turn != 3) return {KdxBodyWrap::kNone, 0};
  const std::string_view text =
      turnWidth != nullptr ? std::string_view(turnWidth, strnlen(turnWidth, 32)) : "";
  return {KdxBodyWrap::kFixedWidth, KDXCOMM_ParseTurnWidth(text)};
}

std::optional<KdxWindowRect> KdxStoredEntryFrame(const KDX_ENTRY& entry) {
  if (entry.en_window_position_left < 1 && entry.en_window_position_top < 1 &&
      entry.en_window_position_right < 1 && entry.en_window_position_bottom < 1) {
    return std::nullopt;
  }
  return KdxWindowRect{entry.en_window_position_left, entry.en_window_position_top,
                       entry.en_window_position_right, entry.en_window_position_bottom};
}

void KdxSetEntryFrame(KDX_ENTRY* entry, const KdxWindowRect& frame) {
  entry->en_window_position_left = frame.left;
  entry->en_window_position_top = frame.top;
  entry->en_window_position_right = frame.right;
  entry->en_window_position_bottom = frame.bottom;
}

int32_t KDXCOMM_GetMainOrderIndex(const KDX_DATA& data) {
  int32_t order = 0;
  return EV_GetIntValue(data.envAry, kKdxMainWindowOrderKey, &order) == 1 ? order : 0;
}

int32_t KDXCOMM_BackupMainOrderIndex(KDX_DATA* data, int32_t order) {
  return EV_SetIntValue(data->envAry, data->idCounterAry, kKdxMainWindowOrderKey, order);
}

KdxWindowRestorePlan KdxPlanWindowRestore(const std::vector<std::pair<int32_t, int32_t>>& entries,
                                          int32_t mainOrder) {
  KdxWindowRestorePlan plan;
  std::vector<std::pair<int32_t, std::optional<int32_t>>> order{{mainOrder, std::nullopt}};
  for (const auto& [id, z] : entries) {
    if (z <= 0) continue;
    plan.reopen.push_back(id);
    order.emplace_back(z, id);
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  for (const auto& item : order) plan.raise.push_back(item.second);
  return plan;
}
