// Data block containers: content that is large or of varying size lives in
// members of the document file (or another container file), one member per
// block, each with a small head saying whose data it holds and how long it is.
//
// Every operation that takes a path opens the container, does its work and
// closes it again. Operations that take an open REZ_FILE work on the current
// member or position on one.
//
// Layouts (all integers signed 32-bit little-endian):
//   content block  BORB/TEXT/NORB  0 container id, 4 entry id, 8 data size,
//                                  12 data, then zero spare to the member's end
//   icon block     FIIC            0 icon id, 4 data size, 8 image data (exact)
//   print block    PRHD/PRFT/...   0 identifier (0), 4 data size, 8 data, zeros
//   fixed block    THMD/RAWD       0 first id, 4 second id, 8 data (exact)
//
// A stored data size is trusted only when 0 <= size <= member length - head
// size; a block failing that is damaged and is never read from.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <vector>

#include "core/container/rez.h"
#include "core/document/kdx_status.h"  // kKdxBlock*: the results of the block operations

struct KDX_DATA;
struct VELL_ARY;

inline constexpr int32_t kKdxContentHeadSize = 12;
inline constexpr int32_t kKdxSmallHeadSize = 8;  // icon, print and fixed-size blocks
// Bounds of the expand size at this layer; larger values come only from a
// damaged or hand-edited preference.
inline constexpr int32_t kKdxMaxExpandSize = 16 * 1024 * 1024;

inline constexpr uint32_t kKdxTagTHMD = REZ_MakeTag("THMD");
inline constexpr uint32_t kKdxTagRAWD = REZ_MakeTag("RAWD");
inline constexpr uint32_t kKdxTagPRHD = REZ_MakeTag("PRHD");
inline constexpr uint32_t kKdxTagPRFT = REZ_MakeTag("PRFT");

enum class KdxBlockKind : int32_t { kBody, kText, kNote };

// Smallest multiple of the expand size (clamped to 1..kKdxMaxExpandSize) that
// is greater than headSize + dataSize; a negative data size counts as 0.
[[nodiscard]] int64_t KDX_BlockContainerSize(int32_t expandSize, int32_t headSize,
                                             int32_t dataSize);

// ---- Content blocks: body (BO_), text (TX_), note (NO_) ----------------------
//
// Result conventions differ by kind on purpose, as callers rely on them:
//   load:      BO/TX 0 or a negative code; NO 1 on success, 0 on failure
//   read head: BO 1 on success, 0 on failure; TX/NO 0 or the container's code
// Log lines are "[-step] XX_Operation\r\n". The note logs only failures of
// reading the head, the identifier, the data size, the load and the update.
//
// Operations that take a path find the block through a per-file index (see
// block_index.h) instead of walking the tag's chain.

// Positions on the entry's block (first match in chain order); 1 found, else 0.
[[nodiscard]] int32_t BO_FindContainer(REZ_FILE* file, int32_t entryId);
// Reads container id, entry id and data size of the current member; any output may be null.
[[nodiscard]] int32_t BO_GetBlockHeader(REZ_FILE* file, int32_t* containerId, int32_t* entryId,
                                        int32_t* dataSize);
// The block's container id; kKdxLookupCannotOpen, kKdxLookupNoBlock or
// kKdxLookupHeadUnreadable.
[[nodiscard]] int32_t BO_GetContainerID(const char* path, int32_t entryId);
// The member length; kKdxLookupCannotOpen or kKdxLookupNoBlock.
[[nodiscard]] int64_t BO_GetContainerSize(const char* path, int32_t entryId);
// The member length, 0 on any failure.
[[nodiscard]] int64_t BO_GetContainrSize(const char* path, int32_t entryId);
// 0 and *dataSize; kKdxBlockMissing, kKdxBlockDamaged, the open or read code.
[[nodiscard]] int32_t BO_GetDataSize(const char* path, int32_t entryId, int32_t* dataSize);
// 1 when 12 + newDataSize fits the member; 0 otherwise or on failure.
[[nodiscard]] int32_t BO_IsContainerSizeEnough(const char* path, int32_t entryId,
                                               int32_t newDataSize);
