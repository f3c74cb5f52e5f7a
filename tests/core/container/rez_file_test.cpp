// Layout, opening and navigation of containers, checked against raw bytes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/container/rez.h"
#include "core/container/rez_handle.h"
#include "core/container/rez_test_util.h"
#include "support/test_support.h"

using namespace rez_test;
using kdx_test::ReadAll;
using kdx_test::TempDir;
using kdx_test::WriteAll;

namespace {

constexpr uint32_t kEnvi = REZ_MakeTag("ENVI");
constexpr uint32_t kNone = 0xFFFFFFFF;
using Words = std::vector<uint32_t>;

// The bytes of a container made on disk, holding data under ENVI unless null.
std::vector<uint8_t> ContainerBytes(const TempDir& dir, const char* data = nullptr) {
  std::string path = dir.File(data ? "member.kdx" : "fresh.kdx");
  REZ_FILE file;
  EXPECT_EQ(REZ_Create(path.c_str(), &file), REZ_OK);
  if (data) {
    EXPECT_EQ(REZ_AddData(&file, kEnvi, std::strlen(data), data), REZ_OK);
  }
  EXPECT_EQ(REZ_Close(&file), 0);
  return ReadAll(path);
}

// The seven header fields at at.
Words HeaderWords(const std::vector<uint8_t>& b, size_t at) {
  Words out;
  for (size_t i = 0; i < 7; ++i) out.push_back(Le32(b, at + 4 * i));
  return out;
}

TEST(RezLayout, FreshContainerAndItsFirstMemberLinkedFromTheRoot) {
  TempDir dir;
  std::vector<uint8_t> b = ContainerBytes(dir);
  ASSERT_EQ(b.size(), 548u);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 6), std::string("REZ\0\2\0", 6));  // version 2, LE
  for (size_t i = 6; i < 512; ++i) ASSERT_EQ(b[i], 0) << "header byte " << i;
  EXPECT_EQ(HeaderWords(b, 512), (Words{kNone, 0, 512, kNone, kNone, kNone, kNone}));
  for (size_t i = 540; i < 548; ++i) EXPECT_EQ(b[i], 0) << "reserved byte " << i;

  b = ContainerBytes(dir, "hello");
  ASSERT_EQ(b.size(), 548u + 36 + 5);
  EXPECT_EQ(HeaderAt(b, 512).nextTag, 548u);
  EXPECT_EQ(HeaderWords(b, 548), (Words{kEnvi, 5, 548, kNone, kNone, 512, kNone}));
  // Tags are stored little-endian, so their bytes read backwards.
  EXPECT_EQ(std::string(b.begin() + 548, b.begin() + 552), "IVNE");
  EXPECT_EQ(std::string(b.begin() + 584, b.end()), "hello");
}

TEST(RezOpen, RefusesWhatIsNotAContainerButNotItsUncheckedBytes) {
  TempDir dir;
  const std::vector<uint8_t> good = ContainerBytes(dir);
  auto open = [&](std::vector<uint8_t> b, size_t at, uint8_t value, int32_t mode = 1) {
    b[at] = value;
    WriteAll(dir.File("v.kdx"), b);
    REZ_FILE file;
    int32_t status = REZ_Open(dir.File("v.kdx").c_str(), mode, &file);
    EXPECT_EQ(file.stream == nullptr, status != REZ_OK);
    return status;
  };
  EXPECT_EQ(open(good, 4, 1), REZ_ERR_ARGUMENT);  // version
  EXPECT_EQ(open(good, 4, 3), REZ_ERR_ARGUMENT);
  EXPECT_EQ(open(good, 1, 'X', 0), REZ_ERR_ARGUMENT);  // magic
  EXPECT_EQ(open(good, 3, 7), REZ_OK);
  EXPECT_EQ(open(good, 100, 0x55), REZ_OK);
  EXPECT_EQ(open(std::vector<uint8_t>(good.begin(), good.begin() + 511), 0, 'R'), REZ_ERR_IO);

  REZ_FILE file;
  EXPECT_EQ(REZ_Open(dir.File("absent.kdx").c_str(), 1, &file), REZ_ERR_ARGUMENT);
  EXPECT_EQ(REZ_Open(dir.File("fresh.kdx").c_str(), 2, &file), REZ_ERR_ARGUMENT);
  EXPECT_EQ(REZ_Open(dir.path().c_str(), 1, &file), REZ_ERR_ARGUMENT);
}

