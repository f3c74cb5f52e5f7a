// Content blocks: an entry's body (BORB), plain text (TEXT) and note (NORB).
// The three kinds share one implementation; a kind descriptor carries what
// differs (tag, counter, fill byte, result and logging conventions).
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <vector>

#include "core/container/rez_handle.h"
#include "core/container/rez_journal.h"
#include "core/document/block_index.h"
#include "core/document/block_io.h"
#include "core/document/blocks.h"
#include "core/document/id_counter.h"
#include "core/document/kdx_data.h"
#include "core/document/kdx_file.h"
#include "core/document/records.h"
#include "core/util/vell_log.h"

using block_io::Allocate;
using block_io::ReadLe32;

namespace {

struct ContentKind {
  uint32_t tag;
  const char* counterName;  // identifier counter of the container ids
  uint8_t fill;             // what a wiped data area is overwritten with
  const char* prefix;       // of the operation names in log lines
  bool isNote;              // the note's results are 1/0 and it logs less
  bool headResultIsCode;    // reading the head answers 0 or the container's code
};

// Blocks this long are saved into a free place rather than in place when a
// transaction is open on the file (see Save).
constexpr uint32_t kRelocateFrom = 64 * 1024;

constexpr ContentKind kBody{kKdxTagBORB, "bo_id", 0x42, "BO", false, false};
constexpr ContentKind kText{kKdxTagTEXT, "tx_id", 0x42, "TX", false, true};
constexpr ContentKind kNote{kKdxTagNORB, "no_id", 0x43, "NO", true, true};

const ContentKind& KindOf(KdxBlockKind kind) {
  switch (kind) {
    case KdxBlockKind::kText:
      return kText;
    case KdxBlockKind::kNote:
      return kNote;
    case KdxBlockKind::kBody:
      break;
  }
  return kBody;
}

// Whether the note logs an operation's failures (the body and text log all).
enum NoteLogs : bool { kNoteSilent = false, kNoteLogs = true };

void LogStep(const ContentKind& k, const char* operation, int step, NoteLogs noteLogs) {
  if (k.isNote && !noteLogs) return;
  Vell_SystemErrorLog("[-%d] %s_%s\r\n", step, k.prefix, operation);
}

struct ContentHead {
  int32_t containerId;
  int32_t entryId;
  int32_t dataSize;
};

// Reads the current member's head field by field; *failedStep names the field
// (1 to 3) that could not be read.
[[nodiscard]] int32_t ReadHead(REZ_FILE* file, ContentHead* head, int* failedStep) {
  int32_t* fields[] = {&head->containerId, &head->entryId, &head->dataSize};
  for (int i = 0; i < 3; ++i) {
    int32_t status = ReadLe32(file, 4 * static_cast<uint64_t>(i), fields[i]);
    if (status != REZ_OK) {
      *failedStep = i + 1;
      return status;
    }
  }
  return REZ_OK;
}

// A stored size is used only when it lies inside the member.
bool SizeFits(int32_t dataSize, uint32_t memberLength, uint32_t headSize) {
  return dataSize >= 0 && memberLength >= headSize &&
         static_cast<uint32_t>(dataSize) <= memberLength - headSize;
}

uint32_t DataSizeOrZero(int32_t dataSize) { return static_cast<uint32_t>(std::max(dataSize, 0)); }

void PackHead(int32_t containerId, int32_t entryId, int32_t dataSize, uint8_t* out) {
  Vell_PutLE32Signed(out, containerId);
  Vell_PutLE32Signed(out + 4, entryId);
  Vell_PutLE32Signed(out + 8, static_cast<int32_t>(DataSizeOrZero(dataSize)));
}

void Pack(int32_t containerId, int32_t entryId, int32_t dataSize, const void* data, uint8_t* out) {
  PackHead(containerId, entryId, dataSize, out);
  if (dataSize > 0) std::memcpy(out + kKdxContentHeadSize, data, static_cast<size_t>(dataSize));
}

// The bytes of a wiped member: its identifiers kept, the whole data area filled.
[[nodiscard]] bool BuildWipe(const ContentKind& k, int32_t containerId, int32_t entryId,
                             uint32_t memberLength, std::vector<uint8_t>& out) {
  if (!Allocate(out, memberLength)) return false;
  std::fill(out.begin() + kKdxContentHeadSize, out.end(), k.fill);
  Vell_PutLE32Signed(out.data(), containerId);
  Vell_PutLE32Signed(out.data() + 4, entryId);
  Vell_PutLE32Signed(out.data() + 8, static_cast<int32_t>(memberLength - kKdxContentHeadSize));
  return true;
}

bool ArgumentsValid(int32_t dataSize, const void* data) { return dataSize <= 0 || data != nullptr; }

// ---- the operations, once for all kinds ----------------------------------------

[[nodiscard]] int32_t FindContainer(const ContentKind& k, REZ_FILE* file, int32_t entryId) {
  if (file == nullptr || file->stream == nullptr) return 0;
  bool found = false;
  int32_t status = block_index::WalkContentChain(file, k.tag, [&](int32_t id) {
    found = id == entryId;
    return !found;
  });
  if (status == REZ_OK && found) return 1;
  file->hasCurrent = 0;
  return 0;
}

[[nodiscard]] int32_t GetBlockHeader(const ContentKind& k, REZ_FILE* file, int32_t* containerId,
                                     int32_t* entryId, int32_t* dataSize) {
  ContentHead head{};
  int step = 1;
  int32_t status = file == nullptr ? REZ_ERR_ARGUMENT : ReadHead(file, &head, &step);
  if (status != REZ_OK) {
    LogStep(k, "GetBlockHeader", step, kNoteLogs);
    return k.headResultIsCode ? status : 0;
  }
  if (containerId != nullptr) *containerId = head.containerId;
  if (entryId != nullptr) *entryId = head.entryId;
  if (dataSize != nullptr) *dataSize = head.dataSize;
  return k.headResultIsCode ? 0 : 1;
}

[[nodiscard]] int32_t GetContainerID(const ContentKind& k, const char* path, int32_t entryId) {
  RezFileHandle rez;
  if (rez.Open(path, 1) != REZ_OK) {
    LogStep(k, "GetContainerID", 1, kNoteLogs);
    return kKdxLookupCannotOpen;
  }
  if (block_index::Session(path, k.tag).Find(rez.get(), entryId) != 1) {
    LogStep(k, "GetContainerID", 2, kNoteLogs);
    return kKdxLookupNoBlock;
  }
  int32_t containerId;
  if (ReadLe32(rez.get(), 0, &containerId) != REZ_OK) {
    LogStep(k, "GetContainerID", 3, kNoteLogs);
    return kKdxLookupHeadUnreadable;
  }
  return containerId;
}

[[nodiscard]] int64_t GetContainerSize(const ContentKind& k, const char* path, int32_t entryId) {
  RezFileHandle rez;
  if (rez.Open(path, 1) != REZ_OK) {
    LogStep(k, "GetContainerSize", 1, kNoteSilent);
    return kKdxLookupCannotOpen;
  }
  if (block_index::Session(path, k.tag).Find(rez.get(), entryId) != 1) {
    LogStep(k, "GetContainerSize", 2, kNoteSilent);
    return kKdxLookupNoBlock;
  }
  return rez.get()->current.dataLength;
}

// Opens path read-only, finds the block and reads its checked data size. The
// steps: 1 open, 2 no block, 3 head unreadable, 4 size outside the member.
[[nodiscard]] int32_t OpenAndReadSize(const ContentKind& k, const char* operation,
                                      NoteLogs noteLogs, RezFileHandle& rez, const char* path,
                                      int32_t entryId, int32_t* dataSize) {
  int32_t status = rez.Open(path, 1);
  if (status != REZ_OK) {
    LogStep(k, operation, 1, noteLogs);
    return status;
  }
  status = block_index::Session(path, k.tag).Find(rez.get(), entryId);
  if (status != 1) {
    LogStep(k, operation, 2, noteLogs);
    return status == 0 ? kKdxBlockMissing : status;
  }
  status = ReadLe32(rez.get(), 8, dataSize);
  if (status != REZ_OK) {
    LogStep(k, operation, 3, noteLogs);
    return status;
  }
  if (!SizeFits(*dataSize, rez.get()->current.dataLength, kKdxContentHeadSize)) {
    LogStep(k, operation, 4, noteLogs);
    return kKdxBlockDamaged;
  }
  return REZ_OK;
}

[[nodiscard]] int32_t GetDataSize(const ContentKind& k, const char* path, int32_t entryId,
                                  int32_t* dataSize) {
  RezFileHandle rez;
  int32_t size = 0;
  int32_t status = OpenAndReadSize(k, "GetDataSize", kNoteLogs, rez, path, entryId, &size);
  if (status == REZ_OK && dataSize != nullptr) *dataSize = size;
  return status;
}

[[nodiscard]] int32_t IsContainerSizeEnough(const ContentKind& k, const char* path, int32_t entryId,
                                            int32_t newDataSize) {
  RezFileHandle rez;
  if (rez.Open(path, 1) != REZ_OK) {
    LogStep(k, "IsContainerSizeEnough", 1, kNoteSilent);
    return 0;
  }
  if (block_index::Session(path, k.tag).Find(rez.get(), entryId) != 1) {
    LogStep(k, "IsContainerSizeEnough", 2, kNoteSilent);
    return 0;
  }
  return uint64_t{kKdxContentHeadSize} + DataSizeOrZero(newDataSize) <=
                 rez.get()->current.dataLength
             ? 1
             : 0;
}

// Steps as OpenAndReadSize, then 5 a count beyond the data area, 6 the read.
[[nodiscard]] int32_t Load(const ContentKind& k, const char* path, int32_t entryId, int32_t count,
                           void* buffer) {
  RezFileHandle rez;
  int32_t size;
  int32_t status = OpenAndReadSize(k, "Load", kNoteLogs, rez, path, entryId, &size);
  if (status == REZ_OK && (count < 0 || (count > 0 && buffer == nullptr) ||
                           !SizeFits(count, rez.get()->current.dataLength, kKdxContentHeadSize))) {
    LogStep(k, "Load", 5, kNoteLogs);
    status = REZ_ERR_ARGUMENT;
  }
  if (status == REZ_OK) {
    status = REZ_GetSubdata(rez.get(), kKdxContentHeadSize, static_cast<uint64_t>(count), buffer);
    if (status != REZ_OK) LogStep(k, "Load", 6, kNoteLogs);
  }
  if (k.isNote) return status == REZ_OK ? 1 : 0;
  return status;
}

// Appends a new block of the entry through an open handle and tells the index.
[[nodiscard]] int32_t AppendBlock(const ContentKind& k, REZ_FILE* file,
                                  block_index::Session& session, int64_t containerSize,
                                  int32_t containerId, int32_t entryId, int32_t dataSize,
                                  const void* data, bool* outOfMemory) {
  std::vector<uint8_t> block;
  *outOfMemory =
      containerSize < kKdxContentHeadSize || !Allocate(block, static_cast<uint64_t>(containerSize));
  if (*outOfMemory) return kKdxBlockNoMemory;
  Pack(containerId, entryId, dataSize, data, block.data());
  session.HintTail(file);
  int32_t status = REZ_AddData(file, k.tag, block.size(), block.data());
  if (status != REZ_OK) {
    session.Invalidate();
    return status;
  }
  auto added = file->lastMember.find(k.tag);
  if (added == file->lastMember.end()) {
    session.Invalidate();
  } else {
    session.Appended(entryId, added->second);
  }
  return REZ_OK;
}

// Rewrites the found member in place and tells the index; the write's code.
[[nodiscard]] int32_t Rewrite(REZ_FILE* file, block_index::Session& session,
                              const std::vector<uint8_t>& bytes) {
  const int32_t status = REZ_ReplaceData(file, bytes.size(), bytes.data());
  if (status != REZ_OK) {
    session.Invalidate();
  } else {
    session.Rewritten();
  }
  return status;
}

// Finishes a writing operation whose work answered status: closes the file and
// brings the index up to date. status when it failed, else the close's code.
[[nodiscard]] int32_t CloseAndCommit(RezFileHandle& rez, block_index::Session& session,
                                     int32_t status = REZ_OK) {
  const int32_t closed = rez.Close();
  if (closed != REZ_OK) session.Invalidate();
  session.Commit();
  return status != REZ_OK ? status : closed;
}

[[nodiscard]] int32_t CreateNewContainer(const ContentKind& k, const char* path, int32_t expandSize,
                                         int32_t containerId, int32_t entryId, int32_t dataSize,
                                         const void* data) {
  if (!ArgumentsValid(dataSize, data)) return REZ_ERR_ARGUMENT;
  RezFileHandle rez;
  int32_t status = rez.Open(path, 0);
  if (status != REZ_OK) {
    LogStep(k, "CreateNewContainer", 1, kNoteSilent);
    return status;
  }
  block_index::Session session(path, k.tag);
  bool outOfMemory;
  status = AppendBlock(k, rez.get(), session,
                       KDX_BlockContainerSize(expandSize, kKdxContentHeadSize, dataSize),
                       containerId, entryId, dataSize, data, &outOfMemory);
  if (status != REZ_OK) LogStep(k, "CreateNewContainer", outOfMemory ? 2 : 3, kNoteSilent);
  return CloseAndCommit(rez, session, status);
}

[[nodiscard]] int32_t UpdateContainer(const ContentKind& k, const char* path, int32_t containerId,
                                      int32_t entryId, int32_t dataSize, const void* data) {
  // The note numbers its steps without the missing block.
  const int memoryStep = k.isNote ? 2 : 3;
  const int writeStep = k.isNote ? 3 : 4;
  if (!ArgumentsValid(dataSize, data)) return REZ_ERR_ARGUMENT;
  RezFileHandle rez;
  int32_t status = rez.Open(path, 0);
  if (status != REZ_OK) {
    LogStep(k, "UpdateContainer", 1, kNoteLogs);
    return status;
  }
  block_index::Session session(path, k.tag);
  status = session.Find(rez.get(), entryId);
  if (status != 1) {
    if (!k.isNote) LogStep(k, "UpdateContainer", 2, kNoteLogs);
    return status == 0 ? kKdxBlockMissing : status;
  }
  const uint32_t length = rez.get()->current.dataLength;
  if (uint64_t{kKdxContentHeadSize} + DataSizeOrZero(dataSize) > length) {
    LogStep(k, "UpdateContainer", writeStep, kNoteLogs);
    return REZ_ERR_ARGUMENT;
  }
  std::vector<uint8_t> block;
  if (!Allocate(block, length)) {
    LogStep(k, "UpdateContainer", memoryStep, kNoteLogs);
    return kKdxBlockNoMemory;
  }
  Pack(containerId, entryId, dataSize, data, block.data());
  status = Rewrite(rez.get(), session, block);
  if (status != REZ_OK) LogStep(k, "UpdateContainer", writeStep, kNoteLogs);
  return CloseAndCommit(rez, session, status);
}

[[nodiscard]] int32_t ClearContainer(const ContentKind& k, const char* path, int32_t entryId) {
  RezFileHandle rez;
  int32_t status = rez.Open(path, 0);
  if (status != REZ_OK) return status;
  block_index::Session session(path, k.tag);
  status = session.Find(rez.get(), entryId);
  if (status != 1) return status == 0 ? kKdxBlockMissing : status;
  int32_t containerId;
  status = ReadLe32(rez.get(), 0, &containerId);
  if (status != REZ_OK) return status;
  std::vector<uint8_t> wipe;
  if (!BuildWipe(k, containerId, entryId, rez.get()->current.dataLength, wipe)) {
    return kKdxBlockNoMemory;
  }
  return CloseAndCommit(rez, session, Rewrite(rez.get(), session, wipe));
}

[[nodiscard]] int32_t RemoveContainer(const ContentKind& k, const char* path, int32_t entryId) {
  RezFileHandle rez;
  int32_t status = rez.Open(path, 0);
  if (status != REZ_OK) {
    LogStep(k, "RemoveContainer", 1, kNoteSilent);
    return status;
  }
  block_index::Session session(path, k.tag);
  status = session.Find(rez.get(), entryId);
  if (status != 1) {
    LogStep(k, "RemoveContainer", 2, kNoteSilent);
    return status == 0 ? kKdxBlockMissing : status;
  }
  const REZ_METADATA removed = rez.get()->current;
  status = REZ_RemoveData(rez.get());
  if (status != REZ_OK) {
    LogStep(k, "RemoveContainer", 3, kNoteSilent);
    session.Invalidate();
  } else {
    session.Removed(entryId, removed);
  }
  return CloseAndCommit(rez, session, status);
}

// Overwrites the data area of a member that is no longer linked, found by its
// remembered position, so that its old content does not linger in the file.
[[nodiscard]] int32_t WipeUnlinked(const ContentKind& k, REZ_FILE* file, uint32_t position,
                                   int32_t containerId, int32_t entryId) {
  int32_t status = block_index::PositionAt(file, position, k.tag);
  if (status != REZ_OK) return status;
  std::vector<uint8_t> wipe;
  if (!BuildWipe(k, containerId, entryId, file->current.dataLength, wipe)) {
    return kKdxBlockNoMemory;
  }
  status = REZ_ReplaceData(file, wipe.size(), wipe.data());
  file->hasCurrent = 0;
  return status;
}

// The save. Steps in the log: 1 open, 2 the old block cannot be read, 3 memory,
// 4 in-place write, 5 no identifier, 6 append, 7 unlink, 8 wipe, 9 close.
// A growing save appends the new block before touching the old one, so a
// failure up to and including the unlink leaves the old content readable.
[[nodiscard]] int32_t Save(const ContentKind& k, KDX_DATA* data, int32_t entryId,
                           int32_t expandSize, int32_t dataSize, const void* bytes) {
  auto fail = [&](int step, int32_t status) {
    LogStep(k, "Save", step, kNoteLogs);
    return status;
  };
  if (data == nullptr || !ArgumentsValid(dataSize, bytes)) return REZ_ERR_ARGUMENT;
  const char* path = data->kdxFilePath.c_str();
  RezFileHandle rez;
  int32_t status = rez.Open(path, 0);
  if (status != REZ_OK) return fail(1, status);
  REZ_FILE* file = rez.get();
  block_index::Session session(path, k.tag);
  const int32_t found = session.Find(file, entryId);
  if (found < 0) return fail(2, found);
  const REZ_METADATA old = file->current;
  int32_t oldContainerId = 0;
  if (found == 1) {
    status = ReadLe32(file, 0, &oldContainerId);
    if (status != REZ_OK) return fail(2, status);
  }

  const bool fits =
      found == 1 && uint64_t{kKdxContentHeadSize} + DataSizeOrZero(dataSize) <= old.dataLength;
  if (fits && old.dataLength >= kRelocateFrom && REZ_UnderTransaction(file)) {
    // A long block rewritten in place needs a copy of every byte it changes
    // in the commit's journal; in a free place it needs none, and it is
    // written from the caller's bytes without a copy.
    uint8_t head[kKdxContentHeadSize];
    PackHead(oldContainerId, entryId, dataSize, head);
    status =
        REZ_RelocatePieces(file, old.dataLength,
                           {head, {static_cast<const uint8_t*>(bytes), DataSizeOrZero(dataSize)}});
    if (status != REZ_OK) {
      session.Invalidate();
      return fail(4, CloseAndCommit(rez, session, status));
    }
    session.Moved(entryId, old, file->current.position);
    status = CloseAndCommit(rez, session);
    return status == REZ_OK ? REZ_OK : fail(9, status);
  }
  if (fits) {
    std::vector<uint8_t> block;
    if (!Allocate(block, old.dataLength)) return fail(3, kKdxBlockNoMemory);
    Pack(oldContainerId, entryId, dataSize, bytes, block.data());
    status = Rewrite(file, session, block);
    if (status != REZ_OK) return fail(4, CloseAndCommit(rez, session, status));
    status = CloseAndCommit(rez, session);
    return status == REZ_OK ? REZ_OK : fail(9, status);
  }

  const int32_t containerId =
      data->idCounterAry == nullptr ? kKdxFailed : KDX_DrawBlockId(data, k.tag, k.counterName);
  if (containerId < 0) return fail(5, kKdxFailed);
  bool outOfMemory;
  status = AppendBlock(k, file, session,
                       KDX_BlockContainerSize(expandSize, kKdxContentHeadSize, dataSize),
                       containerId, entryId, dataSize, bytes, &outOfMemory);
  if (status != REZ_OK) return fail(outOfMemory ? 3 : 6, CloseAndCommit(rez, session, status));
  if (found == 1) {
    status = block_index::PositionAt(file, old.position, k.tag);
    if (status == REZ_OK) status = REZ_RemoveData(file);
    if (status != REZ_OK) {
      // The old block is still the first match and keeps the entry's content.
      session.Invalidate();
      return fail(7, CloseAndCommit(rez, session, status));
    }
    session.Removed(entryId, old);
    if (REZ_UnderTransaction(file)) {
      // Wiped when the transaction ends, unless a later save takes the place.
      REZ_FreeAfterCommit(file, old.position, kRezHeaderSize + uint64_t{old.dataLength});
    } else if (WipeUnlinked(k, file, old.position, oldContainerId, entryId) != REZ_OK) {
      // The new content is in place; a failed wipe is logged, not a failed save.
      LogStep(k, "Save", 8, kNoteLogs);
    }
  }
  status = CloseAndCommit(rez, session);
  return status == REZ_OK ? REZ_OK : fail(9, status);
}

}  // namespace

