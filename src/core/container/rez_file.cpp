// Creating, opening, navigating and reading REZ containers.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/container/rez.h"
#include "core/container/rez_internal.h"
#include "core/util/vell_endian.h"
#include "core/util/vell_log.h"

namespace rez_internal {

void EncodeHeader(const REZ_METADATA& h, uint8_t out[kRezHeaderSize]) {
  std::memset(out, 0, kRezHeaderSize);
  Vell_PutLE32(out + 0, h.tag);
  Vell_PutLE32(out + 4, h.dataLength);
  Vell_PutLE32(out + 8, h.position);
  Vell_PutLE32(out + 12, h.prevMember);
  Vell_PutLE32(out + 16, h.nextMember);
  Vell_PutLE32(out + 20, h.prevTag);
  Vell_PutLE32(out + 24, h.nextTag);
  // 28..35 reserved, zero.
}

void DecodeHeader(const uint8_t in[kRezHeaderSize], REZ_METADATA* h) {
  h->tag = Vell_GetLE32(in + 0);
  h->dataLength = Vell_GetLE32(in + 4);
  h->position = Vell_GetLE32(in + 8);
  h->prevMember = Vell_GetLE32(in + 12);
  h->nextMember = Vell_GetLE32(in + 16);
  h->prevTag = Vell_GetLE32(in + 20);
  h->nextTag = Vell_GetLE32(in + 24);
}

}  // namespace rez_internal

using rez_internal::DecodeHeader;
using rez_internal::EncodeHeader;

namespace {

constexpr char kMagic[3] = {'R', 'E', 'Z'};

// The value whose bytes in memory are value's bytes in the file's order, and back.
template <typename T, void (*Put)(uint8_t*, T)>
T ToFileOrder(T value) {
  uint8_t bytes[sizeof(T)];
  Put(bytes, value);
  T stored;
  std::memcpy(&stored, bytes, sizeof stored);
  return stored;
}
template <typename T, T (*Get)(const uint8_t*)>
T ToHostOrder(T stored) {
  uint8_t bytes[sizeof(T)];
  std::memcpy(bytes, &stored, sizeof stored);
  return Get(bytes);
}

bool HasStream(const REZ_FILE* file) { return file != nullptr && file->stream != nullptr; }

[[nodiscard]] int32_t CheckHeaderAndMagic(REZ_FILE* file) {
  uint8_t header[kRezFileHeaderSize];
  if (file->stream->Size() < kRezFileHeaderSize ||
      !file->stream->ReadAt(0, header, kRezFileHeaderSize)) {
    return REZ_ERR_IO;
  }
  if (std::memcmp(header, kMagic, 3) != 0 || Vell_GetLE16(header + 4) != kRezVersion) {
    return REZ_ERR_ARGUMENT;
  }
  return REZ_OK;
}

// The header of the current member's tag head (the current member itself when it is one).
[[nodiscard]] int32_t CurrentHead(REZ_FILE* file, REZ_METADATA* head) {
  if (rez_internal::IsHead(file->current)) {
    return rez_internal::ReadHeader(file, file->current.position, head);
  }
  return rez_internal::FindTagHead(file, file->current.tag, head);
}

}  // namespace

uint16_t REZ_EndianShort_NtoL(uint16_t value) { return ToFileOrder<uint16_t, Vell_PutLE16>(value); }
uint32_t REZ_EndianLong_NtoL(uint32_t value) { return ToFileOrder<uint32_t, Vell_PutLE32>(value); }
uint16_t REZ_EndianShort_LtoN(uint16_t value) { return ToHostOrder<uint16_t, Vell_GetLE16>(value); }
uint32_t REZ_EndianLong_LtoN(uint32_t value) { return ToHostOrder<uint32_t, Vell_GetLE32>(value); }

uint64_t REZ_MaxChainSteps(const REZ_FILE* file) {
  if (!HasStream(file)) return 0;
  uint64_t size = file->stream->Size();
  if (size < kRezFirstMemberPosition) return 0;
  return (size - kRezFirstMemberPosition) / kRezHeaderSize + 1;
}

