// Editing a REZ container: append, insert, remove, replace.
//
// Every edit writes new data before the links that point at it, and on removal
// the backward link before the forward one. An edit that fails part-way then
// leaves at worst unreachable bytes at the end of the file or a stale backward
// link, never a forward link to a place where no member is.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

#include "core/container/rez.h"
#include "core/container/rez_internal.h"
#include "core/container/rez_journal.h"
#include "core/util/vell_log.h"

using rez_internal::IsHead;
using rez_internal::ReadHeader;
using rez_internal::WriteHeader;

namespace {

[[nodiscard]] int32_t CheckWritable(const REZ_FILE* file) {
  if (file == nullptr || file->stream == nullptr) return REZ_ERR_ARGUMENT;
  if (file->openMode != 0) return REZ_ERR_READ_ONLY;
  return REZ_OK;
}

// Writes a member's count bytes of data at pos: the pieces, then zeros.
[[nodiscard]] int32_t WriteData(REZ_FILE* file, uint64_t pos, uint64_t count, RezPieces pieces) {
  const uint64_t end = pos + count;
  for (const std::span<const uint8_t> piece : pieces) {
    if (piece.empty()) continue;
    if (!file->stream->WriteAt(pos, piece.data(), piece.size())) return REZ_ERR_IO;
    pos += piece.size();
  }
  static constexpr uint8_t kZeros[64 * 1024] = {};
  while (pos < end) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(sizeof kZeros, end - pos));
    if (!file->stream->WriteAt(pos, kZeros, n)) return REZ_ERR_IO;
    pos += n;
  }
  return REZ_OK;
}

uint64_t SizeOf(RezPieces pieces) {
  uint64_t size = 0;
  for (const std::span<const uint8_t> piece : pieces) size += piece.size();
  return size;
}

// Writes a new member (header, then data) at the end of the file. The caller
// has filled in its links; nothing points at it yet.
[[nodiscard]] int32_t WriteNewMember(REZ_FILE* file, REZ_METADATA* member, uint64_t count,
                                     RezPieces pieces, const char* caller) {
  uint64_t end = file->stream->Size();
  if (count > kRezMaxFileSize || end + kRezHeaderSize + count > kRezMaxFileSize) {
    Vell_SystemErrorLog("[-1] %s[file full]\r\n", caller);
    return REZ_ERR_IO;
  }
  member->position = static_cast<uint32_t>(end);
  member->dataLength = static_cast<uint32_t>(count);
  int32_t status = WriteHeader(file, *member);
  if (status != REZ_OK) return status;
  return WriteData(file, end + kRezHeaderSize, count, pieces);
}

[[nodiscard]] int32_t WriteNewMember(REZ_FILE* file, REZ_METADATA* member, uint64_t count,
                                     const void* data, const char* caller) {
  return WriteNewMember(file, member, count, {{static_cast<const uint8_t*>(data), count}}, caller);
}

REZ_METADATA NewHeader(uint32_t tag) {
  return REZ_METADATA{tag, 0, 0, kRezNoLink, kRezNoLink, kRezNoLink, kRezNoLink};
}

// Keeps the handle's copy of the current member in step with a header just rewritten.
void RefreshCurrent(REZ_FILE* file, const REZ_METADATA& rewritten) {
  if (file->hasCurrent && file->current.position == rewritten.position) file->current = rewritten;
}

// Reads the header before h in the tag list: the previous head or the root.
[[nodiscard]] int32_t ReadPreviousHead(REZ_FILE* file, const REZ_METADATA& h, REZ_METADATA* prev) {
  if (h.prevTag == kRezNoLink) return REZ_ERR_NO_TAG;
  int32_t status = ReadHeader(file, h.prevTag, prev);
  if (status != REZ_OK) return status;
  if (!IsHead(*prev) || prev->nextTag != h.position) return REZ_ERR_NO_TAG;
  return REZ_OK;
}

// Reads the next head after h, if any; *has tells whether there is one.
[[nodiscard]] int32_t ReadNextHead(REZ_FILE* file, const REZ_METADATA& h, REZ_METADATA* next,
                                   bool* has) {
  *has = false;
  if (h.nextTag == kRezNoLink) return REZ_OK;
  int32_t status = ReadHeader(file, h.nextTag, next);
  if (status != REZ_OK) return status;
  if (!IsHead(*next) || next->prevTag != h.position) return REZ_ERR_NO_TAG;
  *has = true;
  return REZ_OK;
}

// The current member, read again, and every header linked to it: the next
// member, and the previous one or, for a tag head, the previous head (or the
// root) and the next head. An edit reads and checks them all before it
// writes anything.
struct Neighbours {
  REZ_METADATA cur, second, prev, next;
  bool hasSecond = false;  // second is the next member
  bool hasNext = false;    // next is the next head (cur a head)
};

