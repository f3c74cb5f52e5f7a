// Exports to files: names from titles and their uniqueness, the formats, the
// substitute report, rich text going to the right extension without
// overwriting, hostile attachment names, short writes and the counts.
#include "transfer/export_files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QTextCursor>
#include <QTextDocument>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/util/vell_utf8.h"
#include "richtext/attachments.h"
#include "richtext/body_format.h"
#include "transfer/file_import.h"
#include "transfer/import_doc.h"

namespace {

namespace fs = std::filesystem;
using kdx_test::ImportDoc;
using kdx_test::ReadText;

std::string Bytes(const QByteArray& a) { return std::string(a.constData(), a.size()); }

std::string BodyOf(const std::string& text) {
  return Bytes(kdx_richtext::KDXCOMM_ConvertTextToRtfd(QString::fromStdString(text), {}, 0));
}

std::vector<std::string> Names(const kdx_test::TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& item : fs::directory_iterator(dir.path())) {
    names.push_back(item.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

KdxTransferResult Export(ImportDoc& doc, std::vector<int32_t> ids, const kdx_test::TempDir& out,
                         KdxExportFormat format) {
  return KDX_ExportEntries(doc.data(), ids, out.path().string(), format, {});
}

TEST(ExportNames, FromTitlesUniqueCutAndWithAnyCharacters) {
  ImportDoc doc;
  kdx_test::TempDir out;
  std::string longTitle;
  for (int i = 0; i < 160; ++i) longTitle += "長";
  const std::string odd = "it's \"q\" $(touch pwned) `x`\nline two";
  std::vector<int32_t> ids;
  for (const std::string& title :
       {std::string("2024/05 memo.TXT"), longTitle, odd, std::string()}) {
    ids.push_back(doc.Add(title.c_str(), {"", "t", ""}, false, "txt", "UTF-8").en_id);
  }
  ids.insert(ids.begin() + 2, {ids[0], ids[1]});
  ASSERT_EQ(Export(doc, ids, out, KdxExportFormat::utf8).succeeded, 6);
  const std::vector<std::string> names = Names(out);
  ASSERT_EQ(names.size(), 6u);
  EXPECT_EQ(names[0], "(" + std::to_string(ids.back()) + ").txt");
  EXPECT_EQ(names[1], "2024:05 memo-1.txt");
  EXPECT_EQ(names[2], "2024:05 memo.txt");
  EXPECT_EQ(names[3], odd + ".txt");
  EXPECT_TRUE(names[4].ends_with("-1.txt")) << names[4];
  for (const std::string& name : {names[4], names[5]}) {
    EXPECT_GE(name.size(), 250u);  // cut to the limit, not far below it
    EXPECT_LE(name.size(), 255u);
    EXPECT_TRUE(Vell_IsValidUtf8(name));
  }
}

TEST(ExportNames, NeverHiddenAndManyOfOneTitleNumberedOnwards) {
  ImportDoc doc;
  kdx_test::TempDir out;
  std::vector<int32_t> ids;
  for (const char* title : {".bash_profile", "..", "."}) {
    ids.push_back(doc.Add(title, {"", "export PATH=/tmp", ""}, false, "", "UTF-8").en_id);
  }
  for (int i = 0; i < 40; ++i) ids.push_back(doc.Add("x", {"", "t", ""}, false, "").en_id);
  ASSERT_EQ(Export(doc, ids, out, KdxExportFormat::files).succeeded, 43);
  EXPECT_FALSE(fs::exists(out.File(".bash_profile")));
  EXPECT_EQ(ReadText(out.File("_bash_profile")), "export PATH=/tmp");
  EXPECT_TRUE(fs::is_regular_file(out.File("__")));
  EXPECT_TRUE(fs::is_regular_file(out.File("_")));
  for (const std::string& name : Names(out)) EXPECT_NE(name[0], '.') << name;
  EXPECT_TRUE(fs::exists(out.File("x")));
  EXPECT_TRUE(fs::exists(out.File("x-39")));

  // A second export into the same folder goes on after the numbers taken.
  ASSERT_EQ(Export(doc, {ids[3], ids[4]}, out, KdxExportFormat::files).succeeded, 2);
  EXPECT_TRUE(fs::exists(out.File("x-41")));
  EXPECT_EQ(Names(out).size(), 45u);
}

TEST(ExportText, EncodingsSubstitutesAndEmptyTexts) {
  ImportDoc doc;
  kdx_test::TempDir out;
  KdxTransferResult r =
      Export(doc,
             {doc.Add("絵文字", {"", "A😀B\n漢字", ""}, false, "txt", "S-JIS").en_id,
              doc.Add("空", {"", "", ""}, false, "txt", "UTF-8").en_id},
             out, KdxExportFormat::files);
  EXPECT_EQ(r.succeeded, 2);
  EXPECT_EQ(ReadText(out.File("絵文字.txt")), "A?B\n\x8a\xbf\x8e\x9a");
  EXPECT_EQ(ReadText(out.File("空.txt")), "");
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_EQ(r.warnings[0].item, out.File("絵文字.txt"));
  EXPECT_EQ(r.warnings[0].reason, "一部の文字が Shift JIS に変換できませんでした。");
}

TEST(ExportText, AShortWriteIsAFailureAndOnlyRegularFilesAreWritten) {
  ImportDoc doc;
  kdx_test::TempDir out;
  KDX_ENTRY e = doc.Add("t", {"", std::string(64 * 1024, 'a'), ""});

  // The file size limit cuts the write short; the partial file goes.
  {
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const int32_t status = KDX_ExportUtf8TextFile(doc.data(), e, out.File("short.txt"));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(status, kKdxExportShortWrite);
    EXPECT_FALSE(fs::exists(out.File("short.txt")));
  }
  EXPECT_EQ(KDX_ExportUtf8TextFile(doc.data(), e, "/nonexistent/dir/x.txt"),
            kKdxExportCannotCreate);

  // A symlink swapped in where a name was claimed is not followed, and a
  // device or FIFO is not written to.
  const std::string victim = out.File("victim");
  { std::ofstream(victim) << "keep"; }
  fs::create_symlink(victim, out.File("claimed.txt"));
  EXPECT_EQ(KDX_ExportUtf8TextFile(doc.data(), e, out.File("claimed.txt")), kKdxExportCannotCreate);
  EXPECT_EQ(ReadText(victim), "keep");
  ASSERT_EQ(::mkfifo(out.File("fifo.txt").c_str(), 0600), 0);
  EXPECT_EQ(KDX_ExportUtf8TextFile(doc.data(), e, out.File("fifo.txt")), kKdxExportCannotCreate);
  if (fs::exists("/dev/full")) {
    EXPECT_EQ(KDX_ExportUtf8TextFile(doc.data(), e, "/dev/full"), kKdxExportCannotCreate);
  }
}

TEST(ExportRich, ExtensionChangesNeverOverwrite) {
  ImportDoc doc;
  kdx_test::TempDir out;
  KDX_ENTRY e = doc.Add("x", {BodyOf("本文"), "本文", ""}, false, "rtf");
  kdx_test::WriteAll(out.File("x.rtf"), "keep me");
  KdxExportOutcome outcome;
  ASSERT_EQ(KDX_ExportRtfFile(doc.data(), e, out.File("x.txt"), &outcome), 0);
  EXPECT_EQ(outcome.writtenPath, out.File("x-1.rtf"));
  EXPECT_EQ(ReadText(out.File("x.rtf")), "keep me");
  EXPECT_EQ(ReadText(out.File("x-1.rtf")).rfind("{\\rtf1", 0), 0u);
  // A regular file where the package would go is not replaced either.
  kdx_test::WriteAll(out.File("x.rtfd"), "a file");
  ASSERT_EQ(KDX_ExportRtfdFile(doc.data(), e, out.File("x.rtfd"), &outcome), 0);
  EXPECT_EQ(outcome.writtenPath, out.File("x-1.rtfd"));
  EXPECT_EQ(ReadText(out.File("x.rtfd")), "a file");
  EXPECT_TRUE(fs::exists(out.File("x-1.rtfd/TXT.rtf")));

  // Export files of an RTF entry writes RTF; placeholders of failures are gone.
  KDX_ENTRY bodiless = doc.Add("空の本文", {"", "", ""}, false, "rtf");
  kdx_test::TempDir files;
  KdxTransferResult r =
      Export(doc, {e.en_id, bodiless.en_id, 99999}, files, KdxExportFormat::files);
  EXPECT_EQ(r.succeeded, 1);
  EXPECT_EQ(r.failed, 2);
  EXPECT_EQ(Names(files), std::vector<std::string>{"x.rtf"});  // no leftovers of failures
}

TEST(ExportRich, PackagesHoldTheirAttachmentsAndNothingEscapes) {
  ImportDoc doc;
  kdx_test::TempDir out;
  QTextDocument document;
  QTextCursor cursor(&document);
  cursor.insertText("写真:");
  kdx_richtext::InsertAttachment(cursor, "photo.bin", QByteArray("\x01\x02\x03", 3));
  KDX_ENTRY pic = doc.Add(
      "pic", {Bytes(*kdx_richtext::DocumentToBody(document)), "写真:\uFFFC", ""}, false, "rtfd");
  ASSERT_EQ(Export(doc, {pic.en_id}, out, KdxExportFormat::files).succeeded, 1);
  EXPECT_EQ(ReadText(out.File("pic.rtfd/photo.bin")), std::string("\x01\x02\x03", 3));

  // A stored body naming an attachment outside the package is refused whole.
  const std::string rtf = "{\\rtf1 hi}";
  for (const std::string name : {"../x", "/tmp/kdx-escaped-y"}) {
    const std::string hostile = std::string("KDXB\x01\0\0\0\x02\0\0\0\x07\0TXT.rtf", 21) +
                                char(rtf.size()) + std::string(3, '\0') + rtf +
                                std::string{char(name.size()), '\0'} + name +
                                std::string("\x04\0\0\0evil", 8);
    KDX_ENTRY bad = doc.Add("bad", {hostile, "hi", ""}, false, "rtfd");
    EXPECT_EQ(Export(doc, {bad.en_id}, out, KdxExportFormat::rtfd).failed, 1);
    EXPECT_FALSE(fs::exists(out.path() / "x") || fs::exists("/tmp/kdx-escaped-y") ||
                 fs::exists(out.File("bad.rtfd")));
  }
}

// The RTF and the entry export file go to names free for both, and importing
// the folder brings the entry back with its categories, dates and note.
TEST(ExportBackup, NamesFreeForBothAndTheFolderImportsBack) {
  ImportDoc doc;
  kdx_test::TempDir out;
  KDX_ENTRY e =
      doc.Add("memo", {BodyOf("本文です"), "本文です", "メモ\r\n2行"}, false, "txt", "S-JIS");
  kdx_test::WriteAll(out.File("memo.kdz"), "someone else's");
  ASSERT_EQ(Export(doc, {e.en_id}, out, KdxExportFormat::backup).succeeded, 1);
  EXPECT_EQ(Names(out), (std::vector<std::string>{"memo-1.kdz", "memo-1.rtf", "memo.kdz"}));
  EXPECT_EQ(ReadText(out.File("memo.kdz")), "someone else's");
  EXPECT_STRNE(doc.Entry(e.en_id).en_use_date, e.en_use_date);
  ImportDoc target;
  ASSERT_EQ(
      KDX_ImportFolder(target.data(), out.path().string(), KDX_ReadImportSettings(), {}).succeeded,
      1);
  KDX_ENTRY back = target.Titled("memo");
  EXPECT_STREQ(back.en_cat1_name, "仕事");
  EXPECT_STREQ(back.en_create_date, e.en_create_date);
  EXPECT_EQ(target.Text(back), "本文です");
  EXPECT_EQ(target.Note(back), "メモ\r\n2行");
}

TEST(ExportEntries, AFolderImportedAndExportedAsFilesComesBackUnchanged) {
  kdx_test::TempDir in, out;
  const std::map<std::string, std::string> texts = {
      {"sjis.txt", "\x93\xfa\x96\x7b\x8c\xea\n\x83\x81\x83\x82"},
      {"euc.txt", "\xc6\xfc\xcb\xdc\xb8\xec\n\xa5\xe1\xa5\xe2"},
      {"utf8.txt", "日本語\nメモ ✓"}};
  for (const auto& [name, bytes] : texts) kdx_test::WriteAll(in.File(name), bytes);
  kdx_test::WriteAll(in.File("doc.rtf"), "{\\rtf1\\ansi {\\b bold} \\u26085?\\u26412?}");
  fs::create_directory(in.path() / "pkg.rtfd");
  kdx_test::WriteAll(in.File("pkg.rtfd/TXT.rtf"), "{\\rtf1 see {{\\NeXTGraphic a.bin}\\'ac}}");
  kdx_test::WriteAll(in.File("pkg.rtfd/a.bin"), std::string("\0\1\2", 3));

  ImportDoc doc;
  ASSERT_EQ(KDX_ImportFolder(doc.data(), in.path().string(), KDX_ReadImportSettings(), {}).failed,
            0);
  ASSERT_EQ(doc.Count(), 5);
  std::vector<int32_t> ids;
  for (int32_t i = 0; i < doc.Count(); ++i) ids.push_back(doc.At(i).en_id);
  KdxTransferResult r = Export(doc, ids, out, KdxExportFormat::files);
  EXPECT_EQ(r.succeeded, 5);
  EXPECT_TRUE(r.warnings.empty());
  for (const auto& [name, bytes] : texts) EXPECT_EQ(ReadText(out.File(name)), bytes) << name;
  EXPECT_EQ(ReadText(out.File("pkg.rtfd/a.bin")), std::string("\0\1\2", 3));
}

}  // namespace
