#include "core/util/vell_system.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "core/util/scoped_env.h"
#include "core/util/vell_utf8.h"

namespace {

TEST(VellSystem, PreferencePathIsXdgConfigElseHomeConfigWithSlash) {
  std::string path;
  for (const char* value : {"/custom/config", "/custom/config/"}) {
    ScopedEnv c("XDG_CONFIG_HOME", value);
    ASSERT_EQ(Vell_GetUserPreferencePath(path), 1);
    EXPECT_EQ(path, "/custom/config/");
  }
  ScopedEnv h("HOME", "/home/someone");
  for (const char* value : {"", "relative", static_cast<const char*>(nullptr)}) {
    ScopedEnv c("XDG_CONFIG_HOME", value);
    ASSERT_EQ(Vell_GetUserPreferencePath(path), 1);
    EXPECT_EQ(path, "/home/someone/.config/");
  }
}

TEST(VellSystem, NamesFitTheirFieldsOnACharacter) {
  char buf[200];
  std::memset(buf, '#', sizeof buf);
  Vell_GetOSVersionString(buf, sizeof buf);
  EXPECT_GT(std::strlen(buf), 0u);
  EXPECT_LE(std::strlen(buf), 63u);
  EXPECT_TRUE(Vell_IsValidUtf8(buf));
  Vell_GetOSVersionString(buf, 5);
  EXPECT_LE(std::strlen(buf), 4u);

  char host[HOST_NAME_MAX + 1] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
  Vell_GetMachineName(buf, sizeof buf);
  EXPECT_EQ(std::string(buf), std::string(host).substr(0, 127));
  Vell_GetMachineName(buf, 3);
  EXPECT_EQ(std::string(buf), std::string(host).substr(0, 2));
}

// Removes any installed table when a test ends.
class VellLocalized : public ::testing::Test {
 protected:
  void TearDown() override { Vell_SetLocalizedStringTable(nullptr); }
};

TEST_F(VellLocalized, KeyComesBackUnlessTranslatedNullWhenNotUtf8) {
  const char* key = "ファイルを開けません。";
  EXPECT_EQ(Vell_LocalizedString(key), key);
  EXPECT_EQ(Vell_LocalizedString("\xE3\x81"), nullptr);
  EXPECT_EQ(Vell_LocalizedString(nullptr), nullptr);

  Vell_SetLocalizedStringMap({{"文章", "Text"}, {"エントリ", "Entry"}, {"壊れ", "\xFF"}});
  const char* a = Vell_LocalizedString("文章");
  const char* b = Vell_LocalizedString("エントリ");
  EXPECT_STREQ(a, "Text");
  EXPECT_STREQ(b, "Entry");
  EXPECT_EQ(Vell_LocalizedString(key), key);
  EXPECT_STREQ(Vell_LocalizedString("壊れ"), "壊れ");  // a broken translation is not handed out
  Vell_SetLocalizedStringMap({{"文章", "Document"}});
  EXPECT_STREQ(Vell_LocalizedString("文章"), "Document");
  EXPECT_STREQ(a, "Text");  // earlier results stay readable
}

TEST_F(VellLocalized, SafeWhileAnotherThreadInstallsTables) {
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 4; ++t) {
    readers.emplace_back([&] {
      while (!stop) {
        const char* s = Vell_LocalizedString("文章");
        if (s == nullptr || (std::strcmp(s, "文章") != 0 && std::strcmp(s, "Text") != 0 &&
                             std::strcmp(s, "Doc") != 0)) {
          ++bad;
        }
      }
    });
  }
  for (int i = 0; i < 300; ++i) {
    Vell_SetLocalizedStringMap({{"文章", i % 2 ? "Text" : "Doc"}});
    if (i % 7 == 0) Vell_SetLocalizedStringTable(nullptr);
  }
  stop = true;
  for (auto& th : readers) th.join();
  EXPECT_EQ(bad.load(), 0);
}

}  // namespace
