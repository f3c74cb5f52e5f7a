// The document file: a new document's exact tags and defaults, load and save
// round trips, encrypted titles, damaged tables, counters and failed saves.
#include "core/document/kdx_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "core/container/rez.h"
#include "core/container/rez_test_util.h"
#include "core/document/blocks.h"
#include "core/document/entry_table.h"
#include "core/document/env_table.h"
#include "core/document/kdx_check.h"
#include "core/document/kdx_data.h"
#include "core/document/records.h"
#include "support/test_support.h"

using namespace rez_test;

namespace {

// The document layer beneath the session: its tables loaded and saved as
// they are.
struct Doc : KdxScopedData {
  int32_t Load(const std::string& path, std::vector<std::string>* warnings = nullptr) {
    return KDX_LoadAllData(path.c_str(), &data, warnings);
  }
  int32_t Save() { return KDX_SaveAllData(data.kdxFilePath.c_str(), &data); }
  int32_t AddEntry(const char* title, bool encrypt = false) {
    KDX_ENTRY e;
    EN_InitData(&data, title, "仕事", "2026", "A", 1, "450", &e);
    e.en_encrypt = encrypt ? 1 : 0;
    EXPECT_EQ(EN_AddData(data.entryAry, e), 0);
    return e.en_id;
  }
  KDX_ENTRY Entry(int32_t index) {
    KDX_ENTRY e;
    EN_GetData_ByIndex(data.entryAry, index, &e);
    return e;
  }
};

class KdxFile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CreateKdxFile(path_.c_str()), 0); }
  kdx_test::TempDir dir_;
  std::string path_ = dir_.File("doc.kdx");
};

TEST_F(KdxFile, NewDocumentHoldsTheDefaultTablesInOrder) {
  std::vector<uint8_t> bytes = kdx_test::ReadAll(path_);
  EXPECT_EQ(TagOrder(bytes),
            (std::vector<uint32_t>{kKdxTagCATS, kKdxTagIDCO, kKdxTagCTLE, kKdxTagCLBU, kKdxTagCOLO,
                                   kKdxTagENVI, kKdxTagFIIC, kKdxTagFITY}));
  Doc doc;
  ASSERT_EQ(doc.Load(path_), 0);
  EXPECT_EQ(doc.data.entryAry->count, 0);
  EXPECT_EQ(doc.data.catSetAry->count, 1);
  EXPECT_EQ(doc.data.catTitleAry->count, 1);
  EXPECT_EQ(doc.data.colorLabelAry->count, 8);
  EXPECT_EQ(doc.data.columnAry->count, 20);
  ASSERT_EQ(doc.data.fileTypeAry->count, 1);
  KDX_FILE_TYPE txt;
  KDX_GetKdxFileType(static_cast<const uint8_t*>(Vell_Ary_GetDataPtr(doc.data.fileTypeAry, 0)),
                     &txt);
  EXPECT_STREQ(txt.ft_ext, "txt");
  std::vector<uint8_t> icon(static_cast<size_t>(txt.ft_icon_size));
  EXPECT_EQ(FI_Load(path_.c_str(), txt.ft_fi_id, txt.ft_icon_size, icon.data()), 1);
  EXPECT_EQ(std::string(icon.begin(), icon.begin() + 4), std::string("II*\0", 4));  // a TIFF
  char target[16] = {};
  EXPECT_EQ(EV_GetTextValue(doc.data.envAry, "target_kdx_app", target, sizeof target), 1);
  EXPECT_STREQ(target, "0");
  EXPECT_EQ(KDX_CheckFileVersion(&doc.data, nullptr), KdxVersionCheck::kOpen);
  // The first entry of a new document is number 0.
  EXPECT_EQ(doc.AddEntry("first"), 0);
  std::vector<std::string> problems;
  ASSERT_EQ(KDX_CheckDocument(path_.c_str(), &problems), 0);
  EXPECT_TRUE(problems.empty()) << problems[0];
  EXPECT_EQ(CreateKdxFile(path_.c_str()), kKdxErrFile);  // never overwrites
}

