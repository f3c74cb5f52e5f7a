// kdx meeting the usual mistakes: each gets one clear answer and the exit
// status a script can trust, never a silent wrong result.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/cli_test_util.h"
#include "support/file_permissions.h"
#include "support/test_support.h"

namespace {

using kdx_test::Kdx;
using kdx_test::KdxOk;
using kdx_test::KdxOn;
using kdx_test::KdxRun;
using kdx_test::KdxWithInput;

struct UsageCli : ::testing::Test {
  kdx_test::TempDir dir;
  std::string doc = dir.File("notes.kdx");
  void SetUp() override {
    KdxOk({"new", doc});
    KdxOk({"add", doc, "--title", "議事録", "--cat1", "仕事", "--note", "要確認"},
          "会議の議事録です。");
    KdxOk({"add", doc, "--title", "other"}, "other");
  }
};

// A list option takes one argument, commas between its items: the words
// after it are the command's, wherever the option stands and however written.
TEST_F(UsageCli, ListOptionsTakeOneArgument) {
  for (const char* in : {"--in", "--in=body,note,title"}) {
    std::vector<std::string> args{"search", doc, "--mode", "all", in};
    if (std::string(in) == "--in") args.push_back("body,note,title");
    args.insert(args.end(), {"会議", "要確認"});
    KdxRun r = Kdx(args);
    EXPECT_EQ(r.status, kExitOk) << in << ": " << r.err;
    EXPECT_EQ(r.out, "0\t議事録\n") << in;
  }
  KdxRun list = Kdx({"list", "--columns", "en_id,en_title", "--sort", "en_id:desc", doc});
  EXPECT_EQ(list.status, kExitOk) << list.err;
  EXPECT_EQ(list.out, "ＩＤ\t文章名\n1\tother\n0\t議事録\n");
  kdx_test::TempDir out;
  KdxRun exported = Kdx({"export", doc, "--ids", "1", out.path().string(), "--format", "utf8"});
  EXPECT_EQ(exported.out, "exported 1, failed 0\n") << exported.err;
}

TEST_F(UsageCli, AnUnknownCategoryIsNoCategoryNotEveryEntry) {
  KdxRun r = Kdx({"list", doc, "--cat1", "存在しない"});
  EXPECT_EQ(r.status, kExitFailed);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "kdx: " + doc + ": no such category: 存在しない (kdx categories lists them)\n");
  EXPECT_EQ(Kdx({"list", doc, "--cat1", "仕事", "--cat2", "nope"}).status, kExitFailed);
  EXPECT_EQ(Kdx({"list", doc, "--cat1", "仕事", "--columns", "en_id"}).out, "ＩＤ\n0\n");
}

// Asking an entry that is not there changes nothing and says only that.
TEST_F(UsageCli, OutcomesFollowOneRule) {
  EXPECT_EQ(Kdx({"show", doc, "99"}).err, "kdx: " + doc + ": no entry 99\n");
  EXPECT_EQ(Kdx({"rm", doc, "99"}).err, "kdx: " + doc + ": no entry 99; nothing was changed\n");
  KdxRun twice = Kdx({"rm", doc, "1", "1"});
  EXPECT_EQ(twice.status, kExitOk) << twice.err;
  EXPECT_EQ(Kdx({"show", doc, "1"}).status, kExitFailed);
  EXPECT_EQ(Kdx({"show", doc, "0"}).out, "会議の議事録です。\n");
  // Already as asked: a note, and success, both ways.
  KdxRun decrypt = Kdx({"decrypt", doc, "0"});
  EXPECT_EQ(decrypt.status, kExitOk);
  EXPECT_EQ(decrypt.err, "kdx: entry 0 is not encrypted; nothing to do\n");
  KdxOk({"encrypt", doc, "0"});
  KdxRun encrypt = Kdx({"encrypt", doc, "0", "0"});
  EXPECT_EQ(encrypt.status, kExitOk);
  EXPECT_EQ(encrypt.err, "kdx: entry 0 is encrypted already; nothing to do\n");
}

TEST(KdxCliUsage, MistypedCommandsAndMissingArgumentsPointToTheHelp) {
  KdxRun none = Kdx({});
  EXPECT_EQ(none.status, kExitUsage);
  EXPECT_EQ(none.out, "");
  EXPECT_NE(none.err.find("Usage: kdx"), std::string::npos) << none.err;
  KdxRun typo = Kdx({"serch", "notes.kdx", "x"});
  EXPECT_EQ(typo.status, kExitUsage);
  EXPECT_EQ(typo.err,
            "kdx: unknown command \"serch\" (did you mean \"search\"?); kdx --help lists the "
            "commands\n");
  EXPECT_NE(Kdx({"--password-file", "pw", "lst", "x"}).err.find("\"list\""), std::string::npos);
  EXPECT_EQ(Kdx({"frobnicate"}).err,
            "kdx: unknown command \"frobnicate\"; kdx --help lists the commands\n");
  KdxRun missing = Kdx({"search", "notes.kdx"});
  EXPECT_EQ(missing.status, kExitUsage);
  EXPECT_NE(missing.err.find("(see kdx search --help)\n"), std::string::npos) << missing.err;
}

