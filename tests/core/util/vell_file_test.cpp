#include "core/util/vell_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

#include "core/util/vell_mem.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using kdx_test::ReadAll;
using kdx_test::TempDir;
using kdx_test::WriteAll;

namespace {

const std::string kA = "\xE3\x81\x82";  // あ

std::string Repeat(const std::string& s, int n) {
  std::string out;
  while (n-- > 0) out += s;
  return out;
}

std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string out(n, '\0');
  for (auto& b : out) b = static_cast<char>(gen());
  return out;
}

std::string ReadText(const std::string& path) {
  auto bytes = ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

TEST(VellPath, SplitsAtTheLastSlashAndDot) {
  EXPECT_EQ(Vell_GetFileName("/a/b/c.txt"), "c.txt");
  EXPECT_EQ(Vell_GetFileName("c.txt"), "c.txt");
  EXPECT_EQ(Vell_GetFolderPath("/a/b/c.txt", 0), "/a/b");
  EXPECT_EQ(Vell_RemoveExtension("archive.tar.gz"), "archive.tar");
  EXPECT_EQ(Vell_RemoveExtension("README"), "README");
  EXPECT_EQ(Vell_GetExtension("archive.tar.gz"), "gz");
  EXPECT_EQ(Vell_GetExtension("README"), "");
  EXPECT_EQ(Vell_GetExtension("a.0123456789abcdefXYZ"), "0123456789abcde");
  // 16 bytes: the last character does not fit whole and goes.
  EXPECT_EQ(Vell_GetExtension("memo.x" + Repeat(kA, 5)), "x" + Repeat(kA, 4));
}

TEST(VellFileTests, ExistenceCountsFoldersAndUnreadableFilesNotDanglingLinks) {
  TempDir dir;
  WriteAll(dir.File("f"), "x");
  chmod(dir.File("f").c_str(), 0);
  fs::create_directory(dir.File("pkg.rtfd"));
  fs::create_symlink(dir.File("nowhere"), dir.File("dangling"));
  EXPECT_EQ(Vell_IsFileExists(dir.File("f").c_str()), 1);
  EXPECT_EQ(Vell_IsFileExists(dir.File("pkg.rtfd").c_str()), 1);
  EXPECT_EQ(Vell_IsFileExists(dir.File("dangling").c_str()), 0);
  EXPECT_EQ(Vell_IsFileExists(dir.File("missing").c_str()), 0);
  EXPECT_EQ(Vell_IsFolder(dir.File("pkg.rtfd").c_str()), 1);
  EXPECT_EQ(Vell_IsFolder(dir.File("f").c_str()), 0);
}

TEST(VellUniquePath, CandidatesCountUpAndSuffixRules) {
  TempDir dir;
  const std::string folder = dir.path().string();
  auto next = [&](std::string_view name, std::string_view ext, VellUniqueMode mode) {
    std::string p;
    EXPECT_EQ(Vell_GenerateUniqueFilePath(folder, name, ext, p, mode), 0);
    return p.substr(folder.size());
  };
  EXPECT_EQ(next("memo.txt", "txt", VellUniqueMode::kCreateFile), "/memo.txt");
  EXPECT_EQ(next("memo.txt", "txt", VellUniqueMode::kCreateFile), "/memo-1.txt");
  EXPECT_EQ(next("memo.txt", "txt", VellUniqueMode::kCreateFile), "/memo-2.txt");
  EXPECT_TRUE(fs::is_regular_file(folder + "/memo-2.txt"));
  EXPECT_EQ(next("memo.rtf", "txt", VellUniqueMode::kTestOnly), "/memo.rtf.txt");
  EXPECT_EQ(next("memo.rtf", "txt", VellUniqueMode::kTestOnly), "/memo.rtf.txt");  // nothing made
  EXPECT_EQ(next("memo", "", VellUniqueMode::kCreateFile), "/memo");
  EXPECT_EQ(next("memo", "", VellUniqueMode::kCreateFile), "/memo-1");
  EXPECT_EQ(next("pkg", "rtfd", VellUniqueMode::kCreateFolder), "/pkg.rtfd");
  EXPECT_TRUE(fs::is_directory(folder + "/pkg.rtfd"));
  EXPECT_EQ(next("pkg", "rtfd", VellUniqueMode::kCreateFolder), "/pkg-1.rtfd");
}

TEST(VellUniquePath, AnythingAtThePathMakesItTaken) {
  TempDir dir;
  const std::string folder = dir.path().string();
  WriteAll(dir.File("m.txt"), "secret");
  chmod(dir.File("m.txt").c_str(), 0);
  fs::create_symlink(dir.File("gone"), dir.File("m-1.txt"));
  fs::create_directory(dir.File("m-2.txt"));
  std::string p;
  ASSERT_EQ(Vell_GenerateUniqueFilePath(folder, "m.txt", "txt", p, VellUniqueMode::kTestOnly), 0);
  EXPECT_EQ(p, folder + "/m-3.txt");
}

TEST(VellUniquePath, RefusesPathsOutsideOrBeyondTheLimits) {
  TempDir dir;
  const std::string folder = dir.path().string();
  std::string p = "stale";
  EXPECT_EQ(Vell_GenerateUniqueFilePath(folder, "../x", "txt", p, VellUniqueMode::kTestOnly), -1);
  EXPECT_TRUE(p.empty());
  std::string deep = folder + Repeat("/" + std::string(200, 'd'), 21);  // over PATH_MAX
  EXPECT_EQ(Vell_GenerateUniqueFilePath(deep, "memo", "txt", p, VellUniqueMode::kTestOnly), -1);
  EXPECT_EQ(Vell_GenerateUniqueFilePath(folder + "/missing", "memo", "rtfd", p,
                                        VellUniqueMode::kCreateFolder),
            -1);
}

TEST(VellCopyFile, CopiesAFileOfAnyNameWithoutAShell) {
  TempDir dir;
  const fs::path canary = fs::current_path() / "pwned";
  ASSERT_FALSE(fs::exists(canary));
  const std::string folder = dir.File("a 'folder' $(touch pwned) `touch pwned`");
  fs::create_directory(folder);
  const std::string src = folder + "/it's; $(touch pwned)\nline two.txt";
  const std::string dst = folder + "/copy ' ; touch pwned ; '\n.txt";
  const std::string bytes = RandomBytes(300 * 1024 + 7, 1);  // several read chunks
  WriteAll(src, bytes);
  ASSERT_EQ(Vell_CopyFile(src.c_str(), dst.c_str(), 0), 1);
  EXPECT_EQ(ReadText(dst), bytes);
  EXPECT_FALSE(fs::exists(canary) || fs::exists(folder + "/pwned"));
}

TEST(VellCopyFile, NeverOverwritesAndLeavesNothingOnFailure) {
  TempDir dir;
  WriteAll(dir.File("src"), "new");
  WriteAll(dir.File("dst"), "old");
  EXPECT_EQ(Vell_CopyFile(dir.File("src").c_str(), dir.File("dst").c_str(), 0), 0);
  EXPECT_EQ(ReadText(dir.File("dst")), "old");
  fs::create_symlink(dir.File("target"), dir.File("link"));
  EXPECT_EQ(Vell_CopyFile(dir.File("src").c_str(), dir.File("link").c_str(), 0), 0);
  EXPECT_FALSE(fs::exists(dir.File("target")));
  fs::create_directory(dir.File("tree"));  // no file to copy
  EXPECT_EQ(Vell_CopyFile(dir.File("tree").c_str(), dir.File("out").c_str(), 0), 0);
  EXPECT_FALSE(fs::exists(dir.File("out")));
}

TEST(VellReadWhole, WholeFileOrNothingWithinItsLimit) {
  TempDir dir;
  for (const std::string& content : {std::string("ab\0cd", 5), std::string()}) {
    WriteAll(dir.File("f"), content);
    char* buf = nullptr;
    ASSERT_EQ(Vell_ReadBuffer_fromFile(dir.File("f").c_str(), &buf),
              static_cast<int32_t>(content.size()));
    ASSERT_NE(buf, nullptr);
    EXPECT_EQ(std::string(buf, content.size() + 1), content + '\0');
    Vell_MallocFree(buf);
    std::string bytes = "old";
    EXPECT_EQ(Vell_ReadFileUpTo(dir.File("f").c_str(), 5, &bytes), 0);
    EXPECT_EQ(bytes, content);
  }
  std::string bytes;
  WriteAll(dir.File("f"), "abcde");
  EXPECT_EQ(Vell_ReadFileUpTo(dir.File("f").c_str(), 4, &bytes), -3);
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
  const std::string big = dir.File("big");
  WriteAll(big, "");
  const bool haveBig = truncate(big.c_str(), off_t{1} << 31) == 0;  // sparse 2 GiB
  struct Case {
    std::string path;
    int32_t result;
  };
  const Case cases[] = {
      {dir.File("missing"), -1},
      {dir.path().string(), -1},
      {"/dev/null", -2},          // no size
      {dir.File("fifo"), -2},     // must not block waiting for a writer
      {"/proc/self/status", -2},  // says size 0 but holds more
      {haveBig ? big : "", haveBig ? -3 : -1},
  };
  for (const Case& c : cases) {
    char dummy = 0;
    char* buf = &dummy;
    EXPECT_EQ(Vell_ReadBuffer_fromFile(c.path.c_str(), &buf), c.result) << c.path;
    EXPECT_EQ(buf, nullptr) << c.path;
    // The sparse file is refused by its size, before anything is read.
    std::string held = "old";
    EXPECT_EQ(Vell_ReadFileUpTo(c.path.c_str(), 1 << 20, &held), c.result) << c.path;
    EXPECT_TRUE(held.empty()) << c.path;
  }
}

TEST(VellBinaryFile, OnlyBytesOneToEightMeanBinary) {
  TempDir dir;
  auto check = [&](const std::string& content) {
    WriteAll(dir.File("f"), content);
    return Vell_IsBinaryFile(dir.File("f").c_str());
  };
  EXPECT_EQ(check(""), 0);
  EXPECT_EQ(check(std::string(1000, '\0')), 0);
  EXPECT_EQ(check(std::string("a\0b\0", 4)), 0);  // UTF-16LE text
  EXPECT_EQ(check("tab\tcr\rlf\n\f\x1B[0m\x7F\xFF"), 0);
  EXPECT_EQ(check("text\x08"), 1);
  EXPECT_EQ(check(std::string("\x01", 1)), 1);
  std::string late(300000, 'a');  // past the first read chunk
  late.back() = '\x05';
  EXPECT_EQ(check(late), 1);
  EXPECT_EQ(Vell_IsBinaryFile(dir.File("f").c_str(), 299999), 0);  // looked at up to the bound
  EXPECT_EQ(Vell_IsBinaryFile(dir.File("f").c_str(), 300000), 1);
  EXPECT_EQ(Vell_IsBinaryFile(dir.File("missing").c_str()), -1);
  EXPECT_EQ(Vell_IsBinaryFile(dir.path().c_str()), -1);
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
  EXPECT_EQ(Vell_IsBinaryFile(dir.File("fifo").c_str()), -1);
}

}  // namespace