// Titles of encrypted entries are stored enciphered, cut to whole characters
// that fit once enciphered.
TEST_F(KdxFile, EncryptedTitlesAreHiddenOnDiskAndKeepWholeCharacters) {
  std::string title = "秘密";
  while (title.size() < 500) title += "暗";  // 3 bytes each
  Doc doc;
  ASSERT_EQ(doc.Load(path_), 0);
  doc.AddEntry("plain title");
  doc.AddEntry(title.substr(0, 501).c_str(), true);
  ASSERT_EQ(doc.Save(), 0);
  const std::string saved = doc.Entry(1).en_title;
  EXPECT_EQ(saved.size(), 477u);  // 159 whole characters within 479 bytes
  const std::vector<uint8_t> bytes = kdx_test::ReadAll(path_);
  const std::string all(bytes.begin(), bytes.end());
  EXPECT_NE(all.find("plain title"), std::string::npos);
  EXPECT_EQ(all.find("秘密"), std::string::npos);
  Doc reloaded;
  ASSERT_EQ(reloaded.Load(path_), 0);
  ASSERT_EQ(reloaded.data.entryAry->count, 2);
  EXPECT_STREQ(reloaded.Entry(0).en_title, "plain title");
  EXPECT_EQ(std::string(reloaded.Entry(1).en_title), saved);
}

TEST_F(KdxFile, IncrementalSavesWriteWhatAFullSaveWould) {
  kdx_test::TempDir other;
  std::string fullPath = other.File("full.kdx");
  ASSERT_EQ(CreateKdxFile(fullPath.c_str()), 0);
  Doc inc, full;
  ASSERT_EQ(inc.Load(path_), 0);
  ASSERT_EQ(full.Load(fullPath), 0);
  auto both = [&](auto change) {
    change(inc);
    change(full);
    ASSERT_EQ(inc.Save(), 0);
    KDX_ForgetSavedState(&full.data);
    ASSERT_EQ(full.Save(), 0);
  };
  both([](Doc& d) {
    for (int i = 0; i < 5; ++i) d.AddEntry(("entry " + std::to_string(i)).c_str());
  });
  both([](Doc& d) {
    KDX_ENTRY e = d.Entry(2);
    std::strcpy(e.en_title, "changed");
    EN_SetData_ByIndex(d.data.entryAry, 2, e);
  });
  both([](Doc& d) { ASSERT_EQ(EN_Remove(d.data.entryAry, 1), 0); });
  auto a = ReadContents(kdx_test::ReadAll(path_)).value();
  auto b = ReadContents(kdx_test::ReadAll(fullPath)).value();
  a.erase(kKdxTagENVI);  // save dates differ
  b.erase(kKdxTagENVI);
  // Creation dates of the entries differ by the milliseconds between the two
  // documents; compare the titles and the table shapes.
  ASSERT_EQ(a[kKdxTagENTR].size(), 4u);
  for (size_t i = 0; i < 4; ++i)
    EXPECT_EQ(a[kKdxTagENTR][i].substr(76, 512), b[kKdxTagENTR][i].substr(76, 512));
  for (auto tag : {kKdxTagIDCO, kKdxTagCLBU, kKdxTagCATS}) EXPECT_EQ(a[tag].size(), b[tag].size());
  Doc reloaded;
  ASSERT_EQ(reloaded.Load(path_), 0);
  EXPECT_STREQ(reloaded.Entry(1).en_title, "changed");
}

// Replaces the members of tag in the file at path with one of another size.
void DamageTable(const std::string& path, uint32_t tag) {
  REZ_FILE file;
  ASSERT_EQ(REZ_Open(path.c_str(), 0, &file), REZ_OK);
  ASSERT_EQ(REZ_AddData(&file, tag, 7, "damaged"), REZ_OK);
  ASSERT_EQ(REZ_Close(&file), 0);
}

TEST_F(KdxFile, ADamagedEssentialTableFailsTheOpen) {
  for (uint32_t tag : {kKdxTagENVI, kKdxTagIDCO, kKdxTagENTR, kKdxTagCATS}) {
    kdx_test::TempDir dir;
    std::string path = dir.File("d.kdx");
    ASSERT_EQ(CreateKdxFile(path.c_str()), 0);
    DamageTable(path, tag);
    Doc doc;
    EXPECT_EQ(doc.Load(path), kKdxErrFile);
    EXPECT_EQ(doc.data.envAry->count, 0);
  }
}

TEST_F(KdxFile, ADamagedLabelTableFallsBackAndIsReplacedAtTheNextSave) {
  DamageTable(path_, kKdxTagCOLO);
  Doc doc;
  std::vector<std::string> warnings;
  ASSERT_EQ(doc.Load(path_, &warnings), 0);
  EXPECT_EQ(warnings, (std::vector<std::string>{"COLO"}));
  EXPECT_EQ(doc.data.colorLabelAry->count, 8);
  ASSERT_EQ(doc.Save(), 0);
  Doc reloaded;
  warnings.clear();
  ASSERT_EQ(reloaded.Load(path_, &warnings), 0);
  EXPECT_TRUE(warnings.empty());
}

