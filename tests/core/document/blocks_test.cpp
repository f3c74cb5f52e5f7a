// Data block containers: layouts read back from raw bytes, the growing save
// under injected write failures, damaged sizes, and the block index kept in
// step with our own and other handles' edits.
#include "core/document/blocks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/container/rez_test_util.h"
#include "core/document/block_index.h"
#include "core/document/kdx_data.h"
#include "core/document/records.h"
#include "core/util/vell_ary.h"
#include "support/test_support.h"

using rez_test::HeaderAt;
using rez_test::Le32;
using rez_test::Members;
using rez_test::PutLe32;

namespace {

using SaveFn = int32_t (*)(KDX_DATA*, int32_t, int32_t, int32_t, const void*);

struct KindCase {
  SaveFn save;
  uint32_t tag;
  KdxBlockKind kind;
  uint8_t fill;
};
const KindCase kKinds[] = {{BO_Save, kKdxTagBORB, KdxBlockKind::kBody, 0x42},
                           {TX_Save, kKdxTagTEXT, KdxBlockKind::kText, 0x42},
                           {NO_Save, kKdxTagNORB, KdxBlockKind::kNote, 0x43}};

// Counts reads, to show that a lookup does not walk the chain.
class CountingStream : public rez_test::FailingStream {
 public:
  CountingStream(std::unique_ptr<RezStream> inner, int* reads)
      : FailingStream(std::move(inner), 0), reads_(reads) {}
  bool ReadAt(uint64_t pos, void* buffer, size_t count) override {
    ++*reads_;
    return FailingStream::ReadAt(pos, buffer, count);
  }

 private:
  int* reads_;
};

class Blocks : public ::testing::Test {
 protected:
  void SetUp() override {
    block_index::ClearForTesting();
    Use(dir_.File("doc.kdx"));
  }
  void TearDown() override { RezSetStreamWrapperForTesting(nullptr); }

  void Use(const std::string& path) {
    path_ = path;
    data_.kdxFilePath = path;
    data_.idCounterAry = counters_.get();
    if (!std::filesystem::exists(path)) {
      REZ_FILE file;
      ASSERT_EQ(REZ_Create(path.c_str(), &file), REZ_OK);
      ASSERT_EQ(REZ_Close(&file), REZ_OK);
    }
  }
  std::string Load(KdxBlockKind kind, int32_t entryId) {
    std::vector<uint8_t> out;
    int32_t status = KDX_LoadBlockData(path_.c_str(), kind, entryId, out);
    if (status != 0) return "<" + std::to_string(status) + ">";
    return std::string(out.begin(), out.end());
  }
  int32_t SaveBody(int32_t entryId, const std::string& text, int32_t expand = 128) {
    return BO_Save(&data_, entryId, expand, static_cast<int32_t>(text.size()), text.data());
  }

