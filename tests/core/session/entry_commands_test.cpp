// The shared entry commands: the numbered title of a new entry and the
// encryption switch of many entries, checked against the file.
#include "core/session/entry_commands.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "core/content/entry_content.h"
#include "core/content/loaded_block.h"
#include "core/document/blocks.h"
#include "core/document/env_table.h"
#include "support/test_document.h"

namespace {

using kdx_test::TestDocument;

int32_t StoredNumber(const KDX_DATA& data) {
  int32_t number = -7;
  if (EV_GetIntValue(data.envAry, kKdxConsecutiveNumberKey, &number) != 1) return -1;
  return number;
}

TEST(EntryCommands, NumberedTitlesCountOnFromTheDocumentAndAreStoredBack) {
  TestDocument doc;
  KdxNewEntryPrefs prefs;
  prefs.defaultTitle = "メモ";
  prefs.consecutiveNumber = true;
  prefs.turn = 1;
  prefs.turnWidth = "600";
  const std::array<std::string, 3> all{"＜すべて＞", "＜すべて＞", "＜すべて＞"};

  KDX_ENTRY first, second;
  ASSERT_EQ(KDXCOMM_CreateNewEntry(doc.session(), prefs, all, &first), KdxChangeResult::kOk);
  ASSERT_EQ(KDXCOMM_CreateNewEntry(doc.session(), prefs, {"仕事", "＜すべて＞", "B"}, &second),
            KdxChangeResult::kOk);
  EXPECT_STREQ(first.en_title, "メモ1");
  EXPECT_STREQ(second.en_title, "メモ2");
  EXPECT_STREQ(first.en_cat1_name, "その他");
  EXPECT_STREQ(second.en_cat1_name, "仕事");
  EXPECT_STREQ(second.en_cat2_name, "その他");
  EXPECT_EQ(second.en_turn, 1);
  EXPECT_STREQ(second.en_turn_width, "600");
  // Only the newest is marked as selected.
  EXPECT_FALSE(doc.Entry(first.en_id).en_is_select_entrylist);
  EXPECT_TRUE(doc.Entry(second.en_id).en_is_select_entrylist);

  doc.Save();
  doc.Reopen();
  EXPECT_EQ(StoredNumber(doc.view()), 2);
  // Without numbering, or with an empty title type, the number stays.
  prefs.titleType = 1;
  KDX_ENTRY untitled;
  ASSERT_EQ(KDXCOMM_CreateNewEntry(doc.session(), prefs, all, &untitled), KdxChangeResult::kOk);
  EXPECT_STREQ(untitled.en_title, "");
  prefs.titleType = 0;
  prefs.consecutiveNumber = false;
  int32_t number = 0;
  EXPECT_EQ(KDXCOMM_MakeNewEntryTitle(prefs, doc.view().envAry, &number), "メモ");
  EXPECT_EQ(number, -1);
  EXPECT_EQ(StoredNumber(doc.view()), 2);
}

TEST(EntryCommands, DecryptingThreeWithOneDamagedCountsItAndTheFileAgrees) {
  TestDocument doc;
  std::vector<int32_t> ids;
  for (const char* title : {"一", "二", "三"}) {
    ids.push_back(doc.Add(title, {std::string("body of ") + title, "text", "note"}, true).en_id);
  }
  // The first entry's body block gets a size no cipher text has.
  const char* path = doc.path().c_str();
  const int32_t container = BO_GetContainerID(path, ids[0]);
  ASSERT_GE(container, 0);
  ASSERT_EQ(BO_UpdateContainer(path, container, ids[0], 20, "twenty bytes of junk"), 0);
  doc.Save();
  // An unsaved change made before the run must survive the failure.
  KDX_ENTRY renamed = doc.Entry(ids[2]);
  std::strcpy(renamed.en_title, "三（改）");
  ASSERT_EQ(doc.session().UpdateEntry(renamed), KdxChangeResult::kOk);

  std::vector<std::string> titles;
  KdxEncryptProgress progress;
  progress.item = [&titles](const std::string& title, int64_t done, int64_t total) {
    EXPECT_EQ(total, 3);
    EXPECT_EQ(done, static_cast<int64_t>(titles.size()));
    titles.push_back(title);
  };
  const KdxEncryptEntriesResult result =
      KDXCOMM_SetEncryptEntries(doc.session(), ids, false, progress);
  EXPECT_EQ(result.switched, 2);
  EXPECT_EQ(result.failed, 1);
  EXPECT_EQ(result.failedIds, std::vector<int32_t>{ids[0]});
  EXPECT_EQ(titles, (std::vector<std::string>{"一", "二", "三（改）"}));

  // Read back without saving again: each entry's flags as its blocks are.
  TestDocument fresh(doc.path(), KdxAccess::kInspect);
  const KDX_ENTRY one = fresh.Entry(ids[0]), two = fresh.Entry(ids[1]), three = fresh.Entry(ids[2]);
  EXPECT_EQ(one.en_bo_encrypt + one.en_no_encrypt + one.en_encrypt, 3);
  EXPECT_EQ(two.en_bo_encrypt + two.en_no_encrypt + two.en_encrypt, 0);
  EXPECT_EQ(three.en_bo_encrypt + three.en_no_encrypt + three.en_encrypt, 0);
  EXPECT_STREQ(three.en_title, "三（改）");
  EXPECT_STREQ(kdx_test::LoadedBlock(fresh.path(), two, KdxBlockKind::kBody).c_str(), "body of 二");
  EXPECT_STREQ(kdx_test::LoadedBlock(fresh.path(), three, KdxBlockKind::kBody).c_str(),
               "body of 三");
  // Still enciphered, still readable.
  EXPECT_STREQ(kdx_test::LoadedBlock(path, one, KdxBlockKind::kText).c_str(), "text");

  // Again: the two done are passed over, the damaged one fails again.
  const KdxEncryptEntriesResult again = KDXCOMM_SetEncryptEntries(doc.session(), ids, false);
  EXPECT_EQ(again.unchanged, 2);
  EXPECT_EQ(again.failed, 1);
}

TEST(EntryCommands, CancelledEncryptionKeepsWhatWasDone) {
  TestDocument doc;
  std::vector<int32_t> ids;
  for (const char* title : {"a", "b", "c"}) ids.push_back(doc.Add(title, {"x", "x", "x"}).en_id);
  int asked = 0;
  KdxEncryptProgress progress;
  progress.cancelled = [&asked] { return ++asked > 1; };
  const KdxEncryptEntriesResult result =
      KDXCOMM_SetEncryptEntries(doc.session(), ids, true, progress);
  EXPECT_TRUE(result.cancelled);
  EXPECT_EQ(result.switched, 1);
  TestDocument fresh(doc.path(), KdxAccess::kInspect);
  EXPECT_EQ(fresh.Entry(ids[0]).en_bo_encrypt, 1);
  EXPECT_EQ(fresh.Entry(ids[1]).en_bo_encrypt, 0);
}

}  // namespace
