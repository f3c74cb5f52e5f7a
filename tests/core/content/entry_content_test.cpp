// Entry content: stored forms of encrypted blocks, switching an entry's
// encryption (also with a write failing in every opening of the file), failed
// loads told apart from empty blocks, copies, removal and save-as-new.
#include "core/content/entry_content.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/container/rez_test_util.h"
#include "core/content/entry_copy.h"
#include "core/content/loaded_block.h"
#include "core/content/new_document.h"
#include "core/content/new_entry.h"
#include "core/content/password_store.h"
#include "core/document/block_index.h"
#include "core/document/catset_table.h"
#include "core/document/color_label.h"
#include "core/document/entry_table.h"
#include "core/document/env_table.h"
#include "core/document/id_counter.h"
#include "core/document/kdx_file.h"
#include "core/util/vell_crypto.h"
#include "core/util/vell_log.h"
#include "core/util/vell_mem.h"
#include "core/util/vell_system.h"
#include "support/test_document.h"

namespace {

using Kind = KdxBlockKind;
constexpr Kind kKinds[] = {Kind::kBody, Kind::kText, Kind::kNote};
constexpr int32_t kExpand = 64;

// A document on a file of its own, beneath the session: its tables loaded as
// they are, every write going straight to the file, as the content layer
// writes when no transaction holds it.
struct Doc : KdxScopedData {
  explicit Doc(const std::string& file) {
    if (!std::filesystem::exists(file)) {
      EXPECT_EQ(CreateKdxFile(file.c_str()), 0);
    }
    EXPECT_EQ(KDX_LoadAllData(file.c_str(), &data), 0);
  }
  const char* path() const { return data.kdxFilePath.c_str(); }
  KDX_ENTRY Add(const std::string& title, const KdxEntryContent& content = {},
                bool encrypted = false) {
    KDX_ENTRY made{};
    EXPECT_EQ(KDX_CreateEntry(&data, kdx_test::TestDocument::NewEntry(title, content, encrypted),
                              kExpand, &made),
              0);
    return made;
  }
  KDX_ENTRY Entry(int32_t id) const {
    KDX_ENTRY e{};
    static_cast<void>(KDX_FindEntry(&data, id, &e));  // all zero when absent
    return e;
  }
  std::string Load(const KDX_ENTRY& e, Kind kind) { return kdx_test::LoadedBlock(path(), e, kind); }
  std::string Stored(int32_t id, Kind kind) {
    std::vector<uint8_t> raw;
    if (KDX_LoadBlockData(path(), kind, id, raw) != 0) return "<missing>";
    return std::string(raw.begin(), raw.end());
  }
};

// The content followed by zeros up to the encrypted size E.
std::string Padded(const std::string& content) {
  std::string out = content;
  out.resize(static_cast<size_t>(Vell_GetEncryptedDataLength(static_cast<int32_t>(content.size()))),
             '\0');
  return out;
}

const std::string kBody = std::string("{\\rtf1 body\0with nul", 20) + std::string(300, 'b');
const KdxEntryContent kContent{kBody, "本文のテキスト", "メモ 16 bytes!!"};

std::string ContentOf(Kind kind) {
  return std::string(kind == Kind::kBody   ? kContent.body
                     : kind == Kind::kText ? kContent.text
                                           : kContent.note);
}

class EntryContent : public ::testing::Test {
 protected:
  void TearDown() override { RezSetStreamWrapperForTesting(nullptr); }
  kdx_test::TempDir dir_;
  std::string path_ = dir_.File("doc.kdx");
};

TEST_F(EntryContent, EncryptedBlocksHaveNoPaddingAndLoadAsContentThenZeros) {
  Doc doc(path_);
  const std::string note16 = "0123456789abcdef";
  KDX_ENTRY e = doc.Add("secret", {kBody, "text", note16}, true);
  KDX_ENTRY empty = doc.Add("empty note", {"", "", ""}, true);
  EXPECT_EQ(doc.Stored(e.en_id, Kind::kNote).size(), 48u);
  EXPECT_EQ(doc.Load(e, Kind::kNote), note16 + std::string(32, '\0'));
  EXPECT_EQ(doc.Stored(empty.en_id, Kind::kNote).size(), 32u);
  EXPECT_EQ(doc.Load(empty, Kind::kNote), std::string(32, '\0'));
  EXPECT_EQ(doc.Load(e, Kind::kBody), Padded(kBody));

  KDX_ENTRY imported = doc.Add("imported", {"", std::string("abc\0", 4), ""});

  // The scan reader deciphers by the entry's flag and reports its identifier.
  REZ_FILE file;
  ASSERT_EQ(REZ_Open(doc.path(), 1, &file), REZ_OK);
  std::vector<std::pair<int32_t, std::string>> seen;
  for (int32_t s = REZ_FirstMember(&file, kKdxTagTEXT); s == REZ_OK; s = REZ_NextMember(&file)) {
    uint8_t* buffer = nullptr;
    const int32_t id = KDX_TX_GetData(&file, &doc.data, &buffer);
    ASSERT_GE(id, 0);
    seen.emplace_back(id, reinterpret_cast<char*>(buffer));
    Vell_MallocFree(buffer);
  }
  EXPECT_EQ(REZ_Close(&file), REZ_OK);
  EXPECT_EQ(seen, (std::vector<std::pair<int32_t, std::string>>{
                      {e.en_id, "text"}, {empty.en_id, ""}, {imported.en_id, "abc"}}));
}

// A block's bytes as the decoder takes them: head, data size, data, spare.
std::vector<uint8_t> BlockBytes(int32_t dataSize, size_t dataBytes) {
  std::vector<uint8_t> b(kKdxContentHeadSize + dataBytes, 'd');
  rez_test::PutLe32(b, 0, 5);
  rez_test::PutLe32(b, 4, 77);
  rez_test::PutLe32(b, 8, static_cast<uint32_t>(dataSize));
  return b;
}

TEST(ContentBlockDecoder, HeadSizeAndCipherRulesAtTheirBounds) {
  using R = KdxBlockRead;
  struct Case {
    std::vector<uint8_t> bytes;
    bool encrypted;
    R head, decode;
    size_t content;
  };
  const Case cases[] = {
      {std::vector<uint8_t>(kKdxContentHeadSize - 1, 0), false, R::kShortHead, R::kOk, 0},
      {BlockBytes(0, 0), false, R::kOk, R::kOk, 0},
      {BlockBytes(10, 10), false, R::kOk, R::kOk, 10},
      {BlockBytes(11, 10), false, R::kSizeOutside, R::kOk, 0},
      {BlockBytes(-1, 10), false, R::kSizeOutside, R::kOk, 0},
      {BlockBytes(16, 40), true, R::kOk, R::kOk, 0},  // the IV alone: empty content
      {BlockBytes(32, 40), true, R::kOk, R::kOk, 16},
      {BlockBytes(31, 40), true, R::kOk, R::kUndecipherable, 0},
      {BlockBytes(8, 40), true, R::kOk, R::kUndecipherable, 0},
  };
  std::vector<uint8_t> work;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bytes.size() << " bytes, encrypted " << c.encrypted);
    KdxContentBlock block;
    ASSERT_EQ(KDX_ReadContentBlock(c.bytes, &block), c.head);
    if (c.head != R::kOk) continue;
    EXPECT_EQ(block.entryId, 77);
    std::span<const uint8_t> content;
    ASSERT_EQ(KDX_DecodeContent(block, c.encrypted, work, &content), c.decode);
    if (c.decode != R::kOk) continue;
    EXPECT_EQ(content.size(), c.content);
    // Plain data is handed out in place, just after the head.
    if (!c.encrypted) {
      EXPECT_EQ(content.data(), c.bytes.data() + kKdxContentHeadSize);
    }
  }
}

