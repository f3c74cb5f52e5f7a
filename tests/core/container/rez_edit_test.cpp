// Editing: every case re-read from the raw bytes, read-only refusals, the 4 GiB
// limit, and injected write failures at every step of every edit.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "core/container/rez.h"
#include "core/container/rez_test_util.h"
#include "support/test_support.h"

using namespace rez_test;

namespace {

constexpr uint32_t kA = REZ_MakeTag("AAAA");
constexpr uint32_t kB = REZ_MakeTag("BBBB");
constexpr uint32_t kC = REZ_MakeTag("CCCC");

const std::vector<uint8_t>& BytesOf(const REZ_FILE& file) {
  return static_cast<const MemoryRezStream*>(file.stream.get())->bytes();
}

// Tag order along the tag list, read from raw bytes.
std::vector<uint32_t> TagOrder(const std::vector<uint8_t>& b) {
  std::vector<uint32_t> tags;
  for (uint32_t p = HeaderAt(b, 512).nextTag; p != 0xFFFFFFFF; p = HeaderAt(b, p).nextTag) {
    tags.push_back(HeaderAt(b, p).tag);
  }
  return tags;
}

// Every backward link matches its forward link.
void ExpectLinksAgree(const std::vector<uint8_t>& b) {
  uint32_t prevHead = 512;
  for (uint32_t p = HeaderAt(b, 512).nextTag; p != 0xFFFFFFFF; p = HeaderAt(b, p).nextTag) {
    RawHeader head = HeaderAt(b, p);
    EXPECT_EQ(head.prevTag, prevHead);
    uint32_t prevMember = 0xFFFFFFFF;
    for (uint32_t m = p; m != 0xFFFFFFFF; m = HeaderAt(b, m).nextMember) {
      RawHeader h = HeaderAt(b, m);
      EXPECT_EQ(h.prevMember, prevMember);
      if (m != p) {
        EXPECT_EQ(h.prevTag, 0xFFFFFFFFu);
        EXPECT_EQ(h.nextTag, 0xFFFFFFFFu);
      }
      prevMember = m;
    }
    prevHead = p;
  }
}

class RezEdit : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(REZ_CreateStream(std::make_unique<MemoryRezStream>(), &file_), REZ_OK);
  }
  void Add(uint32_t tag, const std::string& s) {
    ASSERT_EQ(REZ_AddData(&file_, tag, s.size(), s.data()), REZ_OK);
  }
  Contents Read() {
    auto c = ReadContents(BytesOf(file_));
    EXPECT_TRUE(c.has_value());
    ExpectLinksAgree(BytesOf(file_));
    return c.value_or(Contents{});
  }
  REZ_FILE file_;
};

TEST_F(RezEdit, AppendingKeepsChainAndTagOrder) {
  Add(kA, "a1");
  Add(kB, "b1");
  Add(kA, "a2");
  Add(kC, "");
  Add(kA, "a3");
  Contents c = Read();
  EXPECT_EQ(c[kA], (std::vector<std::string>{"a1", "a2", "a3"}));
  EXPECT_EQ(c[kB], (std::vector<std::string>{"b1"}));
  EXPECT_EQ(c[kC], (std::vector<std::string>{""}));
  EXPECT_EQ(TagOrder(BytesOf(file_)), (std::vector<uint32_t>{kA, kB, kC}));
}

TEST_F(RezEdit, AppendingLeavesTheCurrentMemberCurrent) {
  Add(kA, "a1");
  ASSERT_EQ(REZ_FirstMember(&file_, kA), REZ_OK);
  Add(kA, "a2");
  // The current copy was the last member; stepping from it reaches the new one.
  ASSERT_EQ(REZ_NextMember(&file_), REZ_OK);
  char buf[2];
  ASSERT_EQ(REZ_GetData(&file_, 2, buf), REZ_OK);
  EXPECT_EQ(std::string(buf, 2), "a2");
}

