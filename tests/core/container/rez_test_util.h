// Helpers for the container tests: a stream that fails on demand, a reader
// of raw container bytes written straight from the file layout, independent of
// the code under test, and a small container with a table of damage to it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/container/rez.h"

namespace rez_test {

// Wraps a stream; the Nth write (1-based) and every write after it fail. With
// shortWrite a failing write that extends the file (as on a full disk) stores
// half of its bytes first.
class FailingStream : public RezStream {
 public:
  FailingStream(std::unique_ptr<RezStream> inner, int failAt, bool shortWrite = false)
      : inner_(std::move(inner)), failAt_(failAt), shortWrite_(shortWrite) {}

  bool ReadAt(uint64_t pos, void* buffer, size_t count) override {
    return inner_->ReadAt(pos, buffer, count);
  }
  bool WriteAt(uint64_t pos, const void* buffer, size_t count) override {
    ++writes_;
    if (failAt_ > 0 && writes_ >= failAt_) {
      if (shortWrite_ && count > 1 && pos + count > inner_->Size())
        static_cast<void>(inner_->WriteAt(pos, buffer, count / 2));  // half, then the failure
      return false;
    }
    return inner_->WriteAt(pos, buffer, count);
  }
  uint64_t Size() const override { return inner_->Size(); }
  bool Sync() override { return inner_->Sync(); }
  bool Close() override { return inner_->Close(); }

  int writes() const { return writes_; }

 private:
  std::unique_ptr<RezStream> inner_;
  int failAt_;
  bool shortWrite_;
  int writes_ = 0;
};

inline uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 |
         uint32_t{b[at + 3]} << 24;
}

inline void PutLe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

struct RawHeader {
  uint32_t tag, dataLength, position, prevMember, nextMember, prevTag, nextTag;
};

inline RawHeader HeaderAt(const std::vector<uint8_t>& b, size_t at) {
  return RawHeader{Le32(b, at),      Le32(b, at + 4),  Le32(b, at + 8), Le32(b, at + 12),
                   Le32(b, at + 16), Le32(b, at + 20), Le32(b, at + 24)};
}

// The tags along the tag list, read from raw bytes.
inline std::vector<uint32_t> TagOrder(const std::vector<uint8_t>& b) {
  std::vector<uint32_t> tags;
  for (uint32_t p = HeaderAt(b, 512).nextTag; p != 0xFFFFFFFF; p = HeaderAt(b, p).nextTag) {
    tags.push_back(HeaderAt(b, p).tag);
  }
  return tags;
}

// The positions of tag's members in chain order, read from raw bytes.
inline std::vector<uint32_t> Members(const std::vector<uint8_t>& b, uint32_t tag) {
  for (uint32_t head = HeaderAt(b, 512).nextTag; head != 0xFFFFFFFF;
       head = HeaderAt(b, head).nextTag) {
    if (HeaderAt(b, head).tag != tag) continue;
    std::vector<uint32_t> out;
    for (uint32_t m = head; m != 0xFFFFFFFF; m = HeaderAt(b, m).nextMember) out.push_back(m);
    return out;
  }
  return {};
}

// Every tag's members' data in chain order, read from raw bytes by following
// the forward links; nullopt when a link leads outside the file, to a header
// that does not name itself, or round in a cycle.
using Contents = std::map<uint32_t, std::vector<std::string>>;

inline std::optional<Contents> ReadContents(const std::vector<uint8_t>& b) {
  Contents out;
  auto valid = [&](uint32_t pos) { return pos >= 512 && uint64_t{pos} + 36 <= b.size(); };
  size_t budget = b.size() / 36 + 2;
  std::vector<uint32_t> order;
  if (b.size() < 548) return std::nullopt;
  uint32_t next = HeaderAt(b, 512).nextTag;
  while (next != 0xFFFFFFFF) {
    if (!valid(next) || budget-- == 0) return std::nullopt;
    RawHeader head = HeaderAt(b, next);
    if (head.position != next || head.prevMember != 0xFFFFFFFF) return std::nullopt;
    std::vector<std::string>& members = out[head.tag];
    uint32_t m = next;
    while (m != 0xFFFFFFFF) {
      if (!valid(m) || budget-- == 0) return std::nullopt;
      RawHeader h = HeaderAt(b, m);
      if (h.position != m || h.tag != head.tag || uint64_t{m} + 36 + h.dataLength > b.size()) {
        return std::nullopt;
      }
      members.emplace_back(reinterpret_cast<const char*>(b.data()) + m + 36, h.dataLength);
      m = h.nextMember;
    }
    next = head.nextTag;
  }
  return out;
}

inline std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

namespace damage {

constexpr uint32_t kA = REZ_MakeTag("AAAA");
constexpr uint32_t kB = REZ_MakeTag("BBBB");
constexpr int32_t kRec = 4;
// Header fields, as offsets into a header.
constexpr uint32_t kLength = 4, kPosition = 8, kPrevMember = 12, kNextMember = 16, kNextTag = 24;

// Tag A with members at 548, 588, 628 (4 bytes each); tag B with one at 668.
constexpr uint32_t kA1 = 548, kA2 = 588, kA3 = 628, kB1 = 668;
inline std::vector<uint8_t> Base() {
  REZ_FILE file;
  EXPECT_EQ(REZ_CreateStream(std::make_unique<MemoryRezStream>(), &file), REZ_OK);
  for (const char* a : {"a1a1", "a2a2", "a3a3"}) EXPECT_EQ(REZ_AddData(&file, kA, kRec, a), REZ_OK);
  EXPECT_EQ(REZ_AddData(&file, kB, kRec, "b1b1"), REZ_OK);
  std::vector<uint8_t> b = static_cast<MemoryRezStream*>(file.stream.get())->bytes();
  EXPECT_EQ(HeaderAt(b, kA2).nextMember, kA3);
  EXPECT_EQ(HeaderAt(b, kA1).nextTag, kB1);
  return b;
}

inline std::vector<uint8_t> Damaged(uint32_t at, uint32_t value) {
  std::vector<uint8_t> b = Base();
  PutLe32(b, at, value);
  return b;
}

// Damage to the chain of A: a 32-bit value written over a header field.
struct ChainCase {
  const char* what;
  uint32_t at, value;
  int32_t load;     // REZ_ARY_Load's exact result, or 0 for any failure
  int32_t reached;  // members of A a walk reaches before the damage stops it
};
inline constexpr ChainCase kChainCases[] = {
    {"member cycle", kA3 + kNextMember, kA1, 0, 3},
    {"self link", kA2 + kNextMember, kA2, 0, 2},
    {"length past the end", kA2 + kLength, 5000, 0, 1},
    {"length 2^31 - 1", kA2 + kLength, 0x7FFFFFFF, 0, 1},
    {"length 2^32 - 1", kA2 + kLength, 0xFFFFFFFF, 0, 1},
    {"link into the file header", kA1 + kNextMember, 100, 0, 1},
    {"link past the end", kA1 + kNextMember, 700, 0, 1},
    {"link far past the end", kA1 + kNextMember, 0x10000000, 0, 1},
    {"header not naming itself", kA2 + kPosition, kA3, 0, 1},
    {"member of another tag", kA3 + kNextMember, kB1, -4, 3},
};

}  // namespace damage

}  // namespace rez_test
