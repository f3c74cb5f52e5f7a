// RTFD package folders: writing, reading back, and staying inside the folder.
#include "richtext/rtfd_package.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"

namespace kdx_richtext {
namespace {

namespace fs = std::filesystem;

QString Q(const std::string& path) { return QString::fromStdString(path); }

TEST(RtfdPackageFolder, WriteThenReadGivesTheSamePackage) {
  kdx_test::TempDir dir;
  RtfdPackage package;
  package.rtf = "{\\rtf1 text}";
  package.attachments.append(RtfdFile{"z.png", QByteArray("\0\1\2", 3)});
  package.attachments.append(RtfdFile{"画像.jpg", QByteArray(70000, 'j')});
  package.attachments.append(RtfdFile{"empty", QByteArray()});
  ASSERT_EQ(WriteRtfdFolder(Q(dir.File("a.rtfd")), package), RtfdStatus::ok);

  RtfdPackage back;
  ASSERT_EQ(ReadRtfdFolder(Q(dir.File("a.rtfd")), &back), RtfdStatus::ok);
  EXPECT_EQ(back.rtf, package.rtf);
  ASSERT_EQ(back.attachments.size(), 3);
  // Sorted by the bytes of the name.
  EXPECT_EQ(back.attachments[0].name, "empty");
  EXPECT_TRUE(back.attachments[0].data.isEmpty());
  EXPECT_EQ(back.attachments[1].name, "z.png");
  EXPECT_EQ(back.attachments[1].data, QByteArray("\0\1\2", 3));
  EXPECT_EQ(back.attachments[2].name, "画像.jpg");
  EXPECT_EQ(back.attachments[2].data.size(), 70000);
}

TEST(RtfdPackageFolder, RefusesToReplaceAnExistingFolder) {
  kdx_test::TempDir dir;
  fs::create_directory(dir.File("a.rtfd"));
  kdx_test::WriteAll(dir.File("a.rtfd/TXT.rtf"), std::string("old"));
  RtfdPackage package;
  package.rtf = "new";
  EXPECT_EQ(WriteRtfdFolder(Q(dir.File("a.rtfd")), package), RtfdStatus::exists);
  const std::vector<uint8_t> kept = kdx_test::ReadAll(dir.File("a.rtfd/TXT.rtf"));
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "old");
  // Nor a symlink standing where the folder would go.
  fs::create_directory_symlink(dir.File("elsewhere"), dir.File("b.rtfd"));
  EXPECT_EQ(WriteRtfdFolder(Q(dir.File("b.rtfd")), package), RtfdStatus::exists);
  EXPECT_FALSE(fs::exists(dir.File("elsewhere")));
}

TEST(RtfdPackageFolder, AttachmentNamesAreMadeSafe) {
  kdx_test::TempDir dir;
  fs::create_directory(dir.File("inner"));
  RtfdPackage package;
  package.rtf = "{}";
  package.attachments.append(RtfdFile{"../x", "1"});
  package.attachments.append(RtfdFile{"a/b", "2"});
  package.attachments.append(RtfdFile{"", "3"});
  ASSERT_EQ(WriteRtfdFolder(Q(dir.File("inner/p.rtfd")), package), RtfdStatus::ok);
  EXPECT_TRUE(fs::is_regular_file(dir.File("inner/p.rtfd/x")));
  EXPECT_TRUE(fs::is_regular_file(dir.File("inner/p.rtfd/b")));
  EXPECT_TRUE(fs::is_regular_file(dir.File("inner/p.rtfd/attachment")));
  EXPECT_FALSE(fs::exists(dir.File("inner/x")));
  EXPECT_FALSE(fs::exists(dir.File("inner/p.rtfd/a")));
  int files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.File("inner"))) ++files;
  EXPECT_EQ(files, 1);
}

TEST(RtfdPackageFolder, NamesThatCollideOnceSafeLeaveNothingBehind) {
  kdx_test::TempDir dir;
  RtfdPackage package;
  package.attachments.append(RtfdFile{"a/x", "1"});
  package.attachments.append(RtfdFile{"b/x", "2"});
  EXPECT_EQ(WriteRtfdFolder(Q(dir.File("p.rtfd")), package), RtfdStatus::badName);
  RtfdPackage text;
  text.attachments.append(RtfdFile{"dir/TXT.rtf", "3"});
  EXPECT_EQ(WriteRtfdFolder(Q(dir.File("p.rtfd")), text), RtfdStatus::badName);
  EXPECT_FALSE(fs::exists(dir.File("p.rtfd")));
}

TEST(RtfdPackageFolder, ReadingDoesNotFollowSymlinksOrEnterFolders) {
  kdx_test::TempDir dir;
  kdx_test::WriteAll(dir.File("secret"), std::string("outside"));
  fs::create_directory(dir.File("p.rtfd"));
  kdx_test::WriteAll(dir.File("p.rtfd/TXT.rtf"), std::string("{\\rtf1 x}"));
  kdx_test::WriteAll(dir.File("p.rtfd/real.bin"), std::string("inside"));
  fs::create_symlink(dir.File("secret"), dir.File("p.rtfd/link.bin"));
  fs::create_symlink("../secret", dir.File("p.rtfd/relative.bin"));
  fs::create_directory(dir.File("p.rtfd/sub"));
  kdx_test::WriteAll(dir.File("p.rtfd/sub/deep.bin"), std::string("deep"));

  RtfdPackage package;
  ASSERT_EQ(ReadRtfdFolder(Q(dir.File("p.rtfd")), &package), RtfdStatus::ok);
  ASSERT_EQ(package.attachments.size(), 1);
  EXPECT_EQ(package.attachments[0].name, "real.bin");
  EXPECT_EQ(package.attachments[0].data, "inside");
}

TEST(RtfdPackageFolder, NeedsARegularTxtRtf) {
  kdx_test::TempDir dir;
  RtfdPackage package;
  package.rtf = "stale";
  EXPECT_EQ(ReadRtfdFolder(Q(dir.File("none.rtfd")), &package), RtfdStatus::notFound);
  EXPECT_TRUE(package.rtf.isEmpty());

  fs::create_directory(dir.File("no-text.rtfd"));
  kdx_test::WriteAll(dir.File("no-text.rtfd/pic.png"), std::string("x"));
  EXPECT_EQ(ReadRtfdFolder(Q(dir.File("no-text.rtfd")), &package), RtfdStatus::notFound);

  kdx_test::WriteAll(dir.File("outside.rtf"), std::string("{\\rtf1 outside}"));
  fs::create_directory(dir.File("linked.rtfd"));
  fs::create_symlink(dir.File("outside.rtf"), dir.File("linked.rtfd/TXT.rtf"));
  EXPECT_EQ(ReadRtfdFolder(Q(dir.File("linked.rtfd")), &package), RtfdStatus::notFound);
  EXPECT_TRUE(package.rtf.isEmpty());
}

}  // namespace
}  // namespace kdx_richtext
