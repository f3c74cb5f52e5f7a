// Which files a folder import finds, and the categories it gives them.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>

#include "support/test_support.h"
#include "transfer/file_import.h"
#include "transfer/folder_walk.h"
#include "transfer/import_doc.h"

namespace fs = std::filesystem;
using kdx_test::WriteAll;

namespace {

const std::vector<std::string> kTxtText{"txt", "text"};

// The names (relative to root) of what the walk lists, sorted.
std::vector<std::string> Walk(const fs::path& root, int32_t importAll, KdxTransferResult* result,
                              const std::vector<std::string>& exts = kTxtText) {
  std::vector<std::string> files;
  EXPECT_EQ(ListUpFilesWithExt(root.string(), exts, importAll, {}, &files, result), 0);
  for (std::string& f : files) f = fs::path(f).lexically_relative(root).string();
  std::sort(files.begin(), files.end());
  return files;
}

std::array<std::string, 3> Cats(const std::string& path, const std::string& root) {
  std::array<std::string, 3> c;
  KDXCOMM_GetCats_ByFilePath(path, root, &c[0], &c[1], &c[2]);
  return c;
}

using Triple = std::array<std::string, 3>;

TEST(FolderImportCategories, ComeFromTheFoldersBelowTheRoot) {
  kdx_test::TempDir dir;
  const fs::path docs = dir.path() / "Docsy" / "Docs";
  fs::create_directories(docs / "A" / "B" / "C");
  WriteAll((docs / "a.txt").string(), "a");
  WriteAll((docs / "A" / "b.txt").string(), "b");
  WriteAll((docs / "A" / "B" / "C" / "c.txt").string(), "c");
  kdx_test::ImportDoc doc;
  // The root's name also occurs earlier in the path ("Docsy"): only the part
  // below the root counts.
  KdxTransferResult r =
      KDX_ImportFolder(doc.data(), docs.string() + "/", KDX_ReadImportSettings(), {});
  EXPECT_EQ(r.succeeded, 3);
  EXPECT_EQ(r.failed, 0);
  auto catsOf = [&](const char* title) {
    KDX_ENTRY e = doc.Titled(title);
    return Triple{e.en_cat1_name, e.en_cat2_name, e.en_cat3_name};
  };
  EXPECT_EQ(catsOf("a.txt"), (Triple{"Docs", "その他", "その他"}));
  EXPECT_EQ(catsOf("b.txt"), (Triple{"Docs", "A", "その他"}));
  EXPECT_EQ(catsOf("c.txt"), (Triple{"Docs", "A", "B"}));
  EXPECT_EQ(doc.Titled("c.txt").en_file_path, (docs / "A" / "B" / "C" / "c.txt").string());
}

TEST(FolderImportCategories, EdgeRoots) {
  EXPECT_EQ(Cats("/home/a/b/c/f.txt", "/"), (Triple{"/", "home", "a"}));
  EXPECT_EQ(Cats("/x/Docs/f.txt", ""), (Triple{"その他", "その他", "その他"}));
  // A sibling whose name starts with the root's is outside it.
  EXPECT_EQ(Cats("/x/Docsy/A/f.txt", "/x/Docs"), (Triple{"Docs", "その他", "その他"}));
  std::string c1, c2, c3;
  EXPECT_EQ(KDXCOMM_GetCats_ByFilePath("/home/a/b/f.txt", "/home", &c1, &c2, &c3), 1);
  EXPECT_EQ(KDXCOMM_GetCats_ByFilePath("/home/a/f.txt", "/home", &c1, &c2, &c3), 0);
}

TEST(FolderImportTargets, ExtensionsHiddenNamesBundlesAndBinaries) {
  kdx_test::TempDir dir;
  const fs::path r = dir.path();
  fs::create_directories(r / "Tool.app");
  fs::create_directories(r / ".hidden");
  fs::create_directories(r / "pkg.rtfd");
  for (const char* name : {"x.TXT", "y.text", "z.md", "noext", ".dot.txt", "Tool.app/in.txt",
                           ".hidden/h.txt", "k.txt.kdz", "pkg.rtfd/TXT.rtf"}) {
    WriteAll((r / name).string(), "{\\rtf1 text}");
  }
  WriteAll((r / "bin.txt").string(), std::string("ab\x01"
                                                 "cd"));
  WriteAll((r / "bin.rtf").string(), std::string("{\\rtf1 \x02}"));
  WriteAll((r / std::string(16, 'e')).string() + "." + std::string(16, 't'), "long extension");
  KdxTransferResult result;
  EXPECT_EQ(Walk(r, 0, &result),
            (std::vector<std::string>{".hidden/h.txt", "pkg.rtfd", "x.TXT", "y.text"}));
  EXPECT_EQ(Walk(r, 0, &result, {"txt", "text", "rtf"}),
            (std::vector<std::string>{".hidden/h.txt", "bin.rtf", "pkg.rtfd", "x.TXT", "y.text"}));
  const auto all = Walk(r, 1, &result);
  EXPECT_NE(std::find(all.begin(), all.end(), "z.md"), all.end());
  EXPECT_NE(std::find(all.begin(), all.end(), "noext"), all.end());
  EXPECT_EQ(std::find(all.begin(), all.end(), "k.txt.kdz"), all.end());
  EXPECT_EQ(std::find(all.begin(), all.end(), "bin.txt"), all.end());
  EXPECT_EQ(result.failed, 0);
}

TEST(FolderImportWalk, SymlinkLoopsAreNotFollowed) {
  kdx_test::TempDir dir;
  const fs::path r = dir.path() / "root";
  fs::create_directories(r / "A");
  WriteAll((r / "A" / "f.txt").string(), "f");
  fs::create_directory_symlink(r, r / "A" / "up");
  fs::create_directory_symlink("..", r / "A" / "parent");
  fs::create_symlink(r / "A" / "f.txt", r / "link.txt");  // a link to a file is a file
  KdxTransferResult result;
  EXPECT_EQ(Walk(r, 0, &result), (std::vector<std::string>{"A/f.txt", "link.txt"}));
}

TEST(FolderImportWalk, UnreadableFolderIsCountedAndTheWalkGoesOn) {
  if (geteuid() == 0) GTEST_SKIP() << "root opens any folder";
  kdx_test::TempDir dir;
  const fs::path r = dir.path();
  fs::create_directories(r / "locked");
  fs::create_directories(r / "open");
  WriteAll((r / "locked" / "l.txt").string(), "l");
  WriteAll((r / "open" / "o.txt").string(), "o");
  WriteAll((r / "z.txt").string(), "z");
  fs::permissions(r / "locked", fs::perms::none);
  KdxTransferResult result;
  EXPECT_EQ(Walk(r, 0, &result), (std::vector<std::string>{"open/o.txt", "z.txt"}));
  ASSERT_EQ(result.failed, 1);
  EXPECT_EQ(result.failures[0].item, (r / "locked").string());
}

// A folder below PATH_MAX cannot be opened by its path, even by root.
TEST(FolderImportWalk, FolderBeyondThePathLimitIsCountedAndTheWalkGoesOn) {
  kdx_test::TempDir dir;
  const fs::path r = dir.path();
  WriteAll((r / "a.txt").string(), "a");
  const std::string name(200, 'd');
  std::vector<int> fds{open(r.c_str(), O_RDONLY | O_DIRECTORY)};
  for (int i = 0; i < 25; ++i) {
    ASSERT_EQ(mkdirat(fds.back(), name.c_str(), 0700), 0);
    fds.push_back(openat(fds.back(), name.c_str(), O_RDONLY | O_DIRECTORY));
    ASSERT_GE(fds.back(), 0);
  }
  KdxTransferResult result;
  EXPECT_EQ(Walk(r, 0, &result), (std::vector<std::string>{"a.txt"}));
  EXPECT_EQ(result.failed, 1);
  // Removed from the deepest up, by descriptor.
  close(fds.back());
  fds.pop_back();
  for (; !fds.empty(); fds.pop_back()) {
    if (fds.size() > 1) unlinkat(fds.back(), name.c_str(), AT_REMOVEDIR);
    close(fds.back());
  }
  unlinkat(AT_FDCWD, (r / name).c_str(), AT_REMOVEDIR);
}

TEST(FolderImportWalk, DepthIsBoundedMissingRootFailsAndCancelStops) {
  kdx_test::TempDir dir;
  fs::path deep = dir.path();
  for (int i = 0; i < kKdxMaxFolderDepth + 2; ++i) deep /= "d";
  fs::create_directories(deep);
  WriteAll((deep / "deep.txt").string(), "x");
  WriteAll((dir.path() / "top.txt").string(), "x");
  KdxTransferResult result;
  EXPECT_EQ(Walk(dir.path(), 0, &result), (std::vector<std::string>{"top.txt"}));
  EXPECT_EQ(result.failed, 1);
  std::vector<std::string> files;
  EXPECT_EQ(ListUpFilesWithExt(dir.File("none"), kTxtText, 0, {}, &files, &result), 1);
  EXPECT_EQ(result.failed, 2);

  KdxTransferProgress progress;
  progress.cancelled = [] { return true; };
  KdxTransferResult cancelled;
  ListUpFilesWithExt(dir.path().string(), kTxtText, 0, progress, &files, &cancelled);
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_TRUE(files.empty());
}

}  // namespace

namespace {

// Files are converted ahead on other threads; stopping part-way must still
// store exactly the files before the stop, in list order.
TEST(FolderImportCancel, StopsBetweenFilesWithEarlierOnesStored) {
  kdx_test::TempDir dir;
  std::vector<std::string> paths;
  for (int i = 0; i < 40; ++i) {
    paths.push_back(dir.File("f" + std::to_string(i) + ".txt"));
    WriteAll(paths.back(), "text " + std::to_string(i));
  }
  kdx_test::ImportDoc doc;
  const int32_t before = doc.Count();
  int64_t seen = 0;
  KdxTransferProgress progress;
  progress.item = [&](const std::string&, int64_t, int64_t total) { seen += total > 0 ? 1 : 0; };
  progress.cancelled = [&] { return seen == 5; };
  KdxTransferResult r =
      KDX_ImportFiles(doc.data(), paths, "A", "B", "C", KDX_ReadImportSettings(), progress);
  EXPECT_TRUE(r.cancelled);
  ASSERT_EQ(r.succeeded, 5);
  ASSERT_EQ(doc.Count(), before + 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(doc.Text(doc.At(before + i)), "text " + std::to_string(i));
}

}  // namespace