namespace rez_internal {

int32_t ReadHeader(REZ_FILE* file, uint64_t pos, REZ_METADATA* header) {
  uint8_t raw[kRezHeaderSize];
  uint64_t size = file->stream->Size();
  if (pos < kRezRootPosition || pos + kRezHeaderSize > size ||
      !file->stream->ReadAt(pos, raw, kRezHeaderSize)) {
    return REZ_ERR_IO;
  }
  REZ_METADATA h;
  DecodeHeader(raw, &h);
  // Links are checked when they are followed, so that a member whose link is
  // damaged can still be read.
  if (h.position != pos || pos + kRezHeaderSize + uint64_t{h.dataLength} > size) {
    Vell_SystemErrorLog("[-1] REZ_ReadHeader[%llu]\r\n", static_cast<unsigned long long>(pos));
    return REZ_ERR_IO;
  }
  *header = h;
  return REZ_OK;
}

int32_t WriteHeader(REZ_FILE* file, const REZ_METADATA& header) {
  uint8_t raw[kRezHeaderSize];
  EncodeHeader(header, raw);
  if (!file->stream->WriteAt(header.position, raw, kRezHeaderSize)) return REZ_ERR_IO;
  file->written = true;
  return REZ_OK;
}

int32_t ReadRoot(REZ_FILE* file, REZ_METADATA* root) {
  int32_t status = ReadHeader(file, kRezRootPosition, root);
  if (status != REZ_OK) return status;
  if (root->tag != kRezNoLink) return REZ_ERR_IO;
  return REZ_OK;
}

int32_t FindTagHead(REZ_FILE* file, uint32_t tag, REZ_METADATA* head) {
  REZ_METADATA h;
  int32_t status = ReadRoot(file, &h);
  if (status != REZ_OK) return status;
  uint64_t steps = REZ_MaxChainSteps(file);
  while (steps-- > 0) {
    if (h.nextTag == kRezNoLink) return REZ_ERR_NO_TAG;
    status = ReadHeader(file, h.nextTag, &h);
    if (status != REZ_OK) return status;
    if (!IsHead(h)) return REZ_ERR_NO_TAG;
    if (h.tag == tag) {
      *head = h;
      return REZ_OK;
    }
  }
  Vell_SystemErrorLog("[-2] REZ_FindTagHead[%08X]\r\n", tag);  // the tag list loops
  return REZ_ERR_NO_TAG;
}

int32_t FindLastHead(REZ_FILE* file, REZ_METADATA* last) {
  REZ_METADATA h;
  int32_t status = ReadRoot(file, &h);
  if (status != REZ_OK) return status;
  uint64_t steps = REZ_MaxChainSteps(file);
  while (h.nextTag != kRezNoLink) {
    if (steps-- == 0) {
      Vell_SystemErrorLog("[-2] REZ_FindLastHead\r\n");
      return REZ_ERR_NO_TAG;
    }
    status = ReadHeader(file, h.nextTag, &h);
    if (status != REZ_OK) return status;
    if (!IsHead(h)) return REZ_ERR_NO_TAG;
  }
  *last = h;
  return REZ_OK;
}

int32_t ReadNextMember(REZ_FILE* file, const REZ_METADATA& header, REZ_METADATA* next) {
  if (header.nextMember == kRezNoLink) return REZ_ERR_NO_MEMBER;
  REZ_METADATA h;
  int32_t status = ReadHeader(file, header.nextMember, &h);
  if (status != REZ_OK) return status;
  // A member that already looks like a head is what an interrupted removal of
  // the head leaves behind; it is still the next member.
  if (h.tag != header.tag) return REZ_ERR_NO_MEMBER;
  *next = h;
  return REZ_OK;
}

int32_t FindLastMember(REZ_FILE* file, const REZ_METADATA& head, REZ_METADATA* last) {
  auto cached = file->lastMember.find(head.tag);
  if (cached != file->lastMember.end()) {
    REZ_METADATA h;
    if (ReadHeader(file, cached->second, &h) == REZ_OK && h.tag == head.tag &&
        h.nextMember == kRezNoLink) {
      *last = h;
      return REZ_OK;
    }
    file->lastMember.erase(cached);
  }
  REZ_METADATA h = head;
  uint64_t steps = REZ_MaxChainSteps(file);
  while (h.nextMember != kRezNoLink) {
    if (steps-- == 0) {
      Vell_SystemErrorLog("[-2] REZ_FindLastMember[%08X]\r\n", head.tag);
      return REZ_ERR_NO_MEMBER;
    }
    int32_t status = ReadNextMember(file, h, &h);
    if (status != REZ_OK) return status;
  }
  *last = h;
  return REZ_OK;
}

}  // namespace rez_internal

