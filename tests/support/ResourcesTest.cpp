#include <gtest/gtest.h>

#include <sys/stat.h>

#include "TestUtil.h"
#include "platform/framework/Exceptions.h"
#include "support/zuUtils.h"

using namespace zu;

TEST(Resources, LoadToStreamAtThePosition) {
  TMemoryStream S;
  S.WriteBuffer("ab", 2);
  ASSERT_TRUE(LoadResourceToStream(HInstance, "hello", "bin", &S));
  EXPECT_EQ(StreamToString(S, true), "abhello resource\n");
  EXPECT_FALSE(LoadResourceToStream(HInstance, "missing", "BIN", &S));
  EXPECT_FALSE(LoadResourceToStream(HInstance, "HELLO", "BIN", nullptr));
}

TEST(Resources, ExtractToFileReplacesAndMarksTemporary) {
  zutest::TempDir D;
  const std::string F = D.File("Reveziri3.exe");
  zutest::WriteFile(F, "an older and much longer content");
  ASSERT_TRUE(ExtractResourceToFile(HInstance, "HELLO", "BIN", F, true));
  EXPECT_EQ(zutest::ReadFile(F), "hello resource\n");
  TzuFileAttributes A;
  ASSERT_TRUE(GetFileAttr(F, A));
  EXPECT_TRUE(A.count(atrTemporary));

  ASSERT_TRUE(ExtractResourceToFile(HInstance, "HELLO", "BIN", F, false));
  ASSERT_TRUE(GetFileAttr(F, A));
  EXPECT_FALSE(A.count(atrTemporary));
}

TEST(Resources, ExtractFailuresCreateNothing) {
  zutest::TempDir D;
  EXPECT_FALSE(ExtractResourceToFile(HInstance, "MISSING", "BIN", D.File("x"), false));
  EXPECT_EQ(ExtractFileSize(D.File("x")), -1);
  EXPECT_FALSE(ExtractResourceToFile(HInstance, "HELLO", "BIN", D.File("no/such/dir/x"), false));
  // A planted link is not written through.
  zutest::WriteFile(D.File("target"), "keep");
  ASSERT_EQ(::symlink(D.File("target").c_str(), D.File("link").c_str()), 0);
  EXPECT_FALSE(ExtractResourceToFile(HInstance, "HELLO", "BIN", D.File("link"), false));
  EXPECT_EQ(zutest::ReadFile(D.File("target")), "keep");
}

TEST(LoadJPEG, DecodesByNameAndNumber) {
  TPicture P;
  LoadJPEG("PICTURE", P);
  ASSERT_NE(P.Graphic(), nullptr);
  EXPECT_EQ(P.Graphic()->ClassName(), "TJPEGImage");
  EXPECT_EQ(P.Width(), 24);
  EXPECT_EQ(P.Height(), 16);
  // Left half red, right half blue, as the picture was made.
  const QImage& Img = P.Graphic()->Image();
  EXPECT_GT(qRed(Img.pixel(2, 8)), 180);
  EXPECT_GT(qBlue(Img.pixel(21, 8)), 180);
  TPicture Q;
  LoadJPEG(118, Q);  // a grey picture, one component
  EXPECT_EQ(Q.Width(), 10);
  EXPECT_NEAR(qGray(Q.Graphic()->Image().pixel(5, 5)), 200, 3);
}

TEST(LoadJPEG, MissingResourceGivesAnEmptyJpegWithoutError) {
  TPicture P;
  EXPECT_NO_THROW(LoadJPEG("NO_SUCH_PICTURE", P));
  ASSERT_NE(P.Graphic(), nullptr);
  EXPECT_EQ(P.Graphic()->ClassName(), "TJPEGImage");
  EXPECT_TRUE(P.Graphic()->Empty());
  EXPECT_EQ(P.Width(), 0);
  EXPECT_EQ(P.Height(), 0);
}

TEST(LoadJPEG, DataThatIsNoJpegRaises) {
  TPicture P;
  EXPECT_THROW(LoadJPEG("BROKEN", P), EInvalidGraphic);
}
