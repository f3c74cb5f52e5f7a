// The keyword file: defaults of a missing file, typed round trips, rows
// rewritten whole, refused values, interrupted and concurrent writes.
#include "core/prefs/pref_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/document/blocks.h"
#include "core/util/scoped_env.h"
#include "core/util/vell_ary.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

class PrefTest : public ::testing::Test {
 protected:
  std::string Folder() const { return home_.File("Kardinex"); }
  std::string TextPath() const { return Folder() + "/Preference.txt"; }
  void WriteText(const std::string& text) {
    fs::create_directories(Folder());
    kdx_test::WriteAll(TextPath(), text);
  }
  std::string ReadText() const {
    const auto bytes = kdx_test::ReadAll(TextPath());
    return {bytes.begin(), bytes.end()};
  }
  static VellAryPtr ExtensionArray(std::initializer_list<const char*> extensions) {
    VellAryPtr ary(Vell_Ary_Init(kPrefExtensionSize, 0, 0));
    for (const char* ext : extensions) {
      char record[kPrefExtensionSize] = {};
      std::strncpy(record, ext, sizeof record - 1);
      EXPECT_EQ(Vell_Ary_Add(ary.get(), record), 0);
    }
    return ary;
  }
  std::vector<std::string> Extensions() {
    VellAryPtr ary(Vell_Ary_Init(kPrefExtensionSize, 0, 0));
    PREF_ReadExtensionArray(ary.get());
    std::vector<std::string> out;
    for (int32_t i = 0; i < Vell_Ary_GetSize(ary.get()); ++i) {
      out.emplace_back(static_cast<const char*>(Vell_Ary_GetDataPtr(ary.get(), i)));
    }
    return out;
  }

  kdx_test::TempDir home_;
  ScopedEnv config_{"XDG_CONFIG_HOME", home_.path().c_str()};
};

TEST_F(PrefTest, MissingFileGivesEveryDefault) {
  EXPECT_EQ(PREF_ReadExpandSize(), 1024);
  char text[512];
  EXPECT_EQ(PREF_ReadDefaultFontName(sizeof text, text), 0);
  EXPECT_STREQ(text, "HiraKakuPro-W3");
  EXPECT_DOUBLE_EQ(PREF_ReadDefaultFontSize(), 10.0);
  EXPECT_EQ(PREF_ReadDefaultTitle(sizeof text, text), 0);
  EXPECT_STREQ(text, "文章");
  EXPECT_EQ(PREF_ReadDefaultTurn(), 3);
  EXPECT_EQ(PREF_ReadDefaultTurnWidth(text), 0);
  EXPECT_STREQ(text, "450");
  double m[4];
  EXPECT_EQ(PREF_ReadBodyMargin(&m[0], &m[1], &m[2], &m[3]), 0);
  EXPECT_EQ(std::vector<double>(m, m + 4), (std::vector<double>{72, 90, 72, 90}));
  int32_t width = 0, height = 0;
  EXPECT_EQ(PREF_ReadWindowSize("DefaultWindowSize", &width, &height), 0);
  EXPECT_EQ(std::pair(width, height), std::pair(484, 546));
  PREF_WINDOW_RECT rect{1, 2, 3, 4};
  EXPECT_EQ(PREF_ReadWindowRect("PrefWindowRect", &rect), 0);
  EXPECT_EQ(rect.left + rect.top + rect.right + rect.bottom, 0);
  EXPECT_EQ(Extensions(), (std::vector<std::string>{"txt", "rtf", "c", "h", "m", "cp", "cpp", "php",
                                                    "html", "css", "xml", "csv"}));
  EXPECT_TRUE(fs::is_directory(Folder()));  // made by the first access
  EXPECT_FALSE(fs::exists(TextPath()));     // but no file until a write
}