int32_t REZ_OpenStream(std::unique_ptr<RezStream> stream, int32_t openMode, REZ_FILE* file) {
  if (file == nullptr) return REZ_ERR_ARGUMENT;
  file->stream.reset();
  file->hasCurrent = 0;
  file->written = false;
  file->lastMember.clear();
  if (stream == nullptr || (openMode != 0 && openMode != 1)) return REZ_ERR_ARGUMENT;
  file->stream = std::move(stream);
  file->openMode = openMode;
  int32_t status = CheckHeaderAndMagic(file);
  if (status != REZ_OK) {
    // Only read from: a failing close loses nothing, and the failure is status.
    static_cast<void>(file->stream->Close());
    file->stream.reset();
  }
  return status;
}

int32_t REZ_Open(const char* path, int32_t openMode, REZ_FILE* file) {
  if (file == nullptr) return REZ_ERR_ARGUMENT;
  file->stream.reset();
  file->hasCurrent = 0;
  if (path == nullptr || (openMode != 0 && openMode != 1)) return REZ_ERR_ARGUMENT;
  auto stream = RezOpenPathStream(path, openMode, false);
  if (stream == nullptr) return REZ_ERR_ARGUMENT;
  return REZ_OpenStream(std::move(stream), openMode, file);
}

int32_t REZ_CreateStream(std::unique_ptr<RezStream> stream, REZ_FILE* file) {
  if (file == nullptr) return REZ_ERR_ARGUMENT;
  file->stream.reset();
  file->hasCurrent = 0;
  file->written = false;
  file->lastMember.clear();
  if (stream == nullptr || stream->Size() != 0) return REZ_ERR_ARGUMENT;
  uint8_t bytes[kRezFirstMemberPosition] = {};
  std::memcpy(bytes, kMagic, 3);
  Vell_PutLE16(bytes + 4, kRezVersion);
  REZ_METADATA root{kRezNoLink, 0,          kRezRootPosition, kRezNoLink,
                    kRezNoLink, kRezNoLink, kRezNoLink};
  EncodeHeader(root, bytes + kRezRootPosition);
  if (!stream->WriteAt(0, bytes, sizeof bytes)) {
    // The write already failed and is reported; the half-made file is not kept.
    static_cast<void>(stream->Close());
    return REZ_ERR_IO;
  }
  file->stream = std::move(stream);
  file->openMode = 0;
  file->written = true;
  return REZ_OK;
}

int32_t REZ_Create(const char* path, REZ_FILE* file) {
  if (file == nullptr) return REZ_ERR_ARGUMENT;
  file->stream.reset();
  file->hasCurrent = 0;
  if (path == nullptr) return REZ_ERR_ARGUMENT;
  // Exclusive creation: an existing file, readable or not, is never truncated.
  auto stream = RezOpenPathStream(path, 0, true);
  if (stream == nullptr) return REZ_ERR_ARGUMENT;
  int32_t status = REZ_CreateStream(std::move(stream), file);
  if (status != REZ_OK) ::unlink(path);
  return status;
}

int32_t REZ_Close(REZ_FILE* file) {
  if (!HasStream(file)) return REZ_OK;
  bool ok = true;
  if (file->written && file->openMode == 0) ok = file->stream->Sync();
  ok = file->stream->Close() && ok;
  file->stream.reset();
  file->hasCurrent = 0;
  file->written = false;
  file->lastMember.clear();
  return ok ? REZ_OK : REZ_ERR_CLOSE;
}

int32_t REZ_FirstTag(REZ_FILE* file) {
  if (!HasStream(file)) return REZ_ERR_ARGUMENT;
  REZ_METADATA root, head;
  int32_t status = rez_internal::ReadRoot(file, &root);
  if (status != REZ_OK) return status;
  if (root.nextTag == kRezNoLink) return REZ_ERR_NO_TAG;
  status = rez_internal::ReadHeader(file, root.nextTag, &head);
  if (status != REZ_OK) return status;
  if (!rez_internal::IsHead(head)) return REZ_ERR_NO_TAG;
  file->current = head;
  file->hasCurrent = 1;
  return REZ_OK;
}

int32_t REZ_NextTag(REZ_FILE* file) {
  if (!HasStream(file)) return REZ_ERR_ARGUMENT;
  if (!file->hasCurrent) return REZ_ERR_NO_CURRENT;
  REZ_METADATA head, next;
  int32_t status = CurrentHead(file, &head);
  if (status != REZ_OK) return status;
  if (head.nextTag == kRezNoLink) return REZ_ERR_NO_TAG;
  status = rez_internal::ReadHeader(file, head.nextTag, &next);
  if (status != REZ_OK) return status;
  if (!rez_internal::IsHead(next) || next.tag == kRezNoLink) return REZ_ERR_NO_TAG;
  file->current = next;
  return REZ_OK;
}