int64_t KDX_BlockContainerSize(int32_t expandSize, int32_t headSize, int32_t dataSize) {
  const int64_t step = std::clamp<int64_t>(expandSize, 1, kKdxMaxExpandSize);
  const int64_t used = int64_t{std::max(headSize, 0)} + std::max(dataSize, 0);
  return (used / step + 1) * step;
}

// ---- the public names of the three kinds ---------------------------------------

#define KDX_CONTENT_BLOCK_API(PREFIX, KIND)                                                        \
  int32_t PREFIX##_FindContainer(REZ_FILE* file, int32_t entryId) {                                \
    return FindContainer(KIND, file, entryId);                                                     \
  }                                                                                                \
  int32_t PREFIX##_GetBlockHeader(REZ_FILE* file, int32_t* containerId, int32_t* entryId,          \
                                  int32_t* dataSize) {                                             \
    return GetBlockHeader(KIND, file, containerId, entryId, dataSize);                             \
  }                                                                                                \
  int32_t PREFIX##_GetContainerID(const char* path, int32_t entryId) {                             \
    return GetContainerID(KIND, path, entryId);                                                    \
  }                                                                                                \
  int64_t PREFIX##_GetContainerSize(const char* path, int32_t entryId) {                           \
    return GetContainerSize(KIND, path, entryId);                                                  \
  }                                                                                                \
  int64_t PREFIX##_GetContainrSize(const char* path, int32_t entryId) {                            \
    return std::max<int64_t>(GetContainerSize(KIND, path, entryId), 0);                            \
  }                                                                                                \
  int32_t PREFIX##_GetDataSize(const char* path, int32_t entryId, int32_t* dataSize) {             \
    return GetDataSize(KIND, path, entryId, dataSize);                                             \
  }                                                                                                \
  int32_t PREFIX##_IsContainerSizeEnough(const char* path, int32_t entryId, int32_t newDataSize) { \
    return IsContainerSizeEnough(KIND, path, entryId, newDataSize);                                \
  }                                                                                                \
  int32_t PREFIX##_Load(const char* path, int32_t entryId, int32_t count, void* buffer) {          \
    return Load(KIND, path, entryId, count, buffer);                                               \
  }                                                                                                \
  int32_t PREFIX##_CreateNewContainer(const char* path, int32_t expandSize, int32_t containerId,   \
                                      int32_t entryId, int32_t dataSize, const void* data) {       \
    return CreateNewContainer(KIND, path, expandSize, containerId, entryId, dataSize, data);       \
  }                                                                                                \
  int32_t PREFIX##_UpdateContainer(const char* path, int32_t containerId, int32_t entryId,         \
                                   int32_t dataSize, const void* data) {                           \
    return UpdateContainer(KIND, path, containerId, entryId, dataSize, data);                      \
  }                                                                                                \
  int32_t PREFIX##_ClearContainer(const char* path, int32_t entryId) {                             \
    return ClearContainer(KIND, path, entryId);                                                    \
  }                                                                                                \
  int32_t PREFIX##_RemoveContainer(const char* path, int32_t entryId) {                            \
    return RemoveContainer(KIND, path, entryId);                                                   \
  }                                                                                                \
  int32_t PREFIX##_Save(KDX_DATA* data, int32_t entryId, int32_t expandSize, int32_t dataSize,     \
                        const void* bytes) {                                                       \
    return Save(KIND, data, entryId, expandSize, dataSize, bytes);                                 \
  }                                                                                                \
  void PREFIX##_PackingBlock_ToContainer(int32_t containerId, int32_t entryId, int32_t dataSize,   \
                                         const void* data, void* out) {                            \
    Pack(containerId, entryId, dataSize, data, static_cast<uint8_t*>(out));                        \
  }

