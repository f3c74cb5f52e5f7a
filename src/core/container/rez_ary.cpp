// Record tables in a container: one member per record, in array order along
// the tag's chain, each member exactly one record long.
#include <cstring>
#include <utility>
#include <vector>

#include "core/container/rez.h"
#include "core/container/rez_internal.h"
#include "core/util/vell_ary.h"
#include "core/util/vell_log.h"

namespace {

// Reasons for a tag that cannot be loaded with a record size.
constexpr int32_t kReasonAbsent = 1;
constexpr int32_t kReasonOtherLength = 2;
constexpr int32_t kReasonUnreadable = 3;

// Walks the tag's chain, checking that every member is recordSize long and
// counting them. 0 and the count; -5 absent; -1 a member of another length;
// another container code when the chain cannot be walked.
int32_t CountCompatible(REZ_FILE* file, uint32_t tag, int32_t recordSize, uint64_t* count) {
  *count = 0;
  REZ_METADATA h;
  int32_t status = rez_internal::FindTagHead(file, tag, &h);
  if (status != REZ_OK) return status;
  uint64_t steps = REZ_MaxChainSteps(file);
  for (;;) {
    if (h.dataLength != static_cast<uint32_t>(recordSize)) return REZ_ERR_ARGUMENT;
    ++*count;
    if (h.nextMember == kRezNoLink) return REZ_OK;
    if (steps-- == 0) {
      Vell_SystemErrorLog("[-1] REZ_ARY_Count[%08X]\r\n", tag);
      return REZ_ERR_NO_MEMBER;
    }
    status = rez_internal::ReadNextMember(file, h, &h);
    if (status != REZ_OK) return status;
  }
}

}  // namespace

int32_t REZ_ARY_IsLoadable(REZ_FILE* file, uint32_t tag, int32_t recordSize, int32_t* reason) {
  int32_t unused;
  if (reason == nullptr) reason = &unused;
  *reason = 0;
  if (file == nullptr || file->stream == nullptr || recordSize <= 0) {
    *reason = kReasonUnreadable;
    return 0;
  }
  uint64_t count;
  int32_t status = CountCompatible(file, tag, recordSize, &count);
  file->hasCurrent = 0;
  if (status == REZ_OK) return 1;
  *reason = status == REZ_ERR_NO_TAG     ? kReasonAbsent
            : status == REZ_ERR_ARGUMENT ? kReasonOtherLength
                                         : kReasonUnreadable;
  return 0;
}

int32_t REZ_ARY_Load(REZ_FILE* file, uint32_t tag, int32_t recordSize, VELL_ARY* ary) {
  if (file == nullptr || file->stream == nullptr || ary == nullptr || recordSize <= 0 ||
      ary->recordSize != recordSize) {
    return -4;
  }
  int32_t status = REZ_FirstMember(file, tag);
  if (status == REZ_ERR_NO_TAG) return -1;
  if (status != REZ_OK) return -4;
  if (file->current.dataLength != static_cast<uint32_t>(recordSize)) return -2;

  // Read into an array of our own first: the caller's array gets the records
  // only when the whole table could be read. It grows by large steps, since a
  // table may hold a hundred thousand records.
  constexpr int32_t kLoadGrowStep = 4096;
  VellAryPtr loaded(Vell_Ary_Init(recordSize, kLoadGrowStep, kLoadGrowStep));
  if (loaded == nullptr) return -4;
  uint64_t steps = REZ_MaxChainSteps(file);
  for (;;) {
    if (file->current.dataLength != static_cast<uint32_t>(recordSize)) return -3;
    if (steps-- == 0) {
      Vell_SystemErrorLog("[-1] REZ_ARY_Load[%08X]\r\n", tag);
      return -4;
    }
    if (Vell_Ary_Add(loaded.get(), nullptr) != 0) return -4;
    void* slot = Vell_Ary_GetDataPtr(loaded.get(), loaded->count - 1);
    if (REZ_GetData(file, static_cast<uint64_t>(recordSize), slot) != REZ_OK) return -4;
    status = REZ_NextMember(file);
    if (status == REZ_ERR_NO_MEMBER && file->current.nextMember == kRezNoLink) break;
    if (status != REZ_OK) return -4;
  }

  if (ary->count == 0) {
    Vell_Ary_RemoveAll(ary);
    std::swap(ary->data, loaded->data);
    std::swap(ary->capacity, loaded->capacity);
    std::swap(ary->count, loaded->count);
    return 0;
  }
  int32_t before = ary->count;
  for (int32_t i = 0; i < loaded->count; ++i) {
    if (Vell_Ary_Add(ary, Vell_Ary_GetDataPtr(loaded.get(), i)) != 0) {
      while (ary->count > before) Vell_Ary_Remove(ary, ary->count - 1);
      return -4;
    }
  }
  return 0;
}

