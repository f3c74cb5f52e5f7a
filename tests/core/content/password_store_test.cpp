// The password stored in a document survives a save and a load, and removing
// it leaves no question at the next opening.
#include "core/content/password_store.h"

#include <gtest/gtest.h>

#include "core/content/password.h"
#include "core/document/kdx_data.h"
#include "core/document/kdx_file.h"
#include "support/test_support.h"

namespace {

TEST(PasswordStore, StoredInTheDocumentAndRemovedByAnEmptyOne) {
  kdx_test::TempDir dir;
  std::string path = dir.File("p.kdx");
  ASSERT_EQ(CreateKdxFile(path.c_str()), 0);
  KDX_DATA data;
  KDX_InitKdxData(&data);
  ASSERT_EQ(KDX_LoadAllData(path.c_str(), &data), 0);
  char password[64];
  EXPECT_EQ(KDXCOMM_GetPassword(data.envAry, password, sizeof password), 0);
  ASSERT_EQ(KDXCOMM_SetPassword(data.envAry, data.idCounterAry, "Door42"), 0);
  EXPECT_EQ(KDXCOMM_SetPassword(data.envAry, data.idCounterAry, "no spaces"), kKdxPasswordRefused);
  ASSERT_EQ(KDX_SaveAllData(path.c_str(), &data), 0);
  KDX_FreeKdxData(&data);

  KDX_InitKdxData(&data);
  ASSERT_EQ(KDX_LoadAllData(path.c_str(), &data), 0);
  EXPECT_EQ(KDXCOMM_GetPassword(data.envAry, password, sizeof password), 6);
  EXPECT_STREQ(password, "Door42");
  ASSERT_EQ(KDXCOMM_SetPassword(data.envAry, data.idCounterAry, ""), 0);
  EXPECT_EQ(KDXCOMM_GetPassword(data.envAry, password, sizeof password), 0);
  EXPECT_STREQ(password, "");
  KDX_FreeKdxData(&data);
}

}  // namespace