// A folder or path kdx cannot use is refused with the system's reason.
TEST_F(UsageCli, RefusedPathsGiveTheSystemsReason) {
  KdxRun r = Kdx({"export", doc, dir.File("absent")});
  EXPECT_EQ(r.err, "kdx: " + dir.File("absent") + ": no such folder\n");
  EXPECT_EQ(Kdx({"export", doc, doc}).err, "kdx: " + doc + ": not a folder\n");
  EXPECT_EQ(Kdx({"import", doc, "--v2", dir.File("absent")}).err,
            "kdx: " + dir.File("absent") + ": no such folder\n");
  EXPECT_EQ(Kdx({"new", dir.File("absent/new.kdx")}).err,
            "kdx: " + dir.File("absent/new.kdx") + ": cannot be created: no such file or folder\n");
  std::filesystem::create_directories(dir.File("closed"));
  std::filesystem::permissions(
      dir.File("closed"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  std::vector<KdxRun> runs;
  {
    kdx_test::FileModesEnforced modes;
    if (!modes.enforced()) GTEST_SKIP() << "file modes cannot be enforced here";
    runs.push_back(Kdx({"export", doc, dir.File("closed")}));
    runs.push_back(Kdx({"save-as", doc, dir.File("closed/copy.kdx")}));
  }
  std::filesystem::permissions(dir.File("closed"), std::filesystem::perms::owner_all);
  EXPECT_EQ(runs[0].err, "kdx: " + dir.File("closed") + ": cannot be written: permission denied\n");
  EXPECT_EQ(runs[1].err,
            "kdx: " + dir.File("closed/copy.kdx") + ": cannot be created: permission denied\n");
}

// A console whose password answers are scripted, and which notes how much of
// standard input had been read when each was asked.
struct ScriptedConsole {
  std::istringstream in;
  std::vector<std::string> answers;
  std::vector<std::string> prompts;
  std::vector<std::streamoff> readBefore;
  KdxConsole Console(bool terminal = false) {
    KdxConsole console;
    console.in = &in;
    console.inIsTerminal = terminal;
    console.askPassword = [this](const std::string& prompt, std::string* typed) {
      prompts.push_back(prompt);
      readBefore.push_back(in.tellg());
      if (answers.empty()) return false;
      *typed = answers.front();
      answers.erase(answers.begin());
      return true;
    };
    return console;
  }
};

// The password is asked for at the terminal before the body is read from
// standard input, so both can be typed; at a terminal kdx says how the body ends.
TEST_F(UsageCli, ThePasswordIsAskedBeforeTheBodyIsRead) {
  kdx_test::WriteAll(dir.File("pw"), std::string("Door42\n"));
  KdxOk({"passwd", doc, "--new-password-file", dir.File("pw")});
  ScriptedConsole console;
  console.in.str("typed body\n");
  console.answers = {"Door42"};
  KdxRun r = KdxOn(console.Console(true), {"add", doc, "--title", "typed"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "2\n");
  ASSERT_EQ(console.readBefore.size(), 1u);
  EXPECT_EQ(console.readBefore[0], 0);
  EXPECT_NE(r.err.find("Ctrl+D"), std::string::npos) << r.err;
  EXPECT_EQ(Kdx({"show", doc, "2", "--password-file", dir.File("pw")}).out, "typed body\n");
  // Through a pipe nobody is told of Ctrl+D; with no terminal the file is the way.
  ScriptedConsole piped;
  piped.in.str("x");
  KdxRun none = KdxOn(piped.Console(), {"add", doc});
  EXPECT_EQ(none.status, kExitFailed);
  EXPECT_NE(none.err.find("give it with --password-file"), std::string::npos) << none.err;
  EXPECT_EQ(none.err.find("Ctrl+D"), std::string::npos);
}

// A new password is kept whole or refused: too long, or not letters and
// digits, is refused with the rule; an empty answer changes nothing; only
// --remove removes it.
TEST_F(UsageCli, NewPasswordsAreKeptWholeOrRefused) {
  auto passwd = [&](std::vector<std::string> answers) {
    ScriptedConsole console;
    console.answers = std::move(answers);
    return KdxOn(console.Console(), {"passwd", doc, "--password-file", dir.File("pw")});
  };
  kdx_test::WriteAll(dir.File("pw"), std::string("Door42\n"));
  const std::string rule =
      "kdx: the password is refused: a password is 1 to 21 letters and digits (A to Z, a to z, "
      "0 to 9); nothing was changed\n";
  const std::string longer(22, 'a');
  EXPECT_EQ(passwd({longer, longer}).err, rule);
  EXPECT_EQ(passwd({"パスワード", "パスワード"}).err, rule);
  EXPECT_EQ(passwd({"Door42", "Door43"}).status, kExitFailed);
  KdxRun set = passwd({"Door42", "Door42"});
  EXPECT_EQ(set.status, kExitOk) << set.err;
  EXPECT_EQ(set.out, doc + ": password set\n");
  EXPECT_EQ(passwd({std::string(21, 'b'), std::string(21, 'b')}).status, kExitOk);
  kdx_test::WriteAll(dir.File("pw"), std::string(21, 'b') + "\n");
  KdxRun empty = passwd({""});
  EXPECT_EQ(empty.status, kExitFailed);
  EXPECT_NE(empty.err.find("nothing was changed"), std::string::npos) << empty.err;
  EXPECT_NE(Kdx({"info", doc}).out.find("password       set"), std::string::npos);
  EXPECT_EQ(Kdx({"show", doc, "0"}).status, kExitFailed);
  KdxOk({"passwd", doc, "--remove", "--password-file", dir.File("pw")});
  KdxOk({"show", doc, "0"});
}

}  // namespace

namespace {

// Entries picked by title or category where identifiers are taken; a removal
// of more than one picked entry wants a yes at the terminal, or --yes.
TEST_F(UsageCli, EntriesArePickedByTitleOrCategory) {
  KdxOk({"add", doc, "--title", "other", "--cat1", "仕事"}, "dup");
  EXPECT_EQ(Kdx({"show", doc, "--title", "議事録"}).out, "会議の議事録です。\n");
  KdxRun two = Kdx({"show", doc, "--title", "other"});
  EXPECT_EQ(two.status, kExitFailed);
  EXPECT_NE(two.err.find("2 entries match"), std::string::npos) << two.err;
  EXPECT_EQ(Kdx({"show", doc, "--title", "other", "--cat1", "仕事"}).out, "dup\n");
  KdxRun none = Kdx({"show", doc, "--title", "nothing"});
  EXPECT_EQ(none.err, "kdx: " + doc + ": no entry has the title \"nothing\"\n");

  kdx_test::TempDir out;
  EXPECT_EQ(Kdx({"export", doc, out.path().string(), "--cat1", "仕事", "--format", "utf8"}).out,
            "exported 2, failed 0\n");

  KdxRun refused = Kdx({"rm", doc, "--cat1", "仕事"});
  EXPECT_EQ(refused.status, kExitFailed);
  EXPECT_NE(refused.err.find("nothing was removed (--yes removes them all)"), std::string::npos);
  KdxOk({"show", doc, "0"});
  KdxOk({"rm", doc, "--title", "議事録"});  // one: no question
  // At a terminal the person is asked, and only a yes removes.
  std::vector<std::string> asked;
  auto answering = [&asked](std::string answer) {
    KdxConsole console;
    console.askQuestion = [&asked, answer](const std::string& prompt, std::string* typed) {
      asked.push_back(prompt);
      *typed = answer;
      return true;
    };
    return console;
  };
  KdxOk({"add", doc, "--title", "more", "--cat1", "仕事"}, "more");
  const std::vector<std::string> ids = {"list", doc, "--columns", "id", "--no-header"};
  const std::string before = Kdx(ids).out;
  for (const char* no : {"", "n", "yess", " y"}) {
    EXPECT_EQ(KdxOn(answering(no), {"rm", doc, "--cat1", "仕事"}).status, kExitFailed) << no;
  }
  ASSERT_EQ(asked.size(), 4u);
  EXPECT_NE(asked[0].find("\nRemove 2 entries? [y/N] "), std::string::npos) << asked[0];
  EXPECT_EQ(Kdx(ids).out, before);
  EXPECT_EQ(KdxOn(answering("y"), {"rm", doc, "--cat1", "仕事"}).status, kExitOk);
  EXPECT_EQ(Kdx({"list", doc, "--columns", "id", "--no-header"}).out, "1\n");
  EXPECT_EQ(Kdx({"rm", doc}).status, kExitUsage);
}

}  // namespace