  kdx_test::TempDir dir_;
  std::string path_;
  VellAryPtr counters_{Vell_Ary_Init(kKdxIdCounterSize, 0, 0)};
  KDX_DATA data_{};
};

const std::string kMissing = "<" + std::to_string(kKdxBlockMissing) + ">";
const std::string kDamaged = "<" + std::to_string(kKdxBlockDamaged) + ">";

TEST_F(Blocks, SaveFitsInPlaceThenGrowsAppendingFirstAndWipingTheOld) {
  for (const KindCase& k : kKinds) {
    SCOPED_TRACE(k.tag);
    const std::vector<uint8_t> body(1013, 'b');
    ASSERT_EQ(k.save(&data_, 9, 1024, 100, body.data()), 0);
    auto b = kdx_test::ReadAll(path_);
    const uint32_t old = Members(b, k.tag).at(0);
    EXPECT_EQ(HeaderAt(b, old).dataLength, 1024u);
    const uint32_t cid = Le32(b, old + 36);
    EXPECT_EQ(Le32(b, old + 40), 9u);
    EXPECT_EQ(Le32(b, old + 44), 100u);
    EXPECT_TRUE(std::all_of(b.begin() + old + 36 + 112, b.begin() + old + 36 + 1024,
                            [](uint8_t c) { return c == 0; }));

    const size_t fileSize = b.size();
    ASSERT_EQ(k.save(&data_, 9, 1024, 1012, body.data()), 0);  // fills the member exactly
    b = kdx_test::ReadAll(path_);
    EXPECT_EQ(b.size(), fileSize);
    EXPECT_EQ(Le32(b, old + 36), cid);
    EXPECT_EQ(Le32(b, old + 44), 1012u);

    ASSERT_EQ(k.save(&data_, 9, 1024, 1013, body.data()), 0);
    b = kdx_test::ReadAll(path_);
    const auto chain = rez_test::ReadContents(b);
    ASSERT_TRUE(chain.has_value());
    ASSERT_EQ(chain->at(k.tag).size(), 1u);
    const std::string& grown = chain->at(k.tag)[0];
    EXPECT_EQ(grown.size(), 2048u);
    EXPECT_NE(Le32(rez_test::Bytes(grown), 0), cid);
    EXPECT_EQ(Le32(b, old + 36), cid);  // the unlinked member: head kept, data wiped
    EXPECT_EQ(Le32(b, old + 40), 9u);
    EXPECT_EQ(Le32(b, old + 44), 1012u);
    EXPECT_TRUE(std::all_of(b.begin() + old + 48, b.begin() + old + 36 + 1024,
                            [&](uint8_t c) { return c == k.fill; }));
    EXPECT_EQ(Load(k.kind, 9), std::string(1013, 'b'));
  }
}

TEST_F(Blocks, DamagedStoredSizesAreRefusedNotReadPastTheMember) {
  ASSERT_EQ(BO_CreateNewContainer(path_.c_str(), 64, 1, 2, 5, "hello"), 0);
  ASSERT_EQ(TX_CreateNewContainer(path_.c_str(), 64, 1, 2, 5, "world"), 0);  // the neighbour
  auto b = kdx_test::ReadAll(path_);
  const uint32_t at = Members(b, kKdxTagBORB).at(0) + 36 + 8;
  for (uint32_t stored : {0xFFFFFFFBu, 53u, 0x7FFFFFFFu}) {
    SCOPED_TRACE(stored);
    PutLe32(b, at, stored);
    kdx_test::WriteAll(path_, b);
    EXPECT_EQ(Load(KdxBlockKind::kBody, 2), kDamaged);
  }
  PutLe32(b, at, 52);  // exactly the data area
  kdx_test::WriteAll(path_, b);
  EXPECT_EQ(Load(KdxBlockKind::kBody, 2), std::string("hello") + std::string(47, '\0'));

  ASSERT_EQ(FI_CreateNewData(path_.c_str(), 4, "icon", 4), 0);
  b = kdx_test::ReadAll(path_);
  PutLe32(b, Members(b, kKdxTagFIIC).at(0) + 36 + 4, 5);  // one byte more than the member holds
  kdx_test::WriteAll(path_, b);
  int32_t size = 0;
  char buffer[8];
  EXPECT_EQ(FI_GetDataSize(path_.c_str(), 4, &size), 0);
  EXPECT_EQ(FI_Load(path_.c_str(), 4, 5, buffer), 0);
}

// Every write of a growing save fails in turn (and with a half-written tail):
// the entry then reads as its old content, or as the new one when the save
// reported success, never as neither, and its neighbour is untouched.
TEST_F(Blocks, GrowingSaveSurvivesAFailureAtEveryWrite) {
  const std::string oldText(100, 'o'), newText(300, 'n');
  ASSERT_EQ(SaveBody(7, oldText), 0);
  ASSERT_EQ(SaveBody(8, "neighbour"), 0);
  const std::string original = path_;
  int successes = 0;
  for (bool shortWrite : {false, true}) {
    for (int failAt = 1; failAt <= 12; ++failAt) {
      SCOPED_TRACE(testing::Message() << "write " << failAt << " short " << shortWrite);
      const std::string work = dir_.File("work" + std::to_string(failAt) + (shortWrite ? "s" : ""));
      std::filesystem::copy_file(original, work);
      Use(work);
      ASSERT_EQ(Load(KdxBlockKind::kBody, 7), oldText);  // indexes the copy
      RezSetStreamWrapperForTesting([&](std::unique_ptr<RezStream> inner) {
        return std::make_unique<rez_test::FailingStream>(std::move(inner), failAt, shortWrite);
      });
      const int32_t result = SaveBody(7, newText);
      RezSetStreamWrapperForTesting(nullptr);
      EXPECT_EQ(Load(KdxBlockKind::kBody, 7), result == 0 ? newText : oldText);
      EXPECT_EQ(Load(KdxBlockKind::kBody, 8), "neighbour");
      EXPECT_TRUE(rez_test::ReadContents(kdx_test::ReadAll(path_)).has_value());
      block_index::ClearForTesting();  // the same answers from a fresh walk
      EXPECT_EQ(Load(KdxBlockKind::kBody, 7), result == 0 ? newText : oldText);
      successes += result == 0;
    }
  }
  EXPECT_GT(successes, 0);  // the loop reached past the save's last write
}

TEST_F(Blocks, IndexFollowsOurEditsAndOtherHandles) {
  for (int32_t id = 0; id < 20; ++id) ASSERT_EQ(SaveBody(id, "body" + std::to_string(id)), 0);
  ASSERT_EQ(SaveBody(5, std::string(500, 'g')), 0);  // moves to the end
  ASSERT_EQ(SaveBody(20, "late"), 0);
  ASSERT_EQ(BO_RemoveContainer(path_.c_str(), 3), 0);
  ASSERT_EQ(BO_Save(&data_, 2, 128, 0, nullptr), 0);
  for (int32_t id = 0; id <= 20; ++id) {
    SCOPED_TRACE(id);
    const std::string want = id == 3    ? kMissing
                             : id == 5  ? std::string(500, 'g')
                             : id == 2  ? ""
                             : id == 20 ? "late"
                                        : "body" + std::to_string(id);
    EXPECT_EQ(Load(KdxBlockKind::kBody, id), want);
  }

  // Another handle appends a block, unlinks one, and puts a duplicate in front.
  REZ_FILE file;
  ASSERT_EQ(REZ_Open(path_.c_str(), 0, &file), REZ_OK);
  std::vector<uint8_t> block(20);
  BO_PackingBlock_ToContainer(99, 50, 4, "ext!", block.data());
  ASSERT_EQ(REZ_AddData(&file, kKdxTagBORB, block.size(), block.data()), REZ_OK);
  ASSERT_EQ(BO_FindContainer(&file, 7), 1);
  BO_PackingBlock_ToContainer(99, 7, 4, "dup!", block.data());
  ASSERT_EQ(REZ_InsertData(&file, block.size(), block.data()), REZ_OK);
  ASSERT_EQ(REZ_Close(&file), 0);
  EXPECT_EQ(Load(KdxBlockKind::kBody, 50), "ext!");
  EXPECT_EQ(Load(KdxBlockKind::kBody, 7), "dup!");

  // An unlink leaves the size alone and may leave the mtime alone too.
  ASSERT_EQ(REZ_Open(path_.c_str(), 0, &file), REZ_OK);
  ASSERT_EQ(BO_FindContainer(&file, 9), 1);
  ASSERT_EQ(REZ_RemoveData(&file), REZ_OK);
  ASSERT_EQ(REZ_Close(&file), 0);
  EXPECT_EQ(Load(KdxBlockKind::kBody, 9), kMissing);
}

// The index hands the chain's tail to the next append. An unlinked member
// still looks like a tail, so a tail not moved back would make the next block
// hang off it, reachable only through the index.
TEST_F(Blocks, RemovingTheNewestBlockMovesTheTailBackForTheNextAppend) {
  ASSERT_EQ(SaveBody(1, "one"), 0);
  ASSERT_EQ(SaveBody(2, "two"), 0);
  ASSERT_EQ(SaveBody(3, "three"), 0);
  ASSERT_EQ(BO_RemoveContainer(path_.c_str(), 3), 0);
  ASSERT_EQ(SaveBody(4, "four"), 0);

  block_index::ClearForTesting();  // answers from a walk of the file alone
  EXPECT_EQ(Load(KdxBlockKind::kBody, 4), "four");
  EXPECT_EQ(Load(KdxBlockKind::kBody, 2), "two");
  EXPECT_EQ(Load(KdxBlockKind::kBody, 3), kMissing);
  const auto chain = rez_test::ReadContents(kdx_test::ReadAll(path_));
  ASSERT_TRUE(chain.has_value());
  EXPECT_EQ(chain->at(kKdxTagBORB).size(), 3u);
}

TEST_F(Blocks, LookupsAndInPlaceSavesDoNotWalkTheChain) {
  constexpr int32_t kEntries = 3000;
  REZ_FILE file;
  ASSERT_EQ(REZ_Open(path_.c_str(), 0, &file), REZ_OK);
  std::vector<uint8_t> block(64);
  for (int32_t id = 0; id < kEntries; ++id) {
    BO_PackingBlock_ToContainer(id, id, 4, "body", block.data());
    ASSERT_EQ(REZ_AddData(&file, kKdxTagBORB, block.size(), block.data()), REZ_OK);
  }
  ASSERT_EQ(REZ_Close(&file), 0);
  ASSERT_EQ(Load(KdxBlockKind::kBody, 0), "body");  // builds the index
  // The first new block of a session reads every block head once, to raise the
  // counters above the ids in the file; later ones do not.
  ASSERT_EQ(SaveBody(1, std::string(100, 'y')), 0);
  // A record table written meanwhile, announced as touching no block.
  const KdxBlockIndexToken token = KDX_BlockIndexBeforeOtherWrite(path_.c_str());
  ASSERT_EQ(REZ_Open(path_.c_str(), 0, &file), REZ_OK);
  ASSERT_EQ(REZ_AddData(&file, kKdxTagENTR, 8, "tablerow"), REZ_OK);
  ASSERT_EQ(REZ_Close(&file), 0);
  KDX_BlockIndexAfterOtherWrite(path_.c_str(), token);

  int reads = 0;
  RezSetStreamWrapperForTesting([&](std::unique_ptr<RezStream> inner) {
    return std::make_unique<CountingStream>(std::move(inner), &reads);
  });
  EXPECT_EQ(Load(KdxBlockKind::kBody, 2500), "body");
  EXPECT_EQ(SaveBody(2999, "longer body"), 0);
  EXPECT_EQ(SaveBody(1500, std::string(100, 'x')), 0);  // grows: appended at the end
  RezSetStreamWrapperForTesting(nullptr);
  EXPECT_LT(reads, 60);
  EXPECT_EQ(Load(KdxBlockKind::kBody, 2999), "longer body");
  EXPECT_EQ(Load(KdxBlockKind::kBody, 1500), std::string(100, 'x'));
}

TEST_F(Blocks, OrphanBlocksOfAnEntryIdAreUnlinkedAndWiped) {
  ASSERT_EQ(BO_CreateNewContainer(path_.c_str(), 64, 1, 4, 6, "SECRET"), 0);
  ASSERT_EQ(TX_CreateNewContainer(path_.c_str(), 64, 1, 4, 6, "SECRET"), 0);
  ASSERT_EQ(NO_CreateNewContainer(path_.c_str(), 64, 1, 4, 6, "SECRET"), 0);
  ASSERT_EQ(SaveBody(5, "keep"), 0);
  ASSERT_EQ(BO_CreateNewContainer(path_.c_str(), 64, 2, 4, 6, "SECRET"), 0);  // a duplicate
  EXPECT_EQ(KDX_RemoveOrphanBlocks(path_.c_str(), 4), 4);
  EXPECT_EQ(KDX_RemoveOrphanBlocks(path_.c_str(), 4), 0);
  for (const KindCase& k : kKinds) EXPECT_EQ(Load(k.kind, 4), kMissing);
  EXPECT_EQ(Load(KdxBlockKind::kBody, 5), "keep");
  const auto b = kdx_test::ReadAll(path_);
  EXPECT_EQ(std::search(b.begin(), b.end(), std::begin("SECRET"), std::end("SECRET") - 1), b.end());
}

TEST_F(Blocks, PrintInformationIsReplacedOnlyOnceTheNewBlockIsWritten) {
  EXPECT_EQ(PI_CalcNewDataContainerSize(1024, 8, 1016), 2048);
  EXPECT_EQ(PI_CalcNewDataContainerSize(1024, 8, 1015), 1024);
  EXPECT_EQ(PI_CalcNewDataContainerSize(0, 8, 2), 11);  // a step of 0 counts as 1
  EXPECT_EQ(PI_CalcNewDataContainerSize(INT32_MAX, 8, INT32_MAX),
            (int64_t{INT32_MAX} + 8) / kKdxMaxExpandSize * kKdxMaxExpandSize + kKdxMaxExpandSize);

  const char* p = path_.c_str();
  auto read = [&] {
    int32_t size = -1;
    if (PI_GetDataSize(p, 0, kKdxTagPRHD, &size) != 0) return std::string("<none>");
    std::string out(static_cast<size_t>(size), '\0');
    return PI_Load(p, 0, kKdxTagPRHD, size, out.data()) == 0 ? out : "<load>";
  };
  ASSERT_EQ(KDX_WritePrintInfo(p, kKdxTagPRHD, 32, "{\\rtf1 a}", 9), 1);
  ASSERT_EQ(KDX_WritePrintInfo(p, kKdxTagPRHD, 32, "{\\rtf1 b}", 9), 1);  // in place
  EXPECT_EQ(read(), "{\\rtf1 b}");
  const std::string longer(40, 'L');
  RezSetStreamWrapperForTesting([](std::unique_ptr<RezStream> inner) {
    return std::make_unique<rez_test::FailingStream>(std::move(inner), 1);
  });
  EXPECT_EQ(KDX_WritePrintInfo(p, kKdxTagPRHD, 32, longer.data(), 40), 0);
  RezSetStreamWrapperForTesting(nullptr);
  EXPECT_EQ(read(), "{\\rtf1 b}");
  ASSERT_EQ(KDX_WritePrintInfo(p, kKdxTagPRHD, 32, longer.data(), 40), 1);
  EXPECT_EQ(read(), longer);
  auto chain = rez_test::ReadContents(kdx_test::ReadAll(path_));
  ASSERT_TRUE(chain.has_value());
  EXPECT_EQ(chain->at(kKdxTagPRHD).size(), 1u);
  EXPECT_EQ(chain->at(kKdxTagPRHD)[0].size(), 64u);
}

}  // namespace
