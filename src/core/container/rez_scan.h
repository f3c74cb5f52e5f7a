// A read-only walk along the members of one tag, for passes over every block
// of a kind: the file is mapped into memory (or, when it cannot be, read front
// to back in large chunks) and each member's data is handed out in place,
// without a copy or a system call per member. Headers are read and checked by
// the container's own rules, the walk is bounded by REZ_MaxChainSteps, and a
// link back to a member already passed ends it at once.
//
// Mapping relies on container files never shrinking (members are only ever
// appended) and on the caller keeping writers away while it walks.
#pragma once

#include <cstdint>
#include <span>
#include <unordered_set>
#include <vector>

#include "core/container/rez.h"

// Where the bytes come from: a memory map, or pread into a moving window
// (what is used when no map can be made, and by the search: a walk through a
// map of hundreds of megabytes waits on a page-table walk per member).
enum class RezScanSource { kMap, kChunks };

enum class RezScanStep {
  kMember,      // the next member, its data readable
  kUnreadable,  // the next member's header is sound but its data could not be read
  kEnd,         // the last member was passed
  kBroken,      // the next link leads outside the file, to a bad header, to another
                // tag, back into the chain, or past the step bound
};

struct RezScanMember {
  REZ_METADATA header;
  std::span<const uint8_t> data;  // valid until the next call of Next; empty when unreadable
};

class RezScanBytes;

class RezChainScan {
 public:
  RezChainScan() = default;
  ~RezChainScan();
  RezChainScan(const RezChainScan&) = delete;
  RezChainScan& operator=(const RezChainScan&) = delete;

  // Opens path read-only. REZ_OK; REZ_ERR_ARGUMENT when it cannot be opened,
  // or the container's result when it is not a container.
  [[nodiscard]] int32_t Open(const char* path, RezScanSource source = RezScanSource::kMap);
  uint64_t FileSize() const;

  // Starts a walk of tag's chain at its head. REZ_OK; REZ_ERR_NO_TAG when the
  // file has no such tag (or the tag list is damaged); REZ_ERR_IO when the
  // tag list cannot be read.
  [[nodiscard]] int32_t Start(uint32_t tag);
  // The next member of the walk, the head first. After kEnd or kBroken the
  // walk is over and *member is left as it was.
  [[nodiscard]] RezScanStep Next(RezScanMember* member);

 private:
  // The members a walk has passed. Chains usually run forward through the
  // file, so those positions are kept sorted as they come.
  class Visited {
   public:
    void Clear();
    // False when pos was visited before.
    bool Visit(uint32_t pos);

   private:
    std::vector<uint32_t> forward_;
    std::unordered_set<uint32_t> others_;
  };

  RezScanStep Hand(const REZ_METADATA& header, RezScanMember* member);

  REZ_FILE file_;
  RezScanBytes* bytes_ = nullptr;  // file_'s stream
  REZ_METADATA current_{};
  bool started_ = false;  // Start succeeded and the head is yet to be handed out
  bool walking_ = false;  // members remain to be followed
  uint64_t steps_ = 0;
  Visited visited_;
};