TEST_F(EntryContent, SwitchingEncryptionRoundTripsAndSavesTheFlagsAtOnce) {
  Doc doc(path_);
  KDX_ENTRY e = doc.Add("switch me", kContent);
  ASSERT_EQ(KDX_SetEncrypt(&doc.data, &e, 0, kExpand), 0);
  const auto fileAfterFirst = kdx_test::ReadAll(path_);
  EXPECT_EQ(KDX_SetEncrypt(&doc.data, &e, 0, kExpand), kKdxSwitchNotNeeded);
  EXPECT_EQ(kdx_test::ReadAll(path_), fileAfterFirst);
  EXPECT_EQ(doc.Stored(e.en_id, Kind::kText).find("本文"), std::string::npos);
  {
    Doc reopened(path_);  // the flags reached the file with the blocks
    KDX_ENTRY r = reopened.Entry(e.en_id);
    EXPECT_EQ(r.en_encrypt + r.en_bo_encrypt + r.en_no_encrypt, 3);
    EXPECT_STREQ(r.en_title, "switch me");
    EXPECT_EQ(reopened.Load(r, Kind::kBody), Padded(kBody));
  }
  ASSERT_EQ(KDX_SetDecrypt(&doc.data, &e, 0, kExpand), 0);
  for (Kind kind : kKinds) {
    // Plain again, keeping the larger size: the content, then zeros.
    EXPECT_EQ(doc.Stored(e.en_id, kind), Padded(ContentOf(kind)));
  }
  Doc reopened(path_);
  EXPECT_EQ(reopened.Entry(e.en_id).en_bo_encrypt, 0);
}

