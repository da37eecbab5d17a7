#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>

#include "TestUtil.h"
#include "platform/os/Files.h"

using namespace zu::os;

TEST(PlatformFiles, AttributesLiveInTheModeAndTheExtendedAttribute) {
  zutest::TempDir D;
  const std::string F = D.File("f");
  zutest::WriteFile(F, "x");
  ASSERT_TRUE(SetFileAttributes(F, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  char Buf[32] = {};
  const ssize_t N = ::getxattr(F.c_str(), DosAttribXattr, Buf, sizeof Buf - 1);
  if (N < 0 && errno == ENOTSUP) GTEST_SKIP() << "no user extended attributes here";
  ASSERT_GT(N, 0);
  EXPECT_STREQ(Buf, "0x22");
  // Clearing removes the attribute rather than storing zero.
  ASSERT_TRUE(SetFileAttributes(F, 0));
  EXPECT_LT(::getxattr(F.c_str(), DosAttribXattr, Buf, sizeof Buf), 0);
  // A value written by another program (hex text) is read, unknown bits dropped.
  ASSERT_EQ(::setxattr(F.c_str(), DosAttribXattr, "0x10026", 7, 0), 0);
  std::uint32_t A = 0;
  ASSERT_TRUE(GetFileAttributes(F, A));
  EXPECT_EQ(A, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
}

TEST(PlatformFiles, DirectoriesReportTheDirectoryBit) {
  zutest::TempDir D;
  std::uint32_t A = 0;
  ASSERT_TRUE(GetFileAttributes(D.Path(), A));
  EXPECT_TRUE(A & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(PlatformFiles, ClearingReadOnlyRestoresWriteBits) {
  zutest::TempDir D;
  const std::string F = D.File("ro");
  zutest::WriteFile(F, "x");
  ASSERT_TRUE(SetFileAttributes(F, FILE_ATTRIBUTE_READONLY));
  struct stat St{};
  ::stat(F.c_str(), &St);
  EXPECT_EQ(St.st_mode & 0222, 0u);
  ASSERT_TRUE(SetFileAttributes(F, FILE_ATTRIBUTE_ARCHIVE));
  ::stat(F.c_str(), &St);
  EXPECT_NE(St.st_mode & S_IWUSR, 0u);
}

TEST(PlatformFiles, PathParts) {
  EXPECT_EQ(ExtractFilePath("/opt/app/renewix"), "/opt/app/");
  EXPECT_EQ(ExtractFileName("/opt/app/renewix"), "renewix");
  EXPECT_EQ(ExtractFileExt("/opt/app.d/renewix"), "");
  EXPECT_EQ(ExtractFileExt("/opt/app/notes.txt"), ".txt");
  EXPECT_EQ(ExtractFilePath("plain"), "");
}