TEST(RezCreate, NeverTouchesAnExistingFile) {
  TempDir dir;
  std::string path = dir.File("exists.kdx");
  WriteAll(path, std::string("precious"));
  REZ_FILE file;
  EXPECT_EQ(REZ_Create(path.c_str(), &file), REZ_ERR_ARGUMENT);
  EXPECT_EQ(ReadAll(path), Bytes("precious"));
  // Also when the file cannot be read (permissions do not stop root, so mode 0
  // stands in here only for the non-root case).
  chmod(path.c_str(), 0);
  EXPECT_EQ(REZ_Create(path.c_str(), &file), REZ_ERR_ARGUMENT);
  chmod(path.c_str(), 0600);
  EXPECT_EQ(ReadAll(path), Bytes("precious"));
}

// A container with tags A (members a1, a2, a3) and B (member b1).
class RezNavigation : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(REZ_CreateStream(std::make_unique<MemoryRezStream>(), &file_), REZ_OK);
    for (auto [tag, s] : {std::pair{kA, "a1"}, {kB, "b1"}, {kA, "a2"}, {kA, "a3"}}) {
      ASSERT_EQ(REZ_AddData(&file_, tag, 2, s), REZ_OK);
    }
  }
  std::string Current() {
    char buf[16] = {};
    EXPECT_EQ(REZ_GetData(&file_, sizeof buf, buf), REZ_OK);
    return std::string(buf, static_cast<size_t>(REZ_GetDataLength(&file_)));
  }
  static constexpr uint32_t kA = REZ_MakeTag("AAAA");
  static constexpr uint32_t kB = REZ_MakeTag("BBBB");
  REZ_FILE file_;
};

TEST_F(RezNavigation, StepsThroughMembersAndStopsAtTheEnds) {
  EXPECT_EQ(REZ_NextMember(&file_), REZ_ERR_NO_CURRENT);
  EXPECT_EQ(REZ_GetDataLength(&file_), -1);
  ASSERT_EQ(REZ_FirstMember(&file_, kA), REZ_OK);
  EXPECT_EQ(Current(), "a1");
  ASSERT_EQ(REZ_NextMember(&file_), REZ_OK);
  ASSERT_EQ(REZ_NextMember(&file_), REZ_OK);
  EXPECT_EQ(Current(), "a3");
  EXPECT_EQ(REZ_NextMember(&file_), REZ_ERR_NO_MEMBER);
  EXPECT_EQ(Current(), "a3");
}

TEST_F(RezNavigation, StepsThroughTagsFromAnyMemberAndFindsThem) {
  ASSERT_EQ(REZ_FirstTag(&file_), REZ_OK);
  EXPECT_EQ(file_.current.tag, kA);
  ASSERT_EQ(REZ_NextMember(&file_), REZ_OK);  // a2, not a head
  ASSERT_EQ(REZ_NextTag(&file_), REZ_OK);
  EXPECT_EQ(Current(), "b1");
  EXPECT_EQ(REZ_NextTag(&file_), REZ_ERR_NO_TAG);
  EXPECT_EQ(file_.current.tag, kB);

  EXPECT_EQ(REZ_FirstMember(&file_, REZ_MakeTag("NONE")), REZ_ERR_NO_TAG);
  EXPECT_EQ(REZ_FirstMember(&file_, kNone), REZ_ERR_ARGUMENT);  // the root's tag
  ASSERT_EQ(REZ_FirstMember(&file_, kB), REZ_OK);
  EXPECT_EQ(Current(), "b1");
}

