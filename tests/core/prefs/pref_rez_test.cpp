// The preference container: creation and version check, its tables and print
// templates, and an unusable container moved aside instead of deleted.
#include "core/prefs/pref_rez.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/document/blocks.h"
#include "core/prefs/pref_file.h"
#include "core/util/scoped_env.h"
#include "core/util/vell_ary.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

class PrefRezTest : public ::testing::Test {
 protected:
  std::string Folder() const { return home_.File("Kardinex"); }
  std::string RezPath() const { return Folder() + "/Preference.rez"; }

  kdx_test::TempDir home_;
  ScopedEnv config_{"XDG_CONFIG_HOME", home_.path().c_str()};
};

TEST_F(PrefRezTest, ContainerIsCreatedCheckedAndHoldsPrintTemplates) {
  ASSERT_EQ(PREF_PrepareREZFile(kPrefREZVersion), 1);
  EXPECT_EQ(PREF_IsTheREZFile("1"), 1);
  EXPECT_EQ(PREF_IsTheREZFile("2"), 0);
  PREF_REZ_ARRAYS arrays{};
  ASSERT_EQ(PREF_InitREZ(&arrays), 1);
  ASSERT_EQ(PREF_LoadREZFile(RezPath().c_str(), &arrays), 1);
  EXPECT_EQ(Vell_Ary_GetSize(arrays.envAry), 1);
  EXPECT_EQ(Vell_Ary_GetSize(arrays.idCounterAry), 2);  // counters of counters and of ev_id
  EXPECT_EQ(Vell_Ary_GetSize(arrays.columnAry), 0);
  PREF_FreeREZ(&arrays);

  const std::string header = "{\\rtf1 header}";
  ASSERT_EQ(KDX_WritePrintInfo(RezPath().c_str(), kKdxTagPRHD, PREF_ReadExpandSize(), header.data(),
                               static_cast<int32_t>(header.size())),
            1);
  std::vector<uint8_t> data;
  ASSERT_EQ(KDX_ReadPrintData(RezPath().c_str(), kKdxTagPRHD, data), 14);
  EXPECT_EQ(std::string(data.begin(), data.end()), header);
  EXPECT_EQ(KDX_ReadPrintData(RezPath().c_str(), kKdxTagPRFT, data), -1);
  EXPECT_EQ(PREF_PrepareREZFile(kPrefREZVersion), 1);  // a good file is kept
  EXPECT_EQ(KDX_ReadPrintData(RezPath().c_str(), kKdxTagPRHD, data), 14);
}

TEST_F(PrefRezTest, UnusableContainerIsKeptAsBackup) {
  fs::create_directories(Folder());
  kdx_test::WriteAll(RezPath(), std::string("REZ\0damaged", 11));
  ASSERT_EQ(PREF_PrepareREZFile(kPrefREZVersion), 1);
  EXPECT_EQ(kdx_test::ReadAll(Folder() + "/Preference.rez.bak").size(), 11u);
  EXPECT_EQ(PREF_IsTheREZFile(kPrefREZVersion), 1);

  ASSERT_EQ(PREF_CreateREZFile("2"), 1);  // a second backup never replaces the first
  EXPECT_EQ(kdx_test::ReadAll(Folder() + "/Preference.rez.bak").size(), 11u);
  EXPECT_TRUE(fs::exists(Folder() + "/Preference.rez-1.bak"));
  EXPECT_EQ(PREF_IsTheREZFile("2"), 1);
}

}  // namespace
