// Steps shared by the container's reading, editing and record-array code.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>

#include "core/container/rez.h"
#include "core/container/rez_io.h"

namespace rez_internal {

// A header in its 36 stored bytes (reserved bytes zero), and back.
void EncodeHeader(const REZ_METADATA& h, uint8_t out[kRezHeaderSize]);
void DecodeHeader(const uint8_t in[kRezHeaderSize], REZ_METADATA* h);

// Reads and checks the header at pos: it must lie wholly in the file, name
// itself as pos, keep its data inside the file and link only to places a
// header can be. -2 when it cannot be read or fails a check.
[[nodiscard]] int32_t ReadHeader(REZ_FILE* file, uint64_t pos, REZ_METADATA* header);
// Writes header at its own position; -2 on a short write.
[[nodiscard]] int32_t WriteHeader(REZ_FILE* file, const REZ_METADATA& header);
// Reads the root header at 512.
[[nodiscard]] int32_t ReadRoot(REZ_FILE* file, REZ_METADATA* root);
// Finds the head of tag by walking the tag list: 0, -5 when absent (or the
// list is damaged), -2 on a read failure.
[[nodiscard]] int32_t FindTagHead(REZ_FILE* file, uint32_t tag, REZ_METADATA* head);
// Follows the tag list to its last head, or the root when there is no tag.
[[nodiscard]] int32_t FindLastHead(REZ_FILE* file, REZ_METADATA* last);
// Follows a tag's chain from its head to the last member.
[[nodiscard]] int32_t FindLastMember(REZ_FILE* file, const REZ_METADATA& head, REZ_METADATA* last);
// Reads the member that header's nextMember names and checks it belongs to the
// same tag; -4 at the end of the chain or when the chain is damaged.
[[nodiscard]] int32_t ReadNextMember(REZ_FILE* file, const REZ_METADATA& header,
                                     REZ_METADATA* next);
// Appends a member after last (a member of tag, or with lastIsHeadOrRoot a
// head/root to which the new member is linked as a new tag), writing the new
// member before the link that makes it reachable. On success *added is the new header.
[[nodiscard]] int32_t AppendAfter(REZ_FILE* file, uint32_t tag, const REZ_METADATA& last,
                                  bool newTag, uint64_t count, const void* data,
                                  REZ_METADATA* added);

// Under a transaction: takes a free place of at least size bytes ending at or
// before limit (the smallest that will do) for the changes up to the next
// commit; should that commit fail, it is free again. False when there is
// none, or no transaction (rez_journal).
[[nodiscard]] bool TakeFreeSpace(REZ_FILE* file, uint64_t size, uint64_t limit, uint64_t* position);
// Under a transaction: a member was moved to position (kept when that lies
// past the file's size at the transaction's start).
void NoteMoved(REZ_FILE* file, uint64_t position);
// REZ_RelocateData, into a free place ending at or before limit; when there is
// none, the end of the file if mayAppend, else REZ_ERR_ARGUMENT with nothing
// written.
[[nodiscard]] int32_t Relocate(REZ_FILE* file, uint64_t count, RezPieces pieces, uint64_t limit,
                               bool mayAppend);

[[nodiscard]] inline bool IsHead(const REZ_METADATA& h) { return h.prevMember == kRezNoLink; }

// False once a test's write budget is spent (RezSetWriteBudgetForTesting):
// the write is then to be dropped unseen, as a killed process would.
[[nodiscard]] bool MayWrite();
// The stream of a file a transaction is open on goes through it (rez_journal).
[[nodiscard]] std::unique_ptr<RezStream> UnderTransaction(std::unique_ptr<RezStream> stream,
                                                          dev_t device, ino_t inode);

}  // namespace rez_internal