KDX_CONTENT_BLOCK_API(BO, kBody)
KDX_CONTENT_BLOCK_API(TX, kText)
KDX_CONTENT_BLOCK_API(NO, kNote)

#undef KDX_CONTENT_BLOCK_API

KdxBlockIndexToken KDX_BlockIndexBeforeOtherWrite(const char* path) {
  KdxBlockIndexToken token;
  token.valid = path != nullptr && ::stat(path, &token.before) == 0;
  return token;
}

void KDX_BlockIndexAfterOtherWrite(const char* path, const KdxBlockIndexToken& token) {
  if (path != nullptr && token.valid) block_index::KeepAcrossOtherWrite(path, token.before);
}

int32_t KDX_LoadBlockData(const char* path, KdxBlockKind kind, int32_t entryId,
                          std::vector<uint8_t>& out) {
  const ContentKind& k = KindOf(kind);
  out.clear();
  RezFileHandle rez;
  int32_t status = rez.Open(path, 1);
  if (status != REZ_OK) {
    Vell_SystemErrorLog("[-1] KDX_LoadBlockData\r\n");
    return status;
  }
  // A missing block is an ordinary answer here (many entries have no note).
  status = block_index::Session(path, k.tag).Find(rez.get(), entryId);
  if (status != 1) return status == 0 ? kKdxBlockMissing : status;
  int32_t size;
  status = ReadLe32(rez.get(), 8, &size);
  if (status == REZ_OK && !SizeFits(size, rez.get()->current.dataLength, kKdxContentHeadSize)) {
    Vell_SystemErrorLog("[-3] KDX_LoadBlockData[%s %d]\r\n", k.prefix, entryId);
    return kKdxBlockDamaged;
  }
  if (status == REZ_OK && !Allocate(out, static_cast<uint64_t>(size))) {
    Vell_SystemErrorLog("[-4] KDX_LoadBlockData\r\n");
    return kKdxBlockNoMemory;
  }
  if (status == REZ_OK)
    status = REZ_GetSubdata(rez.get(), kKdxContentHeadSize, out.size(), out.data());
  if (status != REZ_OK) {
    Vell_SystemErrorLog("[-5] KDX_LoadBlockData\r\n");
    out.clear();
  }
  return status;
}

