// A process killed at any write: every changing operation of the session is
// run with the process "dying" after its N-th write (every later write
// dropped unseen), for every N, and the document is opened again. It must be
// sound and hold exactly what it held before the operation or after it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/container/rez_journal.h"
#include "core/content/entry_content.h"
#include "core/content/password_store.h"
#include "core/document/block_index.h"
#include "core/document/kdx_check.h"
#include "core/session/kdx_session.h"
#include "support/test_document.h"

namespace {

using kdx_test::TempDir;
using kdx_test::TestDocument;

// What a document holds, dates aside: every entry's record and content.
using Contents = std::map<int32_t, std::string>;

std::string Block(const std::string& path, const KDX_ENTRY& e, KdxBlockKind kind) {
  std::string text;
  const int32_t size = KDX_LoadBlockText(path.c_str(), e, kind, &text);
  return size < 0 && size != kKdxLoadMissing ? "<unreadable>" : text;
}

Contents Read(KdxSession& session) {
  Contents out;
  for (int32_t id : session.EntryIds()) {
    KDX_ENTRY e = *session.FindEntry(id);
    // Dates are "now" in both runs; everything else must match.
    for (char* date : {e.en_create_date, e.en_update_date, e.en_use_date, e.en_last_opened_date}) {
      std::memset(date, 0, 18);
    }
    std::string row(reinterpret_cast<const char*>(&e), sizeof e);
    for (KdxBlockKind kind : {KdxBlockKind::kText, KdxBlockKind::kNote}) {
      row += "|" + Block(session.path(), e, kind);
    }
    std::vector<uint8_t> body;
    row +=
        "|" +
        std::to_string(KDX_LoadStoredForm(session.path().c_str(), KdxBlockKind::kBody, e, body)) +
        ":" + std::to_string(body.size());
    out[id] = row;
  }
  char password[64];
  out[-1] = std::to_string(KDXCOMM_GetPassword(session.data().envAry, password, sizeof password));
  return out;
}

using Operation = std::function<void(KdxSession&)>;

class Crash : public ::testing::Test {
 protected:
  void SetUp() override {
    TestDocument doc(base_);
    for (int i = 0; i < 5; ++i) {
      ids_.push_back(doc.Add("entry " + std::to_string(i),
                             {std::string(100 + 50 * i, 'b'), "text " + std::to_string(i),
                              i % 2 == 0 ? "note" : ""},
                             i == 3)
                         .en_id);
    }
    doc.Save();
  }
  void TearDown() override { RezSetWriteBudgetForTesting(-1); }

  Contents Run(const std::string& path, const Operation& op) {
    KdxSession session;
    EXPECT_EQ(session.Open(path, KdxAccess::kWrite), KdxOpenResult::kOk);
    op(session);
    return Read(session);
  }

  // Runs op dying after every number of writes it makes, and checks each
  // outcome: before at first, after once the commit is through.
  void ExpectAllOrNothing(const Operation& op) {
    const std::string work = dir_.File("work.kdx");
    std::filesystem::remove(work);
    std::filesystem::copy_file(base_, work);
    const Contents before = Run(work, [](KdxSession&) {});
    RezSetWriteBudgetForTesting(int64_t{1} << 40);
    const Contents after = Run(work, op);
    const int64_t writes = (int64_t{1} << 40) - RezWriteBudgetForTesting();
    RezSetWriteBudgetForTesting(-1);
    ASSERT_NE(before, after) << "the operation changed nothing";
    ASSERT_GT(writes, 2);
    int asBefore = 0;
    for (int64_t n = 0; n <= writes; ++n) {
      SCOPED_TRACE(testing::Message() << "dying after write " << n << " of " << writes);
      std::filesystem::remove(work);
      std::filesystem::remove(REZ_JournalPath(work));
      std::filesystem::copy_file(base_, work);
      {
        KdxSession session;
        ASSERT_EQ(session.Open(work, KdxAccess::kWrite), KdxOpenResult::kOk);
        RezSetWriteBudgetForTesting(n);
        op(session);
        RezSetWriteBudgetForTesting(0);  // dead: not even the close writes
      }
      RezSetWriteBudgetForTesting(-1);
      block_index::ClearForTesting();
      KdxSession reopened;
      const auto password = [](int attempt) {  // SettingThePassword's, when it got in
        return attempt == 0 ? std::optional<std::string>("Door42") : std::nullopt;
      };
      ASSERT_EQ(reopened.Open(work, KdxAccess::kWrite, password), KdxOpenResult::kOk);
      const Contents now = Read(reopened);
      EXPECT_TRUE(now == before || now == after);
      asBefore += now == before;
      std::vector<std::string> problems;
      ASSERT_EQ(KDX_CheckDocument(work.c_str(), &problems), 0);
      EXPECT_TRUE(problems.empty()) << problems.front();
    }
    EXPECT_GT(asBefore, 0);
    EXPECT_LE(asBefore, writes);  // the last writes leave it done
  }

