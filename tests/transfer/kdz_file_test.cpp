// The single-entry export file: its exact lines, round trips of every field
// and the note, lines injected through values, and hostile or damaged files.
#include "transfer/kdz_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "core/util/vell_utf8.h"
#include "transfer/import_doc.h"

namespace {

using kdx_test::ImportDoc;

TEST(KdzWrite, KeysInTheirOrderThenTheNoteWithoutLineEnd) {
  ImportDoc doc;
  KDX_ENTRY e = doc.Add("メモ", {"", "", "一行目\r\n二行目"});
  const std::string path = doc.path() + ".kdz";
  ASSERT_EQ(KDX_ExportKdzFile(doc.data(), e, path), 0);
  std::vector<std::string> lines;
  std::string keys, text = kdx_test::ReadText(path);
  for (size_t start = 0, end = 0; end != std::string::npos; start = end + 2) {
    end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end - start));
    keys += lines.back().substr(0, lines.back().find(' ') + 1);
  }
  EXPECT_EQ(keys,
            "[version] [en_id] [en_title] [en_cat1_name] [en_cat2_name] [en_cat3_name] [en_co_id] "
            "[en_create_date] [en_update_date] [en_last_opened_date] [en_use_date] "
            "[en_window_position_left] [en_window_position_top] [en_window_position_right] "
            "[en_window_position_bottom] [en_window_z_index] [en_focus_item] [en_detail_toggle] "
            "[en_body_scroll_position] [en_body_caret_position] [en_body_selection_start] "
            "[en_body_selection_end] [en_file_path] [en_create_os] [en_update_os] "
            "[en_create_machine_name] [en_update_machine_name] [en_is_select_entrylist] "
            "[en_encode] [file_ext] [en_encrypt] [en_bo_encrypt] [en_no_encrypt] [note] ");
  EXPECT_EQ(lines[0], "[version] 0361138");
  EXPECT_EQ(lines[1], "[en_id] " + std::to_string(e.en_id));
  EXPECT_EQ(lines[29], "[file_ext] txt");  // the type of a new entry
  EXPECT_EQ(lines[33], "[note] 一行目");
}

TEST(KdzRoundTrip, EveryFieldAndTheNoteOfAnEncryptedEntry) {
  ImportDoc doc;
  const std::string note = "秘密のメモ\r\n[en_title] 偽物\nline 3\n";
  KDX_ENTRY e = doc.Add("暗号化された文章", {"", "", note}, /*encrypted=*/true);
  e.en_co_id = 5;
  std::strcpy(e.en_last_opened_date, "20260102030405006");
  std::strcpy(e.en_use_date, "20260102030405007");
  int32_t n = -3;
  for (int32_t* field :
       {&e.en_window_position_left, &e.en_window_position_top, &e.en_window_position_right,
        &e.en_window_position_bottom, &e.en_window_z_index, &e.en_focus_item, &e.en_detail_toggle,
        &e.en_body_scroll_position, &e.en_body_caret_position, &e.en_body_selection_start,
        &e.en_body_selection_end}) {
    *field = n++ * 1000;
  }
  e.en_is_select_entrylist = true;
  std::strcpy(e.en_file_path, "/tmp/a b/'q'.txt");
  std::strncpy(e.en_encode, "EUC", sizeof e.en_encode);  // zero-filled, as read back
  const std::string path = doc.path() + ".kdz";
  ASSERT_EQ(KDX_ExportKdzFile(doc.data(), e, path), 0);

  // Read into a record holding only what the file does not carry.
  KDX_ENTRY back{};
  back.en_id = e.en_id;
  back.en_bo_block_size = e.en_bo_block_size;
  back.en_turn = e.en_turn;
  std::strcpy(back.en_turn_width, e.en_turn_width);
  back.en_ft_id = e.en_ft_id;
  char ext[16] = "junk";
  ASSERT_EQ(KDX_ReadEntry_FromKdzFile(path, &back, ext), 1);
  EXPECT_STREQ(ext, "txt");
  std::vector<uint8_t> expected(kKdxEntrySize), got(kKdxEntrySize);
  KDX_SetKdxEntry(e, expected.data());
  KDX_SetKdxEntry(back, got.data());
  EXPECT_EQ(got, expected);
  std::string readNote;
  ASSERT_EQ(KDX_ReadNote_FromKdzFile(path, &readNote), 1);
  EXPECT_EQ(readNote, note);
}