// One of each kind of row: its bytes in the file and the value read back.
TEST_F(PrefTest, EachKindOfValueIsStoredAsItsRowAndReadBack) {
  ASSERT_EQ(PREF_WriteDefaultFontSize(12.5), 1);
  ASSERT_EQ(PREF_WriteBodyMargin(10, 20.25, 30, 40), 1);
  ASSERT_EQ(PREF_WriteString("DefaultTitle", "メモ"), 1);
  ASSERT_EQ(PREF_WriteInteger("SearchMode", -2), 1);
  ASSERT_EQ(PREF_WriteWindowRect("AllFindWindowRect", {40, 10, 400, 300}), 1);
  ASSERT_EQ(PREF_WriteExtensionArray(ExtensionArray({"md", "org"}).get()), 1);
  const std::string file = ReadText();
  EXPECT_NE(file.find("AllFindWindowRect\t10\t40\t300\t400\n"), std::string::npos);
  EXPECT_NE(file.find("DefaultFontSize\t12.500000\n"), std::string::npos);
  EXPECT_NE(file.find("Extension\tmd\torg\r\n"), std::string::npos);

  EXPECT_DOUBLE_EQ(PREF_ReadDefaultFontSize(), 12.5);
  double m[4];
  EXPECT_EQ(PREF_ReadBodyMargin(&m[0], &m[1], &m[2], &m[3]), 1);
  EXPECT_EQ(std::vector<double>(m, m + 4), (std::vector<double>{10, 20.25, 30, 40}));
  char text[512];
  EXPECT_EQ(PREF_ReadDefaultTitle(sizeof text, text), 1);
  EXPECT_STREQ(text, "メモ");
  EXPECT_EQ(PREF_ReadDefaultTitle(5, text), 1);  // cut at a character boundary
  EXPECT_STREQ(text, "メ");
  int32_t number = 0;
  EXPECT_EQ(PREF_ReadInteger("SearchMode", &number), 1);
  EXPECT_EQ(number, -2);
  PREF_WINDOW_RECT rect{};
  EXPECT_EQ(PREF_ReadWindowRect("AllFindWindowRect", &rect), 1);
  EXPECT_EQ(std::vector<int>({rect.top, rect.left, rect.bottom, rect.right}),
            (std::vector<int>{40, 10, 400, 300}));
  EXPECT_EQ(Extensions(), (std::vector<std::string>{"md", "org"}));
}

TEST_F(PrefTest, HandWrittenFileIsReadAsStored) {
  WriteText(
      "ExpandSize\t64\nExtension\t\r\nPrintBodyMarginLeft\t20\n"
      "DefaultEntryWindowSize\t600\t700\n");
  EXPECT_EQ(PREF_ReadExpandSize(), 128);
  EXPECT_EQ(Extensions().size(), 12u);
  double m[4];
  EXPECT_EQ(PREF_ReadBodyMargin(&m[0], &m[1], &m[2], &m[3]), 0);
  EXPECT_EQ(m[0], 72.0);
  int32_t width = 0, height = 0;
  EXPECT_EQ(PREF_ReadWindowSize("DefaultEntryWindowSize", &width, &height), 1);
  EXPECT_EQ(width, 600);
  EXPECT_EQ(height, 700);

  WriteText("ExpandSize\t999999999\n");
  EXPECT_EQ(PREF_ReadExpandSize(), kKdxMaxExpandSize);
  WriteText("ExpandSize\tlots\n");
  EXPECT_EQ(PREF_ReadExpandSize(), 128);
}

TEST_F(PrefTest, WriteMovesKeyToEndAndKeepsOtherRowsWhole) {
  const std::string longPath =
      "/" + std::string(150, 'a') + "/" + std::string(49, 'b') + std::string(100, 'c') + "/日本語";
  ASSERT_GT(longPath.size(), 300u);
  WriteText("A\t1\r\n\nSearchMode\t0\nB\tx\t\ty\n");
  ASSERT_EQ(PREF_WriteFilePath("ImportFolder", longPath.c_str()), 1);
  ASSERT_EQ(PREF_WriteInteger("SearchMode", 2), 1);
  EXPECT_EQ(ReadText(), "A\t1\nB\tx\nImportFolder\t" + longPath + "\nSearchMode\t2\n");
  std::string path;
  EXPECT_EQ(PREF_ReadFilePath("ImportFolder", path), 1);
  EXPECT_EQ(path, longPath);
}

TEST_F(PrefTest, ValuesThatWouldBreakARowAreRefused) {
  ASSERT_EQ(PREF_WriteFilePath("OpenFile", "/old"), 1);
  const std::string before = ReadText();
  EXPECT_EQ(PREF_WriteFilePath("OpenFile", "/new\nExpandSize\t1"), 0);
  EXPECT_EQ(PREF_WriteString("DefaultTitle", "a\tb"), 0);
  EXPECT_EQ(PREF_WriteString("DefaultTitle", "a\rb"), 0);
  EXPECT_EQ(PREF_WriteInteger("Bad\tKey", 1), 0);
  EXPECT_EQ(PREF_WriteInteger("", 1), 0);
  EXPECT_EQ(PREF_WriteExtensionArray(ExtensionArray({"txt", "t\tx"}).get()), 0);
  // An empty one would end the list for the reader.
  EXPECT_EQ(PREF_WriteExtensionArray(ExtensionArray({"txt", ""}).get()), 0);
  EXPECT_EQ(ReadText(), before);
}

