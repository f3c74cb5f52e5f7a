#include "core/util/vell_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/util/scoped_env.h"
#include "core/util/vell_utf8.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

// True when text starts with " YYYY/MM/DD hh:mm:ss\t" ('9' stands for a digit).
bool StartsWithStamp(const std::string& text) {
  static constexpr std::string_view kShape = " 9999/99/99 99:99:99\t";
  if (text.size() < kShape.size()) return false;
  for (size_t i = 0; i < kShape.size(); ++i) {
    bool ok = kShape[i] == '9' ? (text[i] >= '0' && text[i] <= '9') : text[i] == kShape[i];
    if (!ok) return false;
  }
  return true;
}

std::string ReadText(const std::string& path) {
  auto bytes = kdx_test::ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

// Each test logs into its own state folder.
class VellLog : public ::testing::Test {
 protected:
  kdx_test::TempDir dir_;
  ScopedEnv state_{"XDG_STATE_HOME", dir_.path().c_str()};
  std::string LogPath() const { return dir_.File("Kardinex/kardinex_log.txt"); }
};

TEST_F(VellLog, PathFollowsXdgStateHomeElseHome) {
  EXPECT_EQ(Vell_GetLogFilePath(), LogPath());
  kdx_test::TempDir home;
  ScopedEnv h("HOME", home.path().c_str());
  const std::string fallback = home.File(".local/state/Kardinex/kardinex_log.txt");
  for (const char* value : {"", "relative/state", static_cast<const char*>(nullptr)}) {
    ScopedEnv s("XDG_STATE_HOME", value);
    EXPECT_EQ(Vell_GetLogFilePath(), fallback);
  }
  ScopedEnv s("XDG_STATE_HOME", "relative/state");
  Vell_SystemErrorLog("[-1] %s\r\n", "Fallback");
  EXPECT_NE(ReadText(fallback).find("[-1] Fallback\r\n"), std::string::npos);
  EXPECT_FALSE(fs::exists("relative"));
}

TEST_F(VellLog, RecordsAreStampedAppendedAndArgumentsNotReinterpreted) {
  Vell_SystemErrorLog("[-%d] %s\r\n", 3, "KDX_LoadTXContainer");
  std::string text = ReadText(LogPath());
  EXPECT_TRUE(StartsWithStamp(text)) << text;
  EXPECT_EQ(text.substr(21), "[-3] KDX_LoadTXContainer\r\n");
  Vell_SystemErrorLog("[-4] KDX_RemoveOneEntry[%d] %s\n", -2, "100%d %s.txt");
  text = ReadText(LogPath());
  EXPECT_EQ(text.find("\t[-3] KDX_LoadTXContainer\r\n"), 20u) << text;
  EXPECT_NE(text.find("\t[-4] KDX_RemoveOneEntry[-2] 100%d %s.txt\n"), std::string::npos);
  // A value cannot start a record of its own or reach the terminal as an
  // escape sequence; the record keeps its own line end.
  Vell_SystemErrorLog("[-1] ListUpFilesWithExt[%s]\r\n",
                      "a\r\n 2024/01/01 00:00:00\t[-9] x\x1B[2J");
  text = ReadText(LogPath());
  EXPECT_NE(text.find("[a\\r\\n 2024/01/01 00:00:00\\t[-9] x\\x1B[2J]\r\n"), std::string::npos)
      << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
  struct stat st {};
  ASSERT_EQ(stat(dir_.File("Kardinex").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(VellLog, LongMessageIsCutOnACharacter) {
  std::string japanese = "a";  // shifts the characters so the limit falls inside one
  while (japanese.size() < 70000) japanese += "\xE3\x81\x82";
  Vell_SystemErrorLog("%s", japanese.c_str());
  std::string text = ReadText(LogPath());
  std::string message = text.substr(text.find('\t') + 1);
  EXPECT_EQ(message.size(), 65533u);  // 1 + 3 * 21844: the next character would pass 65,535
  EXPECT_TRUE(Vell_IsValidUtf8(message));
}

TEST_F(VellLog, RecordsFromManyThreadsNeverInterleave) {
  constexpr int kThreads = 8;
  constexpr int kRecords = 150;
  auto payload = [](int t) { return std::string(3000 + t * 97, static_cast<char>('a' + t)); };
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &payload] {
      const std::string p = payload(t);
      for (int i = 0; i < kRecords; ++i) Vell_SystemErrorLog("T%d-%d %s\n", t, i, p.c_str());
    });
  }
  for (auto& th : threads) th.join();

  std::set<std::string> expected, seen;
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kRecords; ++i)
      expected.insert("T" + std::to_string(t) + "-" + std::to_string(i) + " " + payload(t));
  }
  std::istringstream in(ReadText(LogPath()));
  for (std::string line; std::getline(in, line);) {
    ASSERT_TRUE(StartsWithStamp(line)) << line.substr(0, 40);
    seen.insert(line.substr(21));
  }
  EXPECT_EQ(seen.size(), expected.size());
  EXPECT_TRUE(seen == expected) << "a record was cut or mixed with another";
}

}  // namespace
