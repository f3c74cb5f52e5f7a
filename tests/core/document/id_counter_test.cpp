// Identifier counters: counters made on first use, raised above the
// identifiers a file already holds, and refusing once exhausted or damaged.
#include "core/document/id_counter.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "core/document/records.h"
#include "core/util/vell_ary.h"

namespace {

KDX_ID_COUNTER CounterAt(const VELL_ARY* ary, int32_t index) {
  KDX_ID_COUNTER c;
  KDX_GetKdxIdCounter(static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(ary, index)), &c);
  return c;
}

void PutCounter(VELL_ARY* ary, int32_t index, const KDX_ID_COUNTER& c) {
  uint8_t stored[kKdxIdCounterSize];
  KDX_SetKdxIdCounter(c, stored);
  Vell_Ary_Update(ary, index, stored);
}

class IdCounter : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(IC_InitData(counters_.get()), 0); }
  int32_t Draw(uint32_t tag, const char* name) {
    return IC_GetID_FromCounter(counters_.get(), tag, name);
  }
  VellAryPtr counters_{Vell_Ary_Init(kKdxIdCounterSize, 0, 0)};
};

TEST_F(IdCounter, AnAbsentCounterAnswersZeroAndIsMadeWithItsOwnIdentifier) {
  EXPECT_EQ(Draw(kKdxTagCATS, "ct_id"), 0);
  EXPECT_EQ(Draw(kKdxTagFITY, "ft_id"), 0);
  ASSERT_EQ(Vell_Ary_GetSize(counters_.get()), 3);
  const KDX_ID_COUNTER ct = CounterAt(counters_.get(), 1);
  EXPECT_EQ(ct.ic_tag, kKdxTagCATS);
  EXPECT_STREQ(ct.ic_name, "ct_id");
  EXPECT_EQ(ct.ic_next_value, 1);
  // Their own identifiers come from the counter of counters, in turn.
  EXPECT_EQ(ct.ic_id, 0);
  EXPECT_EQ(CounterAt(counters_.get(), 2).ic_id, 1);
  EXPECT_EQ(CounterAt(counters_.get(), 0).ic_next_value, 2);

  EXPECT_EQ(Draw(kKdxTagCATS, "ct_id"), 1);
  EXPECT_EQ(Draw(kKdxTagCATS, "ft_id"), 0);  // the name alone does not make a counter
  EXPECT_EQ(Vell_Ary_GetSize(counters_.get()), 4);
}

TEST(IdCounterWithoutCounters, TheCounterOfCountersIsNotMadeByDrawing) {
  VellAryPtr ary(Vell_Ary_Init(kKdxIdCounterSize, 0, 0));
  EXPECT_EQ(IC_GetID_FromCounter(ary.get(), kKdxTagIDCO, "ic_id"), 0);
  EXPECT_EQ(IC_GetID_FromCounter(ary.get(), kKdxTagIDCO, "ic_id"), 0);
  EXPECT_EQ(Vell_Ary_GetSize(ary.get()), 0);
}

TEST_F(IdCounter, RaiseAboveExistingNeverLowersAndMakesWhatIsAbsent) {
  ASSERT_EQ(IC_RaiseAboveExisting(counters_.get(), kKdxTagENTR, "en_id", 41), 0);
  ASSERT_EQ(IC_RaiseAboveExisting(counters_.get(), kKdxTagBORB, "bo_id", -1), 0);
  EXPECT_EQ(Draw(kKdxTagENTR, "en_id"), 42);
  EXPECT_EQ(Draw(kKdxTagBORB, "bo_id"), 0);
  ASSERT_EQ(IC_RaiseAboveExisting(counters_.get(), kKdxTagENTR, "en_id", 10), 0);
  EXPECT_EQ(Draw(kKdxTagENTR, "en_id"), 43);
  ASSERT_EQ(IC_RaiseAboveExisting(counters_.get(), kKdxTagENTR, "en_id", 43), 0);
  EXPECT_EQ(Draw(kKdxTagENTR, "en_id"), 44);  // one above the highest present
}

TEST(IdCounterWithoutCounters, RaisingALostTableGivesEachNewCounterItsOwnIdentifier) {
  VellAryPtr ary(Vell_Ary_Init(kKdxIdCounterSize, 0, 0));
  ASSERT_EQ(IC_RaiseAboveExisting(ary.get(), kKdxTagENTR, "en_id", 41), 0);
  ASSERT_EQ(IC_RaiseAboveExisting(ary.get(), kKdxTagBORB, "bo_id", -1), 0);
  ASSERT_EQ(Vell_Ary_GetSize(ary.get()), 3);
  EXPECT_EQ(CounterAt(ary.get(), 0).ic_tag, kKdxTagIDCO);  // made first
  EXPECT_NE(CounterAt(ary.get(), 1).ic_id, CounterAt(ary.get(), 2).ic_id);
  EXPECT_NE(CounterAt(ary.get(), 0).ic_id, CounterAt(ary.get(), 1).ic_id);
}

TEST_F(IdCounter, ExhaustedOrDamagedCountersRefuseAndStayAsTheyWere) {
  ASSERT_EQ(IC_RaiseAboveExisting(counters_.get(), kKdxTagENTR, "en_id", INT_MAX - 2), 0);
  EXPECT_EQ(Draw(kKdxTagENTR, "en_id"), INT_MAX - 1);
  EXPECT_EQ(Draw(kKdxTagENTR, "en_id"), kKdxFailed);  // INT_MAX would leave no next value
  EXPECT_EQ(Draw(kKdxTagENTR, "en_id"), kKdxFailed);
  ASSERT_EQ(IC_RaiseAboveExisting(counters_.get(), kKdxTagNORB, "no_id", INT_MAX), 0);
  EXPECT_EQ(Draw(kKdxTagNORB, "no_id"), kKdxFailed);

  ASSERT_EQ(Draw(kKdxTagTEXT, "tx_id"), 0);
  const int32_t text = Vell_Ary_GetSize(counters_.get()) - 1;
  KDX_ID_COUNTER damaged = CounterAt(counters_.get(), text);
  damaged.ic_next_value = -5;  // only a damaged file holds this
  PutCounter(counters_.get(), text, damaged);
  EXPECT_EQ(Draw(kKdxTagTEXT, "tx_id"), kKdxFailed);
  EXPECT_EQ(CounterAt(counters_.get(), text).ic_next_value, -5);
  ASSERT_EQ(IC_RaiseAboveExisting(counters_.get(), kKdxTagTEXT, "tx_id", 6), 0);  // repairs it
  EXPECT_EQ(Draw(kKdxTagTEXT, "tx_id"), 7);

  // A name that cannot be stored whole would be another counter's.
  const std::string tooLong(64, 'n');
  EXPECT_EQ(Draw(kKdxTagENTR, tooLong.c_str()), kKdxFailed);
  EXPECT_EQ(IC_RaiseAboveExisting(counters_.get(), kKdxTagENTR, tooLong.c_str(), 1), kKdxFailed);
  EXPECT_EQ(IC_GetID_FromCounter(nullptr, kKdxTagENTR, "en_id"), kKdxFailed);
}

}  // namespace