// Writes fail from the first (or second) write of one opening of the file, in
// turn for every opening the switch makes: either the switch succeeds, or it
// reports failure and the entry reads as before, in memory and on disk.
TEST_F(EntryContent, FailedSwitchLeavesFlagsAndBlocksAsTheyWere) {
  {
    Doc base(path_);
    base.Add("plain", kContent);
    ASSERT_EQ(KDX_SaveAllData(base.path(), &base.data), 0);
  }
  int opened = 0;
  auto wrapper = [&](int failOpening, int failAt) {
    opened = 0;
    RezSetStreamWrapperForTesting([&opened, failOpening, failAt](std::unique_ptr<RezStream> in) {
      ++opened;
      return std::make_unique<rez_test::FailingStream>(std::move(in),
                                                       opened == failOpening ? failAt : 0);
    });
  };
  int failures = 0, ends = 0;
  for (int failAt : {1, 2}) {
    for (int k = 1; k < 40; ++k) {
      SCOPED_TRACE(testing::Message() << "opening " << k << " write " << failAt);
      const std::string work = dir_.File("w" + std::to_string(failAt) + "_" + std::to_string(k));
      std::filesystem::copy_file(path_, work);
      Doc doc(work);
      KDX_ENTRY e;
      EN_GetData_ByIndex(doc.data.entryAry, 0, &e);
      wrapper(k, failAt);
      const int32_t result = KDX_SetEncrypt(&doc.data, &e, 0, kExpand);
      RezSetStreamWrapperForTesting(nullptr);
      const bool switched = result == 0;
      if (!switched) {
        ASSERT_EQ(result, kKdxSwitchFailed);
      }
      EXPECT_EQ(e.en_bo_encrypt, switched ? 1 : 0);
      EXPECT_EQ(doc.Entry(e.en_id).en_no_encrypt, switched ? 1 : 0);
      block_index::ClearForTesting();
      Doc reopened(work);
      const KDX_ENTRY r = reopened.Entry(e.en_id);
      EXPECT_EQ(r.en_bo_encrypt + r.en_no_encrypt + r.en_encrypt, switched ? 3 : 0);
      for (Kind kind : kKinds) {
        EXPECT_EQ(reopened.Load(r, kind), switched ? Padded(ContentOf(kind)) : ContentOf(kind));
      }
      failures += !switched;
      if (switched && opened < k) {  // past the switch's last opening
        ++ends;
        break;
      }
    }
  }
  EXPECT_GE(failures, 5);  // each block, the tables, and a second write of the tables
  EXPECT_EQ(ends, 2);
}

