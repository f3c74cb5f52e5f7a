// kdx search as a script sees it: the rows, their order, the count on
// standard error and the exit statuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "cli/cli_test_util.h"
#include "core/document/history.h"
#include "core/prefs/pref_rez.h"
#include "core/search/search_history.h"
#include "support/test_support.h"

namespace {

using kdx_test::Kdx;
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
    ASSERT_EQ(Kdx({"new", doc}).status, kExitOk);
    auto add = [&](const std::string& body, Ids args) {
      args.insert(args.begin(), {"add", doc});
      ASSERT_EQ(kdx_test::KdxWithInput(body, args).status, kExitOk);
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
  EXPECT_NE(r.out.find("1\talpha Tab\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "3 entries found\n");
}

TEST_F(SearchCli, ModesFieldsAndStatuses) {
  EXPECT_EQ(Found({"search", doc, "apple", "pie"}), (Ids{"0", "4"}));
  EXPECT_EQ(Found({"search", doc, "--mode", "any", "pie", "ａｐｐｌｅ"}), (Ids{"0", "2", "4"}));
  EXPECT_EQ(Found({"search", doc, "--in", "note,title", "議事録"}), Ids{"4"});
  kdx_test::KdxRun none = Kdx({"search", doc, "--mode", "all", "apple", "banana"});
  EXPECT_EQ(none.status, kExitOk);
  EXPECT_EQ(none.out + none.err, "0 entries found\n");
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
  ASSERT_EQ(Kdx({"search", doc, "forgotten"}).status, kExitOk);
  EXPECT_TRUE(words().empty());
  ASSERT_EQ(Kdx({"search", doc, "--remember", "apple", "pie"}).status, kExitOk);
  EXPECT_EQ(words(), Ids{"apple pie"});
}

}  // namespace
