// Icon blocks (FIIC), print information blocks, fixed-size blocks (THMD, RAWD),
// block heads and column lists. These tags hold few members, so blocks are
// found by walking the chain.
#include <algorithm>
#include <cstring>
#include <exception>
#include <functional>
#include <vector>

#include "core/container/rez_handle.h"
#include "core/document/block_index.h"
#include "core/document/block_io.h"
#include "core/document/blocks.h"
#include "core/document/records.h"
#include "core/util/vell_ary.h"
#include "core/util/vell_log.h"

using block_io::Allocate;
using block_io::ReadLe32;

namespace {

// Positions on the first member of tag whose two head values (offsets 0 and 4)
// satisfy match; members too short for a head are passed over. 1 or 0.
[[nodiscard]] int32_t FindByHead(REZ_FILE* file, uint32_t tag,
                                 const std::function<bool(int32_t, int32_t)>& match) {
  if (file == nullptr || file->stream == nullptr || REZ_FirstMember(file, tag) != REZ_OK) {
    return 0;
  }
  uint64_t steps = REZ_MaxChainSteps(file);
  for (;;) {
    uint8_t head[kKdxSmallHeadSize];
    if (file->current.dataLength >= kKdxSmallHeadSize) {
      if (REZ_GetSubdata(file, 0, sizeof head, head) != REZ_OK) break;
      if (match(Vell_GetLE32Signed(head), Vell_GetLE32Signed(head + 4))) return 1;
    }
    if (file->current.nextMember == kRezNoLink || steps-- == 0 || REZ_NextMember(file) != REZ_OK) {
      break;
    }
  }
  file->hasCurrent = 0;
  return 0;
}

// Appends [first, second, data] padded with zeros to memberLength bytes.
[[nodiscard]] int32_t AppendSmallBlock(REZ_FILE* file, uint32_t tag, uint64_t memberLength,
                                       int32_t first, int32_t second, int32_t size,
                                       const void* data) {
  if (size < 0 || (size > 0 && data == nullptr) ||
      memberLength < uint64_t{kKdxSmallHeadSize} + static_cast<uint32_t>(size)) {
    return REZ_ERR_ARGUMENT;
  }
  std::vector<uint8_t> block;
  if (!Allocate(block, memberLength)) return kKdxBlockNoMemory;
  Vell_PutLE32Signed(block.data(), first);
  Vell_PutLE32Signed(block.data() + 4, second);
  if (size > 0) std::memcpy(block.data() + kKdxSmallHeadSize, data, static_cast<size_t>(size));
  return REZ_AddData(file, tag, block.size(), block.data());
}

[[nodiscard]] int32_t AppendToPath(const char* path, uint32_t tag, uint64_t memberLength,
                                   int32_t first, int32_t second, int32_t size, const void* data) {
  RezFileHandle rez;
  int32_t status = rez.Open(path, 0);
  if (status != REZ_OK) return status;
  status = AppendSmallBlock(rez.get(), tag, memberLength, first, second, size, data);
  int32_t closed = rez.Close();
  return status != REZ_OK ? status : closed;
}

// Reads the data size at offset 4 of the found member and checks it lies inside it.
[[nodiscard]] int32_t ReadSmallSize(REZ_FILE* file, int32_t* size) {
  int32_t status = ReadLe32(file, 4, size);
  if (status != REZ_OK) return status;
  const uint32_t length = file->current.dataLength;
  return *size >= 0 && static_cast<uint32_t>(*size) <= length - kKdxSmallHeadSize
             ? REZ_OK
             : kKdxBlockDamaged;
}

// Reads count bytes after the 8-byte head; -1 when they are not all inside the member.
[[nodiscard]] int32_t ReadSmallData(REZ_FILE* file, int32_t count, void* buffer) {
  if (count < 0 || (count > 0 && buffer == nullptr) ||
      static_cast<uint32_t>(count) > file->current.dataLength - kKdxSmallHeadSize) {
    return REZ_ERR_ARGUMENT;
  }
  return REZ_GetSubdata(file, kKdxSmallHeadSize, static_cast<uint64_t>(count), buffer);
}

[[nodiscard]] int32_t FindFixed(REZ_FILE* file, uint32_t tag, int32_t first, int32_t second) {
  return FindByHead(file, tag, [=](int32_t a, int32_t b) { return a == first && b == second; });
}

[[nodiscard]] int32_t LoadFixed(const char* path, uint32_t tag, int32_t first, int32_t second,
                                int32_t count, void* buffer) {
  RezFileHandle rez;
  int32_t status = rez.Open(path, 1);
  if (status != REZ_OK) return status;
  if (FindFixed(rez.get(), tag, first, second) != 1) return kKdxBlockMissing;
  return ReadSmallData(rez.get(), count, buffer);
}

// Opens path read-only on the print block of tag and reads its checked size:
// 0, kKdxBlockMissing, kKdxBlockDamaged or the open or read code.
[[nodiscard]] int32_t OpenPrintBlock(RezFileHandle& rez, const char* path, int32_t identifier,
                                     uint32_t tag, int32_t* size) {
  int32_t status = rez.Open(path, 1);
  if (status != REZ_OK) return status;
  if (PI_FindContainer(rez.get(), identifier, tag) != 1) return kKdxBlockMissing;
  return ReadSmallSize(rez.get(), size);
}

}  // namespace