TEST_F(RezEdit, RemovingTheOnlyMemberRemovesTheTagButNotTheBytes) {
  Add(kA, "a1");
  Add(kB, "b1");
  Add(kC, "c1");
  size_t size = BytesOf(file_).size();
  ASSERT_EQ(REZ_FirstMember(&file_, kB), REZ_OK);
  ASSERT_EQ(REZ_RemoveData(&file_), REZ_OK);
  EXPECT_EQ(file_.hasCurrent, 0);
  EXPECT_EQ(BytesOf(file_).size(), size);
  EXPECT_EQ(TagOrder(BytesOf(file_)), (std::vector<uint32_t>{kA, kC}));
  Read();
  // The first and last tags too.
  ASSERT_EQ(REZ_FirstMember(&file_, kA), REZ_OK);
  ASSERT_EQ(REZ_RemoveData(&file_), REZ_OK);
  ASSERT_EQ(REZ_FirstMember(&file_, kC), REZ_OK);
  ASSERT_EQ(REZ_RemoveData(&file_), REZ_OK);
  EXPECT_EQ(HeaderAt(BytesOf(file_), 512).nextTag, 0xFFFFFFFFu);
  EXPECT_EQ(REZ_FirstTag(&file_), REZ_ERR_NO_TAG);
}

TEST_F(RezEdit, RemovingAHeadPromotesTheSecondMemberInPlace) {
  Add(kA, "a1");
  Add(kB, "b1");
  Add(kB, "b2");
  Add(kB, "b3");
  Add(kC, "c1");
  ASSERT_EQ(REZ_FirstMember(&file_, kB), REZ_OK);
  ASSERT_EQ(REZ_RemoveData(&file_), REZ_OK);
  Contents c = Read();
  EXPECT_EQ(c[kB], (std::vector<std::string>{"b2", "b3"}));
  EXPECT_EQ(TagOrder(BytesOf(file_)), (std::vector<uint32_t>{kA, kB, kC}));
}

TEST_F(RezEdit, RemovingMiddleAndLastMembers) {
  for (const char* s : {"a1", "a2", "a3", "a4"}) Add(kA, s);
  ASSERT_EQ(REZ_FirstMember(&file_, kA), REZ_OK);
  ASSERT_EQ(REZ_NextMember(&file_), REZ_OK);
  ASSERT_EQ(REZ_RemoveData(&file_), REZ_OK);
  EXPECT_EQ(REZ_NextMember(&file_), REZ_ERR_NO_CURRENT);
  ASSERT_EQ(REZ_FirstMember(&file_, kA), REZ_OK);
  ASSERT_EQ(REZ_NextMember(&file_), REZ_OK);
  ASSERT_EQ(REZ_NextMember(&file_), REZ_OK);
  ASSERT_EQ(REZ_RemoveData(&file_), REZ_OK);
  EXPECT_EQ(Read()[kA], (std::vector<std::string>{"a1", "a3"}));
  // Appending after removing the last member links to the new last one.
  Add(kA, "a5");
  EXPECT_EQ(Read()[kA], (std::vector<std::string>{"a1", "a3", "a5"}));
}

TEST_F(RezEdit, InsertingBeforeTheHeadTakesItsPlaceInTheTagList) {
  Add(kA, "a1");
  Add(kB, "b1");
  Add(kC, "c1");
  ASSERT_EQ(REZ_FirstMember(&file_, kB), REZ_OK);
  ASSERT_EQ(REZ_InsertData(&file_, 2, "b0"), REZ_OK);
  EXPECT_EQ(Read()[kB], (std::vector<std::string>{"b0", "b1"}));
  EXPECT_EQ(TagOrder(BytesOf(file_)), (std::vector<uint32_t>{kA, kB, kC}));
  // The old head stays current and still steps back to the new one.
  char buf[2];
  ASSERT_EQ(REZ_GetData(&file_, 2, buf), REZ_OK);
  EXPECT_EQ(std::string(buf, 2), "b1");
  ASSERT_EQ(REZ_PreviousMember(&file_), REZ_OK);
  ASSERT_EQ(REZ_GetData(&file_, 2, buf), REZ_OK);
  EXPECT_EQ(std::string(buf, 2), "b0");
}

TEST_F(RezEdit, InsertingInsideAChain) {
  Add(kA, "a1");
  Add(kA, "a3");
  ASSERT_EQ(REZ_FirstMember(&file_, kA), REZ_OK);
  ASSERT_EQ(REZ_NextMember(&file_), REZ_OK);
  ASSERT_EQ(REZ_InsertData(&file_, 2, "a2"), REZ_OK);
  EXPECT_EQ(Read()[kA], (std::vector<std::string>{"a1", "a2", "a3"}));
  EXPECT_EQ(REZ_InsertData(&file_, 2, nullptr), REZ_ERR_ARGUMENT);
  file_.hasCurrent = 0;
  EXPECT_EQ(REZ_InsertData(&file_, 2, "xx"), REZ_ERR_NO_CURRENT);
}

