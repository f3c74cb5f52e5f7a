// The REZ container: a file of tagged, variable-length members. Members of one
// tag form a doubly linked chain; the chains' heads form the tag list, which
// starts at the root header. Nothing is ever moved: new members go to the end
// of the file, and all structure lives in fixed 36-byte headers that point at
// each other by absolute position.
//
// File layout (little-endian):
//   0    512  file header: "REZ", 0, version 2 (16-bit), zeros
//   512  36   root header, head of the tag list
//   548  ...  member headers, each followed at once by its data
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/container/rez_io.h"

struct VELL_ARY;

// Status codes of every container operation.
enum : int32_t {
  REZ_OK = 0,
  REZ_ERR_ARGUMENT = -1,    // bad argument, not a container, too long, size mismatch
  REZ_ERR_IO = -2,          // seek, read or write failed or fell short; file full
  REZ_ERR_NO_CURRENT = -3,  // no current member
  REZ_ERR_NO_MEMBER = -4,   // no further member; a damaged member chain
  REZ_ERR_NO_TAG = -5,      // no further tag, tag not found; a damaged tag list
  REZ_ERR_READ_ONLY = -6,   // the file is open for reading only
  // REZ_Close only: pushing the written bytes to the disk or the close failed.
  REZ_ERR_CLOSE = -1,
};

// Results of REZ_ARY_Load and REZ_ARY_LoadWithPositions, a vocabulary of their
// own: the same numbers as some codes above with other meanings.
enum : int32_t {
  REZ_ARY_ABSENT = -1,        // the tag is absent
  REZ_ARY_FIRST_LENGTH = -2,  // the first member's length differs from the record size
  REZ_ARY_LATER_LENGTH = -3,  // a later member's length differs
  REZ_ARY_READ_FAILED = -4,   // a member could not be read, or memory ran out
};

// Why REZ_ARY_IsLoadable answered 0 (its reason output).
enum : int32_t {
  REZ_ARY_REASON_ABSENT = 1,        // the tag is absent
  REZ_ARY_REASON_OTHER_LENGTH = 2,  // a member of another length exists
  REZ_ARY_REASON_UNREADABLE = 3,    // the chain could not be walked
};

inline constexpr uint32_t kRezNoLink = 0xFFFFFFFFu;
inline constexpr uint32_t kRezFileHeaderSize = 512;
inline constexpr uint32_t kRezHeaderSize = 36;
inline constexpr uint32_t kRezRootPosition = 512;
inline constexpr uint32_t kRezFirstMemberPosition = 548;
inline constexpr uint16_t kRezVersion = 2;
// The last position a header may end at; positions are 32-bit and 0xFFFFFFFF means "no link".
inline constexpr uint64_t kRezMaxFileSize = 0xFFFFFFFEu;

// A tag from four ASCII characters, the first in the most significant byte.
[[nodiscard]] constexpr uint32_t REZ_MakeTag(const char (&chars)[5]) {
  return (uint32_t{static_cast<uint8_t>(chars[0])} << 24) |
         (uint32_t{static_cast<uint8_t>(chars[1])} << 16) |
         (uint32_t{static_cast<uint8_t>(chars[2])} << 8) | uint32_t{static_cast<uint8_t>(chars[3])};
}
// A tag as its four characters, or in hexadecimal when they are not printable.
[[nodiscard]] std::string REZ_TagName(uint32_t tag);

// One member header in host byte order.
struct REZ_METADATA {
  uint32_t tag;         // the member's tag; 0xFFFFFFFF on the root
  uint32_t dataLength;  // bytes of data after the header
  uint32_t position;    // file position of this header
  uint32_t prevMember;  // previous member of the tag; no link on the tag head
  uint32_t nextMember;  // next member of the tag; no link on the last
  uint32_t prevTag;     // on a head: previous head, or 512 for the first tag
  uint32_t nextTag;     // on a head or the root: next head
};

// An open container. Owned by the caller; the stream closes with it.
struct REZ_FILE {
  std::unique_ptr<RezStream> stream;  // none when not open
  REZ_METADATA current{};             // copy of the current member's header
  int32_t hasCurrent = 0;             // whether current is valid
  int32_t openMode = 0;               // 0 read and write, 1 read only
  bool written = false;               // something was written since opening
  // Last member of each tag appended through this handle, so that appending a
  // long table does not walk its whole chain each time. Checked before use.
  std::unordered_map<uint32_t, uint32_t> lastMember;
};

// Byte order of the file: little-endian whatever the host.
[[nodiscard]] uint16_t REZ_EndianShort_NtoL(uint16_t value);
[[nodiscard]] uint32_t REZ_EndianLong_NtoL(uint32_t value);
[[nodiscard]] uint16_t REZ_EndianShort_LtoN(uint16_t value);
[[nodiscard]] uint32_t REZ_EndianLong_LtoN(uint32_t value);