int32_t KDX_GetDataBlockHeader(REZ_FILE* file, int32_t* first, int32_t* second) {
  int32_t a, b;
  if (file == nullptr || ReadLe32(file, 0, &a) != REZ_OK || ReadLe32(file, 4, &b) != REZ_OK) {
    return 0;
  }
  if (first != nullptr) *first = a;
  if (second != nullptr) *second = b;
  return 1;
}

// ---- icon blocks ----------------------------------------------------------------

int32_t FI_CreateNewData(const char* path, int32_t iconId, const void* data, int32_t size) {
  const uint64_t length = uint64_t{kKdxSmallHeadSize} + static_cast<uint32_t>(std::max(size, 0));
  int32_t status = AppendToPath(path, kKdxTagFIIC, length, iconId, size, size, data);
  if (status != REZ_OK) Vell_SystemErrorLog("[-1] FI_CreateNewData[%d]\r\n", status);
  return status;
}

int32_t FI_FindContainer(REZ_FILE* file, int32_t iconId) {
  return FindByHead(file, kKdxTagFIIC, [=](int32_t a, int32_t) { return a == iconId; });
}

int32_t FI_GetDataSize(const char* path, int32_t iconId, int32_t* size) {
  RezFileHandle rez;
  int32_t stored;
  if (rez.Open(path, 1) != REZ_OK || FI_FindContainer(rez.get(), iconId) != 1) return 0;
  if (ReadSmallSize(rez.get(), &stored) != REZ_OK) {
    Vell_SystemErrorLog("[-3] FI_GetDataSize[%d]\r\n", iconId);
    return 0;
  }
  if (size != nullptr) *size = stored;
  return 1;
}

int32_t FI_Load(const char* path, int32_t iconId, int32_t count, void* buffer) {
  RezFileHandle rez;
  int32_t stored;
  if (rez.Open(path, 1) != REZ_OK || FI_FindContainer(rez.get(), iconId) != 1) return 0;
  if (ReadSmallSize(rez.get(), &stored) != REZ_OK || count > stored ||
      ReadSmallData(rez.get(), count, buffer) != REZ_OK) {
    Vell_SystemErrorLog("[-3] FI_Load[%d]\r\n", iconId);
    return 0;
  }
  return 1;
}

// ---- print information blocks ---------------------------------------------------

int64_t PI_CalcNewDataContainerSize(int32_t step, int32_t headSize, int32_t dataSize) {
  return KDX_BlockContainerSize(step, headSize, dataSize);
}

int32_t PI_CreateNewContainer(REZ_FILE* file, uint32_t tag, int64_t containerSize, const void* data,
                              int32_t dataSize) {
  if (file == nullptr || containerSize < 0) return REZ_ERR_ARGUMENT;
  return AppendSmallBlock(file, tag, static_cast<uint64_t>(containerSize), 0, dataSize, dataSize,
                          data);
}