// Reads count bytes from offset 12 (never past the member); 0, kKdxBlockMissing,
// kKdxBlockDamaged, the open or read code.
[[nodiscard]] int32_t BO_Load(const char* path, int32_t entryId, int32_t count, void* buffer);
// Appends a block of KDX_BlockContainerSize(expandSize, 12, dataSize) bytes;
// 0, kKdxBlockNoMemory or the container's code.
[[nodiscard]] int32_t BO_CreateNewContainer(const char* path, int32_t expandSize,
                                            int32_t containerId, int32_t entryId, int32_t dataSize,
                                            const void* data);
// Rewrites the whole member in place: head, data, zeros to its end; 0,
// kKdxBlockMissing, kKdxBlockNoMemory or the container's code (-1 when the data
// does not fit).
[[nodiscard]] int32_t BO_UpdateContainer(const char* path, int32_t containerId, int32_t entryId,
                                         int32_t dataSize, const void* data);
// Overwrites the data area with the kind's fill byte, size becoming member
// length - 12; 0, kKdxBlockMissing, kKdxBlockNoMemory or the container's code.
[[nodiscard]] int32_t BO_ClearContainer(const char* path, int32_t entryId);
// Unlinks the block's member; 0, kKdxBlockMissing or the container's code.
[[nodiscard]] int32_t BO_RemoveContainer(const char* path, int32_t entryId);
// Saves an entry's content: in place when it fits; otherwise a new, larger block
// is appended first, then the old member is unlinked and its data area wiped
// with the fill byte. A failure before the unlink leaves the old block intact.
// 0 or a negative code (kKdxFailed when no container identifier can be drawn).
[[nodiscard]] int32_t BO_Save(KDX_DATA* data, int32_t entryId, int32_t expandSize, int32_t dataSize,
                              const void* bytes);
// Lays out head and data in out, which holds at least 12 + dataSize bytes.
void BO_PackingBlock_ToContainer(int32_t containerId, int32_t entryId, int32_t dataSize,
                                 const void* data, void* out);

[[nodiscard]] int32_t TX_FindContainer(REZ_FILE* file, int32_t entryId);
[[nodiscard]] int32_t TX_GetBlockHeader(REZ_FILE* file, int32_t* containerId, int32_t* entryId,
                                        int32_t* dataSize);
[[nodiscard]] int32_t TX_GetContainerID(const char* path, int32_t entryId);
[[nodiscard]] int64_t TX_GetContainerSize(const char* path, int32_t entryId);
[[nodiscard]] int64_t TX_GetContainrSize(const char* path, int32_t entryId);
[[nodiscard]] int32_t TX_GetDataSize(const char* path, int32_t entryId, int32_t* dataSize);
[[nodiscard]] int32_t TX_IsContainerSizeEnough(const char* path, int32_t entryId,
                                               int32_t newDataSize);
[[nodiscard]] int32_t TX_Load(const char* path, int32_t entryId, int32_t count, void* buffer);
[[nodiscard]] int32_t TX_CreateNewContainer(const char* path, int32_t expandSize,
                                            int32_t containerId, int32_t entryId, int32_t dataSize,
                                            const void* data);
[[nodiscard]] int32_t TX_UpdateContainer(const char* path, int32_t containerId, int32_t entryId,
                                         int32_t dataSize, const void* data);
[[nodiscard]] int32_t TX_ClearContainer(const char* path, int32_t entryId);
[[nodiscard]] int32_t TX_RemoveContainer(const char* path, int32_t entryId);
[[nodiscard]] int32_t TX_Save(KDX_DATA* data, int32_t entryId, int32_t expandSize, int32_t dataSize,
                              const void* bytes);
void TX_PackingBlock_ToContainer(int32_t containerId, int32_t entryId, int32_t dataSize,
                                 const void* data, void* out);

[[nodiscard]] int32_t NO_FindContainer(REZ_FILE* file, int32_t entryId);
[[nodiscard]] int32_t NO_GetBlockHeader(REZ_FILE* file, int32_t* containerId, int32_t* entryId,
                                        int32_t* dataSize);