TEST_F(KdxFile, LostCountersNeverHandOutAnIdentifierAgain) {
  {
    Doc doc;
    ASSERT_EQ(doc.Load(path_), 0);
    for (int i = 0; i < 10; ++i) doc.AddEntry("x");
    ASSERT_EQ(doc.Save(), 0);
    ASSERT_EQ(TX_Save(&doc.data, 9, 1024, 4, "body"), 0);
  }
  REZ_FILE file;
  ASSERT_EQ(REZ_Open(path_.c_str(), 0, &file), REZ_OK);
  while (REZ_FirstMember(&file, kKdxTagIDCO) == REZ_OK) ASSERT_EQ(REZ_RemoveData(&file), REZ_OK);
  ASSERT_EQ(REZ_Close(&file), 0);
  Doc doc;
  ASSERT_EQ(doc.Load(path_), 0);
  EXPECT_EQ(doc.AddEntry("new"), 10);
  // The text block counter is above the block already in the file too.
  EXPECT_GE(TX_GetContainerID(path_.c_str(), 9), 0);
  ASSERT_EQ(TX_Save(&doc.data, 10, 1024, 3, "new"), 0);
  EXPECT_GT(TX_GetContainerID(path_.c_str(), 10), TX_GetContainerID(path_.c_str(), 9));
}

TEST_F(KdxFile, AFailedWriteIsReportedNotSwallowed) {
  Doc doc;
  ASSERT_EQ(doc.Load(path_), 0);
  doc.AddEntry("x");
  RezSetStreamWrapperForTesting([](std::unique_ptr<RezStream> inner) -> std::unique_ptr<RezStream> {
    return std::make_unique<FailingStream>(std::move(inner), 1);
  });
  EXPECT_EQ(doc.Save(), kKdxErrFile);
  RezSetStreamWrapperForTesting(nullptr);
  // The next save, with a working file, writes everything.
  ASSERT_EQ(doc.Save(), 0);
  Doc reloaded;
  ASSERT_EQ(reloaded.Load(path_), 0);
  EXPECT_EQ(reloaded.data.entryAry->count, 1);
}

// The file information is part of a save: a document that lost one of its
// values and cannot have it written again must not be saved as if it had, or
// the next open takes it for no Kardinex file at all.
TEST_F(KdxFile, AFileInformationStampThatCannotBeMadeFailsTheSave) {
  Doc doc;
  ASSERT_EQ(doc.Load(path_), 0);
  const int32_t createOs = EV_FindIndex_byKeyword(doc.data.envAry, "create_os");
  ASSERT_GE(createOs, 0);
  Vell_Ary_Remove(doc.data.envAry, createOs);
  bool exhausted = false;
  for (int32_t i = 0; i < Vell_Ary_GetSize(doc.data.idCounterAry); ++i) {
    auto* stored = static_cast<uint8_t*>(Vell_Ary_GetDataPtr(doc.data.idCounterAry, i));
    KDX_ID_COUNTER counter;
    KDX_GetKdxIdCounter(stored, &counter);
    if (counter.ic_tag != kKdxTagENVI) continue;
    counter.ic_next_value = INT32_MAX;  // the new value could get no identifier
    KDX_SetKdxIdCounter(counter, stored);
    exhausted = true;
  }
  ASSERT_TRUE(exhausted);
  EXPECT_EQ(doc.Save(), kKdxErrFile);
}

TEST_F(KdxFile, ASaveToldWhichEntryChangedWritesItAndTheEntriesAppendedSince) {
  Doc doc;
  ASSERT_EQ(doc.Load(path_), 0);
  for (int i = 0; i < 4; ++i) doc.AddEntry(("entry " + std::to_string(i)).c_str());
  ASSERT_EQ(doc.Save(), 0);
  KDX_ENTRY e = doc.Entry(2);
  std::strcpy(e.en_title, "told");
  EN_SetData_ByIndex(doc.data.entryAry, 2, e);
  ASSERT_EQ(KDX_SaveAfterEntryChanges(path_.c_str(), &doc.data, {2}), 0);
  doc.AddEntry("added");  // found by the count
  e = doc.Entry(0);
  std::strcpy(e.en_title, "told too");
  EN_SetData_ByIndex(doc.data.entryAry, 0, e);
  ASSERT_EQ(KDX_SaveAfterEntryChanges(path_.c_str(), &doc.data, {0}), 0);
  Doc reloaded;
  ASSERT_EQ(reloaded.Load(path_), 0);
  ASSERT_EQ(reloaded.data.entryAry->count, 5);
  EXPECT_STREQ(reloaded.Entry(0).en_title, "told too");
  EXPECT_STREQ(reloaded.Entry(2).en_title, "told");
  EXPECT_STREQ(reloaded.Entry(4).en_title, "added");
}

}  // namespace
