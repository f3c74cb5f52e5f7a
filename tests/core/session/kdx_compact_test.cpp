// Compaction: a document with dead space written afresh keeps every entry,
// block, identifier and the password, and ends with nothing unused; a failure
// at any step leaves the file byte for byte as it was.
#include "core/session/kdx_compact.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/container/rez_journal.h"
#include "core/container/rez_test_util.h"
#include "core/content/entry_content.h"
#include "core/content/loaded_block.h"
#include "core/content/password_store.h"
#include "core/document/kdx_check.h"
#include "core/document/kdx_file.h"
#include "core/prefs/pref_file.h"
#include "support/test_document.h"

namespace {

using kdx_test::TestDocument;

// What a reader sees of an entry: its record and its three blocks as loaded.
struct Seen {
  std::vector<uint8_t> record;
  std::string body, text, note;
  bool operator==(const Seen&) const = default;
};

std::map<int32_t, Seen> Everything(TestDocument& doc) {
  std::map<int32_t, Seen> all;
  for (int32_t i = 0; i < doc.Count(); ++i) {
    const KDX_ENTRY e = doc.At(i);
    const auto* stored = static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(doc.view().entryAry, i));
    all[e.en_id] = Seen{std::vector<uint8_t>(stored, stored + kKdxEntrySize),
                        kdx_test::LoadedBlock(doc.path(), e, KdxBlockKind::kBody),
                        kdx_test::LoadedBlock(doc.path(), e, KdxBlockKind::kText),
                        kdx_test::LoadedBlock(doc.path(), e, KdxBlockKind::kNote)};
  }
  return all;
}

std::vector<std::vector<uint8_t>> Records(const VELL_ARY* table) {
  std::vector<std::vector<uint8_t>> out;
  for (int32_t i = 0; i < Vell_Ary_GetSize(table); ++i) {
    const auto* r = static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(table, i));
    out.emplace_back(r, r + table->recordSize);
  }
  return out;
}

uint64_t Unused(const std::string& path) {
  KdxContainerSummary summary;
  EXPECT_EQ(KDX_SummarizeContainer(path.c_str(), &summary), 0);
  EXPECT_TRUE(summary.walkable);
  return summary.fileSize - summary.usedBytes;
}

// A saved document with dead space of every kind: bodies grown past their
// room (the old blocks wiped and unlinked), a removed entry, a copy, plain
// and encrypted entries, a password.
void MakeUsedDocument(TestDocument& doc) {
  const int32_t expand = PREF_ReadExpandSize();
  std::vector<KDX_ENTRY> made;
  for (int i = 0; i < 6; ++i) {
    const std::string n = std::to_string(i);
    made.push_back(doc.Add("題名" + n, {"body " + n, "text " + n, i % 2 ? "note " + n : ""},
                           /*encrypted=*/i % 3 == 0));
  }
  for (const KDX_ENTRY& e : made) {
    const std::string longer(static_cast<size_t>(expand) * 2,
                             static_cast<char>('a' + e.en_id % 26));
    ASSERT_EQ(
        KDX_BO_Save(doc.data(), e, expand, static_cast<int32_t>(longer.size()), longer.data()), 0);
    ASSERT_EQ(
        KDX_TX_Save(doc.data(), e, expand, static_cast<int32_t>(longer.size()), longer.data()), 0);
  }
  ASSERT_EQ(doc.session().RemoveEntry(made[1].en_id), KdxChangeResult::kOk);
  ASSERT_EQ(doc.session().CopyEntry(made[3].en_id), KdxChangeResult::kOk);
  KDX_DATA* data = doc.data();
  ASSERT_EQ(KDXCOMM_SetPassword(data->envAry, data->idCounterAry, "secret21"), 0);
  doc.Save();
}

class Compaction : public ::testing::Test {
 protected:
  void TearDown() override {
    RezSetStreamWrapperForTesting(nullptr);
    RezSetWriteBudgetForTesting(-1);
  }
};

