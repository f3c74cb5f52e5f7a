#include "core/document/id_counter.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "core/document/record_layout.h"
#include "core/document/record_table.h"
#include "core/document/records.h"
#include "core/util/vell_log.h"

using kdx_table::IdCounterTable;

namespace {

constexpr char kCounterOfCounters[] = "ic_id";

// Index of the counter (tag, name) and the counter in *found when given, or -1.
[[nodiscard]] int32_t FindCounter(const VELL_ARY* ary, uint32_t tag, const char* name,
                                  KDX_ID_COUNTER* found = nullptr) {
  return IdCounterTable::Find(
      ary,
      [&](const KDX_ID_COUNTER& c) { return c.ic_tag == tag && std::strcmp(c.ic_name, name) == 0; },
      found);
}

bool NameFits(const char* name) {
  return name != nullptr && std::strlen(name) < sizeof(KDX_ID_COUNTER{}.ic_name);
}

// Overwrites the counter at index, or appends it when index is -1.
[[nodiscard]] int32_t StoreCounter(VELL_ARY* ary, int32_t index, const KDX_ID_COUNTER& c) {
  if (index < 0) return IdCounterTable::Add(ary, c);
  IdCounterTable::Put(ary, index, c);
  return 0;
}

// A counter with empty dates, as made on first use.
KDX_ID_COUNTER NewCounter(int32_t id, uint32_t tag, const char* name, int32_t next) {
  KDX_ID_COUNTER c{};
  c.ic_id = id;
  c.ic_tag = tag;
  std::strcpy(c.ic_name, name);  // NameFits checked by the callers
  c.ic_next_value = next;
  return c;
}

}  // namespace

int32_t IC_InitData(VELL_ARY* idCounterAry) {
  KDX_ID_COUNTER c = NewCounter(0, kKdxTagIDCO, kCounterOfCounters, 0);
  kdx_layout::SetNow(c.ic_create_date);
  kdx_layout::SetNow(c.ic_update_date);
  return IC_AddData(idCounterAry, c);
}

int32_t IC_GetID_FromCounter(VELL_ARY* idCounterAry, uint32_t tag, const char* name) {
  if (idCounterAry == nullptr || !NameFits(name)) {
    Vell_SystemErrorLog("[-1] IC_GetID_FromCounter\r\n");
    return kKdxFailed;
  }
  KDX_ID_COUNTER c;
  const int32_t index = FindCounter(idCounterAry, tag, name, &c);
  if (index >= 0) {
    // A negative value can only come from a damaged file, and handing out
    // INT32_MAX would leave nothing to store as the next value.
    if (c.ic_next_value < 0 || c.ic_next_value == std::numeric_limits<int32_t>::max()) {
      Vell_SystemErrorLog("[-2] IC_GetID_FromCounter %s at %d\r\n", name, c.ic_next_value);
      return kKdxFailed;
    }
    const int32_t id = c.ic_next_value;
    c.ic_next_value = id + 1;
    IdCounterTable::Put(idCounterAry, index, c);
    return id;
  }
  if (tag == kKdxTagIDCO) return 0;

  const int32_t ownId = IC_GetID_FromCounter(idCounterAry, kKdxTagIDCO, kCounterOfCounters);
  if (ownId < 0 || StoreCounter(idCounterAry, -1, NewCounter(ownId, tag, name, 1)) != 0) {
    Vell_SystemErrorLog("[-3] IC_GetID_FromCounter %s\r\n", name);
    return kKdxFailed;
  }
  return 0;
}

int32_t IC_AddData(VELL_ARY* idCounterAry, const KDX_ID_COUNTER& counter) {
  return StoreCounter(idCounterAry, -1, counter);
}

int32_t IC_RaiseAboveExisting(VELL_ARY* idCounterAry, uint32_t tag, const char* name,
                              int32_t maxIdPresent) {
  if (idCounterAry == nullptr || !NameFits(name)) return kKdxFailed;
  // In 64 bits: maxIdPresent may be INT32_MAX; the counter then stays refusing.
  const int64_t wanted =
      std::min<int64_t>(int64_t{maxIdPresent} + 1, std::numeric_limits<int32_t>::max());
  KDX_ID_COUNTER c;
  const int32_t index = FindCounter(idCounterAry, tag, name, &c);
  if (index >= 0) {
    if (c.ic_next_value >= wanted) return 0;
    c.ic_next_value = static_cast<int32_t>(wanted);
    return StoreCounter(idCounterAry, index, c);
  }
  const int32_t next = static_cast<int32_t>(std::max<int64_t>(wanted, 0));
  if (tag == kKdxTagIDCO) {
    // The counter of counters numbers itself: it takes the first free id.
    if (next == std::numeric_limits<int32_t>::max()) return kKdxFailed;
    return StoreCounter(idCounterAry, -1, NewCounter(next, tag, name, next + 1));
  }
  // Without the counter of counters the new counter's own id would be 0 again.
  if (FindCounter(idCounterAry, kKdxTagIDCO, kCounterOfCounters) < 0) {
    int32_t maxCounterId = -1;
    IdCounterTable::ForEach(idCounterAry, [&](const KDX_ID_COUNTER& counter, int32_t) {
      maxCounterId = std::max(maxCounterId, counter.ic_id);
    });
    if (IC_RaiseAboveExisting(idCounterAry, kKdxTagIDCO, kCounterOfCounters, maxCounterId) != 0)
      return kKdxFailed;
  }
  const int32_t ownId = IC_GetID_FromCounter(idCounterAry, kKdxTagIDCO, kCounterOfCounters);
  if (ownId < 0) return kKdxFailed;
  return StoreCounter(idCounterAry, -1, NewCounter(ownId, tag, name, next));
}
