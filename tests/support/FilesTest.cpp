#include <gtest/gtest.h>

#include <cmath>
#include <sys/stat.h>

#include "TestUtil.h"
#include "support/zuUtils.h"

using namespace zu;

TEST(FileAttr, RoundTripOnARealFile) {
  zutest::TempDir D;
  const std::string F = D.File("a.uTMP");
  zutest::WriteFile(F, "x");
  ASSERT_TRUE(SetFileAttr(F, {atrHidden, atrTemporary}));
  TzuFileAttributes A;
  ASSERT_TRUE(GetFileAttr(F, A));
  EXPECT_EQ(A, (TzuFileAttributes{atrHidden, atrTemporary}));

  ASSERT_TRUE(SetFileAttr(F, {atrArchive, atrSystem, atrOffline, atrReadOnly}));
  ASSERT_TRUE(GetFileAttr(F, A));
  EXPECT_EQ(A, (TzuFileAttributes{atrArchive, atrSystem, atrOffline, atrReadOnly}));
  struct stat St{};
  ASSERT_EQ(::stat(F.c_str(), &St), 0);
  EXPECT_EQ(St.st_mode & 0222, 0u) << "read-only clears every write bit";

  // The empty set passes 0: everything is cleared, the file is writable again.
  ASSERT_TRUE(SetFileAttr(F, {}));
  ASSERT_TRUE(GetFileAttr(F, A));
  EXPECT_TRUE(A.empty());
  ASSERT_EQ(::stat(F.c_str(), &St), 0);
  EXPECT_NE(St.st_mode & S_IWUSR, 0u);
}

TEST(FileAttr, MissingFile) {
  TzuFileAttributes A{atrHidden};
  EXPECT_FALSE(GetFileAttr("/nonexistent/zu/file", A));
  EXPECT_TRUE(A.empty());
  EXPECT_FALSE(SetFileAttr("/nonexistent/zu/file", {atrHidden}));
}

TEST(FileAttr, BitMapping) {
  EXPECT_EQ(FileAttributesToBits({atrArchive}), 0x20u);
  EXPECT_EQ(FileAttributesToBits({atrHidden, atrReadOnly, atrSystem}), 0x7u);
  EXPECT_EQ(FileAttributesToBits({atrTemporary, atrOffline}), 0x1100u);
  EXPECT_EQ(BitsToFileAttributes(0x1127), (TzuFileAttributes{atrArchive, atrHidden, atrReadOnly,
                                                             atrSystem, atrTemporary, atrOffline}));
}

TEST(ExtractFileSize, SizesAndFailures) {
  zutest::TempDir D;
  EXPECT_EQ(ExtractFileSize(D.File("missing")), -1);
  zutest::WriteFile(D.File("empty"), "");
  EXPECT_EQ(ExtractFileSize(D.File("empty")), 0);
  zutest::WriteFile(D.File("five"), "12345");
  EXPECT_EQ(ExtractFileSize(D.File("five")), 5);
  EXPECT_EQ(ExtractFileSize(D.Path()), -1) << "a directory is no file";
  // A file without read permission still has a size (opened for no access).
  ::chmod(D.File("five").c_str(), 0);
  EXPECT_EQ(ExtractFileSize(D.File("five")), 5);
}

TEST(SetFileTimes, ModifiedWithTwoSecondResolutionAccessedKept) {
  zutest::ScopedEnv Tz("TZ", "UTC0");
  ::tzset();
  zutest::TempDir D;
  const std::string F = D.File("t");
  zutest::WriteFile(F, "x");
  struct stat Before{};
  ASSERT_EQ(::stat(F.c_str(), &Before), 0);

  const TDateTime M = EncodeDate(2008, 3, 1) + EncodeTime(10, 20, 31, 700);
  ASSERT_TRUE(SetFileTimes(F, -1, M, -1));
  struct stat After{};
  ASSERT_EQ(::stat(F.c_str(), &After), 0);
  const double Expected = DateTimeToUnix(EncodeDate(2008, 3, 1) + EncodeTime(10, 20, 30, 0));
  EXPECT_EQ(After.st_mtim.tv_sec, static_cast<time_t>(Expected));
  EXPECT_EQ(After.st_atim.tv_sec, Before.st_atim.tv_sec) << "-1 leaves the access time";
  EXPECT_EQ(After.st_atim.tv_nsec, Before.st_atim.tv_nsec);

  // A date outside the file-system date range leaves that time unchanged, still success.
  ASSERT_TRUE(SetFileTimes(F, EncodeDate(1970, 1, 2), -1, EncodeDate(1975, 1, 1)));
  struct stat Again{};
  ASSERT_EQ(::stat(F.c_str(), &Again), 0);
  EXPECT_EQ(Again.st_mtim.tv_sec, After.st_mtim.tv_sec);
  EXPECT_EQ(Again.st_atim.tv_sec, After.st_atim.tv_sec);

  EXPECT_FALSE(SetFileTimes(D.File("missing"), -1, M, -1));
}

TEST(SetFileTimes, LocalTimeIsConvertedToUtc) {
  zutest::ScopedEnv Tz("TZ", "EST5");
  ::tzset();
  zutest::TempDir D;
  const std::string F = D.File("t");
  zutest::WriteFile(F, "x");
  ASSERT_TRUE(SetFileTimes(F, -1, EncodeDate(2010, 6, 1) + EncodeTime(7, 0, 0, 0), -1));
  struct stat St{};
  ASSERT_EQ(::stat(F.c_str(), &St), 0);
  EXPECT_EQ(St.st_mtim.tv_sec,
            static_cast<time_t>(DateTimeToUnix(EncodeDate(2010, 6, 1) + EncodeTime(12, 0, 0, 0))));
}

TEST(TempDir, FromTheEnvironmentWithTrailingSlash) {
  {
    zutest::ScopedEnv T("TMPDIR", "/var/tmp");
    EXPECT_EQ(GetTempDir(), "/var/tmp/");
  }
  {
    zutest::ScopedEnv T("TMPDIR", "/var/tmp/");
    EXPECT_EQ(GetTempDir(), "/var/tmp/");
  }
  {
    zutest::ScopedEnv T("TMPDIR", nullptr);
    EXPECT_EQ(GetTempDir(), "/tmp/");
  }
}
