// kdx as users and scripts see it: output, one-line errors and exit statuses.
#include "cli/kdx_cli.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

#include "cli/cli_test_util.h"
#include "core/container/rez.h"
#include "core/session/kdx_session.h"
#include "support/file_permissions.h"
#include "support/old_format_document.h"
#include "support/test_support.h"

namespace {

using kdx_test::Kdx;
using kdx_test::KdxOk;
using kdx_test::KdxRun;

int Lines(const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); }

TEST(KdxCli, VersionSucceedsAndBadUsageIsExitTwoWithOneLine) {
  KdxRun v = Kdx({"--version"});
  EXPECT_EQ(v.status, kExitOk);
  EXPECT_EQ(v.out.rfind("kdx (Kardinex) ", 0), 0u) << v.out;
  KdxOk({"--help"});
  for (auto args :
       std::vector<std::vector<std::string>>{{"--bogus"}, {"inspect"}, {"inspect", "a", "b"}}) {
    KdxRun r = Kdx(args);
    EXPECT_EQ(r.status, kExitUsage) << args[0];
    EXPECT_EQ(Lines(r.err), 1) << r.err;
    EXPECT_EQ(r.err.rfind("kdx: ", 0), 0u) << r.err;
  }
}

TEST(KdxCliInspect, ListsTagsWithMembersAndBytes) {
  kdx_test::TempDir dir;
  std::string path = dir.File("doc.kdx");
  REZ_FILE file;
  ASSERT_EQ(REZ_Create(path.c_str(), &file), REZ_OK);
  ASSERT_EQ(REZ_AddData(&file, REZ_MakeTag("ENTR"), 10, "0123456789"), REZ_OK);
  ASSERT_EQ(REZ_AddData(&file, REZ_MakeTag("ENTR"), 5, "01234"), REZ_OK);
  ASSERT_EQ(REZ_AddData(&file, REZ_MakeTag("IDCO"), 1, "x"), REZ_OK);
  ASSERT_EQ(REZ_FirstMember(&file, REZ_MakeTag("IDCO")), REZ_OK);
  ASSERT_EQ(REZ_RemoveData(&file), REZ_OK);
  ASSERT_EQ(REZ_Close(&file), 0);
  KdxRun r = Kdx({"inspect", path});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_NE(r.out.find("ENTR"), std::string::npos);
  EXPECT_NE(r.out.find("2 members"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("15 bytes"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("IDCO"), std::string::npos);
  EXPECT_NE(r.out.find("37 of them no longer in use"), std::string::npos) << r.out;
}

TEST(KdxCliInspect, FailuresAreExitOneWithOneLine) {
  kdx_test::TempDir dir;
  kdx_test::WriteAll(dir.File("text.kdx"), std::string(600, 'x'));
  // A container whose only member links to itself.
  std::vector<uint8_t> cyclic;
  {
    REZ_FILE file;
    ASSERT_EQ(REZ_Create(dir.File("c.kdx").c_str(), &file), REZ_OK);
    ASSERT_EQ(REZ_AddData(&file, REZ_MakeTag("ENTR"), 1, "x"), REZ_OK);
    ASSERT_EQ(REZ_Close(&file), 0);
    cyclic = kdx_test::ReadAll(dir.File("c.kdx"));
    cyclic[548 + 16] = 0x24;  // nextMember = 548, itself
    cyclic[548 + 17] = 0x02;
    cyclic[548 + 18] = 0;
    cyclic[548 + 19] = 0;
    kdx_test::WriteAll(dir.File("c.kdx"), cyclic);
  }
  for (const char* name : {"absent.kdx", "text.kdx", "c.kdx"}) {
    KdxRun r = Kdx({"inspect", dir.File(name)});
    EXPECT_EQ(r.status, kExitFailed) << name;
    EXPECT_EQ(Lines(r.err), 1) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
  EXPECT_NE(Kdx({"inspect", dir.File("c.kdx")}).err.find("damaged"), std::string::npos);
}

TEST(KdxCliDocument, NewInfoAndCheckOnAFreshDocument) {
  kdx_test::TempDir dir;
  std::string path = dir.File("new.kdx");
  KdxOk({"new", path});
  KdxRun again = Kdx({"new", path});
  EXPECT_EQ(again.status, kExitFailed);
  EXPECT_NE(again.err.find("exists already"), std::string::npos);
  KdxRun info = Kdx({"info", path});
  EXPECT_EQ(info.status, kExitOk) << info.err;
  EXPECT_NE(info.out.find("entries        0"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("password       none"), std::string::npos) << info.out;
  KdxRun check = Kdx({"check", path});
  EXPECT_EQ(check.status, kExitOk) << check.out;
}

TEST(KdxCliDocument, CompactReclaimsWhatInfoShowsUnusedAndKeepsTheEntries) {
  kdx_test::TempDir dir;
  const std::string path = dir.File("used.kdx");
  KdxOk({"new", path});
  for (const char* title : {"一", "二", "三"}) {
    KdxOk({"add", path, "--title", title}, std::string(3000, 'x'));
  }
  KdxOk({"rm", path, "1"});
  const std::string listed = Kdx({"list", path}).out;
  const std::string shown = Kdx({"show", path, "2"}).out;
  KdxRun compact = Kdx({"compact", path});
  EXPECT_EQ(compact.status, kExitOk) << compact.err;
  EXPECT_NE(compact.out.find(" bytes reclaimed"), std::string::npos) << compact.out;
  EXPECT_EQ(compact.out.find(": 0 bytes reclaimed"), std::string::npos) << compact.out;
  EXPECT_NE(Kdx({"info", path}).out.find(", 0 no longer in use"), std::string::npos);
  EXPECT_EQ(Kdx({"check", path}).out, path + ": sound\n");
  EXPECT_EQ(Kdx({"list", path}).out, listed);
  EXPECT_EQ(Kdx({"show", path, "2"}).out, shown);
  EXPECT_NE(Kdx({"compact", path}).out.find(": 0 bytes reclaimed"), std::string::npos);

  KdxSession writer;  // another program has it open for writing
  ASSERT_EQ(writer.Open(path, KdxAccess::kWrite), KdxOpenResult::kOk);
  const auto bytes = kdx_test::ReadAll(path);
  EXPECT_EQ(Kdx({"compact", path}).status, kExitFailed);
  EXPECT_EQ(kdx_test::ReadAll(path), bytes);
}

// A document of the previous format: refused by the other commands, made
// current by kdx convert behind a copy, and left as it was when a body will
// not convert.
TEST(KdxCliDocument, ConvertMakesAnOldDocumentCurrentBehindACopy) {
  kdx_test::TempDir dir;
  const std::string path = dir.File("old.kdx");
  kdx_test::MakeOldFormatDocument(path, {"alpha", "beta"});
  const auto before = kdx_test::ReadAll(path);
  EXPECT_EQ(Kdx({"list", path}).err,
            "kdx: " + path + ": a document of the previous format; kdx convert makes it current\n");
  KdxRun convert = Kdx({"convert", path});
  EXPECT_EQ(convert.status, kExitOk) << convert.err;
  const std::string backup = dir.File("old_backup_v300.kdx");
  EXPECT_EQ(convert.out, "converted 2, failed 0\n" + path + ": the previous version is kept in " +
                             backup + "\n");
  EXPECT_EQ(kdx_test::ReadAll(backup), before);
  EXPECT_EQ(Kdx({"check", path}).out, path + ": sound\n");
  EXPECT_EQ(Kdx({"convert", path}).out, path + ": already in the current format\n");

  const std::string mixed = dir.File("mixed.kdx");
  kdx_test::MakeOldFormatDocument(mixed, {"good", "bad"}, {kdx_test::OldRtfBody("good"), "plain"});
  const auto mixedBefore = kdx_test::ReadAll(mixed);
  KdxRun failed = Kdx({"convert", mixed});
  EXPECT_EQ(failed.status, kExitFailed);
  EXPECT_EQ(failed.err, "kdx: bad: its body is not RTF\nkdx: " + mixed +
                            ": not converted; the document is as it was\n");
  EXPECT_EQ(kdx_test::ReadAll(mixed), mixedBefore);
}

// The lines of text, without their line ends.
std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// What a script sees of a check: damage on lines "FILE: PROBLEM" and exit 1;
// harmless leftovers on lines "FILE: leftover: ...", which alone leave the
// document sound (exit 0).
TEST(KdxCliDocument, CheckTellsDamageFromLeftovers) {
  kdx_test::TempDir dir;
  std::string path = dir.File("bad.kdx");
  KdxOk({"new", path});
  // A text block of an entry that does not exist, as an interrupted import
  // leaves it; the text counter is behind it.
  REZ_FILE file;
  ASSERT_EQ(REZ_Open(path.c_str(), 0, &file), REZ_OK);
  const uint8_t orphan[16] = {0, 0, 0, 0, 42, 0, 0, 0, 4, 0, 0, 0, 't', 'e', 'x', 't'};
  ASSERT_EQ(REZ_AddData(&file, REZ_MakeTag("TEXT"), 16, orphan), REZ_OK);
  ASSERT_EQ(REZ_Close(&file), 0);
  KdxRun check = Kdx({"check", path});
  EXPECT_EQ(check.status, kExitOk) << check.err;
  EXPECT_EQ(check.err, "");
  std::vector<std::string> lines = LinesOf(check.out);
  ASSERT_EQ(lines.size(), 3u) << check.out;
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(lines[i].rfind(path + ": leftover: ", 0), 0u) << lines[i];
    EXPECT_NE(lines[i].find("(harmless: "), std::string::npos) << lines[i];
  }
  EXPECT_NE(check.out.find("entry 42, which does not exist"), std::string::npos) << check.out;
  EXPECT_NE(check.out.find("counter tx_id"), std::string::npos) << check.out;
  EXPECT_EQ(lines[2], path + ": sound (2 leftovers)");

  // A block whose size overruns it is damage, named as always.
  const uint8_t overrun[16] = {1, 0, 0, 0, 43, 0, 0, 0, 99, 0, 0, 0, 't', 'e', 'x', 't'};
  ASSERT_EQ(REZ_Open(path.c_str(), 0, &file), REZ_OK);
  ASSERT_EQ(REZ_AddData(&file, REZ_MakeTag("TEXT"), 16, overrun), REZ_OK);
  ASSERT_EQ(REZ_Close(&file), 0);
  check = Kdx({"check", path});
  EXPECT_EQ(check.status, kExitFailed);
  EXPECT_EQ(check.err, "kdx: " + path + ": 1 problem\n");
  lines = LinesOf(check.out);
  ASSERT_EQ(lines.size(), 4u) << check.out;  // the overrun, then three leftovers
  EXPECT_EQ(lines[0], path + ": blocks: text block of entry 43 says 99 bytes but holds at most 4");
  for (size_t i = 1; i < 4; ++i) EXPECT_EQ(lines[i].rfind(path + ": leftover: ", 0), 0u);
  EXPECT_EQ(Kdx({"info", dir.File("absent.kdx")}).status, kExitFailed);
}

// A file kdx cannot read for lack of permission is named as such, never as
// missing or damaged: the document, the password file and the body file.
TEST(KdxCliDocument, FilesThatMayNotBeReadSaySo) {
  kdx_test::TempDir dir;
  const std::string doc = dir.File("doc.kdx");
  const std::string hidden = dir.File("closed/doc.kdx");
  KdxOk({"new", doc});
  std::filesystem::create_directories(dir.File("closed"));
  KdxOk({"new", hidden});
  KdxOk({"add", hidden}, "x");
  kdx_test::WriteAll(dir.File("pw"), std::string("Door42\n"));
  KdxOk({"passwd", doc, "--new-password-file", dir.File("pw")});
  kdx_test::WriteAll(dir.File("in.rtf"), std::string("{\\rtf1 x}"));
  const std::string locked = dir.File("locked.kdx");
  std::filesystem::copy_file(doc, locked);
  for (const char* name : {"locked.kdx", "pw", "in.rtf"}) {
    std::filesystem::permissions(dir.File(name), std::filesystem::perms::none);
  }
  std::filesystem::permissions(dir.File("closed"), std::filesystem::perms::owner_read);
  std::vector<std::pair<KdxRun, std::string>> runs;
  {
    kdx_test::FileModesEnforced modes;
    if (!modes.enforced()) GTEST_SKIP() << "file modes cannot be enforced here";
    for (const std::string& path : {locked, hidden}) {
      for (const char* command : {"list", "info", "check", "inspect"}) {
        runs.emplace_back(Kdx({command, path}), path);
      }
    }
    runs.emplace_back(Kdx({"list", doc, "--password-file", dir.File("pw")}), dir.File("pw"));
    runs.emplace_back(Kdx({"add", dir.File("new.kdx"), "--rtf", dir.File("in.rtf")}),
                      dir.File("in.rtf"));
  }
  std::filesystem::permissions(dir.File("closed"), std::filesystem::perms::owner_all);
  for (const auto& [run, path] : runs) {
    EXPECT_EQ(run.status, kExitFailed) << run.err;
    EXPECT_EQ(run.err, "kdx: " + path + ": cannot be read: permission denied\n");
  }
}

// A password file is a regular file or a pipe, read as far as its first line
// within a bound: a device, a folder or an endless line is refused with its
// reason, never read for ever or taken for a wrong password.
TEST(KdxCliDocument, PasswordFilesAreFilesOrPipesReadToABound) {
  kdx_test::TempDir dir;
  const std::string doc = dir.File("doc.kdx");
  KdxOk({"new", doc});
  kdx_test::WriteAll(dir.File("pw"), std::string("Door42\r\nsecond line\n"));
  KdxOk({"passwd", doc, "--new-password-file", dir.File("pw")});
  kdx_test::WriteAll(dir.File("long"), std::string(100000, 'a'));
  const std::pair<std::string, std::string> refused[] = {
      {"/dev/zero", "not a file"},
      {dir.path().string(), "is a folder, not a file"},
      {dir.File("long"), "its first line is too long to be a password"}};
  for (const auto& [path, why] : refused) {
    const KdxRun r = Kdx({"list", doc, "--password-file", path});
    EXPECT_EQ(r.status, kExitFailed) << path;
    EXPECT_EQ(r.err, "kdx: " + path + ": " + why + "\n");
  }
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // after kdx opened it
    std::ofstream(fifo) << "Door42\n";
  });
  KdxOk({"list", doc, "--password-file", fifo});
  writer.join();
}

// A FIFO given as the document is refused, never opened: the open would wait
// for a writer for ever.
TEST(KdxCliDocument, AFifoIsRefusedNotWaitedOn) {
  kdx_test::TempDir dir;
  const std::string fifo = dir.File("pipe.kdx");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const char* command : {"list", "info", "check", "inspect", "add"}) {
    KdxRun r = kdx_test::KdxWithInput("", {command, fifo});
    EXPECT_EQ(r.status, kExitFailed) << command;
    EXPECT_EQ(r.err, "kdx: " + fifo + ": a FIFO, not a file\n") << command;
  }
}