TEST_F(Compaction, KeepsEveryEntryIdentifierAndPasswordAndLeavesNothingUnused) {
  TestDocument doc;
  MakeUsedDocument(doc);
  const auto before = Everything(doc);
  const auto counters = Records(doc.view().idCounterAry);
  const auto environment = Records(doc.view().envAry);
  const uint64_t unused = Unused(doc.path());
  ASSERT_GT(unused, 0u);

  KdxCompactReport report;
  ASSERT_EQ(doc.session().Compact(&report), KdxCompactResult::kOk);
  EXPECT_EQ(report.reclaimed(), unused);
  EXPECT_EQ(report.sizeAfter, std::filesystem::file_size(doc.path()));
  EXPECT_EQ(report.entries, 6);
  EXPECT_EQ(Unused(doc.path()), 0u);
  std::vector<std::string> problems, leftovers;
  ASSERT_EQ(KDX_CheckDocument(doc.path().c_str(), &problems, &leftovers), 0);
  EXPECT_TRUE(problems.empty()) << problems.front();
  EXPECT_TRUE(leftovers.empty()) << leftovers.front();
  EXPECT_EQ(std::filesystem::directory_iterator(doc.dir().path())->path().filename(), "doc.kdx")
      << "nothing left beside the document";

  // The session goes on with the new file, and the file reads as before.
  EXPECT_EQ(Everything(doc), before);
  EXPECT_EQ(Records(doc.view().idCounterAry), counters);
  EXPECT_EQ(Records(doc.view().envAry), environment);  // the password's value with it
  KdxSession fresh;
  EXPECT_EQ(fresh.Open(doc.path(), KdxAccess::kRead), KdxOpenResult::kHeldElsewhere)
      << "the lock is held on the new file";
  const KDX_ENTRY added = doc.Add("後から", {"b", "t", "n"});
  // A record changed in place is written where its member now lies.
  KDX_ENTRY changed = doc.At(2);
  std::snprintf(changed.en_title, sizeof changed.en_title, "%s", "改題");
  ASSERT_EQ(doc.session().UpdateEntry(changed), KdxChangeResult::kOk);
  doc.Save();
  EXPECT_EQ(kdx_test::LoadedBlock(doc.path(), added, KdxBlockKind::kNote), "n");
  KdxScopedData reread;
  ASSERT_EQ(KDX_LoadAllData(doc.path().c_str(), &reread.data), 0);
  EXPECT_EQ(Records(reread.data.entryAry), Records(doc.view().entryAry));
  EXPECT_STREQ(doc.Entry(changed.en_id).en_title, "改題");
  ASSERT_EQ(KDX_CheckDocument(doc.path().c_str(), &problems), 0);
  EXPECT_TRUE(problems.empty()) << problems.front();
}

TEST_F(Compaction, RefusesUnsavedChangesAndFilesItCannotReplaceWhole) {
  TestDocument doc;
  doc.Add("unsaved");
  KdxCompactReport report;
  EXPECT_EQ(doc.session().Compact(&report), KdxCompactResult::kUnsaved);
  doc.Save();
  const std::string other = doc.dir().File("other-link.kdx");
  std::filesystem::create_hard_link(doc.path(), other);
  EXPECT_EQ(doc.session().Compact(&report), KdxCompactResult::kOtherLinks);
  std::filesystem::remove(other);
  EXPECT_EQ(doc.session().Compact(&report), KdxCompactResult::kOk);

  TestDocument reader(doc.path(), KdxAccess::kInspect);
  EXPECT_EQ(reader.session().Compact(&report), KdxCompactResult::kNotWritable);
}

TEST_F(Compaction, ACommitLeftUnfinishedIsRolledBackBeforeTheCopyIsMade) {
  kdx_test::TempDir dir;
  const std::string path = dir.File("doc.kdx");
  {
    TestDocument doc(path);
    doc.Add("kept", {"b", "t", "n"});
    doc.Save();
  }
  const auto saved = kdx_test::ReadAll(path);
  // A save that dies with its journal on the disk and the file half written:
  // the journal is kept aside while the session that wrote it goes away.
  std::vector<uint8_t> journal;
  for (int64_t writes = 1; writes < 16 && journal.empty(); ++writes) {
    KdxSession session;
    ASSERT_EQ(session.Open(path, KdxAccess::kWrite), KdxOpenResult::kOk);
    KDX_ENTRY e = *session.FindEntry(0);
    std::strcpy(e.en_title, "changed");
    ASSERT_EQ(session.UpdateEntry(e), KdxChangeResult::kOk);
    RezSetWriteBudgetForTesting(writes);
    static_cast<void>(session.Save());
    RezSetWriteBudgetForTesting(-1);
    if (std::filesystem::exists(REZ_JournalPath(path)) && kdx_test::ReadAll(path) != saved)
      journal = kdx_test::ReadAll(REZ_JournalPath(path));
  }
  ASSERT_FALSE(journal.empty());
  kdx_test::WriteAll(REZ_JournalPath(path), journal);

  KdxSession session;
  ASSERT_EQ(session.Open(path, KdxAccess::kWrite), KdxOpenResult::kOk);
  KdxCompactReport report;
  ASSERT_EQ(session.Compact(&report), KdxCompactResult::kOk);
  EXPECT_STREQ(session.FindEntry(0)->en_title, "kept");
  EXPECT_FALSE(std::filesystem::exists(REZ_JournalPath(path)));
  std::vector<std::string> problems;
  ASSERT_EQ(KDX_CheckDocument(path.c_str(), &problems), 0);
  EXPECT_TRUE(problems.empty());
}