int32_t KDX_RemoveOrphanBlocks(const char* path, int32_t entryId) {
  int32_t removedCount = 0;
  for (const ContentKind* k : {&kBody, &kText, &kNote}) {
    RezFileHandle rez;
    int32_t status = rez.Open(path, 0);
    if (status != REZ_OK) {
      Vell_SystemErrorLog("[-1] KDX_RemoveOrphanBlocks\r\n");
      return status;
    }
    block_index::Session session(path, k->tag);
    status = session.Find(rez.get(), entryId);
    if (status == 0) continue;  // the usual case, answered by the index
    if (status < 0) {
      Vell_SystemErrorLog("[-2] KDX_RemoveOrphanBlocks\r\n");
      return status;
    }
    std::vector<REZ_METADATA> matches;
    std::vector<int32_t> containerIds;
    try {
      status = block_index::WalkContentChain(rez.get(), k->tag, [&](int32_t id) {
        int32_t containerId = 0;
        if (id == entryId && ReadLe32(rez.get(), 0, &containerId) == REZ_OK) {
          matches.push_back(rez.get()->current);
          containerIds.push_back(containerId);
        }
        return true;
      });
    } catch (const std::exception&) {
      status = kKdxBlockNoMemory;
    }
    if (status != REZ_OK) {
      Vell_SystemErrorLog("[-2] KDX_RemoveOrphanBlocks\r\n");
      return status;
    }
    session.Invalidate();  // the tag is walked again when next needed
    for (size_t i = 0; i < matches.size(); ++i) {
      status = block_index::PositionAt(rez.get(), matches[i].position, k->tag);
      if (status == REZ_OK) status = REZ_RemoveData(rez.get());
      if (status != REZ_OK) {
        Vell_SystemErrorLog("[-3] KDX_RemoveOrphanBlocks\r\n");
        return CloseAndCommit(rez, session, status);
      }
      ++removedCount;
      if (WipeUnlinked(*k, rez.get(), matches[i].position, containerIds[i], entryId) != REZ_OK) {
        Vell_SystemErrorLog("[-4] KDX_RemoveOrphanBlocks\r\n");
      }
    }
    status = CloseAndCommit(rez, session);
    if (status != REZ_OK) return status;
  }
  return removedCount;
}
