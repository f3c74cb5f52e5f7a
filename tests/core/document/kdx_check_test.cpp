// The document check: each kind of damage, made by editing the file's bytes,
// is named in the problems it reports; harmless leftovers are named apart and
// are no problem; a sound document reports neither.
#include "core/document/kdx_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "core/container/rez_handle.h"
#include "core/container/rez_test_util.h"
#include "core/document/blocks.h"
#include "core/document/id_counter.h"
#include "core/document/kdx_file.h"
#include "core/document/records.h"
#include "core/util/vell_ary.h"
#include "support/test_support.h"

using rez_test::HeaderAt;
using rez_test::Le32;
using rez_test::Members;
using rez_test::PutLe32;

namespace {

using Bytes = std::vector<uint8_t>;

// Header fields, as offsets into a member header.
constexpr size_t kLength = 4, kPrevMember = 12, kNextMember = 16, kNextTag = 24;
constexpr uint32_t kNoLink = 0xFFFFFFFF;

// The data of the counter named name in the IDCO table.
size_t CounterData(const Bytes& b, const std::string& name) {
  for (uint32_t m : Members(b, kKdxTagIDCO)) {
    if (std::string(reinterpret_cast<const char*>(b.data()) + m + 36 + 44) == name) return m + 36;
  }
  ADD_FAILURE() << "no counter " << name;
  return 0;
}

constexpr size_t kNextValueOffset = 108;  // in a stored counter

// A new document with entries 0 to 2, a body block of each, and counters
// above every identifier: sound, so that each case's damage is the only one.
void MakeDocument(const std::string& path) {
  ASSERT_EQ(CreateKdxFile(path.c_str()), 0);
  VellAryPtr counters(Vell_Ary_Init(kKdxIdCounterSize, 0, 0));
  VellAryPtr entries(Vell_Ary_Init(kKdxEntrySize, 0, 0));
  RezFileHandle file;
  ASSERT_EQ(file.Open(path.c_str(), 0), REZ_OK);
  ASSERT_EQ(REZ_ARY_Load(file.get(), kKdxTagIDCO, kKdxIdCounterSize, counters.get()), 0);
  for (int32_t id = 0; id < 3; ++id) {
    KDX_ENTRY entry{};
    entry.en_id = id;
    uint8_t stored[kKdxEntrySize];
    KDX_SetKdxEntry(entry, stored);
    ASSERT_EQ(Vell_Ary_Add(entries.get(), stored), 0);
  }
  ASSERT_EQ(IC_RaiseAboveExisting(counters.get(), kKdxTagENTR, "en_id", 2), 0);
  ASSERT_EQ(IC_RaiseAboveExisting(counters.get(), kKdxTagBORB, "bo_id", 2), 0);
  ASSERT_EQ(REZ_ARY_Save(file.get(), kKdxTagENTR, entries.get(), kKdxEntrySize), REZ_OK);
  ASSERT_EQ(REZ_ARY_Save(file.get(), kKdxTagIDCO, counters.get(), kKdxIdCounterSize), REZ_OK);
  ASSERT_EQ(file.Close(), REZ_OK);
  for (int32_t id = 0; id < 3; ++id) {
    ASSERT_EQ(BO_CreateNewContainer(path.c_str(), 64, id, id, 4, "body"), 0);
  }
}

class KdxCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeDocument(path_);
    sound_ = kdx_test::ReadAll(path_);
  }
  std::vector<std::string> Check(std::vector<std::string>* leftovers = nullptr) {
    std::vector<std::string> problems;
    EXPECT_EQ(KDX_CheckDocument(path_.c_str(), &problems, leftovers), 0);
    return problems;
  }

  kdx_test::TempDir dir_;
  std::string path_ = dir_.File("doc.kdx");
  Bytes sound_;
};

TEST_F(KdxCheck, ASoundDocumentHasNoProblemsAndEveryByteInUse) {
  std::vector<std::string> leftovers;
  EXPECT_EQ(Check(&leftovers), std::vector<std::string>{});
  EXPECT_EQ(leftovers, std::vector<std::string>{});
  KdxContainerSummary summary;
  ASSERT_EQ(KDX_SummarizeContainer(path_.c_str(), &summary), 0);
  EXPECT_TRUE(summary.walkable);
  EXPECT_EQ(summary.usedBytes, sound_.size());
  EXPECT_EQ(summary.tags.back().tag, kKdxTagBORB);
  EXPECT_EQ(summary.tags.back().members, 3u);

  std::vector<std::string> problems;
  EXPECT_EQ(KDX_CheckDocument(dir_.File("absent.kdx").c_str(), &problems), kKdxErrFile);
  kdx_test::WriteAll(path_, std::string(600, 'x'));  // not a container
  EXPECT_EQ(KDX_CheckDocument(path_.c_str(), &problems), kKdxErrFile);
}

struct Damage {
  const char* name;
  std::function<void(Bytes&)> apply;
  const char* reported;  // a part of the problem line that names it
};

