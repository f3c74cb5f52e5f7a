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

// Walks the tag's chain, checking that every member is recordSize long and
// counting them. 0 and the count; -5 absent; -1 a member of another length;
// another container code when the chain cannot be walked.
[[nodiscard]] int32_t CountCompatible(REZ_FILE* file, uint32_t tag, int32_t recordSize,
                                      uint64_t* count) {
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
    *reason = REZ_ARY_REASON_UNREADABLE;
    return 0;
  }
  uint64_t count;
  int32_t status = CountCompatible(file, tag, recordSize, &count);
  file->hasCurrent = 0;
  if (status == REZ_OK) return 1;
  *reason = status == REZ_ERR_NO_TAG     ? REZ_ARY_REASON_ABSENT
            : status == REZ_ERR_ARGUMENT ? REZ_ARY_REASON_OTHER_LENGTH
                                         : REZ_ARY_REASON_UNREADABLE;
  return 0;
}

int32_t REZ_ARY_Load(REZ_FILE* file, uint32_t tag, int32_t recordSize, VELL_ARY* ary) {
  return REZ_ARY_LoadWithPositions(file, tag, recordSize, ary, nullptr);
}

int32_t REZ_ARY_LoadWithPositions(REZ_FILE* file, uint32_t tag, int32_t recordSize, VELL_ARY* ary,
                                  std::vector<uint32_t>* positions) {
  if (positions != nullptr) positions->clear();
  if (file == nullptr || file->stream == nullptr || ary == nullptr || recordSize <= 0 ||
      ary->recordSize != recordSize) {
    return REZ_ARY_READ_FAILED;
  }
  int32_t status = REZ_FirstMember(file, tag);
  if (status == REZ_ERR_NO_TAG) return REZ_ARY_ABSENT;
  if (status != REZ_OK) return REZ_ARY_READ_FAILED;
  if (file->current.dataLength != static_cast<uint32_t>(recordSize)) return REZ_ARY_FIRST_LENGTH;

  // Read into an array of our own first: the caller's array gets the records
  // only when the whole table could be read. It grows by large steps, since a
  // table may hold a hundred thousand records.
  constexpr int32_t kLoadGrowStep = 4096;
  VellAryPtr loaded(Vell_Ary_Init(recordSize, kLoadGrowStep, kLoadGrowStep));
  if (loaded == nullptr) return REZ_ARY_READ_FAILED;
  std::vector<uint32_t> found;
  uint64_t steps = REZ_MaxChainSteps(file);
  for (;;) {
    if (file->current.dataLength != static_cast<uint32_t>(recordSize)) return REZ_ARY_LATER_LENGTH;
    if (positions != nullptr) found.push_back(file->current.position);
    if (steps-- == 0) {
      Vell_SystemErrorLog("[-1] REZ_ARY_Load[%08X]\r\n", tag);
      return REZ_ARY_READ_FAILED;
    }
    if (Vell_Ary_Add(loaded.get(), nullptr) != 0) return REZ_ARY_READ_FAILED;
    void* slot = Vell_Ary_GetDataPtr(loaded.get(), loaded->count - 1);
    if (REZ_GetData(file, static_cast<uint64_t>(recordSize), slot) != REZ_OK)
      return REZ_ARY_READ_FAILED;
    status = REZ_NextMember(file);
    if (status == REZ_ERR_NO_MEMBER && file->current.nextMember == kRezNoLink) break;
    if (status != REZ_OK) return REZ_ARY_READ_FAILED;
  }

  if (positions != nullptr) *positions = std::move(found);
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
      if (positions != nullptr) positions->clear();
      return REZ_ARY_READ_FAILED;
    }
  }
  return 0;
}

int32_t REZ_ARY_Save(REZ_FILE* file, uint32_t tag, const VELL_ARY* ary, int32_t recordSize) {
  if (ary == nullptr || ary->recordSize != recordSize) return REZ_ERR_ARGUMENT;
  // Without a snapshot every record is compared with what its member holds, so
  // saving an unchanged table writes nothing.
  RezTableSnapshot none;
  std::vector<uint64_t> unknown(static_cast<size_t>(ary->count));
  return REZ_ARY_SaveWithSnapshot(
      file, tag, ary->count, recordSize, unknown,
      [ary](int32_t i, uint8_t* out) {
        std::memcpy(out, Vell_Ary_GetDataPtr(ary, i), static_cast<size_t>(ary->recordSize));
        return 0;
      },
      &none);
}