TEST_F(EntryContent, FailedLoadIsToldApartFromAnEmptyBlock) {
  Doc doc(path_);
  KDX_ENTRY empty = doc.Add("empty", {"", "", ""});
  EXPECT_EQ(doc.Load(empty, Kind::kBody), "");
  ASSERT_EQ(NO_RemoveContainer(doc.path(), empty.en_id), 0);
  EXPECT_EQ(doc.Load(empty, Kind::kNote), "<" + std::to_string(kKdxLoadMissing) + ">");

  // An encrypted block whose size breaks the 16 + 16k rule is never deciphered.
  KDX_ENTRY secret = doc.Add("secret", kContent, true);
  ASSERT_EQ(BO_Save(&doc.data, secret.en_id, kExpand, 17, std::string(17, 'x').data()), 0);
  EXPECT_EQ(doc.Load(secret, Kind::kBody), "<" + std::to_string(kKdxLoadFailed) + ">");
  EXPECT_LT(KDX_CopyOneEntry(&doc.data, secret, kExpand, nullptr), 0);
  EXPECT_EQ(Vell_Ary_GetSize(doc.data.entryAry), 2);  // no half-made copy
}

TEST_F(EntryContent, NewEntryDoesNotInheritBlocksLeftUnderItsIdentifier) {
  Doc doc(path_);
  // As after a crash before the counters were saved: blocks of the next en_id.
  KDX_ENTRY probe;
  EN_InitData(&doc.data, "probe", "", "", "", 0, "", &probe);
  const int32_t next = probe.en_id + 1;
  ASSERT_EQ(BO_CreateNewContainer(doc.path(), kExpand, 900, next, 5, "stale"), 0);
  ASSERT_EQ(NO_CreateNewContainer(doc.path(), kExpand, 901, next, 5, "stale"), 0);
  KDX_ENTRY e = doc.Add("fresh", {"new body", "new", ""});
  ASSERT_EQ(e.en_id, next);
  EXPECT_EQ(doc.Load(e, Kind::kBody), "new body");  // and not "stale"
  EXPECT_EQ(doc.Load(e, Kind::kNote), "");
}

TEST(CopyTitle, NumbersCopiesAndKeepsTitlesThatWouldGrowTooLong) {
  const std::pair<std::string, std::string> cases[] = {
      {"メモ", "メモのコピー"},
      {"メモのコピー", "メモのコピー1"},
      {"メモのコピー1", "メモのコピー2"},
      {"メモのコピー9", "メモのコピー10"},
      {"メモのコピーA", "メモのコピーAのコピー"},
      {"メモのコピー1234567890", "メモのコピー1234567890のコピー"},
      {"のコピー2のコピー", "のコピー2のコピー1"},
  };
  char dst[512];
  for (const auto& [title, copy] : cases) {
    EXPECT_EQ(KDX_GetCopyEntryTitle(title.c_str(), dst, sizeof dst), 1);
    EXPECT_EQ(dst, copy);
  }
  const std::string limit(158, 'a');  // + 12 bytes of suffix reaches 170
  EXPECT_EQ(KDX_GetCopyEntryTitle(limit.c_str(), dst, sizeof dst), 0);
  EXPECT_EQ(dst, limit);
  EXPECT_EQ(KDX_GetCopyEntryTitle(limit.substr(1).c_str(), dst, sizeof dst), 1);
}