// Creating, opening and closing.
[[nodiscard]] int32_t REZ_Create(const char* path, REZ_FILE* file);
[[nodiscard]] int32_t REZ_Open(const char* path, int32_t openMode, REZ_FILE* file);
// Opens a container on a stream that is already open (tests, the fuzzer).
[[nodiscard]] int32_t REZ_OpenStream(std::unique_ptr<RezStream> stream, int32_t openMode,
                                     REZ_FILE* file);
// Writes the two headers of a new container to an empty stream and opens it.
[[nodiscard]] int32_t REZ_CreateStream(std::unique_ptr<RezStream> stream, REZ_FILE* file);
[[nodiscard]] int32_t REZ_Close(REZ_FILE* file);

// Navigation.
[[nodiscard]] int32_t REZ_FirstTag(REZ_FILE* file);
[[nodiscard]] int32_t REZ_NextTag(REZ_FILE* file);
[[nodiscard]] int32_t REZ_PreviousTag(REZ_FILE* file);
[[nodiscard]] int32_t REZ_FirstMember(REZ_FILE* file, uint32_t tag);
[[nodiscard]] int32_t REZ_NextMember(REZ_FILE* file);
[[nodiscard]] int32_t REZ_PreviousMember(REZ_FILE* file);

// Reading the current member. The length is not a status: it is the full
// unsigned 32-bit length, or -1 without a stream or current member.
[[nodiscard]] int64_t REZ_GetDataLength(const REZ_FILE* file);
[[nodiscard]] int32_t REZ_GetData(REZ_FILE* file, uint64_t bufferSize, void* buffer);
[[nodiscard]] int32_t REZ_GetSubdata(REZ_FILE* file, uint64_t offset, uint64_t count, void* buffer);

// Editing.
[[nodiscard]] int32_t REZ_AddData(REZ_FILE* file, uint32_t tag, uint64_t count, const void* data);
[[nodiscard]] int32_t REZ_InsertData(REZ_FILE* file, uint64_t count, const void* data);
[[nodiscard]] int32_t REZ_RemoveData(REZ_FILE* file);
[[nodiscard]] int32_t REZ_ReplaceData(REZ_FILE* file, uint64_t count, const void* data);
// Writes data as a new member in the current member's place in its chain (and
// in the tag list, for a head) and unlinks the current one, whose bytes stay
// where they were. Under a transaction the new member goes into a place the
// transaction freed, when one is large enough, and the old place is freed once
// the change commits (rez_journal.h); otherwise it goes to the end of the file.
// The new member becomes current.
[[nodiscard]] int32_t REZ_RelocateData(REZ_FILE* file, uint64_t count, const void* data);
// The same with the data given in pieces, one after another, then zero bytes
// up to count; pieces longer than count in all are refused.
using RezPieces = std::initializer_list<std::span<const uint8_t>>;
[[nodiscard]] int32_t REZ_RelocatePieces(REZ_FILE* file, uint64_t count, RezPieces pieces);

// Record arrays: a table stored as one member per record under one tag.
[[nodiscard]] int32_t REZ_ARY_IsLoadable(REZ_FILE* file, uint32_t tag, int32_t recordSize,
                                         int32_t* reason);
[[nodiscard]] int32_t REZ_ARY_Load(REZ_FILE* file, uint32_t tag, int32_t recordSize, VELL_ARY* ary);
[[nodiscard]] int32_t REZ_ARY_Save(REZ_FILE* file, uint32_t tag, const VELL_ARY* ary,
                                   int32_t recordSize);

// What a record table looked like in the file after it was last loaded or
// saved: the position of each member and a digest of the record it holds. With
// it a save writes only the records whose digest changed, instead of reading
// and comparing the whole table.
struct RezTableSnapshot {
  bool valid = false;
  std::vector<uint32_t> positions;  // header position of each member, in chain order
  std::vector<uint64_t> digests;    // digest of the record each member holds
};

// As REZ_ARY_Load, also giving the position of each member in chain order.
[[nodiscard]] int32_t REZ_ARY_LoadWithPositions(REZ_FILE* file, uint32_t tag, int32_t recordSize,
                                                VELL_ARY* ary, std::vector<uint32_t>* positions);

// Makes tag hold count records of recordSize bytes, leaving the file exactly
// as REZ_ARY_Save would (surplus members removed from the head, missing ones
// appended), but producing and writing only records whose digest differs from
// the snapshot's digest for the member that will hold them. produce(i, out)
// writes record i's stored bytes into out and answers 0. Without a valid
// snapshot the members are walked and each produced record is compared with
// the stored bytes. On success the snapshot describes the file; on failure it
// is marked invalid.
using RezRecordProducer = std::function<int32_t(int32_t index, uint8_t* out)>;
[[nodiscard]] int32_t REZ_ARY_SaveWithSnapshot(REZ_FILE* file, uint32_t tag, int32_t count,
                                               int32_t recordSize,
                                               const std::vector<uint64_t>& digests,
                                               const RezRecordProducer& produce,
                                               RezTableSnapshot* snapshot);

// The largest number of headers a chain walk can meet in this file; a longer
// walk has met a cycle.
[[nodiscard]] uint64_t REZ_MaxChainSteps(const REZ_FILE* file);
