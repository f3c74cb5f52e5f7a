// kdx search as a script sees it: the rows, their order, the count on
// standard error and the exit statuses.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_test_util.h"
#include "core/document/history.h"
#include "core/prefs/pref_rez.h"
#include "core/search/search_history.h"
#include "support/test_support.h"

namespace {

using kdx_test::Kdx;
using kdx_test::KdxWithInput;

// The identifiers of kdx list, in its order, for the entries in ids.
std::vector<std::string> ListOrder(const std::string& doc, const std::vector<std::string>& ids) {
  std::istringstream lines(Kdx({"list", doc, "--columns", "en_id"}).out);
  std::vector<std::string> order;
  std::string line;
  std::getline(lines, line);  // header
  while (std::getline(lines, line)) {
    for (const std::string& id : ids) {
      if (line == id) order.push_back(id);
    }
  }
  return order;
}

std::vector<std::string> FirstColumn(const std::string& out) {
  std::istringstream lines(out);
  std::vector<std::string> ids;
  std::string line;
  while (std::getline(lines, line)) ids.push_back(line.substr(0, line.find('\t')));
  return ids;
}

struct SearchCli : ::testing::Test {
  kdx_test::TempDir dir;
  std::string doc = dir.File("notes.kdx");
  void SetUp() override {
    ASSERT_EQ(Kdx({"new", doc}).status, kExitOk);
    for (auto [body, title] : std::vector<std::pair<std::string, std::string>>{
             {"Apple pie の作り方", "zeta"},        // 0
             {"apple だけ", "alpha\tTab"},          // 1
             {"pie だけ", "mid"},                   // 2
             {"ＡＰＰＬＥ 全角", "full width"}}) {  // 3
      ASSERT_EQ(KdxWithInput(body, {"add", doc, "--title", title}).status, kExitOk);
    }
    ASSERT_EQ(KdxWithInput("secret apple pie",
                           {"add", doc, "--title", "s", "--encrypt", "--note", "note 議事録"})
                  .status,
              kExitOk);  // 4
  }
};

TEST_F(SearchCli, PrintsIdentifierAndTitleInTheListOrderWithTheCount) {
  kdx_test::KdxRun r = Kdx({"search", doc, "apple"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(FirstColumn(r.out), ListOrder(doc, {"0", "1", "4"}));
  EXPECT_NE(r.out.find("1\talpha Tab\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "3 entries found\n");
}

TEST_F(SearchCli, ModesFieldsAndStatuses) {
  auto ids = [&](std::vector<std::string> args) {
    std::vector<std::string> found = FirstColumn(Kdx(args).out);
    std::sort(found.begin(), found.end());
    return found;
  };
  EXPECT_EQ(ids({"search", doc, "apple", "pie"}), (std::vector<std::string>{"0", "4"}));
  EXPECT_EQ(ids({"search", doc, "--mode", "any", "pie", "ａｐｐｌｅ"}),
            (std::vector<std::string>{"0", "2", "4"}));
  EXPECT_EQ(ids({"search", doc, "--in", "note,title", "議事録"}), std::vector<std::string>{"4"});
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
    PREF_GetPreferenceREZFilePath(path);
    VellAryPtr history(HICOMM_InitSearchHistory());
    HICOMM_LoadSearchHistory(path.c_str(), kPrefTagHIAL, history.get());
    std::vector<std::string> out;
    KDX_SEARCH_HISTORY h;
    for (int32_t i = 0; i < Vell_Ary_GetSize(history.get()); ++i) {
      HI_GetData(history.get(), i, &h);
      out.emplace_back(h.hi_words);
    }
    return out;
  };
  HICOMM_ClearSearchWord();
  ASSERT_EQ(Kdx({"search", doc, "forgotten"}).status, kExitOk);
  EXPECT_TRUE(words().empty());
  ASSERT_EQ(Kdx({"search", doc, "--remember", "apple", "pie"}).status, kExitOk);
  EXPECT_EQ(words(), std::vector<std::string>{"apple pie"});
}

}  // namespace