int32_t REZ_ARY_Save(REZ_FILE* file, uint32_t tag, const VELL_ARY* ary, int32_t recordSize) {
  if (file == nullptr || file->stream == nullptr || ary == nullptr || recordSize <= 0 ||
      ary->recordSize != recordSize || tag == kRezNoLink) {
    return REZ_ERR_ARGUMENT;
  }
  if (file->openMode != 0) return REZ_ERR_READ_ONLY;
  uint64_t stored = 0;
  int32_t status = CountCompatible(file, tag, recordSize, &stored);
  file->hasCurrent = 0;
  if (status == REZ_ERR_ARGUMENT) return REZ_ERR_ARGUMENT;
  if (status != REZ_OK && status != REZ_ERR_NO_TAG) return status;
  const uint64_t wanted = static_cast<uint64_t>(ary->count);

  // Surplus members go from the head, so the later ones move up to the front.
  for (uint64_t m = stored; m > wanted; --m) {
    status = REZ_FirstMember(file, tag);
    if (status != REZ_OK) return status;
    status = REZ_RemoveData(file);
    if (status != REZ_OK) return status;
  }

  // Overwrite the members that stay, writing only records whose bytes differ,
  // so that saving an unchanged table writes nothing.
  uint64_t kept = stored < wanted ? stored : wanted;
  std::vector<uint8_t> onDisk(static_cast<size_t>(recordSize));
  REZ_METADATA last{};
  if (kept > 0) {
    status = REZ_FirstMember(file, tag);
    if (status != REZ_OK) return status;
    for (uint64_t i = 0; i < kept; ++i) {
      if (i > 0) {
        status = REZ_NextMember(file);
        if (status != REZ_OK) return status;
      }
      const void* record = Vell_Ary_GetDataPtr(ary, static_cast<int32_t>(i));
      status = REZ_GetData(file, onDisk.size(), onDisk.data());
      if (status != REZ_OK) return status;
      if (std::memcmp(onDisk.data(), record, onDisk.size()) != 0) {
        status = REZ_ReplaceData(file, onDisk.size(), record);
        if (status != REZ_OK) return status;
      }
    }
    last = file->current;
    file->hasCurrent = 0;
  }

  // Further records are appended with their data, each linked only once written.
  for (uint64_t i = kept; i < wanted; ++i) {
    const void* record = Vell_Ary_GetDataPtr(ary, static_cast<int32_t>(i));
    if (i == 0) {
      status = REZ_AddData(file, tag, static_cast<uint64_t>(recordSize), record);
      if (status != REZ_OK) return status;
      status = REZ_FirstMember(file, tag);
      if (status != REZ_OK) return status;
      last = file->current;
      file->hasCurrent = 0;
    } else {
      status = rez_internal::AppendAfter(file, tag, last, false, static_cast<uint64_t>(recordSize),
                                         record, &last);
      if (status != REZ_OK) return status;
    }
  }
  return REZ_OK;
}
