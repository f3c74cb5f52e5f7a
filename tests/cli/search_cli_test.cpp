// kdx search as a script sees it: the rows, their order, the count on
// standard error and the exit statuses.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <sstream>

#include "cli/cli_test_util.h"
#include "core/document/history.h"
#include "core/prefs/pref_rez.h"
#include "core/search/search_history.h"
#include "support/test_support.h"

namespace {

using kdx_test::Kdx;
using kdx_test::KdxOk;
using Ids = std::vector<std::string>;

Ids FirstColumn(const std::string& out) {
  std::istringstream lines(out);
  Ids ids;
  for (std::string line; std::getline(lines, line);) ids.push_back(line.substr(0, line.find('\t')));
  return ids;
}

struct SearchCli : ::testing::Test {
  kdx_test::TempDir dir;
  std::string doc = dir.File("notes.kdx");
  void SetUp() override {
    KdxOk({"new", doc});
    auto add = [&](const std::string& body, Ids args) {
      args.insert(args.begin(), {"add", doc});
      KdxOk(args, body);
    };
    add("Apple pie の作り方", {"--title", "zeta"});  // 0
    add("apple だけ", {"--title", "alpha\tTab"});
    add("pie だけ", {"--title", "mid"});
    add("ＡＰＰＬＥ 全角", {"--title", "full width"});
    add("secret apple pie", {"--title", "s", "--encrypt", "--note", "note 議事録"});  // 4
  }
  Ids Found(const Ids& args) {
    Ids found = FirstColumn(Kdx(args).out);
    std::sort(found.begin(), found.end());
    return found;
  }
};

TEST_F(SearchCli, PrintsIdentifierAndTitleInTheListOrderWithTheCount) {
  kdx_test::KdxRun r = Kdx({"search", doc, "apple"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  Ids listed = FirstColumn(Kdx({"list", doc, "--columns", "en_id"}).out);
  std::erase_if(listed, [](const std::string& id) { return id != "0" && id != "1" && id != "4"; });
  EXPECT_EQ(FirstColumn(r.out), listed);
  EXPECT_NE(r.out.find("1\talpha\\tTab\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "3 entries found\n");
}

TEST_F(SearchCli, ModesFieldsAndStatuses) {
  EXPECT_EQ(Found({"search", doc, "apple", "pie"}), (Ids{"0", "4"}));
  EXPECT_EQ(Found({"search", doc, "--mode", "any", "pie", "ａｐｐｌｅ"}), (Ids{"0", "2", "4"}));
  EXPECT_EQ(Found({"search", doc, "--in", "note,title", "議事録"}), Ids{"4"});
  // Nothing found is exit 1, as grep has it, unless the script says otherwise.
  kdx_test::KdxRun none = Kdx({"search", doc, "--mode", "all", "apple", "banana"});
  EXPECT_EQ(none.status, kExitFailed);
  EXPECT_EQ(none.out + none.err, "0 entries found\n");
  KdxOk({"search", doc, "--none-ok", "banana"});
  EXPECT_EQ(Kdx({"search", doc, "--in", "title", "mid"}).err, "1 entry found\n");
  EXPECT_EQ(Kdx({"search", doc, "--in", "body,nowhere", "x"}).status, kExitUsage);
  EXPECT_EQ(Kdx({"search", doc, "--mode", "some", "x"}).status, kExitUsage);
  EXPECT_EQ(Kdx({"search", dir.File("absent.kdx"), "x"}).status, kExitFailed);
}

TEST_F(SearchCli, TheHistoryGetsTheTextOnlyWhenAskedTo) {
  auto words = [] {
    std::string path;
    EXPECT_EQ(PREF_GetPreferenceREZFilePath(path), 1);
    VellAryPtr history(HICOMM_InitSearchHistory());
    // An absent table (-1) reads as an empty history.
    static_cast<void>(HICOMM_LoadSearchHistory(path.c_str(), kPrefTagHIAL, history.get()));
    Ids out;
    KDX_SEARCH_HISTORY h;
    for (int32_t i = 0; i < Vell_Ary_GetSize(history.get()); ++i) {
      HI_GetData(history.get(), i, &h);
      out.emplace_back(h.hi_words);
    }
    return out;
  };
  ASSERT_EQ(HICOMM_ClearSearchWord(), 0);
  ASSERT_EQ(Kdx({"search", doc, "forgotten"}).status, kExitFailed);  // nothing found
  EXPECT_TRUE(words().empty());
  KdxOk({"search", doc, "--remember", "apple", "pie"});
  EXPECT_EQ(words(), Ids{"apple pie"});
}

}  // namespace

namespace {

// The lines holding the words, under each entry, every occurrence marked.
TEST_F(SearchCli, ContextShowsTheLinesWithTheWordsMarked) {
  KdxOk({"add", doc, "--title", "lines", "--note", "apple note"},
        "first\nan Apple and an apple\nlast\n");
  kdx_test::KdxRun r = Kdx({"search", doc, "--in", "body,note", "--context", "apple"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_NE(r.out.find("5\tlines\n  an «Apple» and an «apple»\n  (note) «apple» note\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("4\ts\n  secret «apple» pie\n"), std::string::npos) << r.out;
  kdx_test::KdxRun words = Kdx({"search", doc, "--mode", "all", "--context", "pie", "apple"});
  EXPECT_NE(words.out.find("0\tzeta\n  «Apple» «pie» の作り方\n"), std::string::npos) << words.out;
}

// --json holds what the tab-separated output holds, tabs and all.
TEST_F(SearchCli, JsonHoldsTheSameValues) {
  kdx_test::KdxRun tsv = Kdx({"search", doc, "apple"});
  kdx_test::KdxRun json = Kdx({"search", doc, "apple", "--json"});
  EXPECT_EQ(json.status, kExitOk);
  QJsonParseError error;
  const QJsonDocument parsed = QJsonDocument::fromJson(QByteArray::fromStdString(json.out), &error);
  ASSERT_EQ(error.error, QJsonParseError::NoError) << json.out;
  std::string rows;
  for (const QJsonValue& row : parsed.array()) {
    rows += std::to_string(row["id"].toInt()) + "\t" +
            row["title"].toString().replace('\t', "\\t").toStdString() + "\n";
  }
  EXPECT_EQ(rows, tsv.out);
  EXPECT_NE(json.out.find("\"alpha\\tTab\""), std::string::npos) << json.out;
}

}  // namespace
