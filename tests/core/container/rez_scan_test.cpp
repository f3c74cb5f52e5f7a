// The read-only chain scan, from a memory map and from the pread window: the
// members of a tag in chain order with their data, and a walk that stops at
// any damage before reading outside the file.
#include "core/container/rez_scan.h"

#include <gtest/gtest.h>

#include "core/container/rez_test_util.h"
#include "support/test_support.h"

using namespace rez_test;
using namespace rez_test::damage;

namespace {

using Strings = std::vector<std::string>;

struct Walk {
  Strings data;
  RezScanStep last;
};

// Walks tag through a scan of bytes written to a file.
Walk ScanOf(const std::vector<uint8_t>& bytes, uint32_t tag, RezScanSource source) {
  kdx_test::TempDir dir;
  const std::string path = dir.File("scan.rez");
  kdx_test::WriteAll(path, bytes);
  RezChainScan scan;
  Walk walk{{}, RezScanStep::kEnd};
  EXPECT_EQ(scan.Open(path.c_str(), source), REZ_OK);
  EXPECT_EQ(scan.Start(tag), REZ_OK);
  RezScanMember member;
  while ((walk.last = scan.Next(&member)) == RezScanStep::kMember) {
    walk.data.emplace_back(member.data.begin(), member.data.end());
  }
  // A walk once over stays over.
  EXPECT_EQ(scan.Next(&member), RezScanStep::kEnd);
  return walk;
}

class RezScan : public testing::TestWithParam<RezScanSource> {};

TEST_P(RezScan, HandsOutTheMembersOfOneTagInChainOrder) {
  std::vector<uint8_t> bytes = Base();
  // Members far larger than the pread window, and one after them.
  REZ_FILE file;
  ASSERT_EQ(REZ_OpenStream(std::make_unique<MemoryRezStream>(bytes), 0, &file), REZ_OK);
  const std::string big(5u << 20, 'x');
  ASSERT_EQ(REZ_AddData(&file, kB, big.size(), big.data()), REZ_OK);
  ASSERT_EQ(REZ_AddData(&file, kB, 4, "b3b3"), REZ_OK);
  bytes = static_cast<MemoryRezStream*>(file.stream.get())->bytes();

  EXPECT_EQ(ScanOf(bytes, kA, GetParam()).data, (Strings{"a1a1", "a2a2", "a3a3"}));
  const Walk b = ScanOf(bytes, kB, GetParam());
  EXPECT_EQ(b.data, (Strings{"b1b1", big, "b3b3"}));
  EXPECT_EQ(b.last, RezScanStep::kEnd);

  kdx_test::TempDir dir;
  kdx_test::WriteAll(dir.File("f"), bytes);
  RezChainScan scan;
  ASSERT_EQ(scan.Open(dir.File("f").c_str(), GetParam()), REZ_OK);
  EXPECT_EQ(scan.FileSize(), bytes.size());
  EXPECT_EQ(scan.Start(REZ_MakeTag("NONE")), REZ_ERR_NO_TAG);
  kdx_test::WriteAll(dir.File("g"), std::string(600, 'x'));
  EXPECT_NE(scan.Open(dir.File("g").c_str(), GetParam()), REZ_OK);
  EXPECT_NE(scan.Open(dir.File("absent").c_str(), GetParam()), REZ_OK);
}

TEST_P(RezScan, EveryDamagedChainEndsBrokenAfterTheMembersBeforeTheDamage) {
  const Strings members = {"a1a1", "a2a2", "a3a3"};
  for (const ChainCase& c : kChainCases) {
    SCOPED_TRACE(c.what);
    const Walk walk = ScanOf(Damaged(c.at, c.value), kA, GetParam());
    EXPECT_EQ(walk.last, RezScanStep::kBroken);
    EXPECT_EQ(walk.data, Strings(members.begin(), members.begin() + c.reached));
  }
}

TEST_P(RezScan, ATruncatedMemberEndsTheWalkBeforeIt) {
  for (uint32_t end : {kA3 + 20, kA3 + kRezHeaderSize + 2}) {  // in a3's header, in its data
    SCOPED_TRACE(end);
    std::vector<uint8_t> bytes = Base();
    bytes.resize(end);
    const Walk walk = ScanOf(bytes, kA, GetParam());
    EXPECT_EQ(walk.last, RezScanStep::kBroken);
    EXPECT_EQ(walk.data, (Strings{"a1a1", "a2a2"}));
  }
}

INSTANTIATE_TEST_SUITE_P(Sources, RezScan,
                         testing::Values(RezScanSource::kMap, RezScanSource::kChunks));

}  // namespace
