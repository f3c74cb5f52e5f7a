// kdx as users and scripts see it: output, one-line errors and exit statuses.
#include "cli/kdx_cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "core/container/rez.h"
#include "support/test_support.h"

namespace {

struct KdxRun {
  int status;
  std::string out;
  std::string err;
};

KdxRun Kdx(std::vector<std::string> args) {
  std::ostringstream out, err;
  int status = KdxMain(args, out, err);
  return {status, out.str(), err.str()};
}

int Lines(const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); }

TEST(KdxCli, VersionAndHelpSucceed) {
  KdxRun v = Kdx({"--version"});
  EXPECT_EQ(v.status, kExitOk);
  EXPECT_EQ(v.out.rfind("kdx (Kardinex) ", 0), 0u) << v.out;
  KdxRun h = Kdx({"--help"});
  EXPECT_EQ(h.status, kExitOk);
  EXPECT_NE(h.out.find("inspect"), std::string::npos);
  EXPECT_TRUE(h.err.empty());
}

TEST(KdxCli, BadUsageIsExitTwoWithOneLine) {
  for (auto args : std::vector<std::vector<std::string>>{
           {"--bogus"}, {"nosuchcommand"}, {"inspect"}, {"inspect", "a", "b"}}) {
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

}  // namespace