[[nodiscard]] int32_t ReadNeighbours(REZ_FILE* file, Neighbours* n) {
  int32_t status = ReadHeader(file, file->current.position, &n->cur);
  if (status != REZ_OK) return status;
  const REZ_METADATA& cur = n->cur;
  if (cur.tag == kRezNoLink) return REZ_ERR_ARGUMENT;
  n->hasSecond = cur.nextMember != kRezNoLink;
  if (n->hasSecond) {
    status = ReadHeader(file, cur.nextMember, &n->second);
    if (status != REZ_OK) return status;
    if (n->second.tag != cur.tag || n->second.prevMember != cur.position) return REZ_ERR_NO_MEMBER;
  }
  if (!IsHead(cur)) {
    status = ReadHeader(file, cur.prevMember, &n->prev);
    if (status != REZ_OK) return status;
    if (n->prev.tag != cur.tag || n->prev.nextMember != cur.position) return REZ_ERR_NO_MEMBER;
    return REZ_OK;
  }
  status = ReadPreviousHead(file, cur, &n->prev);
  if (status != REZ_OK) return status;
  return ReadNextHead(file, cur, &n->next, &n->hasNext);
}

}  // namespace

namespace rez_internal {

int32_t AppendAfter(REZ_FILE* file, uint32_t tag, const REZ_METADATA& last, bool newTag,
                    uint64_t count, const void* data, REZ_METADATA* added) {
  REZ_METADATA member = NewHeader(tag);
  REZ_METADATA link = last;
  if (newTag) {
    member.prevTag = last.position;
  } else {
    member.prevMember = last.position;
  }
  int32_t status = WriteNewMember(file, &member, count, data, "REZ_AddData");
  if (status != REZ_OK) return status;
  if (newTag) {
    link.nextTag = member.position;
  } else {
    link.nextMember = member.position;
  }
  status = WriteHeader(file, link);
  if (status != REZ_OK) return status;
  RefreshCurrent(file, link);
  file->lastMember[tag] = member.position;
  if (added != nullptr) *added = member;
  return REZ_OK;
}

}  // namespace rez_internal

int32_t REZ_AddData(REZ_FILE* file, uint32_t tag, uint64_t count, const void* data) {
  if (file == nullptr || file->stream == nullptr || tag == kRezNoLink ||
      (data == nullptr && count > 0)) {
    return REZ_ERR_ARGUMENT;
  }
  int32_t status = CheckWritable(file);
  if (status != REZ_OK) return status;
  REZ_METADATA head, last;
  status = rez_internal::FindTagHead(file, tag, &head);
  if (status == REZ_OK) {
    status = rez_internal::FindLastMember(file, head, &last);
    if (status != REZ_OK) return status;
    return rez_internal::AppendAfter(file, tag, last, false, count, data, nullptr);
  }
  if (status != REZ_ERR_NO_TAG) return status;
  status = rez_internal::FindLastHead(file, &last);
  if (status != REZ_OK) return status;
  return rez_internal::AppendAfter(file, tag, last, true, count, data, nullptr);
}

int32_t REZ_InsertData(REZ_FILE* file, uint64_t count, const void* data) {
  int32_t status = CheckWritable(file);
  if (status != REZ_OK) return status;
  if (!file->hasCurrent) return REZ_ERR_NO_CURRENT;
  if (data == nullptr && count > 0) return REZ_ERR_ARGUMENT;
  REZ_METADATA cur;
  status = ReadHeader(file, file->current.position, &cur);
  if (status != REZ_OK) return status;
  REZ_METADATA member = NewHeader(cur.tag);

  if (!IsHead(cur)) {
    REZ_METADATA prev;
    status = ReadHeader(file, cur.prevMember, &prev);
    if (status != REZ_OK) return status;
    if (prev.tag != cur.tag || prev.nextMember != cur.position) return REZ_ERR_NO_MEMBER;
    member.prevMember = prev.position;
    member.nextMember = cur.position;
    status = WriteNewMember(file, &member, count, data, "REZ_InsertData");
    if (status != REZ_OK) return status;
    cur.prevMember = member.position;
    status = WriteHeader(file, cur);
    if (status != REZ_OK) return status;
    file->current = cur;
    prev.nextMember = member.position;
    return WriteHeader(file, prev);
  }

  // The new member takes the head's place in the tag list.
  REZ_METADATA prev, next;
  bool hasNext;
  status = ReadPreviousHead(file, cur, &prev);
  if (status != REZ_OK) return status;
  status = ReadNextHead(file, cur, &next, &hasNext);
  if (status != REZ_OK) return status;
  member.prevTag = prev.position;
  member.nextTag = cur.nextTag;
  member.nextMember = cur.position;
  status = WriteNewMember(file, &member, count, data, "REZ_InsertData");
  if (status != REZ_OK) return status;
  prev.nextTag = member.position;
  status = WriteHeader(file, prev);
  if (status != REZ_OK) return status;
  if (hasNext) {
    next.prevTag = member.position;
    status = WriteHeader(file, next);
    if (status != REZ_OK) return status;
  }
  cur.prevMember = member.position;
  cur.prevTag = kRezNoLink;
  cur.nextTag = kRezNoLink;
  status = WriteHeader(file, cur);
  if (status != REZ_OK) return status;
  file->current = cur;
  return REZ_OK;
}