TEST_F(RezEdit, ReplaceNeedsTheExactLength) {
  Add(kA, "abc");
  ASSERT_EQ(REZ_FirstMember(&file_, kA), REZ_OK);
  EXPECT_EQ(REZ_ReplaceData(&file_, 2, "xy"), REZ_ERR_ARGUMENT);
  EXPECT_EQ(REZ_ReplaceData(&file_, 4, "wxyz"), REZ_ERR_ARGUMENT);
  EXPECT_EQ(Read()[kA], (std::vector<std::string>{"abc"}));
  size_t size = BytesOf(file_).size();
  EXPECT_EQ(REZ_ReplaceData(&file_, 3, "xyz"), REZ_OK);
  EXPECT_EQ(Read()[kA], (std::vector<std::string>{"xyz"}));
  EXPECT_EQ(BytesOf(file_).size(), size);
}

TEST_F(RezEdit, AddRefusesBadArguments) {
  EXPECT_EQ(REZ_AddData(&file_, 0xFFFFFFFF, 1, "x"), REZ_ERR_ARGUMENT);
  EXPECT_EQ(REZ_AddData(&file_, kA, 1, nullptr), REZ_ERR_ARGUMENT);
  EXPECT_EQ(BytesOf(file_).size(), 548u);
}

TEST(RezEditReadOnly, EveryEditIsRefusedAndTheFileUnchanged) {
  kdx_test::TempDir dir;
  std::string path = dir.File("ro.kdx");
  {
    REZ_FILE file;
    ASSERT_EQ(REZ_Create(path.c_str(), &file), REZ_OK);
    ASSERT_EQ(REZ_AddData(&file, kA, 2, "a1"), REZ_OK);
    ASSERT_EQ(REZ_Close(&file), 0);
  }
  std::vector<uint8_t> before = kdx_test::ReadAll(path);
  REZ_FILE file;
  ASSERT_EQ(REZ_Open(path.c_str(), 1, &file), REZ_OK);
  ASSERT_EQ(REZ_FirstMember(&file, kA), REZ_OK);
  EXPECT_EQ(REZ_AddData(&file, kA, 2, "a2"), REZ_ERR_READ_ONLY);
  EXPECT_EQ(REZ_InsertData(&file, 2, "a0"), REZ_ERR_READ_ONLY);
  EXPECT_EQ(REZ_ReplaceData(&file, 2, "zz"), REZ_ERR_READ_ONLY);
  EXPECT_EQ(REZ_RemoveData(&file), REZ_ERR_READ_ONLY);
  ASSERT_EQ(REZ_Close(&file), 0);
  EXPECT_EQ(kdx_test::ReadAll(path), before);
}

// A stream that claims to be just below the 4 GiB limit without holding the bytes.
class HugeStream : public MemoryRezStream {
 public:
  using MemoryRezStream::MemoryRezStream;
  uint64_t Size() const override { return fakeSize_ ? fakeSize_ : MemoryRezStream::Size(); }
  bool WriteAt(uint64_t pos, const void* buffer, size_t count) override {
    if (fakeSize_ && pos >= MemoryRezStream::Size()) return false;
    return MemoryRezStream::WriteAt(pos, buffer, count);
  }
  uint64_t fakeSize_ = 0;
};

TEST(RezEditLimits, AContainerNeverGrowsPastFourGiB) {
  REZ_FILE file;
  auto owned = std::make_unique<HugeStream>();
  HugeStream* stream = owned.get();
  ASSERT_EQ(REZ_CreateStream(std::move(owned), &file), REZ_OK);
  ASSERT_EQ(REZ_AddData(&file, kA, 2, "a1"), REZ_OK);
  stream->fakeSize_ = 0xFFFFFFFEull - 36 - 10;
  EXPECT_EQ(REZ_AddData(&file, kA, 11, "01234567890"), REZ_ERR_IO);
  ASSERT_EQ(REZ_FirstMember(&file, kA), REZ_OK);
  EXPECT_EQ(REZ_InsertData(&file, 11, "01234567890"), REZ_ERR_IO);
  stream->fakeSize_ = 0;
  EXPECT_EQ(ReadContents(stream->bytes()).value()[kA], (std::vector<std::string>{"a1"}));
}

