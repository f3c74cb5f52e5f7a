// A fresh copy of a container holding only chosen members: the way a file
// that has grown by dead space (unlinked members, wiped blocks) gets it back.
//
// The copy keeps the source's file header, its tags in tag-list order and,
// within each tag, the chosen members in chain order, laid out one after
// another from the first member position with no gap, linked as appends
// would link them. A tag none of whose members is chosen is left out.
//
// The copy is written front to back in large pieces: the source's headers are
// walked first with plain positioned reads (no map, no page cache of its own)
// to lay the copy out in memory, then each piece of the copy is gathered from
// the source, its headers filled in, and written at once. Each member's data
// is digested as it passes, so that the copy can later be checked against its
// source by reading the copy alone. Memory stays bounded whatever the file's
// size: one piece, and the place, length and digest of each chosen member.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/container/rez.h"
#include "core/container/rez_io.h"

// Opens the container at path read-only for one pass over a large file: every
// read is a positioned read straight into the caller's buffer, with no pages
// cached, so that walking the headers of a file of gigabytes reads only them.
// REZ_OK, REZ_ERR_ARGUMENT when it cannot be opened, or REZ_OpenStream's code.
[[nodiscard]] int32_t REZ_OpenForScanning(const std::string& path, REZ_FILE* file);

// The first bytes of a member's data that a choice may look at.
inline constexpr size_t kRezCopyHeadBytes = 12;

// Whether the copy keeps a member of tag; head holds the first
// min(kRezCopyHeadBytes, data length) bytes of its data.
using RezKeepMember = std::function<bool(uint32_t tag, std::span<const uint8_t> head)>;

// What a copy holds, member by member: enough to check it against its source
// without reading the source again.
struct RezCopyPlan {
  struct Member {
    uint32_t source;                   // header position in the source
    uint32_t copy;                     // header position in the copy
    uint32_t length;                   // data length
    std::array<uint64_t, 2> digest{};  // 128-bit digest of the data as read from the source
  };
  struct Tag {
    uint32_t tag;
    std::vector<Member> members;
  };
  std::vector<Tag> tags;
  std::vector<uint8_t> fileHeader;  // the source's file header, which the copy keeps
  uint64_t sourceSize = 0;
  uint64_t copySize = 0;
  uint64_t membersDropped = 0;  // linked members of the source left out
};

// Writes the copy of the container at sourcePath to out, which must be empty,
// and fills plan with where everything went and the digests of the data.
// REZ_OK; REZ_ERR_ARGUMENT when the source cannot be opened or is not a
// container; REZ_ERR_NO_TAG / REZ_ERR_NO_MEMBER when its tag list or a chain
// cannot be walked to the end (nothing is copied from a damaged file);
// REZ_ERR_IO when a read or write fails. out is neither synced nor closed.
[[nodiscard]] int32_t REZ_WriteCopy(const std::string& sourcePath, RezStream* out,
                                    const RezKeepMember& keep, RezCopyPlan* plan);

// Checks that the container at copyPath holds exactly what plan says, read
// back through the file: as a reader walks it, the same tags in order, each
// with as many members at their planned places and no byte outside them; and,
// reading it front to back, the source's file header, every header as planned
// and every member's data with the digest its source member's had when it
// was copied. REZ_OK, REZ_ERR_ARGUMENT when it differs, or another container
// code when it cannot be read.
[[nodiscard]] int32_t REZ_CheckCopy(const std::string& copyPath, const RezCopyPlan& plan);