int32_t PI_UpdateContainer(REZ_FILE* file, int64_t memberLength, const void* data,
                           int32_t dataSize) {
  if (file == nullptr || !file->hasCurrent || memberLength != file->current.dataLength ||
      dataSize < 0 || (dataSize > 0 && data == nullptr) ||
      uint64_t{kKdxSmallHeadSize} + static_cast<uint32_t>(dataSize) >
          static_cast<uint64_t>(memberLength)) {
    return 0;
  }
  std::vector<uint8_t> block;
  if (!Allocate(block, static_cast<uint64_t>(memberLength))) return 0;
  Vell_PutLE32Signed(block.data() + 4, dataSize);
  if (dataSize > 0) {
    std::memcpy(block.data() + kKdxSmallHeadSize, data, static_cast<size_t>(dataSize));
  }
  return REZ_ReplaceData(file, block.size(), block.data()) == REZ_OK ? 1 : 0;
}

int32_t PI_FindContainer(REZ_FILE* file, int32_t identifier, uint32_t tag) {
  return FindByHead(file, tag, [=](int32_t a, int32_t) { return a == identifier; });
}

int32_t PI_GetDataSize(const char* path, int32_t identifier, uint32_t tag, int32_t* size) {
  RezFileHandle rez;
  int32_t stored;
  const int32_t status = OpenPrintBlock(rez, path, identifier, tag, &stored);
  if (status == REZ_OK && size != nullptr) *size = stored;
  return status;
}

int32_t PI_Load(const char* path, int32_t identifier, uint32_t tag, int32_t count, void* buffer) {
  RezFileHandle rez;
  int32_t stored;
  const int32_t status = OpenPrintBlock(rez, path, identifier, tag, &stored);
  return status == REZ_OK ? ReadSmallData(rez.get(), count, buffer) : status;
}

// The new block is appended before the old members are removed, so a failed
// write leaves the previous template in place.
int32_t KDX_WritePrintInfo(const char* path, uint32_t tag, int32_t expandSize, const void* data,
                           int32_t size) {
  RezFileHandle rez;
  if (rez.Open(path, 0) != REZ_OK) {
    Vell_SystemErrorLog("[-1] KDX_WritePrintInfo\r\n");
    return 0;
  }
  REZ_FILE* file = rez.get();
  std::vector<uint32_t> old;
  if (REZ_FirstMember(file, tag) == REZ_OK) {
    const uint32_t length = file->current.dataLength;
    if (size >= 0 && uint64_t{kKdxSmallHeadSize} + static_cast<uint32_t>(size) < length) {
      const int32_t updated = PI_UpdateContainer(file, length, data, size);
      if (updated != 1) Vell_SystemErrorLog("[-2] KDX_WritePrintInfo\r\n");
      return rez.Close() == REZ_OK ? updated : 0;
    }
    uint64_t steps = REZ_MaxChainSteps(file);
    try {
      do {
        old.push_back(file->current.position);
      } while (file->current.nextMember != kRezNoLink && steps-- > 0 &&
               REZ_NextMember(file) == REZ_OK);
    } catch (const std::exception&) {
      return 0;
    }
  }
  const int64_t containerSize = PI_CalcNewDataContainerSize(expandSize, kKdxSmallHeadSize, size);
  if (PI_CreateNewContainer(file, tag, containerSize, data, size) != REZ_OK) {
    Vell_SystemErrorLog("[-2] KDX_WritePrintInfo\r\n");
    return 0;
  }
  for (uint32_t position : old) {
    if (block_index::PositionAt(file, position, tag) != REZ_OK || REZ_RemoveData(file) != REZ_OK) {
      Vell_SystemErrorLog("[-3] KDX_WritePrintInfo\r\n");
      return 0;
    }
  }
  return rez.Close() == REZ_OK ? 1 : 0;
}

// ---- fixed-size blocks --------------------------------------------------------