TEST(VellSameFile, SeesThroughLinksAndSpellingsButNotCopies) {
  TempDir dir;
  const std::string a = dir.File("a.kdx");
  WriteAll(a, std::string("x"));
  fs::create_directory(dir.path() / "sub");
  fs::create_symlink(a, dir.path() / "sub" / "link.kdx");
  fs::create_hard_link(a, dir.path() / "hard.kdx");
  const std::string copy = dir.File("copy.kdx");
  WriteAll(copy, std::string("x"));

  EXPECT_EQ(KDX_IsSameFile(a.c_str(), dir.File("sub/../a.kdx").c_str()), 1);
  EXPECT_EQ(KDX_IsSameFile(a.c_str(), dir.File("sub/link.kdx").c_str()), 1);
  EXPECT_EQ(KDX_IsSameFile(dir.File("hard.kdx").c_str(), a.c_str()), 1);
  EXPECT_EQ(KDX_IsSameFile(a.c_str(), copy.c_str()), 0);
  EXPECT_EQ(KDX_IsSameFile(a.c_str(), dir.File("missing.kdx").c_str()), 0);
  EXPECT_EQ(KDX_IsSameFile(dir.File("missing.kdx").c_str(), dir.File("missing.kdx").c_str()), 0);
  EXPECT_EQ(KDX_IsSameFile(nullptr, a.c_str()), 0);
}
