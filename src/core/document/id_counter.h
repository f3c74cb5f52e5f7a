// Identifier counters: one record per (tag, name) pair, handing out 0, 1, 2, ...
// Identifiers are never reused, because a counter is only ever incremented.
#pragma once

#include <cstdint>

#include "core/document/kdx_status.h"
#include "core/util/vell_ary.h"

struct KDX_ID_COUNTER;

// Appends the counter of counters: id 0, dates now, tag IDCO, "ic_id", next 0.
[[nodiscard]] int32_t IC_InitData(VELL_ARY* idCounterAry);
// The next identifier of the counter (tag, name), creating the counter (next
// value 1, its own id from "ic_id") when absent. The IDCO counter itself, when
// absent, answers 0 and is not created. kKdxFailed, logged, when the counter is at
// INT32_MAX or the new counter cannot be stored.
[[nodiscard]] int32_t IC_GetID_FromCounter(VELL_ARY* idCounterAry, uint32_t tag, const char* name);
// Appends a counter record; 0, or kKdxFailed when memory runs out.
[[nodiscard]] int32_t IC_AddData(VELL_ARY* idCounterAry, const KDX_ID_COUNTER& counter);
// Makes the counter's next value greater than maxIdPresent (never lowering it),
// creating the counter when absent. Used after a load so that identifiers
// already in the document are not handed out again. 0, or kKdxFailed on failure.
[[nodiscard]] int32_t IC_RaiseAboveExisting(VELL_ARY* idCounterAry, uint32_t tag, const char* name,
                                            int32_t maxIdPresent);