int32_t CreateNewContainer_forStaticSizeData(const char* path, int32_t first, int32_t second,
                                             int32_t size, const void* data, uint32_t tag) {
  const uint64_t length = uint64_t{kKdxSmallHeadSize} + static_cast<uint32_t>(std::max(size, 0));
  return AppendToPath(path, tag, length, first, second, size, data);
}

int32_t TH_CreateNewContainer(const char* path, int32_t first, int32_t second, int32_t size,
                              const void* data) {
  return CreateNewContainer_forStaticSizeData(path, first, second, size, data, kKdxTagTHMD);
}

int32_t AD_CreateNewContainer(const char* path, int32_t first, int32_t second, int32_t size,
                              const void* data) {
  return CreateNewContainer_forStaticSizeData(path, first, second, size, data, kKdxTagRAWD);
}

int32_t TH_FindContainer(REZ_FILE* file, int32_t first, int32_t second) {
  return FindFixed(file, kKdxTagTHMD, first, second);
}

int32_t AT_FindContainer(REZ_FILE* file, int32_t first, int32_t second) {
  return FindFixed(file, kKdxTagRAWD, first, second);
}

int64_t TH_GetBlockSize(const char* path, int32_t first, int32_t second) {
  RezFileHandle rez;
  if (rez.Open(path, 1) != REZ_OK) return kKdxLookupCannotOpen;
  if (TH_FindContainer(rez.get(), first, second) != 1) return kKdxLookupNoBlock;
  return int64_t{rez.get()->current.dataLength} - kKdxSmallHeadSize;
}

int32_t TH_Load(const char* path, int32_t first, int32_t second, int32_t count, void* buffer) {
  return LoadFixed(path, kKdxTagTHMD, first, second, count, buffer);
}

int32_t AD_Load(const char* path, int32_t first, int32_t second, int32_t count, void* buffer) {
  return LoadFixed(path, kKdxTagRAWD, first, second, count, buffer);
}

int32_t AD_RemoveContainer(const char* path, int32_t first, int32_t second) {
  RezFileHandle rez;
  int32_t status = rez.Open(path, 0);
  if (status != REZ_OK) return status;
  if (AT_FindContainer(rez.get(), first, second) != 1) return kKdxBlockMissing;
  status = REZ_RemoveData(rez.get());
  int32_t closed = rez.Close();
  return status != REZ_OK ? status : closed;
}

// ---- column lists ---------------------------------------------------------------

int32_t CL_Save(const char* path, uint32_t tag, const VELL_ARY* idCounterAry,
                const VELL_ARY* columnAry) {
  RezFileHandle rez;
  int32_t status = rez.Open(path, 0);
  if (status != REZ_OK) {
    Vell_SystemErrorLog("[-1] CL_Save\r\n");
    return status;
  }
  int32_t counters = REZ_ARY_Save(rez.get(), kKdxTagIDCO, idCounterAry, kKdxIdCounterSize);
  if (counters != REZ_OK) Vell_SystemErrorLog("[-2] CL_Save\r\n");
  int32_t columns = REZ_ARY_Save(rez.get(), tag, columnAry, kKdxColumnSize);
  if (columns != REZ_OK) Vell_SystemErrorLog("[-3] CL_Save\r\n");
  int32_t closed = rez.Close();
  return counters != REZ_OK ? counters : columns != REZ_OK ? columns : closed;
}

int32_t CL_Load(const char* path, uint32_t tag, VELL_ARY* idCounterAry, VELL_ARY* columnAry) {
  RezFileHandle rez;
  int32_t status = rez.Open(path, 1);
  if (status != REZ_OK) return status;
  const bool counters = REZ_ARY_Load(rez.get(), kKdxTagIDCO, kKdxIdCounterSize, idCounterAry) == 0;
  const bool columns = REZ_ARY_Load(rez.get(), tag, kKdxColumnSize, columnAry) == 0;
  // A table that cannot be had (absent or damaged) answers as a missing tag.
  return counters && columns ? 0 : REZ_ERR_NO_TAG;
}