  TempDir dir_;
  std::string base_ = dir_.File("base.kdx");
  std::vector<int32_t> ids_;
};

TEST_F(Crash, AddingAnEntry) {
  ExpectAllOrNothing([](KdxSession& s) {
    ASSERT_EQ(s.CreateEntry(TestDocument::NewEntry("new", {"{\\rtf1 x}", "x", "n"})),
              KdxChangeResult::kOk);
    static_cast<void>(s.Save());
  });
}

TEST_F(Crash, RemovingAnEntryBeforeOthers) {
  ExpectAllOrNothing([this](KdxSession& s) {
    ASSERT_EQ(s.RemoveEntry(ids_[1]), KdxChangeResult::kOk);
    static_cast<void>(s.Save());
  });
}

TEST_F(Crash, CopyingAnEntry) {
  ExpectAllOrNothing([this](KdxSession& s) {
    ASSERT_EQ(s.CopyEntry(ids_[2]), KdxChangeResult::kOk);
    static_cast<void>(s.Save());
  });
}

TEST_F(Crash, EncryptingAndDecrypting) {
  ExpectAllOrNothing([this](KdxSession& s) { static_cast<void>(s.SetEncrypted(ids_[0], true)); });
  ExpectAllOrNothing([this](KdxSession& s) { static_cast<void>(s.SetEncrypted(ids_[3], false)); });
}

// The entry window's autosave: a longer body and text, a new note, the record.
TEST_F(Crash, SavingAnEntryThatGrew) {
  ExpectAllOrNothing([this](KdxSession& s) {
    KDX_ENTRY e = *s.FindEntry(ids_[4]);
    std::strcpy(e.en_title, "edited");
    KDX_DATA* data = s.EditDirectly();
    const std::string body(5000, 'B'), text = "a much longer text than before", note = "new";
    if (KDX_NO_Save(data, e, 64, static_cast<int32_t>(note.size()), note.data()) != 0 ||
        KDX_TX_Save(data, e, 64, static_cast<int32_t>(text.size()), text.data()) != 0 ||
        KDX_BO_Save(data, e, 64, static_cast<int32_t>(body.size()), body.data()) != 0) {
      return;
    }
    e.en_bo_block_size = static_cast<int32_t>(body.size());
    if (s.UpdateEntry(e) == KdxChangeResult::kOk) static_cast<void>(s.Save());
  });
}

// A long body rewritten in place with one word changed in its middle: only
// the pieces around the word go through the journal and into the file.
TEST_F(Crash, SavingALongBodyInPlaceWithOneWordChanged) {
  const auto save = [this](KdxSession& s, char word) {
    const KDX_ENTRY e = *s.FindEntry(ids_[2]);
    std::string body(60000, 'B');
    body[30000] = word;
    if (s.SaveEntryContent(e, KdxBlockKind::kText, body) == 0) static_cast<void>(s.Save());
  };
  {
    KdxSession session;
    ASSERT_EQ(session.Open(base_, KdxAccess::kWrite), KdxOpenResult::kOk);
    save(session, 'A');  // grows: a new block
    save(session, 'Z');  // in place
    EXPECT_LT(std::filesystem::file_size(REZ_JournalPath(base_)), 20000u);
  }
  ExpectAllOrNothing([&](KdxSession& s) { save(s, 'Q'); });
}

// A long body saved again and again moves between two places: the journal
// holds only the links, and the file grows by one copy while the document is
// open and by none once it is closed, with no old version left in it. Killed
// at any write of the saves or of the close, it holds one of the versions.
TEST_F(Crash, SavingALongBodyAgainMovesItBetweenTwoPlaces) {
  const auto version = [](char mark) {
    std::string body(200000, 'B');
    body.replace(0, 9, std::string("VERSION-") + mark);
    return body;
  };
  // Body and text, as the entry window saves them.
  const auto save = [&](KdxSession& s, char mark) {
    const KDX_ENTRY e = *s.FindEntry(ids_[2]);
    if (s.SaveEntryContent(e, KdxBlockKind::kBody, version(mark)) == 0 &&
        s.SaveEntryContent(e, KdxBlockKind::kText, version(mark)) == 0) {
      static_cast<void>(s.Save());
    }
  };
  const auto body = [](KdxSession& s, int32_t id) {
    std::vector<uint8_t> bytes;
    EXPECT_EQ(KDX_LoadStoredForm(s.path().c_str(), KdxBlockKind::kBody, *s.FindEntry(id), bytes),
              0);
    return std::string(bytes.begin(), bytes.end());
  };
  const auto holds = [](const std::string& path, char mark) {
    const std::vector<uint8_t> bytes = kdx_test::ReadAll(path);
    const std::string marker = std::string("VERSION-") + mark;
    return std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end()) != bytes.end();
  };
  const auto open = [](KdxSession& s, const std::string& path) {
    ASSERT_EQ(s.Open(path, KdxAccess::kWrite), KdxOpenResult::kOk);
  };
  {
    KdxSession session;
    open(session, base_);
    save(session, 'A');  // grows: a new block
  }
  const auto closed = std::filesystem::file_size(base_);
  {
    KdxSession session;
    open(session, base_);
    save(session, 'B');  // moves to the end
    const auto grown = std::filesystem::file_size(base_);
    EXPECT_GT(grown, closed);
    save(session, 'C');  // back into A's place
    save(session, 'D');  // and into B's
    EXPECT_EQ(std::filesystem::file_size(base_), grown);
    EXPECT_LT(std::filesystem::file_size(REZ_JournalPath(base_)), 4096u);
  }
  EXPECT_EQ(std::filesystem::file_size(base_), closed);
  EXPECT_TRUE(holds(base_, 'D'));
  for (char gone : {'A', 'B', 'C'}) EXPECT_FALSE(holds(base_, gone)) << gone;