[[nodiscard]] int32_t NO_GetContainerID(const char* path, int32_t entryId);
[[nodiscard]] int64_t NO_GetContainerSize(const char* path, int32_t entryId);
[[nodiscard]] int64_t NO_GetContainrSize(const char* path, int32_t entryId);
[[nodiscard]] int32_t NO_GetDataSize(const char* path, int32_t entryId, int32_t* dataSize);
[[nodiscard]] int32_t NO_IsContainerSizeEnough(const char* path, int32_t entryId,
                                               int32_t newDataSize);
[[nodiscard]] int32_t NO_Load(const char* path, int32_t entryId, int32_t count, void* buffer);
[[nodiscard]] int32_t NO_CreateNewContainer(const char* path, int32_t expandSize,
                                            int32_t containerId, int32_t entryId, int32_t dataSize,
                                            const void* data);
[[nodiscard]] int32_t NO_UpdateContainer(const char* path, int32_t containerId, int32_t entryId,
                                         int32_t dataSize, const void* data);
[[nodiscard]] int32_t NO_ClearContainer(const char* path, int32_t entryId);
[[nodiscard]] int32_t NO_RemoveContainer(const char* path, int32_t entryId);
[[nodiscard]] int32_t NO_Save(KDX_DATA* data, int32_t entryId, int32_t expandSize, int32_t dataSize,
                              const void* bytes);
void NO_PackingBlock_ToContainer(int32_t containerId, int32_t entryId, int32_t dataSize,
                                 const void* data, void* out);

// Reads an entry's whole stored data (its checked data size) in one opening of
// the file. 0; kKdxBlockMissing, kKdxBlockDamaged, kKdxBlockNoMemory, the open
// or read code. out is cleared on failure.
[[nodiscard]] int32_t KDX_LoadBlockData(const char* path, KdxBlockKind kind, int32_t entryId,
                                        std::vector<uint8_t>& out);

// Unlinks and wipes every body, text and note member carrying entryId, so that
// an identifier handed out again never inherits an older entry's content. The
// number of members removed, or a negative code.
[[nodiscard]] int32_t KDX_RemoveOrphanBlocks(const char* path, int32_t entryId);

// Keeps the block index of a document file valid across a write that touches
// no body, text or note member (the record tables): take the token before
// opening the file for writing and hand it back after closing it. When the
// file changed in any other way meanwhile the index is dropped, as without
// the token; then the next lookup of each kind walks its tag once.
struct KdxBlockIndexToken {
  bool valid = false;
  struct stat before {};
};
[[nodiscard]] KdxBlockIndexToken KDX_BlockIndexBeforeOtherWrite(const char* path);
void KDX_BlockIndexAfterOtherWrite(const char* path, const KdxBlockIndexToken& token);

// ---- Block heads -----------------------------------------------------------

// Reads the 32-bit values at offsets 0 and 4 of the current member (either
// output may be null); 1, or 0 when a read fails.
[[nodiscard]] int32_t KDX_GetDataBlockHeader(REZ_FILE* file, int32_t* first, int32_t* second);

// ---- Icon blocks (FIIC) ----------------------------------------------------

// Appends an icon block exactly 8 + size long; 0, kKdxBlockNoMemory or the container's code.
[[nodiscard]] int32_t FI_CreateNewData(const char* path, int32_t iconId, const void* data,
                                       int32_t size);
// Positions on the first icon block with iconId; 1 found, else 0.
[[nodiscard]] int32_t FI_FindContainer(REZ_FILE* file, int32_t iconId);
// 1 and *size, or 0 (also for a damaged size).
[[nodiscard]] int32_t FI_GetDataSize(const char* path, int32_t iconId, int32_t* size);
// Reads count bytes of image data; 1, or 0 (also when count exceeds the data).
[[nodiscard]] int32_t FI_Load(const char* path, int32_t iconId, int32_t count, void* buffer);

// ---- Print information blocks ----------------------------------------------

