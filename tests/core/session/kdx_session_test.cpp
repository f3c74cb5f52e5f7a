// The document session: what opening a file comes to, the password, and
// saves that write only what the session's changes touched yet leave the file
// exactly as a full comparison would.
#include "core/session/kdx_session.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/container/rez.h"
#include "core/content/password_store.h"
#include "core/document/catset_table.h"
#include "core/document/entry_table.h"
#include "core/document/env_table.h"
#include "core/document/kdx_file.h"
#include "core/listing/list_columns.h"
#include "support/old_format_document.h"
#include "support/test_document.h"

namespace {

using kdx_test::TempDir;
using kdx_test::TestDocument;

// Every entry of the file, as a new session reads it, beside the session's own.
void ExpectFileHoldsWhatMemoryHolds(const KdxSession& session) {
  KdxSession fresh;
  ASSERT_EQ(fresh.Open(session.path(), KdxAccess::kInspect), KdxOpenResult::kOk);
  const VELL_ARY* mine = session.data().entryAry;
  const VELL_ARY* filed = fresh.data().entryAry;
  ASSERT_EQ(Vell_Ary_GetSize(filed), Vell_Ary_GetSize(mine));
  for (int32_t i = 0; i < Vell_Ary_GetSize(mine); ++i) {
    EXPECT_EQ(
        std::memcmp(Vell_Ary_GetDataPtr(mine, i), Vell_Ary_GetDataPtr(filed, i), kKdxEntrySize), 0)
        << "entry at " << i;
  }
}

TEST(KdxSession, OpenNamesWhatStandsInTheWay) {
  TempDir dir;
  KdxSession session;
  EXPECT_EQ(session.Open(dir.File("absent.kdx"), KdxAccess::kRead), KdxOpenResult::kNoSuchFile);
  kdx_test::WriteAll(dir.File("text.kdx"), std::string(4096, 'x'));
  EXPECT_EQ(session.Open(dir.File("text.kdx"), KdxAccess::kRead), KdxOpenResult::kDamaged);
  EXPECT_FALSE(session.isOpen());

  const std::string path = dir.File("doc.kdx");
  ASSERT_EQ(KdxSession::CreateFile(path), 0);
  EXPECT_NE(KdxSession::CreateFile(path), 0);  // never over an existing file
  {
    TestDocument writer(path);
    writer.Save();  // the writer's own save keeps its lock
    EXPECT_EQ(session.Open(path, KdxAccess::kWrite), KdxOpenResult::kHeldElsewhere);
    EXPECT_EQ(session.Open(path, KdxAccess::kRead), KdxOpenResult::kHeldElsewhere);
    EXPECT_EQ(session.Open(path, KdxAccess::kInspect), KdxOpenResult::kOk);  // no lock
  }
  EXPECT_EQ(session.Open(path, KdxAccess::kWrite), KdxOpenResult::kOk);
  session.Close();

  kdx_test::RewriteEnvironment(path, "kdx_file_version", "2");
  EXPECT_EQ(session.Open(path, KdxAccess::kRead), KdxOpenResult::kNeedsConversion);
  // Opened for conversion only to write, and then never saved in the current
  // format before the bodies are converted.
  const auto yes = [] { return true; };
  EXPECT_EQ(session.Open(path, KdxAccess::kRead, {}, yes), KdxOpenResult::kNeedsConversion);
  ASSERT_EQ(session.Open(path, KdxAccess::kWrite, {}, yes), KdxOpenResult::kOk);
  EXPECT_TRUE(session.needsConversion());
  EXPECT_NE(session.Save(), 0);
  session.Close();
  EXPECT_EQ(session.Open(path, KdxAccess::kWrite), KdxOpenResult::kNeedsConversion);
  kdx_test::RewriteEnvironment(path, "kdx_file_version", "4");
  kdx_test::RewriteEnvironment(path, "update_app_version", "0420001");
  EXPECT_EQ(session.Open(path, KdxAccess::kRead), KdxOpenResult::kNewerVersion);
  EXPECT_FALSE(session.isOpen());
  EXPECT_EQ(session.versionText(), "4.2.0");
  EXPECT_EQ(session.Open(path, KdxAccess::kInspect), KdxOpenResult::kOk);  // info still reads it
  session.Close();
  kdx_test::RewriteEnvironment(path, "create_os", nullptr);
  EXPECT_EQ(session.Open(path, KdxAccess::kRead), KdxOpenResult::kNotKardinexFile);
}

TEST(KdxSession, PasswordIsAskedUntilRightOrGivenUp) {
  TestDocument doc;
  KDX_DATA* data = doc.data();
  ASSERT_EQ(KDXCOMM_SetPassword(data->envAry, data->idCounterAry, "Door42"), 0);
  doc.Save();
  doc.session().Close();

  KdxSession session;
  EXPECT_EQ(session.Open(doc.path(), KdxAccess::kRead), KdxOpenResult::kPasswordCancelled);
  std::vector<int> asked;
  auto answers = [&asked](std::vector<std::string> given) {
    return [&asked, given](int attempt) -> std::optional<std::string> {
      asked.push_back(attempt);
      if (static_cast<size_t>(attempt) >= given.size()) return std::nullopt;
      return given[static_cast<size_t>(attempt)];
    };
  };
  EXPECT_EQ(session.Open(doc.path(), KdxAccess::kRead, answers({"door42"})),
            KdxOpenResult::kPasswordRefused);  // case matters
  EXPECT_EQ(asked, (std::vector<int>{0, 1}));
  asked.clear();
  EXPECT_EQ(session.Open(doc.path(), KdxAccess::kWrite, answers({"nope", "Door42"})),
            KdxOpenResult::kOk);
  EXPECT_EQ(asked, (std::vector<int>{0, 1}));

  // An empty password removes the question.
  data = session.EditDirectly();
  ASSERT_EQ(KDXCOMM_SetPassword(data->envAry, data->idCounterAry, ""), 0);
  ASSERT_EQ(session.Save(), 0);
  session.Close();
  EXPECT_EQ(session.Open(doc.path(), KdxAccess::kRead), KdxOpenResult::kOk);
}

TEST(KdxSession, TrackedSavesLeaveTheFileAsAFullComparisonWould) {
  TestDocument doc;
  KdxSession& s = doc.session();
  std::vector<int32_t> ids;
  for (int i = 0; i < 6; ++i) ids.push_back(doc.Add("entry " + std::to_string(i)).en_id);
  doc.Save();
  ExpectFileHoldsWhatMemoryHolds(s);

  KDX_ENTRY e = doc.Entry(ids[3]);
  std::strcpy(e.en_title, "changed in place");
  ASSERT_EQ(s.UpdateEntry(e), KdxChangeResult::kOk);
  ASSERT_EQ(s.MarkUsed(ids[0]), KdxChangeResult::kOk);
  KDX_ENTRY copy;
  ASSERT_EQ(s.CopyEntry(ids[3], &copy), KdxChangeResult::kOk);
  EXPECT_STREQ(copy.en_title, "changed in placeのコピー");
  doc.Save();
  ExpectFileHoldsWhatMemoryHolds(s);

  // A removal moves the entries after it; a list rebuild does not.
  ASSERT_EQ(s.RemoveEntry(ids[1]), KdxChangeResult::kOk);
  EXPECT_FALSE(s.FindEntry(ids[1]).has_value());
  EXPECT_EQ(s.FindEntry(ids[4])->en_id, ids[4]);  // the hash follows the move
  doc.Save();
  ExpectFileHoldsWhatMemoryHolds(s);
  const KDX_SORT_INFO byTitle{{KDXCOMM_GetColumnKind("en_title"), -1, -1}, {0, 0, 0}};
  KdxCategorySelection all;
  const std::vector<int32_t> fileOrder = s.EntryIds();
  ASSERT_EQ(s.ReloadList(&all, &byTitle), 0);
  EXPECT_EQ(s.data().showIDAry.size(), 6u);
  EXPECT_EQ(s.EntryIds(), fileOrder);             // a new list order moves nothing in the file
  EXPECT_EQ(s.data().showIDAry.front(), ids[5]);  // titles descending
  e = doc.Entry(ids[5]);
  std::strcpy(e.en_title, "after the sort");
  ASSERT_EQ(s.UpdateEntry(e), KdxChangeResult::kOk);
  doc.Save();
  ExpectFileHoldsWhatMemoryHolds(s);
  ASSERT_EQ(s.ReloadList(&all, &byTitle), 0);  // the changed title sorts anew
  EXPECT_EQ(s.data().showIDAry.back(), ids[5]);

  // The entry list's selection and the window's settings: a few flags and
  // the small tables, without comparing every entry.
  ASSERT_EQ(s.SetEntrySelection({ids[0], ids[4]}), 0);
  KDX_DATA* settings = s.EditSettings();
  ASSERT_EQ(EV_SetTextValue(settings->envAry, settings->idCounterAry,
                            "main_window_splitview_position", "212.000000"),
            0);
  doc.Save();
  ExpectFileHoldsWhatMemoryHolds(s);
  EXPECT_EQ(s.SetEntrySelection({ids[4], 12345}), -1);
  doc.Save();
  ExpectFileHoldsWhatMemoryHolds(s);
  EXPECT_FALSE(s.FindEntry(ids[0])->en_is_select_entrylist);
  EXPECT_TRUE(s.FindEntry(ids[4])->en_is_select_entrylist);
  char value[kKdxEnvValueSize] = {};
  doc.Reopen();
  ASSERT_EQ(
      EV_GetTextValue(doc.view().envAry, "main_window_splitview_position", value, sizeof value), 1);
  EXPECT_STREQ(value, "212.000000");

  // A change behind the session's back, announced by taking the tables.
  KDX_DATA* data = s.EditDirectly();
  EN_GetData_ByIndex(data->entryAry, 0, &e);
  std::strcpy(e.en_title, "direct");
  EN_SetData_ByIndex(data->entryAry, 0, e);
  doc.Save();
  ExpectFileHoldsWhatMemoryHolds(s);

  e.en_id = 999;
  EXPECT_EQ(s.UpdateEntry(e), KdxChangeResult::kNoSuchEntry);
  EXPECT_EQ(s.SetEncrypted(ids[2], false), KdxChangeResult::kUnchanged);
  ASSERT_EQ(s.SetEncrypted(ids[2], true), KdxChangeResult::kOk);
  ExpectFileHoldsWhatMemoryHolds(s);  // the switch saved at once
}

TEST(KdxSession, CreateEntryStoresItsContentAndCategorySet) {
  TestDocument doc;
  KdxNewEntry fields = TestDocument::NewEntry("秘密", {"body", "text", "note"}, true);
  fields.cat1 = "＜すべて＞";  // the browser's All is no category
  fields.label = 9;            // out of range
  KDX_ENTRY made;
  ASSERT_EQ(doc.session().CreateEntry(fields, &made), KdxChangeResult::kOk);
  EXPECT_STREQ(made.en_cat1_name, "その他");
  EXPECT_EQ(made.en_co_id, 0);
  EXPECT_EQ(made.en_encrypt + made.en_bo_encrypt + made.en_no_encrypt, 3);
  EXPECT_EQ(KDX_GetNoteText(doc.path().c_str(), made), "note");
  EXPECT_EQ(CT_IsCatSetExists(doc.view().catSetAry, "その他", "2026", "A"), 1);
}

TEST(KdxSession, ReadOnlySessionIsNeverSaved) {
  TestDocument doc;
  doc.session().Close();
  KdxSession reader;
  ASSERT_EQ(reader.Open(doc.path(), KdxAccess::kRead), KdxOpenResult::kOk);
  EXPECT_FALSE(reader.writable());
  EXPECT_NE(reader.Save(), 0);
}

}  // namespace