TEST_F(Compaction, FailureAtAnyStepLeavesTheFileAsItWas) {
  TestDocument doc;
  MakeUsedDocument(doc);
  // Closing wipes the places the saves freed: from here on only a
  // compaction could change the file.
  ASSERT_EQ(doc.session().Open(doc.path(), KdxAccess::kWrite,
                               [](int) { return std::optional<std::string>("secret21"); }),
            KdxOpenResult::kOk);
  const auto bytes = kdx_test::ReadAll(doc.path());
  const auto before = Everything(doc);
  auto expectUntouched = [&](const std::string& what) {
    EXPECT_EQ(kdx_test::ReadAll(doc.path()), bytes) << what;
    size_t files = 0;
    for (const auto& f : std::filesystem::directory_iterator(doc.dir().path())) {
      static_cast<void>(f);
      ++files;
    }
    EXPECT_EQ(files, 1u) << what << ": the copy is removed";
    EXPECT_EQ(Everything(doc), before) << what;
  };
  KdxCompactReport report;

  // Each step failing as it would on its own.
  for (KdxCompactStep failing : {KdxCompactStep::kWriteCopy, KdxCompactStep::kCheckCopy,
                                 KdxCompactStep::kSyncCopy, KdxCompactStep::kReplace}) {
    const KdxCompactResult result = doc.session().Compact(
        &report, [failing](KdxCompactStep step, const std::string&) { return step != failing; });
    EXPECT_NE(result, KdxCompactResult::kOk);
    expectUntouched("step " + std::to_string(static_cast<int>(failing)));
  }
  // A write of the copy failing, or cut short as on a full disk.
  for (bool shortWrite : {false, true}) {
    RezSetStreamWrapperForTesting([shortWrite](std::unique_ptr<RezStream> inner) {
      return std::make_unique<rez_test::FailingStream>(std::move(inner), 1, shortWrite);
    });
    EXPECT_EQ(doc.session().Compact(&report), KdxCompactResult::kCannotWrite);
    RezSetStreamWrapperForTesting(nullptr);
    expectUntouched(shortWrite ? "short write" : "failed write");
  }
  // The process "killed" while writing the copy: its bytes never arrive,
  // which the check must notice.
  RezSetWriteBudgetForTesting(0);
  EXPECT_EQ(doc.session().Compact(&report), KdxCompactResult::kCopyDiffers);
  RezSetWriteBudgetForTesting(-1);
  expectUntouched("killed while writing");
  // And after all that, it still compacts.
  EXPECT_EQ(doc.session().Compact(&report), KdxCompactResult::kOk);
  EXPECT_EQ(Everything(doc), before);
}

// The copy is checked by reading it back alone: a byte changed after it was
// synced must be found wherever it lies, even where a reader would never
// notice (the file header, a header's unused bytes, deep inside a block
// longer than the pieces the copy is read in).
TEST_F(Compaction, ACopyChangedAfterItsSyncIsFoundWhereverTheByteLies) {
  TestDocument doc;
  const std::string longBody(size_t{9} << 20, 'x');
  doc.Add("long", {longBody, "text", "note"});
  doc.Add("short", {"b", "t", "n"});
  doc.Save();
  const auto bytes = kdx_test::ReadAll(doc.path());
  for (const auto& [what, where] :
       std::vector<std::pair<std::string, std::function<size_t(size_t)>>>{
           {"the file header", [](size_t) { return size_t{100}; }},
           {"the unused bytes of the first member's header",
            [](size_t) { return size_t{kRezFirstMemberPosition + kRezHeaderSize - 1}; }},
           {"the middle of the long block", [](size_t size) { return size / 2; }},
           {"the last byte", [](size_t size) { return size - 1; }}}) {
    KdxCompactReport report;
    EXPECT_EQ(doc.session().Compact(&report,
                                    [&where](KdxCompactStep step, const std::string& copy) {
                                      if (step != KdxCompactStep::kCheckCopy) return true;
                                      auto b = kdx_test::ReadAll(copy);
                                      b[where(b.size())] ^= 0x20;
                                      kdx_test::WriteAll(copy, b);
                                      return true;
                                    }),
              KdxCompactResult::kCopyDiffers)
        << what;
    EXPECT_EQ(kdx_test::ReadAll(doc.path()), bytes) << what;
  }
}

}  // namespace