// Smallest multiple of step (clamped to at least 1) greater than head + data.
[[nodiscard]] int64_t PI_CalcNewDataContainerSize(int32_t step, int32_t headSize, int32_t dataSize);
// Appends a block of containerSize bytes under tag; 0, kKdxBlockNoMemory or the
// container's code (-1 when the data does not fit).
[[nodiscard]] int32_t PI_CreateNewContainer(REZ_FILE* file, uint32_t tag, int64_t containerSize,
                                            const void* data, int32_t dataSize);
// Rewrites the current member (memberLength bytes) in place; 1, or 0.
[[nodiscard]] int32_t PI_UpdateContainer(REZ_FILE* file, int64_t memberLength, const void* data,
                                         int32_t dataSize);
// Positions on the first member of tag whose identifier matches; 1 found, else 0.
[[nodiscard]] int32_t PI_FindContainer(REZ_FILE* file, int32_t identifier, uint32_t tag);
// 0 and *size; kKdxBlockMissing, kKdxBlockDamaged or the open code.
[[nodiscard]] int32_t PI_GetDataSize(const char* path, int32_t identifier, uint32_t tag,
                                     int32_t* size);
// Reads count bytes of data; 0, kKdxBlockMissing, kKdxBlockDamaged or the open code.
[[nodiscard]] int32_t PI_Load(const char* path, int32_t identifier, uint32_t tag, int32_t count,
                              void* buffer);
// Writes data as the tag's one print block: in place when 8 + size is less than
// the member, otherwise a new block is appended before the old members are
// removed. 1 on success, 0 on failure (old block left when the append fails).
[[nodiscard]] int32_t KDX_WritePrintInfo(const char* path, uint32_t tag, int32_t expandSize,
                                         const void* data, int32_t size);

// ---- Fixed-size blocks (THMD thumbnails, RAWD attachment data) --------------

// Appends [first, second, data] as a member of tag; 0, kKdxBlockNoMemory, the
// open or the container's code.
[[nodiscard]] int32_t CreateNewContainer_forStaticSizeData(const char* path, int32_t first,
                                                           int32_t second, int32_t size,
                                                           const void* data, uint32_t tag);
[[nodiscard]] int32_t TH_CreateNewContainer(const char* path, int32_t first, int32_t second,
                                            int32_t size, const void* data);
[[nodiscard]] int32_t AD_CreateNewContainer(const char* path, int32_t first, int32_t second,
                                            int32_t size, const void* data);
// Position on the block whose two identifiers both match; 1 found, else 0.
[[nodiscard]] int32_t TH_FindContainer(REZ_FILE* file, int32_t first, int32_t second);
[[nodiscard]] int32_t AT_FindContainer(REZ_FILE* file, int32_t first, int32_t second);
// Bytes of data after the 8-byte head; kKdxLookupCannotOpen or kKdxLookupNoBlock.
[[nodiscard]] int64_t TH_GetBlockSize(const char* path, int32_t first, int32_t second);
// Read count bytes of data; 0, kKdxBlockMissing, -1 when count exceeds the data,
// the open or read code.
[[nodiscard]] int32_t TH_Load(const char* path, int32_t first, int32_t second, int32_t count,
                              void* buffer);
[[nodiscard]] int32_t AD_Load(const char* path, int32_t first, int32_t second, int32_t count,
                              void* buffer);
// Unlinks the attachment block; 0, kKdxBlockMissing, the open or container code.
[[nodiscard]] int32_t AD_RemoveContainer(const char* path, int32_t first, int32_t second);

// ---- Column lists in other container files ---------------------------------

// Saves the counters under IDCO and the 181-byte columns under tag. 0, the open
// code, or the first failing table's code (each failure logged).
[[nodiscard]] int32_t CL_Save(const char* path, uint32_t tag, const VELL_ARY* idCounterAry,
                              const VELL_ARY* columnAry);
// Loads both; the open code, 0, or -5 when either table cannot be loaded.
[[nodiscard]] int32_t CL_Load(const char* path, uint32_t tag, VELL_ARY* idCounterAry,
                              VELL_ARY* columnAry);