namespace {

// Checks cheaply that the tag still has the members the snapshot recorded: its
// head and its last member are where they were, and the last one ends the chain.
[[nodiscard]] bool SnapshotStillHolds(REZ_FILE* file, uint32_t tag, int32_t recordSize,
                                      const RezTableSnapshot& snapshot) {
  if (!snapshot.valid || snapshot.positions.size() != snapshot.digests.size()) return false;
  REZ_METADATA head;
  int32_t status = rez_internal::FindTagHead(file, tag, &head);
  if (snapshot.positions.empty()) return status == REZ_ERR_NO_TAG;
  if (status != REZ_OK || head.position != snapshot.positions.front()) return false;
  REZ_METADATA last;
  if (rez_internal::ReadHeader(file, snapshot.positions.back(), &last) != REZ_OK) return false;
  return last.tag == tag && last.nextMember == kRezNoLink &&
         last.dataLength == static_cast<uint32_t>(recordSize) &&
         (snapshot.positions.size() == 1 || last.prevMember != kRezNoLink);
}

// Walks the tag's chain, collecting member positions; -1 when a member has
// another length.
[[nodiscard]] int32_t CollectPositions(REZ_FILE* file, uint32_t tag, int32_t recordSize,
                                       std::vector<uint32_t>* positions) {
  positions->clear();
  REZ_METADATA h;
  int32_t status = rez_internal::FindTagHead(file, tag, &h);
  if (status == REZ_ERR_NO_TAG) return REZ_OK;
  if (status != REZ_OK) return status;
  uint64_t steps = REZ_MaxChainSteps(file);
  for (;;) {
    if (h.dataLength != static_cast<uint32_t>(recordSize)) return REZ_ERR_ARGUMENT;
    positions->push_back(h.position);
    if (h.nextMember == kRezNoLink) return REZ_OK;
    if (steps-- == 0) return REZ_ERR_NO_MEMBER;
    status = rez_internal::ReadNextMember(file, h, &h);
    if (status != REZ_OK) return status;
  }
}

// Makes the member at pos current, for the editing calls.
[[nodiscard]] int32_t PositionAt(REZ_FILE* file, uint32_t pos) {
  REZ_METADATA h;
  int32_t status = rez_internal::ReadHeader(file, pos, &h);
  if (status != REZ_OK) return status;
  file->current = h;
  file->hasCurrent = 1;
  return REZ_OK;
}

}  // namespace

int32_t REZ_ARY_SaveWithSnapshot(REZ_FILE* file, uint32_t tag, int32_t count, int32_t recordSize,
                                 const std::vector<uint64_t>& digests,
                                 const RezRecordProducer& produce, RezTableSnapshot* snapshot) {
  if (file == nullptr || file->stream == nullptr || snapshot == nullptr || count < 0 ||
      recordSize <= 0 || tag == kRezNoLink || digests.size() != static_cast<size_t>(count)) {
    return REZ_ERR_ARGUMENT;
  }
  if (file->openMode != 0) return REZ_ERR_READ_ONLY;
  const bool known = SnapshotStillHolds(file, tag, recordSize, *snapshot);
  std::vector<uint32_t> positions;
  std::vector<uint64_t> stored;  // digest of what each member holds, when known
  if (known) {
    positions = std::move(snapshot->positions);
    stored = std::move(snapshot->digests);
  } else {
    int32_t status = CollectPositions(file, tag, recordSize, &positions);
    if (status != REZ_OK) return status;
  }
  snapshot->valid = false;
  snapshot->positions.clear();
  snapshot->digests.clear();
  file->hasCurrent = 0;

  const size_t wanted = static_cast<size_t>(count);
  // Surplus members go from the head, so the later ones move up to the front.
  while (positions.size() > wanted) {
    int32_t status = REZ_FirstMember(file, tag);
    if (status == REZ_OK && file->current.position != positions.front()) status = REZ_ERR_NO_MEMBER;
    if (status == REZ_OK) status = REZ_RemoveData(file);
    if (status != REZ_OK) return status;
    positions.erase(positions.begin());
    if (known) stored.erase(stored.begin());
  }

  std::vector<uint8_t> record(static_cast<size_t>(recordSize));
  std::vector<uint8_t> onDisk(known ? 0 : static_cast<size_t>(recordSize));
  const size_t kept = positions.size();
  for (size_t i = 0; i < kept; ++i) {
    if (known && stored[i] == digests[i]) continue;
    int32_t status = produce(static_cast<int32_t>(i), record.data());
    if (status != 0) return status;
    status = PositionAt(file, positions[i]);
    if (status != REZ_OK) return status;
    if (!known) {
      status = REZ_GetData(file, onDisk.size(), onDisk.data());
      if (status != REZ_OK) return status;
      if (onDisk == record) continue;
    }
    status = REZ_ReplaceData(file, record.size(), record.data());
    if (status != REZ_OK) return status;
  }
  file->hasCurrent = 0;

  // Further records are appended with their data, each linked only once written.
  for (size_t i = kept; i < wanted; ++i) {
    int32_t status = produce(static_cast<int32_t>(i), record.data());
    if (status != 0) return status;
    REZ_METADATA added;
    if (positions.empty()) {
      REZ_METADATA lastHead;
      status = rez_internal::FindLastHead(file, &lastHead);
      if (status == REZ_OK) {
        status = rez_internal::AppendAfter(file, tag, lastHead, true, record.size(), record.data(),
                                           &added);
      }
    } else {
      REZ_METADATA last;
      status = rez_internal::ReadHeader(file, positions.back(), &last);
      if (status == REZ_OK) {
        status =
            rez_internal::AppendAfter(file, tag, last, false, record.size(), record.data(), &added);
      }
    }
    if (status != REZ_OK) return status;
    positions.push_back(added.position);
  }

  snapshot->positions = std::move(positions);
  snapshot->digests = digests;
  snapshot->valid = true;
  return REZ_OK;
}
