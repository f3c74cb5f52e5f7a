// kdx labels, set and edit: changing entries that exist, by number or name,
// and through the user's editor.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <sstream>

#include "cli/cli_test_util.h"
#include "support/test_support.h"

namespace {

using kdx_test::Kdx;
using kdx_test::KdxOk;
using kdx_test::KdxRun;
using kdx_test::KdxWithInput;

struct SetCli : ::testing::Test {
  kdx_test::TempDir dir;
  std::string doc = dir.File("notes.kdx");
  void SetUp() override {
    KdxOk({"new", doc});
    KdxOk({"add", doc, "--title", "a", "--note", "n"}, "一行目\n");
    KdxOk({"add", doc, "--title", "b", "--encrypt"}, "two");
  }
  // The entry's row of the list: id, title, categories 1 and 2, label, note.
  std::string Row(const std::string& id) {
    std::istringstream list(
        Kdx({"list", doc, "--columns", "en_id,en_title,en_cat1_name,en_cat2_name,en_co_id,en_note",
             "--no-header"})
            .out);
    for (std::string line; std::getline(list, line);) {
      if (line.rfind(id + "\t", 0) == 0) return line;
    }
    return "";
  }
};

TEST_F(SetCli, LabelsAreListedAndTakenByNumberOrName) {
  KdxRun labels = Kdx({"labels", doc});
  EXPECT_EQ(labels.status, kExitOk);
  EXPECT_EQ(labels.out.substr(0, labels.out.find('\n', 25)),
            "label\tname\tcolour\n0\tなし\t#000000");
  EXPECT_NE(labels.out.find("\n3\t進行中\t#ff00ff\n"), std::string::npos) << labels.out;
  KdxOk({"add", doc, "--label", "重要"}, "x");
  KdxOk({"label", doc, "0", "--set", "進行中"});
  KdxOk({"set", doc, "1", "--label", "7"});
  const std::string ids = Kdx({"list", doc, "--columns", "en_co_id", "--sort", "en_id"}).out;
  EXPECT_EQ(ids, "ラベル\n進行中\n計画２\n重要\n");
  KdxRun unknown = Kdx({"set", doc, "0", "--label", "紫"});
  EXPECT_EQ(unknown.status, kExitUsage);
  EXPECT_EQ(unknown.err,
            "kdx: no label \"紫\" (give 0 to 7 or a label's name; kdx labels lists them)\n");
}

TEST_F(SetCli, SetChangesOnlyWhatIsGivenOfEveryEntryNamed) {
  KdxOk({"set", doc, "0", "1", "--cat2", "議事", "--note", ""});
  EXPECT_EQ(Row("0"), "0\ta\tその他\t議事\tなし\t");
  EXPECT_EQ(Row("1"), "1\tb\tその他\t議事\tなし\t");
  kdx_test::WriteAll(dir.File("note.txt"), std::string("from\tfile"));
  KdxOk({"set", doc, "1", "--title", "新題", "--note-file", dir.File("note.txt")});
  EXPECT_EQ(Kdx({"show", doc, "1", "--note"}).out, "from\tfile\n");
  EXPECT_EQ(Row("1"), "1\t新題\tその他\t議事\tなし\tfrom\\tfile");
  EXPECT_EQ(Kdx({"show", doc, "1"}).out, "two\n");  // the body untouched, still enciphered
  EXPECT_EQ(Kdx({"list", doc, "--cat2", "議事"}).status, kExitUsage);  // needs --cat1
  EXPECT_EQ(Kdx({"list", doc, "--cat1", "その他", "--cat2", "議事", "--no-header", "--columns",
                 "id", "--sort", "id"})
                .out,
            "0\n1\n");
  // Nothing half-done: a missing entry, an empty title, nothing to set.
  EXPECT_EQ(Kdx({"set", doc, "0", "99", "--title", "x"}).status, kExitFailed);
  EXPECT_EQ(Kdx({"set", doc, "0", "--title", ""}).status, kExitUsage);
  EXPECT_EQ(Kdx({"set", doc, "0"}).status, kExitUsage);
  EXPECT_EQ(Kdx({"set", doc, "0", "--cat1", "＜すべて＞"}).status, kExitUsage);
  EXPECT_EQ(Row("0"), "0\ta\tその他\t議事\tなし\t");
  EXPECT_EQ(Kdx({"check", doc}).out, doc + ": sound\n");
}

// kdx edit with EDITOR set to a script: what the script leaves is stored.
struct EditCli : SetCli {
  std::string editor = dir.File("editor.sh");
  void Editor(const std::string& body) {
    kdx_test::WriteAll(editor, "#!/bin/sh\n" + body + "\n");
    std::filesystem::permissions(editor, std::filesystem::perms::owner_all);
    setenv("EDITOR", editor.c_str(), 1);
    unsetenv("VISUAL");
  }
  void TearDown() override { unsetenv("EDITOR"); }
};

TEST_F(EditCli, TheEditorsTextIsStoredAsOneChange) {
  Editor("printf '二行目\\n' >> \"$1\"");
  KdxRun r = Kdx({"edit", doc, "0"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(Kdx({"show", doc, "0"}).out, "一行目\n二行目\n");
  EXPECT_EQ(Kdx({"search", doc, "二行目"}).out, "0\ta\n");
  KdxRun rtf = Kdx({"show", doc, "0", "--rtf"});
  EXPECT_NE(rtf.out.find("\\u20108"), std::string::npos) << rtf.out;  // 二 in the body too
  Editor("printf ' and more' >> \"$1\"");
  KdxOk({"edit", doc, "1", "--note"});
  EXPECT_EQ(Kdx({"show", doc, "1", "--note"}).out, " and more\n");
  EXPECT_EQ(Kdx({"show", doc, "1"}).out, "two\n");
  EXPECT_EQ(Kdx({"check", doc}).out, doc + ": sound\n");
}

TEST_F(EditCli, AFailedEditOrARichBodyChangesNothing) {
  const std::vector<uint8_t> before = kdx_test::ReadAll(doc);
  Editor("echo lost >> \"$1\"; exit 3");
  KdxRun failed = Kdx({"edit", doc, "0"});
  EXPECT_EQ(failed.status, kExitFailed);
  EXPECT_EQ(failed.err, "kdx: the editor failed (exit 3); nothing was changed\n");
  Editor("true");
  KdxRun same = Kdx({"edit", doc, "0"});
  EXPECT_EQ(same.status, kExitOk);
  EXPECT_EQ(kdx_test::ReadAll(doc), before);

  kdx_test::WriteAll(dir.File("b.rtf"), std::string("{\\rtf1 {\\b bold} plain}"));
  ASSERT_EQ(Kdx({"add", doc, "--rtf", dir.File("b.rtf")}).out, "2\n");
  Editor("printf '\\nmore' >> \"$1\"");
  KdxRun rich = Kdx({"edit", doc, "2"});
  EXPECT_EQ(rich.status, kExitFailed);
  EXPECT_NE(rich.err.find("--force"), std::string::npos) << rich.err;
  EXPECT_EQ(Kdx({"show", doc, "2"}).out, "bold plain\n");
  KdxOk({"edit", doc, "2", "--force"});
  EXPECT_EQ(Kdx({"show", doc, "2"}).out, "bold plain\nmore\n");
  EXPECT_EQ(Kdx({"show", doc, "2", "--rtf"}).out.find("\\b "), std::string::npos);
}

}  // namespace