int32_t REZ_PreviousTag(REZ_FILE* file) {
  if (!HasStream(file)) return REZ_ERR_ARGUMENT;
  if (!file->hasCurrent) return REZ_ERR_NO_CURRENT;
  REZ_METADATA head, prev;
  int32_t status = CurrentHead(file, &head);
  if (status != REZ_OK) return status;
  if (head.prevTag == kRezNoLink) return REZ_ERR_NO_TAG;
  status = rez_internal::ReadHeader(file, head.prevTag, &prev);
  if (status != REZ_OK) return status;
  // The first tag links back to the root.
  if (prev.tag == kRezNoLink || !rez_internal::IsHead(prev)) return REZ_ERR_NO_TAG;
  file->current = prev;
  return REZ_OK;
}

int32_t REZ_FirstMember(REZ_FILE* file, uint32_t tag) {
  if (!HasStream(file) || tag == kRezNoLink) return REZ_ERR_ARGUMENT;
  REZ_METADATA head;
  int32_t status = rez_internal::FindTagHead(file, tag, &head);
  if (status != REZ_OK) return status;
  file->current = head;
  file->hasCurrent = 1;
  return REZ_OK;
}

int32_t REZ_NextMember(REZ_FILE* file) {
  if (!HasStream(file)) return REZ_ERR_ARGUMENT;
  if (!file->hasCurrent) return REZ_ERR_NO_CURRENT;
  REZ_METADATA next;
  int32_t status = rez_internal::ReadNextMember(file, file->current, &next);
  if (status != REZ_OK) return status;
  file->current = next;
  return REZ_OK;
}

int32_t REZ_PreviousMember(REZ_FILE* file) {
  if (!HasStream(file)) return REZ_ERR_ARGUMENT;
  if (!file->hasCurrent) return REZ_ERR_NO_CURRENT;
  if (file->current.prevMember == kRezNoLink) return REZ_ERR_NO_MEMBER;
  REZ_METADATA prev;
  int32_t status = rez_internal::ReadHeader(file, file->current.prevMember, &prev);
  if (status != REZ_OK) return status;
  if (prev.tag != file->current.tag) return REZ_ERR_NO_MEMBER;
  file->current = prev;
  return REZ_OK;
}

int64_t REZ_GetDataLength(const REZ_FILE* file) {
  if (!HasStream(file) || !file->hasCurrent) return -1;
  return file->current.dataLength;
}

int32_t REZ_GetData(REZ_FILE* file, uint64_t bufferSize, void* buffer) {
  if (!HasStream(file)) return REZ_ERR_ARGUMENT;
  if (!file->hasCurrent) return REZ_ERR_NO_CURRENT;
  if (file->current.dataLength > bufferSize) return REZ_ERR_ARGUMENT;
  if (buffer == nullptr && file->current.dataLength > 0) return REZ_ERR_ARGUMENT;
  if (!file->stream->ReadAt(uint64_t{file->current.position} + kRezHeaderSize, buffer,
                            file->current.dataLength)) {
    return REZ_ERR_IO;
  }
  return REZ_OK;
}

int32_t REZ_GetSubdata(REZ_FILE* file, uint64_t offset, uint64_t count, void* buffer) {
  if (!HasStream(file)) return REZ_ERR_ARGUMENT;
  if (!file->hasCurrent) return REZ_ERR_NO_CURRENT;
  uint64_t length = file->current.dataLength;
  // Written so that no sum can wrap around.
  if (count > length || offset > length - count) return REZ_ERR_ARGUMENT;
  if (buffer == nullptr && count > 0) return REZ_ERR_ARGUMENT;
  if (!file->stream->ReadAt(uint64_t{file->current.position} + kRezHeaderSize + offset, buffer,
                            count)) {
    return REZ_ERR_IO;
  }
  return REZ_OK;
}

std::string REZ_TagName(uint32_t tag) {
  std::string name;
  for (int shift = 24; shift >= 0; shift -= 8) {
    char c = static_cast<char>((tag >> shift) & 0xFF);
    if (c < 0x20 || c > 0x7E) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%08X", tag);
      return hex;
    }
    name += c;
  }
  return name;
}