const Damage kDamages[] = {
    {"a member chain that loops back to its head",
     [](Bytes& b) {
       const auto blocks = Members(b, kKdxTagBORB);
       PutLe32(b, blocks[2] + kNextMember, blocks[0]);
     },
     "the members of tag BORB cannot be walked to the end"},
    {"a tag list that loops",
     [](Bytes& b) {
       const uint32_t first = HeaderAt(b, 512).nextTag;
       uint32_t last = first;
       while (HeaderAt(b, last).nextTag != kNoLink) last = HeaderAt(b, last).nextTag;
       PutLe32(b, last + kNextTag, first);
     },
     "the tag list cannot be walked to the end"},
    {"a back link that disagrees with the forward one",
     [](Bytes& b) { PutLe32(b, Members(b, kKdxTagBORB)[2] + kPrevMember, 512); },
     "links back to 512"},
    {"a table member one byte short of its record size",
     [](Bytes& b) { PutLe32(b, Members(b, kKdxTagCOLO)[3] + kLength, kKdxColorLabelSize - 1); },
     "COLO holds members that are not 180 bytes long"},
    {"no environment table",
     [](Bytes& b) {
       for (uint32_t m : Members(b, kKdxTagENVI)) PutLe32(b, m, REZ_MakeTag("ENVX"));
     },
     "ENVI is missing"},
    {"two entries with one identifier",
     [](Bytes& b) { PutLe32(b, Members(b, kKdxTagENTR)[1] + 36, 2); },
     "entry 2 appears more than once"},
    {"two blocks of one entry",
     [](Bytes& b) { PutLe32(b, Members(b, kKdxTagBORB)[1] + 36 + 4, 0); },
     "entry 0 has more than one body block"},
    {"a data size past the block's end",
     [](Bytes& b) { PutLe32(b, Members(b, kKdxTagBORB)[0] + 36 + 8, 64 - 12 + 1); },
     "says 53 bytes but holds at most 52"},
    {"a block too short for its head",
     [](Bytes& b) { PutLe32(b, Members(b, kKdxTagBORB)[0] + kLength, 11); },
     "too short for its head"},
};

bool Names(const std::vector<std::string>& lines, const char* part) {
  return std::any_of(lines.begin(), lines.end(),
                     [part](const std::string& line) { return line.find(part) != line.npos; });
}

TEST_F(KdxCheck, EachDamageIsReported) {
  for (const Damage& damage : kDamages) {
    SCOPED_TRACE(damage.name);
    Bytes bytes = sound_;
    damage.apply(bytes);
    kdx_test::WriteAll(path_, bytes);
    std::vector<std::string> leftovers;
    const std::vector<std::string> problems = Check(&leftovers);
    EXPECT_TRUE(Names(problems, damage.reported))
        << (problems.empty() ? "no problem reported" : problems[0]);
    EXPECT_FALSE(Names(leftovers, damage.reported)) << "damage passed off as a leftover";
    EXPECT_EQ(kdx_test::ReadAll(path_), bytes);  // the check writes nothing
  }
}

// What an interrupted import or copy leaves, and what the next open and save
// repair: reported as leftovers, each saying why it is harmless, never as
// damage. The second is what a crash between the blocks of a new entry and
// the save of its record leaves.
const Damage kLeftovers[] = {
    {"an entry counter behind the entries",
     [](Bytes& b) { PutLe32(b, CounterData(b, "en_id") + kNextValueOffset, 2); },
     "counter en_id would hand out 2, but 2 is already used (harmless: "},
    {"a block counter behind the blocks",
     [](Bytes& b) { PutLe32(b, CounterData(b, "bo_id") + kNextValueOffset, 1); },
     "counter bo_id would hand out 1, but 2 is already used (harmless: "},
    {"a block whose entry is missing",
     [](Bytes& b) { PutLe32(b, Members(b, kKdxTagBORB)[1] + 36 + 4, 7); },
     "belongs to entry 7, which does not exist (harmless: "},
    {"two blocks of one missing entry",
     [](Bytes& b) {
       PutLe32(b, Members(b, kKdxTagBORB)[1] + 36 + 4, 7);
       PutLe32(b, Members(b, kKdxTagBORB)[2] + 36 + 4, 7);
     },
     "belongs to entry 7, which does not exist (harmless: "},
};

TEST_F(KdxCheck, LeftoversAreNamedApartAndAreNoDamage) {
  for (const Damage& leftover : kLeftovers) {
    SCOPED_TRACE(leftover.name);
    Bytes bytes = sound_;
    leftover.apply(bytes);
    kdx_test::WriteAll(path_, bytes);
    std::vector<std::string> leftovers;
    const std::vector<std::string> problems = Check(&leftovers);
    EXPECT_EQ(problems, std::vector<std::string>{});
    EXPECT_TRUE(Names(leftovers, leftover.reported))
        << (leftovers.empty() ? "no leftover reported" : leftovers[0]);
    // A caller that asks only about damage is told of none.
    EXPECT_EQ(Check(), std::vector<std::string>{});
  }
}

// Counters that cannot be loaded are not counters at 0: the check says it
// could not look at them rather than blaming each one for the identifiers.
TEST_F(KdxCheck, UnreadableCountersAreNamedNotBlamed) {
  Bytes bytes = sound_;
  PutLe32(bytes, Members(bytes, kKdxTagIDCO)[1] + kLength, kKdxIdCounterSize - 1);
  kdx_test::WriteAll(path_, bytes);
  const std::vector<std::string> problems = Check();
  bool named = false;
  for (const std::string& line : problems) {
    named |= line.find("counters (IDCO) cannot be read") != line.npos;
    EXPECT_EQ(line.find("would hand out"), line.npos) << line;
  }
  EXPECT_TRUE(named);
}

TEST_F(KdxCheck, ALoopingChainIsNotWalkable) {
  Bytes bytes = sound_;
  kDamages[0].apply(bytes);
  kdx_test::WriteAll(path_, bytes);
  KdxContainerSummary summary;
  ASSERT_EQ(KDX_SummarizeContainer(path_.c_str(), &summary), 0);
  EXPECT_FALSE(summary.walkable);
}

}  // namespace