// Runs edit on a copy of base whose Nth write fails, for every N until the
// edit needs no more writes. After each failure the file must still walk, and
// every member it held before must still be there with its data, apart from
// what the edit itself was removing.
void ForEveryFailingWrite(const std::vector<uint8_t>& base,
                          const std::function<int32_t(REZ_FILE*)>& edit,
                          const std::function<void(const Contents&, bool)>& check) {
  for (bool shortWrite : {false, true}) {
    for (int failAt = 1;; ++failAt) {
      auto failing = std::make_unique<FailingStream>(std::make_unique<MemoryRezStream>(base),
                                                     failAt, shortWrite);
      FailingStream* stream = failing.get();
      REZ_FILE file;
      ASSERT_EQ(REZ_OpenStream(std::move(failing), 0, &file), REZ_OK);
      int32_t status = edit(&file);
      bool failed = stream->writes() >= failAt;
      if (failed) {
        EXPECT_NE(status, REZ_OK) << "write " << failAt << " failed unreported";
      }
      // Read what the file now holds through a plain stream over the same bytes.
      std::vector<uint8_t> bytes(stream->Size());
      ASSERT_TRUE(stream->ReadAt(0, bytes.data(), bytes.size()));
      auto contents = ReadContents(bytes);
      ASSERT_TRUE(contents.has_value()) << "unwalkable after failing write " << failAt;
      check(*contents, status == REZ_OK);
      if (!failed) break;
    }
  }
}

std::vector<uint8_t> BaseFile() {
  REZ_FILE file;
  EXPECT_EQ(REZ_CreateStream(std::make_unique<MemoryRezStream>(), &file), REZ_OK);
  for (auto [tag, s] : std::vector<std::pair<uint32_t, std::string>>{
           {kA, "a1"}, {kB, "b1"}, {kA, "a2"}, {kC, "c1"}, {kA, "a3"}}) {
    EXPECT_EQ(REZ_AddData(&file, tag, s.size(), s.data()), REZ_OK);
  }
  return BytesOf(file);
}

TEST(RezEditFaults, AFailedAppendLosesNothing) {
  for (uint32_t tag : {kA, kB, REZ_MakeTag("NEW!")}) {
    ForEveryFailingWrite(
        BaseFile(), [tag](REZ_FILE* f) { return REZ_AddData(f, tag, 3, "new"); },
        [tag](const Contents& c, bool ok) {
          EXPECT_EQ(c.at(kA).size(), ok && tag == kA ? 4u : 3u);
          EXPECT_EQ(c.at(kA)[2], "a3");
          EXPECT_EQ(c.at(kB)[0], "b1");
          EXPECT_EQ(c.at(kC)[0], "c1");
          if (ok) {
            EXPECT_EQ(c.at(tag).back(), "new");
          }
        });
  }
}

TEST(RezEditFaults, AFailedInsertLosesNothing) {
  for (int steps : {0, 1}) {
    ForEveryFailingWrite(
        BaseFile(),
        [steps](REZ_FILE* f) {
          REZ_FirstMember(f, kA);
          if (steps) REZ_NextMember(f);
          return REZ_InsertData(f, 3, "ins");
        },
        [](const Contents& c, bool) {
          std::vector<std::string> a = c.at(kA);
          a.erase(std::remove(a.begin(), a.end(), "ins"), a.end());
          EXPECT_EQ(a, (std::vector<std::string>{"a1", "a2", "a3"}));
          EXPECT_EQ(c.at(kB)[0], "b1");
          EXPECT_EQ(c.at(kC)[0], "c1");
        });
  }
}

TEST(RezEditFaults, AFailedRemoveLosesOnlyTheRemovedMember) {
  for (uint32_t tag : {kA, kB}) {
    for (int steps : {0, 1, 2}) {
      ForEveryFailingWrite(
          BaseFile(),
          [tag, steps](REZ_FILE* f) {
            REZ_FirstMember(f, tag);
            for (int i = 0; i < steps; ++i) REZ_NextMember(f);
            return REZ_RemoveData(f);
          },
          [tag](const Contents& c, bool) {
            EXPECT_EQ(c.at(kC)[0], "c1");
            if (tag != kB) {
              EXPECT_EQ(c.at(kB)[0], "b1");
            }
            EXPECT_GE(c.at(kA).size(), tag == kA ? 2u : 3u);
          });
    }
  }
}

}  // namespace