TEST(KdzRoundTrip, LineBreaksInValuesCannotInjectKeys) {
  ImportDoc doc;
  KDX_ENTRY e = doc.Add("a\r\n[en_encrypt] 1\r\n[note] fake", {"", "", "本当のメモ"});
  std::strcpy(e.en_file_path, "/x\n[en_co_id] 6\tz");
  const std::string path = doc.path() + ".kdz";
  ASSERT_EQ(KDX_ExportKdzFile(doc.data(), e, path), 0);
  KDX_ENTRY back{};
  ASSERT_EQ(KDX_ReadEntry_FromKdzFile(path, &back, nullptr), 1);
  EXPECT_EQ(back.en_encrypt + back.en_co_id, 0);
  EXPECT_STREQ(back.en_title, "a  [en_encrypt] 1  [note] fake");
  EXPECT_STREQ(back.en_file_path, "/x [en_co_id] 6 z");
  std::string note;
  ASSERT_EQ(KDX_ReadNote_FromKdzFile(path, &note), 1);
  EXPECT_EQ(note, "本当のメモ");
}

TEST(KdzRead, HostileAndDamagedFiles) {
  kdx_test::TempDir dir;
  const std::string path = dir.File("x.kdz");
  KDX_ENTRY e{};
  std::strcpy(e.en_title, "unchanged");
  char ext[16] = "keep";
  kdx_test::WriteAll(path, std::string());
  EXPECT_EQ(KDX_ReadEntry_FromKdzFile(path, &e, ext), 0) << "empty file";
  EXPECT_STREQ(e.en_title, "unchanged");
  EXPECT_STREQ(ext, "keep");

  // No title key before the note; keys inside the note do not count; values
  // too long for their fields are cut at a character boundary.
  std::string longCat;
  for (int i = 0; i < 100; ++i) longCat += "あ";
  e.en_id = 5;
  kdx_test::WriteAll(path,
                     "[en_id] 9\r\n[en_co_id] 99\r\n[en_window_z_index] 99999999999\r\n"
                     "[en_cat1_name] " +
                         longCat +
                         "\r\n[file_ext] extensionlongerthan15\r\n"
                         "[en_encrypt]\r\n[note] \r\n[en_title] evil\r\n[en_encrypt] 1");
  ASSERT_EQ(KDX_ReadEntry_FromKdzFile(path, &e, ext), 1);
  EXPECT_STREQ(e.en_title, "");
  EXPECT_EQ(e.en_id, 5);
  EXPECT_EQ(e.en_co_id + e.en_encrypt, 0);
  EXPECT_EQ(e.en_window_z_index, INT32_MAX);
  EXPECT_EQ(std::strlen(e.en_cat1_name), 126u);  // 42 characters of 3 bytes
  EXPECT_TRUE(Vell_IsValidUtf8(e.en_cat1_name));
  EXPECT_STREQ(ext, "extensionlonger");

  // "[note]" counts only at a line start; the note is what follows its blank.
  std::string note = "stale";
  using Case = std::tuple<const char*, int32_t, const char*>;
  for (auto [text, status, want] :
       {Case{"[en_title] [note] not here\r\n", -2, ""}, Case{"[en_title] t\r\n[note]", 1, ""},
        Case{"[note] only\nline", 1, "only\nline"}}) {
    kdx_test::WriteAll(path, text);
    EXPECT_EQ(KDX_ReadNote_FromKdzFile(path, &note), status) << text;
    EXPECT_EQ(note, want) << text;
  }
  EXPECT_EQ(KDX_ReadNote_FromKdzFile(dir.File("missing.kdz"), &note), -1);

  // What a file of lines costs is bounded: lines without a key are not kept,
  // keyed lines stop at the bound, and a file past the import limit is not
  // read at all.
  EXPECT_TRUE(KDX_SplitKdzLines(std::string(1 << 20, '\n').c_str()).empty());
  std::string many;
  for (size_t i = 0; i < 2 * kKdzMaxKeyedLines; ++i) many += "[k] v\n";
  EXPECT_EQ(KDX_SplitKdzLines(many.c_str()).size(), kKdzMaxKeyedLines);
  kdx_test::WriteAll(path, "[en_title] sparse\r\n");
  ASSERT_EQ(truncate(path.c_str(), kKdxImportMaxFileBytes + 1), 0);
  EXPECT_EQ(KDX_ReadEntry_FromKdzFile(path, &e, ext), 0);
  EXPECT_EQ(KDX_ReadNote_FromKdzFile(path, &note), kKdzNoteUnreadable);
}

TEST(KdzPath, ReplacesOnlyAMatchingExtensionOfTheLastPart) {
  EXPECT_EQ(GeneratePathToKdzPath("/a.rtf/memo.RTF", "rtf"), "/a.rtf/memo.kdz");
  EXPECT_EQ(GeneratePathToKdzPath("/d/memo.rtfd", "rtfd"), "/d/memo.kdz");
  EXPECT_EQ(GeneratePathToKdzPath("/d/memo.txt", "rtf"), "");
  EXPECT_EQ(GeneratePathToKdzPath("/d.rtf/memo", "rtf"), "");
}

}  // namespace
