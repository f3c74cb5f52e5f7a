// Layout, opening and navigation of containers, checked against raw bytes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/container/rez.h"
#include "core/container/rez_test_util.h"
#include "support/test_support.h"

using namespace rez_test;
using kdx_test::ReadAll;
using kdx_test::TempDir;
using kdx_test::WriteAll;

namespace {

constexpr uint32_t kEnvi = REZ_MakeTag("ENVI");
constexpr uint32_t kIdco = REZ_MakeTag("IDCO");

std::vector<uint8_t> FreshContainerBytes(const TempDir& dir) {
  std::string path = dir.File("fresh.kdx");
  REZ_FILE file;
  EXPECT_EQ(REZ_Create(path.c_str(), &file), REZ_OK);
  EXPECT_EQ(REZ_Close(&file), 0);
  return ReadAll(path);
}

TEST(RezLayout, FreshContainerIsHeaderAndRootOnly) {
  TempDir dir;
  std::vector<uint8_t> b = FreshContainerBytes(dir);
  ASSERT_EQ(b.size(), 548u);
  EXPECT_EQ(b[0], 'R');
  EXPECT_EQ(b[1], 'E');
  EXPECT_EQ(b[2], 'Z');
  EXPECT_EQ(b[3], 0);
  EXPECT_EQ(b[4], 2);  // version 2, little-endian
  EXPECT_EQ(b[5], 0);
  for (size_t i = 6; i < 512; ++i) ASSERT_EQ(b[i], 0) << "header byte " << i;
  RawHeader root = HeaderAt(b, 512);
  EXPECT_EQ(root.tag, 0xFFFFFFFFu);
  EXPECT_EQ(root.dataLength, 0u);
  EXPECT_EQ(root.position, 512u);
  EXPECT_EQ(root.prevMember, 0xFFFFFFFFu);
  EXPECT_EQ(root.nextMember, 0xFFFFFFFFu);
  EXPECT_EQ(root.prevTag, 0xFFFFFFFFu);
  EXPECT_EQ(root.nextTag, 0xFFFFFFFFu);
  for (size_t i = 540; i < 548; ++i) EXPECT_EQ(b[i], 0) << "reserved byte " << i;
}

TEST(RezLayout, TagsAreStoredLittleEndianSoTheirBytesReadBackwards) {
  EXPECT_EQ(REZ_MakeTag("ENVI"), 0x454E5649u);
  TempDir dir;
  std::string path = dir.File("t.kdx");
  REZ_FILE file;
  ASSERT_EQ(REZ_Create(path.c_str(), &file), REZ_OK);
  ASSERT_EQ(REZ_AddData(&file, kIdco, 3, "abc"), REZ_OK);
  ASSERT_EQ(REZ_Close(&file), 0);
  std::vector<uint8_t> b = ReadAll(path);
  ASSERT_EQ(b.size(), 548u + 36 + 3);
  EXPECT_EQ(std::string(b.begin() + 548, b.begin() + 552), "OCDI");
}

TEST(RezLayout, FirstMemberOfNewTagLinksFromRoot) {
  TempDir dir;
  std::string path = dir.File("t.kdx");
  REZ_FILE file;
  ASSERT_EQ(REZ_Create(path.c_str(), &file), REZ_OK);
  ASSERT_EQ(REZ_AddData(&file, kEnvi, 5, "hello"), REZ_OK);
  ASSERT_EQ(REZ_Close(&file), 0);
  std::vector<uint8_t> b = ReadAll(path);
  ASSERT_EQ(b.size(), 548u + 36 + 5);
  EXPECT_EQ(HeaderAt(b, 512).nextTag, 548u);
  RawHeader h = HeaderAt(b, 548);
  EXPECT_EQ(h.tag, kEnvi);
  EXPECT_EQ(h.dataLength, 5u);
  EXPECT_EQ(h.position, 548u);
  EXPECT_EQ(h.prevMember, 0xFFFFFFFFu);
  EXPECT_EQ(h.nextMember, 0xFFFFFFFFu);
  EXPECT_EQ(h.prevTag, 512u);
  EXPECT_EQ(h.nextTag, 0xFFFFFFFFu);
  EXPECT_EQ(std::string(b.begin() + 584, b.end()), "hello");
}

TEST(RezOpen, RefusesWhatIsNotAContainer) {
  TempDir dir;
  std::vector<uint8_t> good = FreshContainerBytes(dir);
  REZ_FILE file;

  for (uint8_t version : {1, 3}) {
    std::vector<uint8_t> b = good;
    b[4] = version;
    WriteAll(dir.File("v.kdx"), b);
    EXPECT_EQ(REZ_Open(dir.File("v.kdx").c_str(), 1, &file), REZ_ERR_ARGUMENT);
    EXPECT_EQ(file.stream, nullptr);
  }
  std::vector<uint8_t> magic = good;
  magic[1] = 'X';
  WriteAll(dir.File("m.kdx"), magic);
  EXPECT_EQ(REZ_Open(dir.File("m.kdx").c_str(), 0, &file), REZ_ERR_ARGUMENT);

  WriteAll(dir.File("short.kdx"), std::vector<uint8_t>(good.begin(), good.begin() + 511));
  EXPECT_EQ(REZ_Open(dir.File("short.kdx").c_str(), 1, &file), REZ_ERR_IO);

  EXPECT_EQ(REZ_Open(dir.File("absent.kdx").c_str(), 1, &file), REZ_ERR_ARGUMENT);
  EXPECT_EQ(REZ_Open(dir.File("fresh.kdx").c_str(), 2, &file), REZ_ERR_ARGUMENT);
  EXPECT_EQ(REZ_Open(dir.path().c_str(), 1, &file), REZ_ERR_ARGUMENT);
}

TEST(RezOpen, ByteThreeAndTheRestOfTheHeaderAreNotChecked) {
  TempDir dir;
  std::vector<uint8_t> b = FreshContainerBytes(dir);
  b[3] = 7;
  b[100] = 0x55;
  WriteAll(dir.File("odd.kdx"), b);
  REZ_FILE file;
  EXPECT_EQ(REZ_Open(dir.File("odd.kdx").c_str(), 1, &file), REZ_OK);
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
    ASSERT_EQ(REZ_AddData(&file_, kA, 2, "a1"), REZ_OK);
    ASSERT_EQ(REZ_AddData(&file_, kB, 2, "b1"), REZ_OK);
    ASSERT_EQ(REZ_AddData(&file_, kA, 2, "a2"), REZ_OK);
    ASSERT_EQ(REZ_AddData(&file_, kA, 2, "a3"), REZ_OK);
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
  EXPECT_EQ(REZ_PreviousMember(&file_), REZ_ERR_NO_MEMBER);
  EXPECT_EQ(Current(), "a1");
  ASSERT_EQ(REZ_NextMember(&file_), REZ_OK);
  ASSERT_EQ(REZ_NextMember(&file_), REZ_OK);
  EXPECT_EQ(Current(), "a3");
  EXPECT_EQ(REZ_NextMember(&file_), REZ_ERR_NO_MEMBER);
  EXPECT_EQ(Current(), "a3");
  ASSERT_EQ(REZ_PreviousMember(&file_), REZ_OK);
  EXPECT_EQ(Current(), "a2");
}

TEST_F(RezNavigation, StepsThroughTagsFromAnyMember) {
  ASSERT_EQ(REZ_FirstTag(&file_), REZ_OK);
  EXPECT_EQ(file_.current.tag, kA);
  EXPECT_EQ(REZ_PreviousTag(&file_), REZ_ERR_NO_TAG);
  EXPECT_EQ(file_.current.tag, kA);
  ASSERT_EQ(REZ_NextMember(&file_), REZ_OK);  // a2, not a head
  ASSERT_EQ(REZ_NextTag(&file_), REZ_OK);
  EXPECT_EQ(file_.current.tag, kB);
  EXPECT_EQ(REZ_NextTag(&file_), REZ_ERR_NO_TAG);
  EXPECT_EQ(file_.current.tag, kB);
  ASSERT_EQ(REZ_PreviousTag(&file_), REZ_OK);
  EXPECT_EQ(Current(), "a1");
}

TEST_F(RezNavigation, FindsTagsAndRefusesTheRootTag) {
  EXPECT_EQ(REZ_FirstMember(&file_, REZ_MakeTag("NONE")), REZ_ERR_NO_TAG);
  EXPECT_EQ(REZ_FirstMember(&file_, 0xFFFFFFFF), REZ_ERR_ARGUMENT);
  ASSERT_EQ(REZ_FirstMember(&file_, kB), REZ_OK);
  EXPECT_EQ(Current(), "b1");
}

TEST_F(RezNavigation, ReadsWholeDataOnlyIntoABufferLargeEnough) {
  ASSERT_EQ(REZ_FirstMember(&file_, kB), REZ_OK);
  char buf[2] = {'x', 'x'};
  EXPECT_EQ(REZ_GetData(&file_, 1, buf), REZ_ERR_ARGUMENT);
  EXPECT_EQ(buf[0], 'x');
  EXPECT_EQ(REZ_GetData(&file_, 2, buf), REZ_OK);
  EXPECT_EQ(buf[0], 'b');
}

TEST_F(RezNavigation, SubdataStaysInsideTheMember) {
  ASSERT_EQ(REZ_FirstMember(&file_, kB), REZ_OK);
  char c = 0;
  EXPECT_EQ(REZ_GetSubdata(&file_, 1, 1, &c), REZ_OK);
  EXPECT_EQ(c, '1');
  EXPECT_EQ(REZ_GetSubdata(&file_, 2, 1, &c), REZ_ERR_ARGUMENT);
  EXPECT_EQ(REZ_GetSubdata(&file_, 1, 2, &c), REZ_ERR_ARGUMENT);
  // Offsets whose sum with the count wraps around must not pass the check.
  EXPECT_EQ(REZ_GetSubdata(&file_, UINT64_MAX, 2, &c), REZ_ERR_ARGUMENT);
  EXPECT_EQ(REZ_GetSubdata(&file_, 0xFFFFFFFFu, 3, &c), REZ_ERR_ARGUMENT);
}

TEST(RezClose, ClosingTwiceOrWithoutAStreamIsHarmless) {
  REZ_FILE file;
  EXPECT_EQ(REZ_Close(&file), 0);
  EXPECT_EQ(REZ_Close(nullptr), 0);
  ASSERT_EQ(REZ_CreateStream(std::make_unique<MemoryRezStream>(), &file), REZ_OK);
  EXPECT_EQ(REZ_Close(&file), 0);
  EXPECT_EQ(REZ_Close(&file), 0);
  EXPECT_EQ(REZ_FirstTag(&file), REZ_ERR_ARGUMENT);
}

}  // namespace