TEST(KdxCliDetect, NamesTheEncodingOfEachFile) {
  kdx_test::TempDir dir;
  // 日本語 in Shift JIS (93 FA 96 7B 8C EA) and EUC-JP (C6 FC CB DC B8 EC), as
  // `printf 日本語 | iconv -t SHIFT_JIS` and `-t EUC-JP` give them.
  kdx_test::WriteAll(dir.File("sjis.txt"), std::string("\x93\xFA\x96\x7B\x8C\xEA"));
  kdx_test::WriteAll(dir.File("euc.txt"), std::string("\xC6\xFC\xCB\xDC\xB8\xEC"));
  kdx_test::WriteAll(dir.File("utf8.txt"), std::string("日本語"));
  kdx_test::WriteAll(dir.File("ascii.txt"), std::string("plain"));
  kdx_test::WriteAll(dir.File("bin.dat"), std::string("a\x01z", 3));
  // café in UTF-8 scores as EUC-JP; the import reads it as UTF-8, and so
  // does detect. Plain ASCII is imported as UTF-8 too.
  kdx_test::WriteAll(dir.File("cafe.txt"), std::string("caf\xC3\xA9"));
  kdx_test::WriteAll(dir.File("doc.RTF"), std::string("{\\rtf1 \x01}"));
  KdxRun r =
      Kdx({"detect", dir.File("sjis.txt"), dir.File("euc.txt"), dir.File("utf8.txt"),
           dir.File("ascii.txt"), dir.File("bin.dat"), dir.File("cafe.txt"), dir.File("doc.RTF")});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  for (const char* expected :
       {"sjis.txt\tS-JIS\n", "euc.txt\tEUC\n", "utf8.txt\tUTF-8\n", "ascii.txt\tUTF-8\n",
        "bin.dat\tbinary\n", "cafe.txt\tUTF-8\n", "doc.RTF\tRTF\n"}) {
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << " in " << r.out;
  }
  const std::string doc = dir.File("d.kdx");
  KdxOk({"new", doc});
  KdxOk({"import", doc, dir.File("cafe.txt")});
  EXPECT_NE(Kdx({"list", doc, "--columns", "en_title,en_encoding"}).out.find("cafe.txt\tUTF-8"),
            std::string::npos);
  // What the import would refuse, detect names as Unknown and fails on.
  kdx_test::WriteAll(dir.File("pua.txt"), std::string("\xF0\x40\xF1\x80\xF2\x90\xF3\xA0"));
  KdxRun unknown = Kdx({"detect", dir.File("pua.txt")});
  EXPECT_EQ(unknown.status, kExitFailed);
  EXPECT_EQ(unknown.out, dir.File("pua.txt") + "\tUnknown\n");
  EXPECT_NE(unknown.err.find("user-defined"), std::string::npos) << unknown.err;
  KdxRun decoded = Kdx({"detect", "--decode", dir.File("sjis.txt")});
  EXPECT_NE(decoded.out.find("日本語"), std::string::npos) << decoded.out;
  EXPECT_EQ(Kdx({"detect", dir.File("absent.txt")}).status, kExitFailed);
}

