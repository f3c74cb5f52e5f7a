// Which files a folder import finds, and the categories it gives them.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <tuple>
#include <utility>

#include "support/file_permissions.h"
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

using Triple = std::array<std::string, 3>;

// Folders below the root give the categories; only the part below the root
// counts, even where the root's name occurs earlier in the path or starts a
// sibling's name.
TEST(FolderImportCategories, ComeFromTheFoldersBelowTheRoot) {
  for (const auto& [path, root, cats, depth] :
       {std::tuple{"/x/Docsy/Docs/a.txt", "/x/Docsy/Docs/", Triple{"Docs", "その他", "その他"}, 0},
        std::tuple{"/x/Docsy/Docs/A/b.txt", "/x/Docsy/Docs", Triple{"Docs", "A", "その他"}, 0},
        std::tuple{"/x/Docs/A/B/C/c.txt", "/x/Docs", Triple{"Docs", "A", "B"}, 1},
        std::tuple{"/x/Docsy/A/f.txt", "/x/Docs", Triple{"Docs", "その他", "その他"}, 0},
        std::tuple{"/home/a/b/c/f.txt", "/", Triple{"/", "home", "a"}, 1},
        std::tuple{"/x/Docs/f.txt", "", Triple{"その他", "その他", "その他"}, 0}}) {
    Triple c;
    EXPECT_EQ(KDXCOMM_GetCats_ByFilePath(path, root, &c[0], &c[1], &c[2]), depth) << path;
    EXPECT_EQ(c, cats) << path;
  }
  kdx_test::TempDir dir;
  const fs::path docs = dir.path() / "Docsy" / "Docs";
  fs::create_directories(docs / "A" / "B" / "C");
  WriteAll((docs / "A" / "B" / "C" / "c.txt").string(), "c");
  kdx_test::ImportDoc doc;
  KdxTransferResult r =
      KDX_ImportFolder(doc.data(), docs.string() + "/", KDX_ReadImportSettings(), {});
  EXPECT_EQ(r.succeeded, 1);
  KDX_ENTRY e = doc.Titled("c.txt");
  EXPECT_EQ((Triple{e.en_cat1_name, e.en_cat2_name, e.en_cat3_name}), (Triple{"Docs", "A", "B"}));
  EXPECT_EQ(e.en_file_path, (docs / "A" / "B" / "C" / "c.txt").string());
}

