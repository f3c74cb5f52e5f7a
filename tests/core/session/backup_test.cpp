// The copy taken before a conversion and putting it back: named beside the
// document, byte for byte, never over a document someone else holds.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/document/kdx_lock.h"
#include "core/session/kdx_backup.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

TEST(ConversionBackup, CopiesBesideUnderAFreeNameAndPutsItBack) {
  kdx_test::TempDir dir;
  const std::string doc = dir.File("notes.v2.kdx");
  kdx_test::WriteAll(doc, std::string(300000, 'a') + "end");
  std::string first, second;
  ASSERT_TRUE(KDX_BackupForConversion(doc, &first));
  ASSERT_TRUE(KDX_BackupForConversion(doc, &second));
  EXPECT_EQ(first, dir.File("notes.v2_backup_v300.kdx"));
  EXPECT_EQ(second, dir.File("notes.v2_backup_v300-1.kdx"));
  EXPECT_TRUE(KDX_SameFileContents(doc, second));

  // Same size, one byte apart: not the same.
  kdx_test::WriteAll(doc, std::string(300000, 'a') + "End");
  EXPECT_FALSE(KDX_SameFileContents(doc, first));

  // Held by another program: refused, untouched.
  {
    KdxDocumentLock other;
    ASSERT_EQ(other.Acquire(doc, false), KdxDocumentLock::Result::kLocked);
    EXPECT_FALSE(KDX_RestoreBackup(first, doc));
    EXPECT_FALSE(KDX_SameFileContents(doc, first));
  }
  ASSERT_TRUE(KDX_RestoreBackup(first, doc));
  EXPECT_TRUE(KDX_SameFileContents(doc, first));
  EXPECT_TRUE(fs::exists(first));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 3);

  // Nothing to copy: no copy left behind.
  std::string none;
  EXPECT_FALSE(KDX_BackupForConversion(dir.File("absent.kdx"), &none));
  EXPECT_TRUE(none.empty());
  EXPECT_FALSE(fs::exists(dir.File("absent_backup_v300.kdx")));
}

}  // namespace