TEST(KdxCliEntries, AUserWorksWithADocumentThroughKdxAlone) {
  kdx_test::TempDir dir;
  std::string doc = dir.File("notes.kdx");
  KdxOk({"new", doc});
  EXPECT_EQ(kdx_test::KdxWithInput("議事録の本文\n", {"add", doc, "--title", "議事録", "--cat1",
                                                      "仕事", "--note", "要確認"})
                .out,
            "0\n");
  EXPECT_EQ(
      kdx_test::KdxWithInput("secret body", {"add", doc, "--title", "secret", "--encrypt"}).out,
      "1\n");
  EXPECT_EQ(Kdx({"show", doc, "0"}).out, "議事録の本文\n");
  EXPECT_EQ(Kdx({"show", doc, "0", "--note"}).out, "要確認\n");
  EXPECT_EQ(Kdx({"show", doc, "1"}).out, "secret body\n");
  // The encrypted body is not readable in the file.
  std::vector<uint8_t> bytes = kdx_test::ReadAll(doc);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()).find("secret body"), std::string::npos);

  EXPECT_EQ(Kdx({"cp", doc, "0"}).out, "0\t2\n");
  KdxOk({"label", doc, "0", "2", "--set", "3"});
  KdxOk({"decrypt", doc, "1"});
  KdxOk({"rm", doc, "2"});
  KdxRun list =
      Kdx({"list", doc, "--columns", "en_id,en_title,en_co_id,en_encrpyt", "--sort", "en_id:asc"});
  EXPECT_EQ(list.status, kExitOk) << list.err;
  EXPECT_EQ(list.out,
            "ＩＤ\t文章名\tラベル\t暗号化\n0\t議事録\t進行中\tしない\n1\tsecret\tなし\tしない\n");
  KdxRun filtered = Kdx({"list", doc, "--cat1", "仕事", "--columns", "en_title"});
  EXPECT_EQ(filtered.out, "文章名\n議事録\n");
  EXPECT_EQ(Kdx({"rm", doc, "1", "99"}).status, kExitFailed);  // nothing removed
  KdxOk({"show", doc, "1"});

  // A password: wrong ones change nothing; the right one opens.
  kdx_test::WriteAll(dir.File("pw"), std::string("Door42\n"));
  kdx_test::WriteAll(dir.File("wrong"), std::string("door42\n"));
  KdxOk({"passwd", doc, "--new-password-file", dir.File("pw")});
  EXPECT_EQ(Kdx({"rm", doc, "0", "--password-file", dir.File("wrong")}).status, kExitFailed);
  EXPECT_EQ(Kdx({"show", doc, "0", "--password-file", dir.File("pw")}).out, "議事録の本文\n");

  // A subset as a new document keeps the password and the content.
  std::string subset = dir.File("subset.kdx");
  KdxOk({"save-as", doc, subset, "--ids", "1", "--password-file", dir.File("pw")});
  EXPECT_EQ(Kdx({"show", subset, "1", "--password-file", dir.File("pw")}).out, "secret body\n");
  EXPECT_EQ(Kdx({"show", subset, "0", "--password-file", dir.File("pw")}).status, kExitFailed);
  KdxOk({"check", subset});
  EXPECT_EQ(Kdx({"save-as", doc, subset, "--password-file", dir.File("pw")}).status, kExitFailed);
}