TEST_F(PrefTest, InterruptedWriteLeavesOldFile) {
  ASSERT_EQ(PREF_WriteInteger("SearchMode", 1), 1);
  std::string seen;
  PREF_SetWriteHookForTest([&](const std::string& temp) {
    const auto bytes = kdx_test::ReadAll(temp);
    seen.assign(bytes.begin(), bytes.end());
    return false;
  });
  EXPECT_EQ(PREF_WriteInteger("SearchMode", 2), 0);
  PREF_SetWriteHookForTest({});
  EXPECT_EQ(seen, "SearchMode\t2\n");  // the new file was complete, only not in place
  EXPECT_EQ(ReadText(), "SearchMode\t1\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()), 1);
}

// A keyword file that is there but cannot be read is not taken for an empty
// one: the write that follows would replace every other setting.
TEST_F(PrefTest, AnUnreadableFileIsNotReplacedByAWrite) {
  WriteText("SearchMode\t1\n");
  const bool root = ::geteuid() == 0;
  if (root) {
    // Root reads whatever the mode says; a FIFO is not a file for anyone.
    fs::remove(TextPath());
    ASSERT_EQ(::mkfifo(TextPath().c_str(), 0600), 0);
  } else {
    fs::permissions(TextPath(), fs::perms::none);
  }
  EXPECT_EQ(PREF_WriteInteger("ExpandSize", 2048), 0);
  int32_t mode = 0;
  EXPECT_EQ(PREF_ReadInteger("SearchMode", &mode), 0);
  if (root) {
    EXPECT_TRUE(fs::is_fifo(TextPath()));
  } else {
    fs::permissions(TextPath(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(ReadText(), "SearchMode\t1\n");
  }
}

TEST_F(PrefTest, ConcurrentWritersLoseNoKey) {
  // Each write adds a new key, so one lost update leaves a key missing for good.
  auto writer = [](char prefix) {
    for (int32_t i = 0; i < 12; ++i)
      EXPECT_EQ(PREF_WriteInteger((prefix + std::to_string(i)).c_str(), i), 1);
  };
  std::thread a(writer, 'a');
  std::thread b(writer, 'b');
  a.join();
  b.join();
  int32_t found = 0;
  for (char prefix : {'a', 'b'}) {
    for (int32_t i = 0, value = 0; i < 12; ++i) {
      found += PREF_ReadInteger((prefix + std::to_string(i)).c_str(), &value);
    }
  }
  EXPECT_EQ(found, 24);
}

}  // namespace

TEST_F(PrefTest, RecentFilesMoveUpAreCappedAndRefuseRowBreaks) {
  EXPECT_TRUE(PREF_ReadRecentFiles().empty());
  ASSERT_EQ(PREF_AddRecentFile("/d/a.kdx"), 1);
  ASSERT_EQ(PREF_AddRecentFile("/d/メモ b.kdx"), 1);
  ASSERT_EQ(PREF_AddRecentFile("/d/a.kdx"), 1);
  EXPECT_EQ(PREF_ReadRecentFiles(), (std::vector<std::string>{"/d/a.kdx", "/d/メモ b.kdx"}));

  EXPECT_EQ(PREF_AddRecentFile("/d/tab\there.kdx"), 0);
  EXPECT_EQ(PREF_AddRecentFile("/d/line\nbreak.kdx"), 0);
  EXPECT_EQ(PREF_ReadRecentFiles().size(), 2u);

  for (int i = 0; i < kPrefRecentFileCount + 3; ++i) {
    ASSERT_EQ(PREF_AddRecentFile("/d/" + std::to_string(i) + ".kdx"), 1);
  }
  const std::vector<std::string> paths = PREF_ReadRecentFiles();
  ASSERT_EQ(paths.size(), static_cast<size_t>(kPrefRecentFileCount));
  EXPECT_EQ(paths.front(), "/d/" + std::to_string(kPrefRecentFileCount + 2) + ".kdx");
}

TEST_F(PrefTest, RecentFilesOfferOnlyExistingPathsOutsideTheTrash) {
  const fs::path root = home_.path();
  auto make = [&](const fs::path& p) {
    fs::create_directories(p.parent_path());
    kdx_test::WriteAll(p.string(), std::string("x"));
    return p.string();
  };
  const std::string kept = make(root / "docs" / "a.kdx");
  const std::string trashed = make(root / "data" / "Trash" / "files" / "b.kdx");
  const std::string volumeTrash = make(root / "vol" / ".Trash-1000" / "files" / "c.kdx");
  const std::string macTrash = make(root / "u" / ".Trash" / "d.kdx");
  const std::string lookalike = make(root / "vol" / ".Trash-notes" / "e.kdx");
  const std::string missing = (root / "docs" / "gone.kdx").string();

  const std::vector<std::string> shown = PREF_FilterRecentFiles(
      {trashed, kept, missing, volumeTrash, macTrash, lookalike, ""}, (root / "data").string());
  EXPECT_EQ(shown, (std::vector<std::string>{kept, lookalike}));
}
