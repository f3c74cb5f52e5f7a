// The entry list file and the joined text file: exact bytes (Shift JIS, tabs,
// line ends), the column rules, missing entries and texts that do not convert.
#include "transfer/entry_list_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/document/color_label.h"
#include "core/document/entry_table.h"
#include "core/listing/list_columns.h"
#include "core/util/vell_encoding.h"
#include "support/test_support.h"
#include "transfer/import_doc.h"

namespace {

using kdx_test::ImportDoc;
using kdx_test::ReadText;
using kdx_test::TempDir;

// Shows exactly the columns named, in the column table's own order.
void ShowOnly(VELL_ARY* columnAry, std::initializer_list<const char*> identifiers) {
  for (int32_t i = 0; i < Vell_Ary_GetSize(columnAry); ++i) {
    KDX_COLUMN column;
    Vell_Ary_GetData(columnAry, i, &column);
    column.cl_shown = false;
    for (const char* id : identifiers)
      column.cl_shown |= std::strcmp(column.cl_identifier, id) == 0;
    Vell_Ary_Update(columnAry, i, &column);
  }
}
void ShowOnly(KDX_DATA* data, std::initializer_list<const char*> identifiers) {
  ShowOnly(data->columnAry, identifiers);
}

void List(KDX_DATA* data, std::initializer_list<int32_t> ids) { data->showIDAry = ids; }

// 会議 and 重要 in Shift JIS.
const std::string kKaigi = "\x89\xEF\x8B\x63";

TEST(EntryListFile, WritesShownColumnsInTableOrderWithoutTheIconColumn) {
  TempDir dir;
  ImportDoc doc;
  KDX_ENTRY e = doc.Add("会議", {"", "本文", ""});
  std::strcpy(e.en_update_date, "20100203090500000");
  e.en_co_id = 1;
  ASSERT_EQ(EN_SetData(doc.data()->entryAry, e), 0);
  KDX_ENTRY tabbed = doc.Add("a\tb\r\nc", {"", "", ""});
  tabbed.en_update_date[0] = '\0';  // an empty date shows the template's letters
  tabbed.en_co_id = 1;
  ASSERT_EQ(EN_SetData(doc.data()->entryAry, tabbed), 0);
  KDX_COLOR_LABEL label;
  ASSERT_EQ(CO_GetData(doc.data()->colorLabelAry, 1, &label), 1);
  std::string labelSjis;
  ASSERT_EQ(Vell_EncodeFromUTF8(label.co_name, "S-JIS", labelSjis), 0);

  ShowOnly(doc.data(), {"en_co_id", "en_ft_id", "en_update_date", "en_title"});
  List(doc.data(), {e.en_id, tabbed.en_id});
  const std::string out = dir.File("list.txt");
  KdxTransferResult r = KDX_WriteEntryList_ShowEntry(*doc.data(), 1, out);
  EXPECT_EQ(r.succeeded, 2);
  EXPECT_EQ(r.failed, 0);

  const std::string text = ReadText(out);
  const size_t firstLf = text.find('\n');
  ASSERT_NE(firstLf, std::string::npos);
  const std::string header = text.substr(0, firstLf);
  EXPECT_EQ(std::count(header.begin(), header.end(), '\t'), 2) << "three headers, no icon column";
  EXPECT_EQ(text.substr(firstLf + 1), kKaigi + "\t2010/02/03 09:05\t" + labelSjis + "\n" +
                                          "abc\tYYYY/MM/DD HH:MM\t" + labelSjis + "\n");
}

TEST(EntryListFile, NoteColumnKeepsWholeCharactersWithin128Bytes) {
  TempDir dir;
  ImportDoc doc;
  std::string note;
  for (int i = 0; i < 200; ++i) note += "あ";
  KDX_ENTRY e = doc.Add("t", {"", "", note}, /*encrypted=*/true);
  ShowOnly(doc.data(), {"en_note"});
  List(doc.data(), {e.en_id});
  const std::string out = dir.File("list.txt");
  ASSERT_EQ(KDX_WriteEntryList_ShowEntry(*doc.data(), 1, out).failed, 0);
  const std::string text = ReadText(out);
  std::string expected;
  for (int i = 0; i < 42; ++i) expected += "\x82\xA0";  // あ
  EXPECT_EQ(text.substr(text.find('\n') + 1), expected + "\n");
}

TEST(EntryListFile, SelectionAndMissingEntries) {
  TempDir dir;
  ImportDoc doc;
  KDX_ENTRY a = doc.Add("a", {"", "", ""});
  KDX_ENTRY b = doc.Add("b", {"", "", ""});
  b.en_is_select_entrylist = 1;
  ASSERT_EQ(EN_SetData(doc.data()->entryAry, b), 0);
  ShowOnly(doc.data(), {"en_title"});
  List(doc.data(), {a.en_id, 9999, b.en_id});
  const std::string out = dir.File("list.txt");

  KdxTransferResult all = KDX_WriteEntryList_ShowEntry(*doc.data(), 1, out);
  EXPECT_EQ(all.succeeded, 2);
  EXPECT_EQ(all.failed, 1) << "a missing entry is skipped and counted, not the end of the list";
  std::string text = ReadText(out);
  EXPECT_EQ(text.substr(text.find('\n') + 1), "a\nb\n");

  KdxTransferResult selected = KDX_WriteEntryList_ShowEntry(*doc.data(), 0, out);
  EXPECT_EQ(selected.succeeded, 1);
  text = ReadText(out);
  EXPECT_EQ(text.substr(text.find('\n') + 1), "b\n");

  KdxTransferResult unwritable =
      KDX_WriteEntryList_ShowEntry(*doc.data(), 1, dir.File("no/such.txt"));
  EXPECT_EQ(unwritable.succeeded, 0);
  ASSERT_EQ(unwritable.failures.size(), 2u);
  EXPECT_EQ(unwritable.failures.back().reason, "一覧ファイルを作成できませんでした。");
}

TEST(EntryListFile, ResultsTakeTheSearchWindowsColumnsAndRowOrderNotTheDocuments) {
  TempDir dir;
  ImportDoc doc;
  KDX_ENTRY a = doc.Add("a", {"", "", ""});
  KDX_ENTRY b = doc.Add("b", {"", "", ""});
  a.en_is_select_entrylist = 1;  // the document list's selection, not the results'
  ASSERT_EQ(EN_SetData(doc.data()->entryAry, a), 0);
  ShowOnly(doc.data(), {"en_title"});
  List(doc.data(), {a.en_id, b.en_id});
  // The window's own set: the title moved before the identifier.
  VellAryPtr window(Vell_Ary_Init(kKdxColumnSize, 0, 0));
  for (int32_t i = 0; i < Vell_Ary_GetSize(doc.data()->columnAry); ++i)
    ASSERT_EQ(Vell_Ary_Add(window.get(), Vell_Ary_GetDataPtr(doc.data()->columnAry, i)), 0);
  ShowOnly(window.get(), {"en_id", "en_title"});
  CLCOMM_UpdateColumnWidthArray({{"en_title", 100}, {"en_id", 40}}, window.get());

  const auto found = [](int32_t id, int32_t selected) {
    KDX_FOUND_RESULT r{};
    r.en_id = id;
    r.selected = selected;
    return r;
  };
  const std::vector<KDX_FOUND_RESULT> results{found(b.en_id, 1), found(9999, 1), found(a.en_id, 0)};
  const std::string out = dir.File("results.txt");
  const std::string ida = std::to_string(a.en_id);
  const std::string idb = std::to_string(b.en_id);

  KdxTransferResult all = KDX_WriteEntryList_Results(*doc.data(), window.get(), results, 1, out);
  EXPECT_EQ(all.succeeded, 2);
  EXPECT_EQ(all.failed, 1) << "a result whose entry is gone is skipped and counted";
  std::string text = ReadText(out);
  const std::string header = text.substr(0, text.find('\n'));
  EXPECT_EQ(std::count(header.begin(), header.end(), '\t'), 1);
  EXPECT_EQ(text.substr(text.find('\n') + 1), "b\t" + idb + "\na\t" + ida + "\n");

  KdxTransferResult selected =
      KDX_WriteEntryList_Results(*doc.data(), window.get(), results, 0, out);
  EXPECT_EQ(selected.succeeded, 1);
  text = ReadText(out);
  EXPECT_EQ(text.substr(text.find('\n') + 1), "b\t" + idb + "\n");
}

TEST(JoinedTextFile, SeparatorsTextsAndLeftOutEntries) {
  TempDir dir;
  ImportDoc doc;
  KDX_ENTRY meeting = doc.Add("会議", {"", "一行目\n二行目", ""}, /*encrypted=*/true);
  KDX_ENTRY untitled = doc.Add("", {"", "x", ""});
  KDX_ENTRY empty = doc.Add("e\r\n", {"", "", ""});  // a file name's line break
  KDX_ENTRY emoji = doc.Add("f", {"", "smile 😀", ""});
  const std::string usedBefore = doc.Entry(meeting.en_id).en_use_date;

  const std::string out = dir.File("joined.txt");
  KdxTransferResult r = KDX_ExportAppendToTextFile(
      doc.data(), {meeting.en_id, untitled.en_id, empty.en_id, emoji.en_id, 4242}, out);
  EXPECT_EQ(r.succeeded, 3);
  EXPECT_EQ(r.failed, 2) << "the emoji text and the missing entry";
  EXPECT_EQ(ReadText(out), "-----" + kKaigi +
                               "-----\r\n\x88\xEA\x8D\x73\x96\xDA\n\x93\xF1\x8D\x73\x96\xDA" +
                               "\r\n\r\n----------\r\nx\r\n\r\n-----e-----\r\n-----f-----\r\n");
  EXPECT_NE(std::string(doc.Entry(meeting.en_id).en_use_date), "");
  EXPECT_GE(std::string(doc.Entry(meeting.en_id).en_use_date), usedBefore);
}

}  // namespace