// A tab or line break inside a value (a title from a file name) is printed as
// \t, \n or \r: every line keeps its cells, every record its one line. Other
// control characters (a terminal's escape sequence) are printed as \xNN.
TEST(KdxCliEntries, ValuesNeverSplitACellOrALine) {
  kdx_test::TempDir dir;
  std::string doc = dir.File("notes.kdx");
  KdxOk({"new", doc});
  KdxOk({"add", doc, "--title", "a\tb\nc\rd\x1B[2J\xC2\x9B", "--cat1", "x\ty"}, "word");
  const std::vector<std::string> list =
      LinesOf(Kdx({"list", doc, "--columns", "en_id,en_title,en_cat1_name"}).out);
  ASSERT_EQ(list.size(), 2u);
  const std::string title = "a\\tb\\nc\\rd\\x1B[2J\\x9B";
  EXPECT_EQ(list[1], "0\t" + title + "\tx\\ty");
  EXPECT_EQ(Kdx({"search", doc, "word"}).out, "0\t" + title + "\n");
  const std::string fields = Kdx({"show", doc, "0", "--fields"}).out;
  EXPECT_NE(fields.find("\nen_title\t" + title + "\n"), std::string::npos) << fields;
  for (const std::string& line : LinesOf(fields)) {
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 1) << line;
  }
  const std::string categories = Kdx({"categories", doc}).out;
  EXPECT_NE(categories.find("\nx\\ty\t"), std::string::npos) << categories;
  for (const std::string& line : LinesOf(categories)) {
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 2) << line;
  }
}