TEST_F(EntryContent, CopiesOfAnEncryptedEntryAreEncryptedAndIndependent) {
  Doc doc(path_);
  KDX_ENTRY source = doc.Add("秘密", kContent, true);
  KDX_ENTRY copy, second;
  ASSERT_EQ(KDX_CopyOneEntry(&doc.data, source, kExpand, &copy), 1);
  ASSERT_EQ(KDX_CopyOneEntry(&doc.data, copy, kExpand, &second), 1);
  EXPECT_STREQ(second.en_title, "秘密のコピー1");
  EXPECT_EQ(copy.en_bo_encrypt + copy.en_no_encrypt, 2);
  EXPECT_STREQ(copy.en_create_date, source.en_create_date);
  for (Kind kind : kKinds) {  // enciphered again: a fresh IV, the same size
    const std::string from = doc.Stored(source.en_id, kind), made = doc.Stored(copy.en_id, kind);
    EXPECT_EQ(made.size(), from.size());
    EXPECT_NE(made.substr(0, 16), from.substr(0, 16));
  }
  ASSERT_EQ(KDX_RemoveOneEntry(&doc.data, source), 0);
  for (Kind kind : kKinds) {
    EXPECT_EQ(doc.Stored(source.en_id, kind), "<missing>");
    EXPECT_EQ(doc.Load(copy, kind), Padded(ContentOf(kind)));
    EXPECT_EQ(doc.Load(second, kind), Padded(ContentOf(kind)));
  }
  EXPECT_EQ(EN_FindIndex_ByID(doc.data.entryAry, source.en_id), -1);
}

TEST_F(EntryContent, CopyMakesTheBlocksItsSourceLacksEmptyAndLogsThem) {
  Doc doc(path_);
  for (bool encrypted : {false, true}) {
    KDX_ENTRY source = doc.Add("lacking", kContent, encrypted);
    ASSERT_EQ(TX_RemoveContainer(doc.path(), source.en_id), 0);
    ASSERT_EQ(NO_RemoveContainer(doc.path(), source.en_id), 0);
    const size_t logBefore = kdx_test::ReadAll(Vell_GetLogFilePath()).size();
    KDX_ENTRY copy;
    ASSERT_EQ(KDX_CopyOneEntry(&doc.data, source, kExpand, &copy), 1);
    const auto log = kdx_test::ReadAll(Vell_GetLogFilePath());
    const std::string added(log.begin() + static_cast<std::ptrdiff_t>(logBefore), log.end());
    EXPECT_NE(added.find("[-1] CopyOneText\r\n"), std::string::npos);
    EXPECT_NE(added.find("[-1] CopyOneNote\r\n"), std::string::npos);
    EXPECT_EQ(doc.Load(copy, Kind::kBody), encrypted ? Padded(kBody) : kBody);
    for (Kind kind : {Kind::kText, Kind::kNote}) {
      // Made empty, in the entry's form: 32 bytes of IV and zeros when encrypted.
      EXPECT_EQ(doc.Stored(copy.en_id, kind).size(), encrypted ? 32u : 0u);
      EXPECT_EQ(doc.Load(copy, kind), encrypted ? std::string(32, '\0') : "");
    }
  }
}

TEST_F(EntryContent, RemovalWithAMissingNoteLogsItsStepsAndStillRemoves) {
  Doc doc(path_);
  KDX_ENTRY e = doc.Add("gone", kContent);
  const KDX_ENTRY keep = doc.Add("kept", kContent);
  ASSERT_EQ(NO_RemoveContainer(doc.path(), e.en_id), 0);
  const size_t logBefore = kdx_test::ReadAll(Vell_GetLogFilePath()).size();
  EXPECT_EQ(KDX_RemoveOneEntry(&doc.data, e), 0);
  const auto log = kdx_test::ReadAll(Vell_GetLogFilePath());
  const std::string added(log.begin() + static_cast<std::ptrdiff_t>(logBefore), log.end());
  for (int step = 1; step <= 7; ++step) {  // only the note's two steps failed
    EXPECT_EQ(added.find("[-" + std::to_string(step) + "] KDX_RemoveOneEntry") != std::string::npos,
              step == 5 || step == 6);
  }
  EXPECT_EQ(doc.Stored(e.en_id, Kind::kBody), "<missing>");
  EXPECT_EQ(doc.Load(keep, Kind::kBody), kBody);
  EXPECT_EQ(Vell_Ary_GetSize(doc.data.entryAry), 1);
}

