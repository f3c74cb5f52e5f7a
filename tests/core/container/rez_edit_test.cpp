// Editing: every case re-read from the raw bytes, read-only refusals, the 4 GiB
// limit, and injected write failures at every step of every edit.
#include <gtest/gtest.h>

#include <functional>

#include "core/container/rez.h"
#include "core/container/rez_test_util.h"
#include "support/test_support.h"

using namespace rez_test;

namespace {

constexpr uint32_t kA = REZ_MakeTag("AAAA");
constexpr uint32_t kB = REZ_MakeTag("BBBB");
constexpr uint32_t kC = REZ_MakeTag("CCCC");
constexpr uint32_t kD = REZ_MakeTag("DDDD");
using Strings = std::vector<std::string>;
using Tags = std::vector<uint32_t>;

const std::vector<uint8_t>& BytesOf(const REZ_FILE& file) {
  return static_cast<const MemoryRezStream*>(file.stream.get())->bytes();
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
  void SetUp() override { Fresh(); }
  void Fresh() {
    file_ = REZ_FILE{};
    ASSERT_EQ(REZ_CreateStream(std::make_unique<MemoryRezStream>(), &file_), REZ_OK);
  }
  // A1; B1 B2 B3; C1; D1.
  void FreshWithFourTags() {
    Fresh();
    for (auto [tag, s] : std::vector<std::pair<uint32_t, std::string>>{
             {kA, "a1"}, {kB, "b1"}, {kB, "b2"}, {kB, "b3"}, {kC, "c1"}, {kD, "d1"}}) {
      Add(tag, s);
    }
  }
  void Add(uint32_t tag, const std::string& s) {
    ASSERT_EQ(REZ_AddData(&file_, tag, s.size(), s.data()), REZ_OK);
  }
  // Makes member steps of tag current.
  void Go(uint32_t tag, int steps = 0) {
    ASSERT_EQ(REZ_FirstMember(&file_, tag), REZ_OK);
    for (int i = 0; i < steps; ++i) ASSERT_EQ(REZ_NextMember(&file_), REZ_OK);
  }
  std::string Current() {
    std::string out(static_cast<size_t>(REZ_GetDataLength(&file_)), '\0');
    EXPECT_EQ(REZ_GetData(&file_, out.size(), out.data()), REZ_OK);
    return out;
  }
  Contents Read() {
    auto c = ReadContents(BytesOf(file_));
    EXPECT_TRUE(c.has_value());
    ExpectLinksAgree(BytesOf(file_));
    return c.value_or(Contents{});
  }
  REZ_FILE file_;
};

TEST_F(RezEdit, AppendingKeepsChainAndTagOrderAndTheCurrentMember) {
  Add(kA, "a1");
  Go(kA);
  Add(kB, "b1");
  Add(kA, "a2");
  Add(kC, "");
  Add(kA, "a3");
  Contents c = Read();
  EXPECT_EQ(c[kA], (Strings{"a1", "a2", "a3"}));
  EXPECT_EQ(c[kB], (Strings{"b1"}));
  EXPECT_EQ(c[kC], (Strings{""}));
  EXPECT_EQ(TagOrder(BytesOf(file_)), (Tags{kA, kB, kC}));
  // The current copy was the last member; stepping from it reaches the new one.
  ASSERT_EQ(REZ_NextMember(&file_), REZ_OK);
  EXPECT_EQ(Current(), "a2");
}

TEST_F(RezEdit, RemovingRelinksChainsAndTagListButKeepsTheBytes) {
  struct Case {
    uint32_t tag;
    int steps;
    Strings b;  // tag B afterwards
    Tags order;
  };
  const Case cases[] = {
      {kA, 0, {"b1", "b2", "b3"}, {kB, kC, kD}},  // the first tag's only member
      {kC, 0, {"b1", "b2", "b3"}, {kA, kB, kD}},  // a middle tag's only member
      {kD, 0, {"b1", "b2", "b3"}, {kA, kB, kC}},  // the last tag's only member
      {kB, 0, {"b2", "b3"}, {kA, kB, kC, kD}},    // a head: the second member takes its place
      {kB, 1, {"b1", "b3"}, {kA, kB, kC, kD}},   {kB, 2, {"b1", "b2"}, {kA, kB, kC, kD}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.tag << " " << c.steps);
    FreshWithFourTags();
    const size_t size = BytesOf(file_).size();
    Go(c.tag, c.steps);
    ASSERT_EQ(REZ_RemoveData(&file_), REZ_OK);
    EXPECT_EQ(file_.hasCurrent, 0);
    EXPECT_EQ(REZ_NextMember(&file_), REZ_ERR_NO_CURRENT);
    EXPECT_EQ(BytesOf(file_).size(), size);
    EXPECT_EQ(Read()[kB], c.b);
    EXPECT_EQ(TagOrder(BytesOf(file_)), c.order);
    // Appending afterwards links to the chain's new last member.
    Add(kB, "bn");
    Strings appended = c.b;
    appended.push_back("bn");
    EXPECT_EQ(Read()[kB], appended);
  }
  Go(kA);
  ASSERT_EQ(REZ_RemoveData(&file_), REZ_OK);
  for (uint32_t tag : {kB, kB, kB, kC, kD}) {
    Go(tag);
    ASSERT_EQ(REZ_RemoveData(&file_), REZ_OK);
  }
  EXPECT_EQ(HeaderAt(BytesOf(file_), 512).nextTag, 0xFFFFFFFFu);
  EXPECT_EQ(REZ_FirstTag(&file_), REZ_ERR_NO_TAG);
}

TEST_F(RezEdit, RelocatingTakesTheMembersPlaceInChainAndTagList) {
  struct Case {
    uint32_t tag;
    int steps;
    Strings b;  // tag B afterwards
  };
  const Case cases[] = {
      {kA, 0, {"b1", "b2", "b3"}},   // the first tag's only member
      {kD, 0, {"b1", "b2", "b3"}},   // the last tag's only member
      {kB, 0, {"new", "b2", "b3"}},  // a head with members after it
      {kB, 1, {"b1", "new", "b3"}},
      {kB, 2, {"b1", "b2", "new"}},  // the last member: appends follow it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.tag << " " << c.steps);
    FreshWithFourTags();
    const size_t size = BytesOf(file_).size();
    Go(c.tag, c.steps);
    const uint32_t old = file_.current.position;
    ASSERT_EQ(REZ_RelocateData(&file_, 3, "new"), REZ_OK);
    // Without a transaction the new member goes to the end; the old one's bytes stay.
    EXPECT_EQ(file_.current.position, size);
    EXPECT_EQ(Current(), "new");
    EXPECT_EQ(HeaderAt(BytesOf(file_), old).position, old);
    Contents read = Read();
    EXPECT_EQ(read[kB], c.b);
    EXPECT_EQ(read[c.tag == kB ? kC : c.tag], (Strings{c.tag == kB ? "c1" : "new"}));
    EXPECT_EQ(TagOrder(BytesOf(file_)), (Tags{kA, kB, kC, kD}));
    Add(c.tag, "tail");
    EXPECT_EQ(Read()[c.tag].back(), "tail");
  }
}

TEST_F(RezEdit, BadArgumentsAreRefusedWithoutAWrite) {
  Add(kA, "abc");
  const std::vector<uint8_t> before = BytesOf(file_);
  EXPECT_EQ(REZ_AddData(&file_, 0xFFFFFFFF, 1, "x"), REZ_ERR_ARGUMENT);
  EXPECT_EQ(REZ_AddData(&file_, kA, 1, nullptr), REZ_ERR_ARGUMENT);
  Go(kA);
  EXPECT_EQ(REZ_ReplaceData(&file_, 2, "xy"), REZ_ERR_ARGUMENT);  // needs the exact length
  EXPECT_EQ(REZ_ReplaceData(&file_, 4, "wxyz"), REZ_ERR_ARGUMENT);
  EXPECT_EQ(BytesOf(file_), before);
  EXPECT_EQ(REZ_ReplaceData(&file_, 3, "xyz"), REZ_OK);
  EXPECT_EQ(Read()[kA], (Strings{"xyz"}));
  EXPECT_EQ(BytesOf(file_).size(), before.size());
}

TEST(RezEditReadOnly, EveryEditIsRefusedAndTheFileUnchanged) {
  kdx_test::TempDir dir;
  std::string path = dir.File("ro.kdx");
  REZ_FILE file;
  ASSERT_EQ(REZ_Create(path.c_str(), &file), REZ_OK);
  ASSERT_EQ(REZ_AddData(&file, kA, 2, "a1"), REZ_OK);
  ASSERT_EQ(REZ_Close(&file), 0);
  std::vector<uint8_t> before = kdx_test::ReadAll(path);
  ASSERT_EQ(REZ_Open(path.c_str(), 1, &file), REZ_OK);
  ASSERT_EQ(REZ_FirstMember(&file, kA), REZ_OK);
  EXPECT_EQ(REZ_AddData(&file, kA, 2, "a2"), REZ_ERR_READ_ONLY);
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
  stream->fakeSize_ = 0;
  EXPECT_EQ(ReadContents(stream->bytes()).value()[kA], (Strings{"a1"}));
}

// Runs edit on a copy of base whose Nth write fails, for every N until the
// edit needs no more writes. After each failure the file must still walk, and
// every member it held before must still be there with its data, apart from
// what the edit itself was removing.
void ForEveryFailingWrite(const std::function<int32_t(REZ_FILE*)>& edit,
                          const std::function<void(const Contents&, bool)>& check) {
  REZ_FILE seed;
  ASSERT_EQ(REZ_CreateStream(std::make_unique<MemoryRezStream>(), &seed), REZ_OK);
  for (auto [tag, s] : std::vector<std::pair<uint32_t, std::string>>{
           {kA, "a1"}, {kB, "b1"}, {kA, "a2"}, {kC, "c1"}, {kA, "a3"}}) {
    ASSERT_EQ(REZ_AddData(&seed, tag, s.size(), s.data()), REZ_OK);
  }
  for (bool shortWrite : {false, true}) {
    for (int failAt = 1;; ++failAt) {
      auto failing = std::make_unique<FailingStream>(
          std::make_unique<MemoryRezStream>(BytesOf(seed)), failAt, shortWrite);
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

// Appends and removals on A {a1, a2, a3}, B {b1}, C {c1}: after a failed
// write every other chain is intact, and the edited one holds its old
// members, or the edited ones when the edit may have taken effect (a removal
// that failed after unlinking), but a failed append is never linked.
TEST(RezEditFaults, AFailedEditLosesNothingElse) {
  const uint32_t kNew = REZ_MakeTag("NEW!");
  const Contents base = {{kA, {"a1", "a2", "a3"}}, {kB, {"b1"}}, {kC, {"c1"}}, {kNew, {}}};
  struct Edit {
    uint32_t tag;
    int steps;
    char op;  // 'a'ppend, 'r'emove or re'l'ocate the current member
  };
  for (Edit e : {Edit{kA, 0, 'a'}, Edit{kB, 0, 'a'}, Edit{kNew, 0, 'a'}, Edit{kA, 0, 'r'},
                 Edit{kA, 1, 'r'}, Edit{kA, 2, 'r'}, Edit{kB, 0, 'r'}, Edit{kA, 0, 'l'},
                 Edit{kA, 1, 'l'}, Edit{kA, 2, 'l'}, Edit{kB, 0, 'l'}}) {
    SCOPED_TRACE(testing::Message() << e.op << " " << e.tag << " " << e.steps);
    Strings edited = base.at(e.tag);
    if (e.op == 'a') {
      edited.push_back("new");
    } else if (e.op == 'l') {
      edited[static_cast<size_t>(e.steps)] = "new";
    } else {
      edited.erase(edited.begin() + e.steps);
    }
    ForEveryFailingWrite(
        [e](REZ_FILE* f) {
          if (e.op == 'a') return REZ_AddData(f, e.tag, 3, "new");
          EXPECT_EQ(REZ_FirstMember(f, e.tag), REZ_OK);
          for (int i = 0; i < e.steps; ++i) EXPECT_EQ(REZ_NextMember(f), REZ_OK);
          return e.op == 'l' ? REZ_RelocateData(f, 3, "new") : REZ_RemoveData(f);
        },
        [&](const Contents& c, bool ok) {
          for (const auto& [tag, before] : base) {
            const Strings got = c.count(tag) ? c.at(tag) : Strings{};
            if (tag != e.tag) {
              EXPECT_EQ(got, before);
            } else if (ok) {
              EXPECT_EQ(got, edited);
            } else if (e.op == 'a') {
              EXPECT_EQ(got, before);
            } else {
              EXPECT_TRUE(got == before || got == edited) << got.size();
            }
          }
        });
  }
}

}  // namespace
