// Single files as entries: encodings, rich text, the entry export file beside
// a file, and the files that must count as failed without leaving anything.
#include "transfer/file_import.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <tuple>

#include "core/util/vell_encoding.h"
#include "richtext/rtfd_package.h"
#include "support/file_permissions.h"
#include "support/test_support.h"
#include "transfer/import_doc.h"

namespace fs = std::filesystem;
using kdx_test::WriteAll;

namespace {

constexpr char kJapanese[] = "日本語のメモです。\n二行目、テスト";

std::string Encoded(const char* encoding) {
  std::string bytes;
  EXPECT_EQ(Vell_EncodeFromUTF8(kJapanese, encoding, bytes), kVellEncOk);
  return bytes;
}

// Imports paths with the categories A/B/C into doc.
KdxTransferResult Import(kdx_test::ImportDoc& doc, const std::vector<std::string>& paths) {
  return KDX_ImportFiles(doc.data(), paths, "A", "B", "C", KDX_ReadImportSettings(), {});
}

TEST(FileImportText, EachEncodingIsReadAndNamed) {
  kdx_test::TempDir dir;
  // Names with quotes, spaces and newlines become titles as they are.
  const std::string ascii = "it's \"ASCII\" $(rm -rf x)\nline two";
  const std::pair<std::string, std::string> cases[] = {
      {"S-JIS", Encoded("S-JIS")},
      {"EUC", Encoded("EUC")},
      {"ISO2022JP", Encoded("ISO2022JP")},
      {"UTF-8", Encoded("UTF-8")},
      {ascii, "plain ascii\n"},
      {"EMPTY", ""},
      {"odd", "tab\there\xc2\xa0nbsp\fform\r\n\nend\n"}};
  std::vector<std::string> paths;
  for (const auto& [name, bytes] : cases) {
    paths.push_back(dir.File(name + ".txt"));
    WriteAll(paths.back(), bytes);
  }
  kdx_test::ImportDoc doc;
  ASSERT_EQ(Import(doc, paths).succeeded, 7);
  for (const char* name : {"S-JIS", "EUC", "ISO2022JP", "UTF-8"}) {
    KDX_ENTRY e = doc.Titled(std::string(name) + ".txt");
    EXPECT_STREQ(e.en_encode, name);
    EXPECT_EQ(doc.Text(e), kJapanese) << name;
    EXPECT_EQ(doc.FileTypeExt(e), "txt");
    EXPECT_STREQ(e.en_cat2_name, "B");
  }
  // The stored text is what the body gives back, with or without odd characters.
  for (const char* title : {"UTF-8.txt", "odd.txt"}) {
    EXPECT_EQ(doc.Text(doc.Titled(title)), doc.BodyPlainText(doc.Titled(title))) << title;
  }
  KDX_ENTRY plain = doc.Titled(ascii + ".txt");
  EXPECT_STREQ(plain.en_encode, "UTF-8");
  EXPECT_EQ(plain.en_file_path, dir.File(ascii + ".txt"));
  KDX_ENTRY empty = doc.Titled("EMPTY.txt");
  EXPECT_STREQ(empty.en_encode, "S-JIS");
  EXPECT_EQ(empty.en_bo_block_size, 0);
  EXPECT_EQ(doc.Text(empty) + doc.Body(empty), "");
}

TEST(FileImportText, UndecodableTooLargeAndMissingFilesFailAndAddNothing) {
  kdx_test::TempDir dir;
  WriteAll(dir.File("bad.txt"), std::string("\x80"));
  WriteAll(dir.File("huge.txt"), "x");
  fs::resize_file(dir.File("huge.txt"), static_cast<uintmax_t>(kKdxImportMaxFileBytes) + 1);
  kdx_test::ImportDoc doc;
  const int32_t before = doc.Count();
  KDX_ENTRY entry;
  for (const auto& [name, code] :
       {std::pair{"bad.txt", kKdxImportUndecodable}, std::pair{"huge.txt", kKdxImportTooLarge},
        std::pair{"gone.txt", kKdxImportUnreadable}}) {
    KDX_PrepareImportEntry(doc.data(), dir.File(name), "A", "B", "C", KDX_ReadImportSettings(),
                           &entry);
    EXPECT_EQ(KDX_ImportOneFile(doc.data(), dir.File(name), &entry, "", 12, 1024), code) << name;
  }
  KdxTransferResult r =
      Import(doc, {dir.File("bad.txt"), dir.File("huge.txt"), dir.File("gone.txt")});
  EXPECT_EQ(r.succeeded, 0);
  EXPECT_EQ(r.failed, 3);
  EXPECT_EQ(doc.Count(), before);
}

// Each file named that is not imported says why: missing, not readable (and
// why, rather than being taken for a binary file), not a file at all, or not
// an import target.
TEST(FileImportText, NamedFilesThatAreNotImportedSayWhy) {
  kdx_test::TempDir dir;
  fs::create_directories(dir.File("closed"));
  WriteAll(dir.File("closed/in.txt"), "x");
  WriteAll(dir.File("secret.txt"), "x");
  WriteAll(dir.File("notes.md"), "x");
  ASSERT_EQ(mkfifo(dir.File("pipe.txt").c_str(), 0600), 0);
  fs::permissions(dir.File("secret.txt"), fs::perms::none);
  fs::permissions(dir.File("closed"), fs::perms::owner_read);  // listed, not searched
  kdx_test::ImportDoc doc;
  KdxTransferResult r;
  {
    kdx_test::FileModesEnforced modes;
    if (!modes.enforced()) GTEST_SKIP() << "file modes cannot be enforced here";
    r = Import(doc, {dir.File("gone.txt"), dir.File("secret.txt"), dir.File("closed/in.txt"),
                     dir.File("pipe.txt"), dir.File("notes.md")});
  }
  fs::permissions(dir.File("closed"), fs::perms::owner_all);
  EXPECT_EQ(r.succeeded, 0);
  // Every file named and not imported is a failure with its reason.
  ASSERT_EQ(r.failed, 5);
  EXPECT_EQ(r.failures[0].reason, "no such file or folder");
  EXPECT_EQ(r.failures[1].reason, "cannot be read: permission denied");
  EXPECT_EQ(r.failures[2].reason, "cannot be read: permission denied");
  EXPECT_EQ(r.failures[3].item, dir.File("pipe.txt"));
  EXPECT_EQ(r.failures[3].reason, "a FIFO, not a file");
  EXPECT_EQ(r.failures[4].reason, "not a text or RTF file with an import extension");
  EXPECT_EQ(r.skipped, 0);
  EXPECT_TRUE(r.warnings.empty());
}

TEST(FileImportRichText, RtfFilesAndPackagesKeepTheirText) {
  kdx_test::TempDir dir;
  WriteAll(dir.File("r.rtf"), "{\\rtf1\\ansi {\\b bold} plain\\par second}");
  WriteAll(dir.File("broken.rtf"), "not rtf at all");
  WriteAll(dir.File("secret.txt"), "SECRET-OUTSIDE");
  kdx_richtext::RtfdPackage package;
  package.rtf = "{\\rtf1\\ansi package text}";
  package.attachments.push_back({"pic.png", QByteArray("png bytes")});
  const std::string pkg = dir.File("p.rtfd");
  ASSERT_EQ(kdx_richtext::WriteRtfdFolder(QString::fromStdString(pkg), package),
            kdx_richtext::RtfdStatus::ok);
  // A link inside the package must not carry an outside file into the body.
  fs::create_symlink(dir.File("secret.txt"), pkg + "/evil.png");
  kdx_test::ImportDoc doc;
  KdxTransferResult r = Import(doc, {dir.File("r.rtf"), pkg + "/", dir.File("broken.rtf")});
  EXPECT_EQ(r.succeeded, 2);
  EXPECT_EQ(r.failed, 1);
  for (const auto& [title, ext, text] : {std::tuple{"r.rtf", "rtf", "bold plain\nsecond"},
                                         std::tuple{"p.rtfd", "rtfd", "package text"}}) {
    KDX_ENTRY e = doc.Titled(title);
    EXPECT_STREQ(e.en_encode, "RTF");
    EXPECT_EQ(doc.FileTypeExt(e), ext);
    EXPECT_EQ(doc.Text(e), text);
  }
  const std::string body = doc.Body(doc.Titled("p.rtfd"));
  EXPECT_NE(body.find("png bytes"), std::string::npos);
  EXPECT_EQ(body.find("SECRET-OUTSIDE"), std::string::npos);
}

// Files from other programs. u16.txt is `printf '日本、テスト\nA' | iconv -t
// UTF-16LE` (no byte-order mark; 、 is 01 30, a "binary" byte); korean.txt is
// `printf '안녕하세요. 오늘은 날씨가 좋습니다.\n' | iconv -t EUC-KR`; the RTF files
// are hand-written: one cut off inside its groups, one saved with a UTF-8
// byte-order mark.
TEST(FileImportForeign, Utf16OtherEncodingsAndDamagedRtfAreReadAndSaySo) {
  kdx_test::TempDir dir;
  WriteAll(dir.File("u16.txt"),
           std::string("\xE5\x65\x2C\x67\x01\x30\xC6\x30\xB9\x30\xC8\x30\x0A\x00\x41\x00", 16));
  WriteAll(dir.File("korean.txt"),
           "\xBE\xC8\xB3\xE7\xC7\xCF\xBC\xBC\xBF\xE4. \xBF\xC0\xB4\xC3\xC0\xBA "
           "\xB3\xAF\xBE\xBE\xB0\xA1 \xC1\xC1\xBD\xC0\xB4\xCF\xB4\xD9.\n");
  WriteAll(dir.File("cut.rtf"), "{\\rtf1\\ansi {\\b bold} kept\\par {\\i cut");
  WriteAll(dir.File("bom.rtf"), "\xEF\xBB\xBF{\\rtf1\\ansi with mark}");
  kdx_test::ImportDoc doc;
  KdxTransferResult r = Import(
      doc, {dir.File("u16.txt"), dir.File("korean.txt"), dir.File("cut.rtf"), dir.File("bom.rtf")});
  EXPECT_EQ(r.succeeded, 4);
  EXPECT_EQ(r.failed, 0);
  KDX_ENTRY u16 = doc.Titled("u16.txt");
  EXPECT_STREQ(u16.en_encode, "UTF-16LE");
  EXPECT_EQ(doc.Text(u16), "日本、テスト\nA");
  KDX_ENTRY korean = doc.Titled("korean.txt");
  EXPECT_STREQ(korean.en_encode, "EUC-KR");
  EXPECT_EQ(doc.Text(korean), "안녕하세요. 오늘은 날씨가 좋습니다.\n");
  // The cut file is kept as far as it goes, with a warning, in a body that
  // reads back whole.
  KDX_ENTRY cut = doc.Titled("cut.rtf");
  EXPECT_EQ(doc.Text(cut), "bold kept\ncut");
  EXPECT_EQ(doc.BodyPlainText(cut), doc.Text(cut));
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_EQ(r.warnings[0].item, dir.File("cut.rtf"));
  EXPECT_NE(r.warnings[0].reason.find("truncated"), std::string::npos);
  EXPECT_EQ(doc.BodyPlainText(doc.Titled("bom.rtf")), "with mark");

  // Text that reads as nothing believable fails with the reason.
  WriteAll(dir.File("pua.txt"), "\xF0\x40\xF1\x80\xF2\x90\xF3\xA0\xF4\xB0");
  r = Import(doc, {dir.File("pua.txt")});
  ASSERT_EQ(r.failed, 1);
  EXPECT_NE(r.failures[0].reason.find("user-defined"), std::string::npos) << r.failures[0].reason;
}

TEST(FileImportKdz, ExportFileBesideTakesTitleCategoriesNoteAndFlags) {
  kdx_test::TempDir dir;
  WriteAll(dir.File("memo.txt"), "memo body");
  WriteAll(dir.File("memo.txt.kdz"),
           "[version] 0361138\r\n[en_id] 7\r\n[en_title] 元の題名\r\n[en_cat1_name] 仕事\r\n"
           "[en_cat2_name] 会議\r\n[en_cat3_name] その他\r\n[en_co_id] 3\r\n[file_ext] txt\r\n"
           "[en_encrypt] 1\r\n[en_bo_encrypt] 1\r\n[en_no_encrypt] 1\r\n"
           "[note] 一行目\r\n[en_title] not a key here");
  kdx_test::ImportDoc doc;
  ASSERT_EQ(Import(doc, {dir.File("memo.txt")}).succeeded, 1);
  KDX_ENTRY e = doc.Titled("元の題名");
  EXPECT_STREQ(e.en_cat1_name, "仕事");
  EXPECT_STREQ(e.en_cat2_name, "会議");
  EXPECT_EQ(e.en_co_id, 3);
  EXPECT_EQ(e.en_bo_encrypt, 1);
  EXPECT_EQ(doc.Note(e), "一行目\r\n[en_title] not a key here");
  EXPECT_EQ(doc.Text(e), "memo body");  // deciphered on load
}

TEST(FileImportOldBodies, RtfBodyBecomesCurrentBodyEncryptedOrNot) {
  kdx_test::ImportDoc doc;
  const std::string rtf = "{\\rtf1\\ansi old body}";
  for (bool encrypted : {false, true}) {
    KDX_ENTRY e = doc.Add("old", {rtf, "old body", ""}, encrypted);
    ASSERT_EQ(KDXCOMM_ConvertOldFileToNewFile(doc.data(), &e, 1024), 0);
    EXPECT_EQ(doc.BodyPlainText(e), "old body");
    EXPECT_GT(e.en_bo_block_size, static_cast<int32_t>(rtf.size()));
  }
  KDX_ENTRY broken = doc.Add("bad", {"plain", "", ""});
  EXPECT_EQ(KDXCOMM_ConvertOldFileToNewFile(doc.data(), &broken, 1024), -3);
}

}  // namespace