TEST(FolderImportTargets, ExtensionsHiddenNamesBundlesAndBinaries) {
  kdx_test::TempDir dir;
  const fs::path r = dir.path();
  for (const char* sub : {"Tool.app", ".hidden", "pkg.rtfd"}) fs::create_directories(r / sub);
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
  EXPECT_EQ(Walk(r, 1, &result),  // all but binaries, entry export files and inside bundles
            (std::vector<std::string>{".hidden/h.txt", "bin.rtf",
                                      std::string(16, 'e') + "." + std::string(16, 't'), "noext",
                                      "pkg.rtfd", "x.TXT", "y.text", "z.md"}));
  EXPECT_EQ(result.failed, 0);

  // A file far past the import limit is not read through to be tested: it is
  // listed (to be named as too large) unless its beginning shows it binary.
  const std::string huge = (r / "huge.txt").string();
  WriteAll(huge, "text");
  ASSERT_EQ(truncate(huge.c_str(), int64_t{1} << 40), 0);  // sparse, a terabyte of zeros
  EXPECT_EQ(IsImportTargetFilePath(huge, 0, kTxtText), 1);
  WriteAll(huge, "\x01");
  ASSERT_EQ(truncate(huge.c_str(), int64_t{1} << 40), 0);
  EXPECT_EQ(IsImportTargetFilePath(huge, 0, kTxtText), 0);
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

// What the walk passes over although its name would have been taken is named
// with the reason; the rest of the tree is walked as before.
TEST(FolderImportWalk, SpecialFilesAndLinksNotFollowedAreNamedAsSkipped) {
  kdx_test::TempDir dir;
  const fs::path r = dir.path() / "root";
  fs::create_directories(r / "A");
  fs::create_directories(dir.path() / "outside");
  WriteAll((r / "A" / "f.txt").string(), "f");
  ASSERT_EQ(mkfifo((r / "pipe.txt").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo((r / "pipe.md").c_str(), 0600), 0);    // not an import extension
  ASSERT_EQ(mkfifo((r / ".pipe.txt").c_str(), 0600), 0);  // hidden, as hidden files are
  fs::create_directory_symlink(dir.path() / "outside", r / "out");
  fs::create_symlink(r / "pipe.txt", r / "to-pipe.txt");
  fs::create_symlink(r / "gone.txt", r / "dangling.txt");
  // Links to files elsewhere, as a folder someone else made could hold them.
  WriteAll((dir.path() / "outside" / "secret.txt").string(), "secret");
  fs::create_symlink(dir.path() / "outside" / "secret.txt", r / "secret.txt");
  fs::create_symlink("../../outside/secret.txt", r / "A" / "relative.txt");
  KdxTransferResult result;
  EXPECT_EQ(Walk(r, 0, &result), (std::vector<std::string>{"A/f.txt"}));
  EXPECT_EQ(result.failed, 0);
  EXPECT_EQ(result.skipped, 6);
  std::vector<std::pair<std::string, std::string>> skipped;
  for (const KdxTransferFailure& s : result.skippedItems) {
    skipped.emplace_back(fs::path(s.item).lexically_relative(r).string(), s.reason);
  }
  std::sort(skipped.begin(), skipped.end());
  EXPECT_EQ(skipped, (std::vector<std::pair<std::string, std::string>>{
                         {"A/relative.txt", "a link to a file outside the folder"},
                         {"dangling.txt", "a link that leads nowhere"},
                         {"out", "a link to a folder (links to folders are not followed)"},
                         {"pipe.txt", "a FIFO, not a file"},
                         {"secret.txt", "a link to a file outside the folder"},
                         {"to-pipe.txt", "a link to a FIFO, not to a file"}}));
}

// A folder or a file with an import extension that cannot be read is a
// failure that says why, never a file taken for binary and passed over.
TEST(FolderImportWalk, UnreadableFoldersAndFilesAreCountedAndTheWalkGoesOn) {
  kdx_test::TempDir dir;
  const fs::path r = dir.path();
  for (const char* sub : {"locked", "open"}) fs::create_directories(r / sub);
  for (const char* f : {"locked/l.txt", "open/o.txt", "z.txt", "secret.txt", "secret.bin"}) {
    WriteAll((r / f).string(), "x");
  }
  fs::permissions(r / "locked", fs::perms::none);
  fs::permissions(r / "secret.txt", fs::perms::none);
  fs::permissions(r / "secret.bin", fs::perms::none);  // not wanted by its name
  KdxTransferResult result;
  std::vector<std::string> found;
  {
    kdx_test::FileModesEnforced modes;
    if (!modes.enforced()) GTEST_SKIP() << "file modes cannot be enforced here";
    found = Walk(r, 0, &result);
  }
  fs::permissions(r / "locked", fs::perms::owner_all);
  EXPECT_EQ(found, (std::vector<std::string>{"open/o.txt", "z.txt"}));
  ASSERT_EQ(result.failed, 2);
  std::vector<std::pair<std::string, std::string>> failures;
  for (const KdxTransferFailure& f : result.failures) failures.emplace_back(f.item, f.reason);
  std::sort(failures.begin(), failures.end());
  EXPECT_EQ(failures,
            (std::vector<std::pair<std::string, std::string>>{
                {(r / "locked").string(), "the folder cannot be opened: permission denied"},
                {(r / "secret.txt").string(), "cannot be read: permission denied"}}));
}

// Too deep a tree, and a folder below PATH_MAX (which cannot be opened by its
// path, even by root), are each counted once and the walk goes on.
TEST(FolderImportWalk, TooDeepOrTooLongFoldersAreCountedAndTheWalkGoesOn) {
  kdx_test::TempDir dir;
  const fs::path r = dir.path();
  WriteAll((r / "a.txt").string(), "a");
  fs::path deep = r;
  for (int i = 0; i < kKdxMaxFolderDepth + 2; ++i) deep /= "d";
  fs::create_directories(deep);
  WriteAll((deep / "deep.txt").string(), "x");
  const std::string name(200, 'e');
  std::vector<int> fds{open(r.c_str(), O_RDONLY | O_DIRECTORY)};
  for (int i = 0; i < 25; ++i) {
    ASSERT_EQ(mkdirat(fds.back(), name.c_str(), 0700), 0);
    fds.push_back(openat(fds.back(), name.c_str(), O_RDONLY | O_DIRECTORY));
    ASSERT_GE(fds.back(), 0);
  }
  KdxTransferResult result;
  EXPECT_EQ(Walk(r, 0, &result), (std::vector<std::string>{"a.txt"}));
  EXPECT_EQ(result.failed, 2);
  // Removed from the deepest up, by descriptor.
  for (size_t i = fds.size(); i-- > 0;) {
    if (i + 1 < fds.size()) unlinkat(fds[i], name.c_str(), AT_REMOVEDIR);
    close(fds[i]);
  }
  std::vector<std::string> files;
  EXPECT_EQ(ListUpFilesWithExt(dir.File("none"), kTxtText, 0, {}, &files, &result), 1);
  EXPECT_EQ(result.failed, 3);
}

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
  int64_t seen = 0;
  KdxTransferProgress progress;
  progress.item = [&](const std::string&, int64_t, int64_t total) { seen += total > 0 ? 1 : 0; };
  progress.cancelled = [&] { return seen == 5; };
  KdxTransferResult r =
      KDX_ImportFiles(doc.data(), paths, "A", "B", "C", KDX_ReadImportSettings(), progress);
  EXPECT_TRUE(r.cancelled);
  ASSERT_EQ(r.succeeded, 5);
  ASSERT_EQ(doc.Count(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(doc.Text(doc.At(i)), "text " + std::to_string(i));
}

}  // namespace