TEST(KdxCliEntries, BodiesAreRichTextWhoseTextIsStoredBesideThem) {
  kdx_test::TempDir dir;
  std::string doc = dir.File("rich.kdx");
  KdxOk({"new", doc});
  KdxOk({"add", doc, "--title", "text"}, "一行目\r\n二行目\n");
  EXPECT_EQ(Kdx({"show", doc, "0"}).out, "一行目\n二行目\n");  // line ends as LF
  KdxRun rtf = Kdx({"show", doc, "0", "--rtf"});
  EXPECT_EQ(rtf.out.rfind("{\\rtf1", 0), 0u) << rtf.out;

  // An RTF file as the body; hand-written, Japanese as \uN with Shift JIS fallbacks.
  kdx_test::WriteAll(
      dir.File("in.rtf"),
      std::string("{\\rtf1\\ansi\\ansicpg932{\\b Bold} and \\u26085\\'93\\u26412\\'96\\par next}"));
  KdxOk({"add", doc, "--rtf", dir.File("in.rtf"), "--title", "rtf"});
  EXPECT_EQ(Kdx({"show", doc, "1"}).out, "Bold and 日本\nnext\n");
  kdx_test::WriteAll(dir.File("bad.rtf"), std::string("not rtf at all"));
  KdxRun bad = Kdx({"add", doc, "--rtf", dir.File("bad.rtf")});
  EXPECT_EQ(bad.status, kExitFailed);
  EXPECT_EQ(Lines(bad.err), 1) << bad.err;
  // A file past the import limit is refused by its size, not read.
  kdx_test::WriteAll(dir.File("huge.rtf"), std::string("{\\rtf1 x}"));
  ASSERT_EQ(truncate(dir.File("huge.rtf").c_str(), int64_t{1} << 40), 0);
  EXPECT_EQ(Kdx({"add", doc, "--rtf", dir.File("huge.rtf")}).err,
            "kdx: " + dir.File("huge.rtf") + ": larger than 256 MiB\n");
  KdxOk({"check", doc});
}

}  // namespace

namespace {

// The completion scripts and the manual come from the definitions behind
// --help: every command is in them with its options.
TEST(KdxCli, CompletionAndManualNameEveryCommand) {
  const std::string bash = Kdx({"completion", "bash"}).out;
  const std::string manual = Kdx({"manual"}).out;
  for (const char* command :
       {"new", "add", "set", "edit", "labels", "search", "export", "passwd", "convert"}) {
    EXPECT_NE(bash.find(std::string("    ") + command + ") opts=\""), std::string::npos) << command;
    EXPECT_NE(manual.find(std::string(".SS \"kdx ") + command), std::string::npos) << command;
  }
  EXPECT_NE(bash.find("--none-ok"), std::string::npos);
  EXPECT_NE(manual.find(".B \\-\\-context"), std::string::npos);
  EXPECT_EQ(Kdx({"--help"}).out.find("completion"), std::string::npos);  // for the build only
  kdx_test::TempDir dir;
  kdx_test::WriteAll(dir.File("kdx.bash"), bash);
  EXPECT_EQ(std::system(("bash -n " + dir.File("kdx.bash")).c_str()), 0);
}

}  // namespace