int32_t REZ_RemoveData(REZ_FILE* file) {
  int32_t status = CheckWritable(file);
  if (status != REZ_OK) return status;
  if (!file->hasCurrent) return REZ_ERR_NO_CURRENT;
  Neighbours n;
  status = ReadNeighbours(file, &n);
  if (status != REZ_OK) return status;
  const REZ_METADATA& cur = n.cur;

  if (!IsHead(cur)) {
    if (n.hasSecond) {
      n.second.prevMember = n.prev.position;
      status = WriteHeader(file, n.second);
      if (status != REZ_OK) return status;
    }
    n.prev.nextMember = cur.nextMember;
    status = WriteHeader(file, n.prev);
    if (status != REZ_OK) return status;
    if (!n.hasSecond) file->lastMember[cur.tag] = n.prev.position;
  } else {
    // With further members the second one becomes the head in the same place.
    uint32_t replacement = cur.nextTag;
    if (n.hasSecond) {
      n.second.prevMember = kRezNoLink;
      n.second.prevTag = cur.prevTag;
      n.second.nextTag = cur.nextTag;
      status = WriteHeader(file, n.second);
      if (status != REZ_OK) return status;
      replacement = n.second.position;
    }
    if (n.hasNext) {
      n.next.prevTag = n.hasSecond ? n.second.position : n.prev.position;
      status = WriteHeader(file, n.next);
      if (status != REZ_OK) return status;
    }
    n.prev.nextTag = replacement;
    status = WriteHeader(file, n.prev);
    if (status != REZ_OK) return status;
    if (!n.hasSecond) file->lastMember.erase(cur.tag);
  }
  file->hasCurrent = 0;
  return REZ_OK;
}

int32_t REZ_ReplaceData(REZ_FILE* file, uint64_t count, const void* data) {
  int32_t status = CheckWritable(file);
  if (status != REZ_OK) return status;
  if (!file->hasCurrent) return REZ_ERR_NO_CURRENT;
  if (count != file->current.dataLength || (data == nullptr && count > 0)) {
    return REZ_ERR_ARGUMENT;
  }
  if (count > 0 &&
      !file->stream->WriteAt(uint64_t{file->current.position} + kRezHeaderSize, data, count)) {
    return REZ_ERR_IO;
  }
  file->written = true;
  return REZ_OK;
}

int32_t REZ_RelocateData(REZ_FILE* file, uint64_t count, const void* data) {
  if (data == nullptr && count > 0) return REZ_ERR_ARGUMENT;
  return rez_internal::Relocate(file, count, {{static_cast<const uint8_t*>(data), count}},
                                UINT64_MAX, true);
}

int32_t REZ_RelocatePieces(REZ_FILE* file, uint64_t count, RezPieces pieces) {
  return rez_internal::Relocate(file, count, pieces, UINT64_MAX, true);
}

int32_t rez_internal::Relocate(REZ_FILE* file, uint64_t count, RezPieces pieces, uint64_t limit,
                               bool mayAppend) {
  int32_t status = CheckWritable(file);
  if (status != REZ_OK) return status;
  if (!file->hasCurrent) return REZ_ERR_NO_CURRENT;
  if (SizeOf(pieces) > count) return REZ_ERR_ARGUMENT;
  Neighbours n;
  status = ReadNeighbours(file, &n);
  if (status != REZ_OK) return status;
  const REZ_METADATA& cur = n.cur;

  // The new member, with the old one's links, before anything leads to it.
  REZ_METADATA moved = cur;
  uint64_t place;
  if (rez_internal::TakeFreeSpace(file, kRezHeaderSize + count, limit, &place)) {
    if (place < kRezFirstMemberPosition || place + kRezHeaderSize + count > file->stream->Size()) {
      return REZ_ERR_IO;
    }
    moved.position = static_cast<uint32_t>(place);
    moved.dataLength = static_cast<uint32_t>(count);
    status = WriteHeader(file, moved);
    if (status == REZ_OK) status = WriteData(file, place + kRezHeaderSize, count, pieces);
    if (status != REZ_OK) return status;
  } else if (mayAppend) {
    status = WriteNewMember(file, &moved, count, pieces, "REZ_RelocateData");
    if (status != REZ_OK) return status;
  } else {
    return REZ_ERR_ARGUMENT;
  }

  // Backward links first, the forward one that makes it reachable last.
  if (n.hasSecond) {
    n.second.prevMember = moved.position;
    status = WriteHeader(file, n.second);
    if (status != REZ_OK) return status;
  }
  if (IsHead(cur)) {
    if (n.hasNext) {
      n.next.prevTag = moved.position;
      status = WriteHeader(file, n.next);
      if (status != REZ_OK) return status;
    }
    n.prev.nextTag = moved.position;
  } else {
    n.prev.nextMember = moved.position;
  }
  status = WriteHeader(file, n.prev);
  if (status != REZ_OK) return status;
  if (!n.hasSecond) file->lastMember[cur.tag] = moved.position;
  rez_internal::NoteMoved(file, moved.position);
  REZ_FreeAfterCommit(file, cur.position, kRezHeaderSize + uint64_t{cur.dataLength});
  file->current = moved;
  file->hasCurrent = 1;
  return REZ_OK;
}