  const std::string work = dir_.File("work.kdx");
  for (int64_t n = 0;; ++n) {
    SCOPED_TRACE(testing::Message() << "dying after write " << n);
    std::filesystem::remove(work);
    std::filesystem::copy_file(base_, work);
    {
      KdxSession session;
      open(session, work);
      save(session, 'E');  // moves to the end, freeing D's place
      RezSetWriteBudgetForTesting(n);
      save(session, 'F');  // into D's place
      save(session, 'G');  // to the end again, which the close moves back
    }
    const bool done = RezWriteBudgetForTesting() > 0;
    RezSetWriteBudgetForTesting(-1);
    block_index::ClearForTesting();
    KdxSession reopened;
    open(reopened, work);
    const std::string text = Block(work, *reopened.FindEntry(ids_[2]), KdxBlockKind::kText);
    EXPECT_TRUE(text == version('E') || text == version('F') || text == version('G'))
        << text.substr(0, 9);
    EXPECT_EQ(body(reopened, ids_[2]), text);  // both from the same commit
    std::vector<std::string> problems;
    ASSERT_EQ(KDX_CheckDocument(work.c_str(), &problems), 0);
    EXPECT_TRUE(problems.empty()) << problems.front();
    if (done) {
      EXPECT_EQ(text, version('G'));
      EXPECT_EQ(std::filesystem::file_size(work), closed);
      break;
    }
  }
}

TEST_F(Crash, SettingThePassword) {
  ExpectAllOrNothing([](KdxSession& s) {
    KDX_DATA* data = s.EditDirectly();
    if (KDXCOMM_SetPassword(data->envAry, data->idCounterAry, "Door42") == 0) {
      static_cast<void>(s.Save());
    }
  });
}

TEST(Journal, ATornJournalIsDroppedAndTheFileLeftAlone) {
  TempDir dir;
  const std::string path = dir.File("doc.kdx");
  TestDocument doc(path);
  doc.Add("kept", {"b", "t", "n"});
  doc.Save();
  const std::vector<uint8_t> saved = kdx_test::ReadAll(path);
  doc.session().Close();

  // Torn: the file was never touched; only the journal goes.
  kdx_test::WriteAll(REZ_JournalPath(path), std::string("REZJRNL1") + std::string(60, 'x'));
  EXPECT_EQ(REZ_RecoverJournal(path), 0);
  EXPECT_FALSE(std::filesystem::exists(REZ_JournalPath(path)));
  EXPECT_EQ(kdx_test::ReadAll(path), saved);
}

}  // namespace
