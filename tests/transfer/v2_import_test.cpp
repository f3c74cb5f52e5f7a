// Version-2 export files: what is accepted, every reason a file is refused,
// and the folder import that counts the refusals.
#include "transfer/v2_import.h"

#include "core/container/rez_handle.h"
#include "core/document/blocks.h"
#include "core/util/vell_encoding.h"
#include "support/test_support.h"
#include "transfer/file_types.h"
#include "transfer/import_doc.h"

using kdx_test::WriteAll;

namespace {

using Tags = std::vector<std::pair<std::string, std::string>>;

// A valid file's tags and values, in their order; tests change them.
Tags Valid() {
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

Tags With(const std::string& tag, const std::string& value) {
  Tags tags = Valid();
  for (auto& [t, v] : tags) {
    if (t == tag) v = value;
  }
  return tags;
}

// The file's bytes in Shift JIS: body, then the tag lines, then two CRs.
std::string Sjis(const std::string& body, const Tags& tags = Valid()) {
  std::string text = body, bytes;
  for (const auto& [tag, value] : tags) text += "\r" + tag + " " + value;
  EXPECT_EQ(Vell_EncodeFromUTF8(text + "\r\r", kVellEncodingSJIS, bytes), kVellEncOk);
  return bytes;
}

KdxV2Parse Parse(const Tags& tags, KdxV2Export* out = nullptr) {
  KdxV2Export scratch;
  return KDX_ParseV2Export(Sjis("", tags), out != nullptr ? out : &scratch);
}

TEST(V2Parse, WrapWidthAndLabelMapping) {
  KdxV2Export v2;
  for (auto [wrap, turn] : {std::pair{"0", 2}, std::pair{"1", 1}, std::pair{"2", 3}}) {
    ASSERT_EQ(Parse(With("【折り返し】", wrap), &v2), KdxV2Parse::ok);
    EXPECT_EQ(v2.turn, turn);
  }
  ASSERT_EQ(Parse(With("【折り返し幅】", "20"), &v2), KdxV2Parse::ok);
  EXPECT_EQ(v2.turnWidth, "");
  for (const char* label : {"9", "-1"}) {
    ASSERT_EQ(Parse(With("【ラベル】", label), &v2), KdxV2Parse::ok);
    EXPECT_EQ(v2.label, 0) << label;
  }
}

TEST(V2Parse, LimitsLeaveRoomForTheTerminator) {
  for (auto [tag, ok] : {std::pair{"【文章名】", 511}, std::pair{"【分類１】", 127},
                         std::pair{"【分類３】", 127}, std::pair{"【キーワード】", 255},
                         std::pair{"【バージョン】", 4}, std::pair{"【作成日】", 14}}) {
    EXPECT_EQ(Parse(With(tag, std::string(static_cast<size_t>(ok), '1'))), KdxV2Parse::ok) << tag;
    EXPECT_EQ(Parse(With(tag, std::string(static_cast<size_t>(ok) + 1, '1'))), KdxV2Parse::badValue)
        << tag;
  }
}

TEST(V2Parse, RefusesMissingOrMisorderedTagsBadValuesAndNonShiftJis) {
  Tags swapped = Valid();
  std::swap(swapped[5], swapped[6]);  // 【ノート】 before 【キーワード】
  EXPECT_EQ(Parse(swapped), KdxV2Parse::badOrder);
  Tags missing = Valid();
  missing.pop_back();
  EXPECT_EQ(Parse(missing), KdxV2Parse::missingTag);
  EXPECT_EQ(Parse(With("【折り返し】", "3")), KdxV2Parse::badValue);
  EXPECT_EQ(Parse(With("【文章名】", "two\rlines")), KdxV2Parse::badValue);
  KdxV2Export v2;
  EXPECT_EQ(KDX_ParseV2Export(Sjis("") + "\x81", &v2), KdxV2Parse::notShiftJis);
  EXPECT_EQ(KDX_ParseV2Export("", &v2), KdxV2Parse::missingTag);
}

TEST(V2Import, FileBecomesEntryWithBlocksAsWritten) {
  kdx_test::TempDir dir;
  WriteAll(dir.File("v2.txt"), Sjis("本文\r二行目"));
  WriteAll(dir.File("empty.txt"), Sjis("", With("【文章名】", "空")));
  kdx_test::ImportDoc doc;
  const KdxImportSettings settings = KDX_ReadImportSettings();
  int32_t id = -1;
  ASSERT_EQ(KDX_ImportOneV2File(doc.data(), dir.File("v2.txt"), "x", "y", "z", settings, &id), 0);
  ASSERT_EQ(KDX_ImportOneV2File(doc.data(), dir.File("empty.txt"), "x", "y", "z", settings), 0);
  KDX_ENTRY e = doc.Titled("題名");
  EXPECT_EQ(e.en_id, id);
  EXPECT_STREQ(e.en_cat1_name, "一");
  EXPECT_STREQ(e.en_turn_width, "40");
  EXPECT_EQ(e.en_co_id, 5);
  EXPECT_STREQ(e.en_use_date, "20040203040506");  // the trailing CRs are not part of it
  EXPECT_EQ(e.en_bo_block_size, static_cast<int32_t>(std::string("本文\r二行目").size()));
  EXPECT_EQ(doc.FileTypeExt(e), kKdxV2FileTypeName);
  EXPECT_EQ(doc.Text(e), "本文\r二行目");
  EXPECT_EQ(doc.Note(e), "ノート1\rノート2");
  EXPECT_FALSE(doc.Body(e).empty());
  KDX_ENTRY empty = doc.Titled("空");
  EXPECT_EQ(doc.Text(empty) + doc.Body(empty), "");
  EXPECT_EQ(empty.en_ft_id, e.en_ft_id);  // one "v2filetype" record

  // The text keeps its NUL (an empty one has none), and the blocks were made
  // text, note, body: in that order in the file.
  EXPECT_EQ(doc.Stored(KdxBlockKind::kText, e), "本文\r二行目" + std::string(1, '\0'));
  EXPECT_EQ(doc.Stored(KdxBlockKind::kText, empty), "");
  EXPECT_EQ(doc.Stored(KdxBlockKind::kNote, e), "ノート1\rノート2");
  doc.Save();
  RezFileHandle file;
  ASSERT_EQ(file.Open(doc.path().c_str(), 1), REZ_OK);
  auto position = [&](uint32_t tag) {
    uint32_t at = 0;
    for (int32_t s = REZ_FirstMember(file.get(), tag); s == REZ_OK;
         s = REZ_NextMember(file.get())) {
      uint8_t head[8];
      if (REZ_GetSubdata(file.get(), 0, 8, head) == REZ_OK &&
          static_cast<int32_t>(head[4] | head[5] << 8 | head[6] << 16 | head[7] << 24) == e.en_id)
        at = file->current.position;
    }
    return at;
  };
  const uint32_t text = position(kKdxTagTEXT), note = position(kKdxTagNORB),
                 body = position(kKdxTagBORB);
  EXPECT_LT(text, note);
  EXPECT_LT(note, body);
}

TEST(V2Import, FolderCountsRefusedFilesAndAddsNothingForThem) {
  kdx_test::TempDir dir;
  std::filesystem::create_directories(dir.File("V2/sub"));
  WriteAll(dir.File("V2/sub/good.txt"), Sjis("ok", With("【分類１】", "")));
  WriteAll(dir.File("V2/long.txt"), Sjis("", With("【文章名】", std::string(512, 'x'))));
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
}

}  // namespace