TEST_F(RezNavigation, ReadsStayInsideTheMemberAndTheBuffer) {
  ASSERT_EQ(REZ_FirstMember(&file_, kB), REZ_OK);
  char buf[2] = {'x', 'x'};
  EXPECT_EQ(REZ_GetData(&file_, 1, buf), REZ_ERR_ARGUMENT);
  EXPECT_EQ(buf[0], 'x');
  EXPECT_EQ(REZ_GetData(&file_, 2, buf), REZ_OK);  // exactly large enough
  EXPECT_EQ(REZ_GetSubdata(&file_, 1, 1, buf), REZ_OK);
  EXPECT_EQ(buf[0], '1');
  EXPECT_EQ(REZ_GetSubdata(&file_, 2, 1, buf), REZ_ERR_ARGUMENT);
  EXPECT_EQ(REZ_GetSubdata(&file_, 1, 2, buf), REZ_ERR_ARGUMENT);
  // Offsets whose sum with the count wraps around must not pass the check.
  EXPECT_EQ(REZ_GetSubdata(&file_, UINT64_MAX, 2, buf), REZ_ERR_ARGUMENT);
  EXPECT_EQ(REZ_GetSubdata(&file_, 0xFFFFFFFFu, 3, buf), REZ_ERR_ARGUMENT);
}

// Counts what the container asks of the stream underneath at close; its flush
// can be made to fail, as fdatasync does after a write was lost.
class WatchedStream : public FailingStream {
 public:
  struct Counts {
    int syncs = 0;
    int closes = 0;
    bool failSync = false;
  };
  WatchedStream(std::unique_ptr<RezStream> inner, Counts* counts)
      : FailingStream(std::move(inner), 0), counts_(counts) {}
  bool Sync() override {
    ++counts_->syncs;
    return !counts_->failSync && FailingStream::Sync();
  }
  bool Close() override {
    ++counts_->closes;
    return FailingStream::Close();
  }

 private:
  Counts* counts_;
};

TEST(RezClose, AFailedFlushIsReportedAndClosingAgainIsHarmless) {
  WatchedStream::Counts counts;
  counts.failSync = true;
  REZ_FILE file;
  ASSERT_EQ(
      REZ_CreateStream(
          std::make_unique<WatchedStream>(std::make_unique<MemoryRezStream>(), &counts), &file),
      REZ_OK);
  EXPECT_EQ(REZ_Close(&file), -1);
  EXPECT_EQ(counts.closes, 1);  // closed all the same
  EXPECT_EQ(REZ_Close(&file), 0);
  EXPECT_EQ(REZ_Close(nullptr), 0);
  EXPECT_EQ(REZ_FirstTag(&file), REZ_ERR_ARGUMENT);
  EXPECT_EQ(counts.closes, 1);
}

TEST(RezFileHandle, FlushesAndClosesOnEveryPathAndShowsAFailedFlushToAWriter) {
  TempDir dir;
  const std::string path = dir.File("handle.kdx");
  WatchedStream::Counts counts;
  RezSetStreamWrapperForTesting([&](std::unique_ptr<RezStream> inner) {
    return std::make_unique<WatchedStream>(std::move(inner), &counts);
  });
  {
    RezFileHandle file;
    ASSERT_EQ(file.Create(path.c_str()), REZ_OK);
    ASSERT_EQ(REZ_AddData(file.get(), kEnvi, 2, "hi"), REZ_OK);
  }  // left without a Close: the written bytes are still flushed
  EXPECT_EQ(counts.syncs, 1);
  EXPECT_EQ(counts.closes, 1);

  RezFileHandle file;
  EXPECT_EQ(file.Close(), REZ_OK);  // nothing open
  ASSERT_EQ(file.Open(path.c_str(), 0), REZ_OK);
  ASSERT_EQ(REZ_AddData(file.get(), kEnvi, 2, "ho"), REZ_OK);
  counts.failSync = true;
  EXPECT_EQ(file.Close(), REZ_ERR_IO);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(counts.closes, 2);
  RezSetStreamWrapperForTesting(nullptr);
}

}  // namespace