TEST_F(EntryContent, SaveAsNewWritesTheSelectedEntriesWithPasswordAndNumbering) {
  Doc doc(path_);
  KDX_ENTRY a = doc.Add("a", kContent, true);
  KDX_ENTRY b = doc.Add("b", {"bb", "b", "b note"});
  KDX_ENTRY c = doc.Add("c", {"cc", "c", ""});
  for (KDX_ENTRY* e : {&a, &c}) {
    e->en_is_select_entrylist = true;
    ASSERT_EQ(EN_SetData(doc.data.entryAry, *e), 0);
  }
  doc.data.showIDAry = {c.en_id, b.en_id, a.en_id};
  ASSERT_EQ(KDXCOMM_SetPassword(doc.data.envAry, doc.data.idCounterAry, "abc123"), 0);
  const KDX_NEW_SAVE_OPTIONS options{0, 0, 0, 0, 0, 1};
  const std::string copyPath = dir_.File("subset.kdx");
  // The default titles and labels are stored as the format has them, whatever
  // language the interface shows them in.
  Vell_SetLocalizedStringMap({{"分類１", "Category 1"}, {"なし", "None"}});
  ASSERT_EQ(KDX_NewSaveFile_ShowEntry(&doc.data, options, copyPath.c_str(), kExpand), 0);
  Vell_SetLocalizedStringTable({});

  Doc copy(copyPath);
  ASSERT_EQ(Vell_Ary_GetSize(copy.data.entryAry), 2);
  EXPECT_EQ(EN_FindIndex_ByID(copy.data.entryAry, c.en_id), 0);  // list order
  EXPECT_EQ(EN_FindIndex_ByID(copy.data.entryAry, b.en_id), -1);
  EXPECT_EQ(copy.Load(copy.Entry(a.en_id), Kind::kBody), Padded(kBody));
  EXPECT_EQ(copy.Load(copy.Entry(c.en_id), Kind::kText), "c");
  char password[64];
  EXPECT_EQ(KDXCOMM_GetPassword(copy.data.envAry, password, sizeof password), 6);
  EXPECT_STREQ(password, "abc123");
  int32_t target = 0;
  EXPECT_EQ(EV_GetIntValue(copy.data.envAry, "target_kdx_app", &target), 1);
  EXPECT_EQ(target, 1);
  EXPECT_EQ(IC_GetID_FromCounter(copy.data.idCounterAry, kKdxTagENTR, "en_id"),
            IC_GetID_FromCounter(doc.data.idCounterAry, kKdxTagENTR, "en_id"));
  KDX_CATEGORY_TITLE titles{};
  ASSERT_EQ(TI_GetData(copy.data.catTitleAry, &titles), 1);
  EXPECT_STREQ(titles.ti_cat1_title, "分類１");
  KDX_COLOR_LABEL label{};
  ASSERT_EQ(CO_GetData(copy.data.colorLabelAry, 0, &label), 1);
  EXPECT_STREQ(label.co_name, "なし");

  // An identifier in the list without an entry aborts and leaves no file.
  const int32_t ghost = 4242;
  doc.data.showIDAry.push_back(ghost);
  const std::string failed = dir_.File("failed.kdx");
  EXPECT_EQ(KDX_NewSaveFile_ShowEntry(&doc.data, options, failed.c_str(), kExpand), kKdxErrFile);
  EXPECT_FALSE(std::filesystem::exists(failed));
}

// A size that does not fit the field is shown as nothing, never cut into a
// smaller number.
TEST(DataSizeString, GroupsDigitsAndNeverShowsACutNumber) {
  char dst[16];
  KDX_GetDataSizeString(1234567, dst, sizeof dst);
  EXPECT_STREQ(dst, "1,234,567");
  char small[6];
  KDX_GetDataSizeString(1234567, small, sizeof small);
  EXPECT_STREQ(small, "");
}

}  // namespace
