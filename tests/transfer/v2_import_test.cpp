// Version-2 export files: what is accepted, every reason a file is refused,
// and the folder import that counts the refusals.
#include "transfer/v2_import.h"

#include <iterator>
#include <map>
#include <tuple>

#include "core/util/vell_encoding.h"
#include "support/test_support.h"
#include "transfer/file_types.h"
#include "transfer/import_doc.h"

using kdx_test::WriteAll;

namespace {

const char* const kTagNames[] = {"【バージョン】", "【文章名】",     "【分類１】", "【分類２】",
                                 "【分類３】",     "【キーワード】", "【ノート】", "【折り返し】",
                                 "【折り返し幅】", "【ラベル】",     "【作成日】", "【修正日】",
                                 "【見た日】",     "【使った日】"};

// A valid file's values, by tag; tests change them.
std::map<std::string, std::string> Values() {
  return {{"【バージョン】", "0200"},
          {"【文章名】", "題名"},
          {"【分類１】", "一"},
          {"【分類２】", "二"},
          {"【分類３】", "三"},
          {"【キーワード】", "鍵"},
          {"【ノート】", "ノート1\rノート2"},
          {"【折り返し】", "0"},
          {"【折り返し幅】", "40"},
          {"【ラベル】", "5"},
          {"【作成日】", "20010203040506"},
          {"【修正日】", "20020203040506"},
          {"【見た日】", "20030203040506"},
          {"【使った日】", "20040203040506"}};
}

// The file's text in UTF-8: body, then the tag lines in the given order.
std::string Compose(const std::string& body, const std::map<std::string, std::string>& values,
                    std::vector<std::string> order = {std::begin(kTagNames), std::end(kTagNames)},
                    const std::string& tail = "\r\r") {
  std::string text = body;
  for (const std::string& tag : order) text += "\r" + tag + " " + values.at(tag);
  return text + tail;
}

std::string Sjis(const std::string& utf8) {
  std::string bytes;
  EXPECT_EQ(Vell_EncodeFromUTF8(utf8, kVellEncodingSJIS, bytes), kVellEncOk);
  return bytes;
}

KdxV2Parse Parse(const std::string& utf8, KdxV2Export* out = nullptr) {
  KdxV2Export scratch;
  return KDX_ParseV2Export(Sjis(utf8), out != nullptr ? out : &scratch);
}

TEST(V2Parse, WrapWidthAndLabelMapping) {
  for (auto [wrap, turn] : {std::pair{"0", 2}, std::pair{"1", 1}, std::pair{"2", 3}}) {
    auto values = Values();
    values["【折り返し】"] = wrap;
    KdxV2Export v2;
    ASSERT_EQ(Parse(Compose("", values), &v2), KdxV2Parse::ok);
    EXPECT_EQ(v2.turn, turn);
  }
  auto values = Values();
  values["【折り返し幅】"] = "20";
  values["【ラベル】"] = "9";
  KdxV2Export v2;
  ASSERT_EQ(Parse(Compose("", values), &v2), KdxV2Parse::ok);
  EXPECT_EQ(v2.turnWidth, "");
  EXPECT_EQ(v2.label, 0);
  values["【ラベル】"] = "-1";
  ASSERT_EQ(Parse(Compose("", values), &v2), KdxV2Parse::ok);
  EXPECT_EQ(v2.label, 0);
}

TEST(V2Parse, LimitsLeaveRoomForTheTerminator) {
  for (auto [tag, ok, bad] :
       {std::tuple{"【文章名】", 511, 512}, std::tuple{"【分類１】", 127, 128},
        std::tuple{"【分類３】", 127, 128}, std::tuple{"【キーワード】", 255, 256},
        std::tuple{"【バージョン】", 4, 5}, std::tuple{"【作成日】", 14, 15}}) {
    auto values = Values();
    values[tag] = std::string(static_cast<size_t>(ok), '1');
    EXPECT_EQ(Parse(Compose("", values)), KdxV2Parse::ok) << tag;
    values[tag] = std::string(static_cast<size_t>(bad), '1');
    EXPECT_EQ(Parse(Compose("", values)), KdxV2Parse::badValue) << tag;
  }
}

TEST(V2Parse, RefusesMissingOrMisorderedTagsBadValuesAndNonShiftJis) {
  std::vector<std::string> swapped(kTagNames, kTagNames + 14);
  std::swap(swapped[5], swapped[6]);  // 【ノート】 before 【キーワード】
  EXPECT_EQ(Parse(Compose("", Values(), swapped)), KdxV2Parse::badOrder);
  std::vector<std::string> missing(kTagNames, kTagNames + 13);
  EXPECT_EQ(Parse(Compose("", Values(), missing)), KdxV2Parse::missingTag);
  auto values = Values();
  values["【折り返し】"] = "3";
  EXPECT_EQ(Parse(Compose("", values)), KdxV2Parse::badValue);
  values = Values();
  values["【文章名】"] = "two\rlines";
  EXPECT_EQ(Parse(Compose("", values)), KdxV2Parse::badValue);
  KdxV2Export v2;
  EXPECT_EQ(KDX_ParseV2Export(Sjis(Compose("", Values())) + "\x81", &v2), KdxV2Parse::notShiftJis);
  EXPECT_EQ(KDX_ParseV2Export("", &v2), KdxV2Parse::missingTag);
}

TEST(V2Import, FileBecomesEntryWithBlocksAsWritten) {
  kdx_test::TempDir dir;
  WriteAll(dir.File("v2.txt"), Sjis(Compose("本文\r二行目", Values())));
  kdx_test::ImportDoc doc;
  const KdxImportSettings settings = KDX_ReadImportSettings();
  int32_t id = -1;
  ASSERT_EQ(KDX_ImportOneV2File(doc.data(), dir.File("v2.txt"), "x", "y", "z", settings, &id), 0);
  KDX_ENTRY e = doc.Titled("題名");
  EXPECT_EQ(e.en_id, id);
  EXPECT_STREQ(e.en_cat1_name, "一");
  EXPECT_STREQ(e.en_turn_width, "40");
  EXPECT_EQ(e.en_co_id, 5);
  EXPECT_STREQ(e.en_last_opened_date, "20030203040506");
  EXPECT_STREQ(e.en_use_date, "20040203040506");  // the trailing CRs are not part of it
  EXPECT_EQ(e.en_turn, 2);
  EXPECT_STREQ(e.en_create_machine_name, "");
  EXPECT_EQ(e.en_bo_block_size, static_cast<int32_t>(std::string("本文\r二行目").size()));
  EXPECT_EQ(doc.FileTypeExt(e), kKdxV2FileTypeName);
  EXPECT_EQ(doc.Text(e), "本文\r二行目");
  EXPECT_EQ(doc.Note(e), "ノート1\rノート2");
  EXPECT_FALSE(doc.Body(e).empty());

  auto values = Values();
  values["【文章名】"] = "空";
  WriteAll(dir.File("empty.txt"), Sjis(Compose("", values)));
  ASSERT_EQ(KDX_ImportOneV2File(doc.data(), dir.File("empty.txt"), "x", "y", "z", settings), 0);
  KDX_ENTRY empty = doc.Titled("空");
  EXPECT_EQ(doc.Text(empty), "");
  EXPECT_EQ(doc.Body(empty), "");
  EXPECT_EQ(empty.en_ft_id, e.en_ft_id);  // one "v2filetype" record
}

TEST(V2Import, FolderCountsRefusedFilesAndAddsNothingForThem) {
  kdx_test::TempDir dir;
  std::filesystem::create_directories(dir.File("V2/sub"));
  auto values = Values();
  values["【分類１】"] = "";
  WriteAll(dir.File("V2/sub/good.txt"), Sjis(Compose("ok", values)));
  values["【文章名】"] = std::string(512, 'x');
  WriteAll(dir.File("V2/long.txt"), Sjis(Compose("", values)));
  WriteAll(dir.File("V2/plain.md"), "just text");
  WriteAll(dir.File("V2/empty.txt"), "");
  kdx_test::ImportDoc doc;
  const int32_t before = doc.Count();
  KdxTransferResult r =
      KDX_ImportV2Folder(doc.data(), dir.File("V2"), KDX_ReadImportSettings(), {});
  EXPECT_EQ(r.succeeded, 1);
  EXPECT_EQ(r.failed, 3);
  ASSERT_EQ(doc.Count(), before + 1);
  KDX_ENTRY e = doc.Titled("題名");
  EXPECT_STREQ(e.en_cat1_name, "V2");  // empty in the file: the folder's
  EXPECT_STREQ(e.en_cat2_name, "二");
  EXPECT_EQ(KDX_IsV2ExportFile(dir.File("V2/empty.txt")), 0);
  EXPECT_EQ(KDX_IsV2ExportFile(dir.File("V2/none")), 0);
}

}  // namespace
