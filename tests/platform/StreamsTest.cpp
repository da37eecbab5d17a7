#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "TestUtil.h"
#include "platform/framework/Exceptions.h"
#include "platform/framework/Streams.h"

using namespace zu;

TEST(MemoryStream, GrowsSeeksAndZeroFillsGaps) {
  TMemoryStream S;
  S.WriteBuffer("abc", 3);
  EXPECT_EQ(S.Size(), 3);
  EXPECT_EQ(S.Position(), 3);
  S.Seek(2, soCurrent);
  S.WriteBuffer("z", 1);
  ASSERT_EQ(S.Size(), 6);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(S.Memory()), 6), std::string("abc\0\0z", 6));
  EXPECT_EQ(S.Seek(-1, soEnd), 5);
  char C;
  EXPECT_EQ(S.Read(&C, 10), 1);
  EXPECT_EQ(C, 'z');
  EXPECT_EQ(S.Read(&C, 1), 0);
  EXPECT_THROW(S.ReadBuffer(&C, 1), EReadError);
}

TEST(MemoryStream, SetSizeAndCapacity) {
  TMemoryStream S;
  S.SetCapacity(1000);
  EXPECT_EQ(S.Size(), 0) << "capacity is no content";
  EXPECT_GE(S.Capacity(), 1000);
  S.WriteBuffer("hello", 5);
  S.SetSize(2);
  EXPECT_EQ(S.Position(), 2);
  S.SetSize(4);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(S.Memory()), 4), std::string("he\0\0", 4));
  S.Clear();
  EXPECT_EQ(S.Size(), 0);
  EXPECT_EQ(S.Position(), 0);
}

TEST(MemoryStream, CopyFromAndFiles) {
  zutest::TempDir D;
  TMemoryStream A;
  A.WriteBuffer("0123456789", 10);
  TMemoryStream B;
  EXPECT_EQ(B.CopyFrom(A, 0), 10) << "0 copies the whole source";
  A.SetPosition(3);
  TMemoryStream Part;
  EXPECT_EQ(Part.CopyFrom(A, 4), 4);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(Part.Memory()), 4), "3456");
  B.SaveToFile(D.File("f"));
  EXPECT_EQ(zutest::ReadFile(D.File("f")), "0123456789");
  TMemoryStream C;
  C.LoadFromFile(D.File("f"));
  EXPECT_EQ(C.Size(), 10);
  EXPECT_EQ(C.Position(), 0);
  EXPECT_THROW(C.LoadFromFile(D.File("missing")), EFOpenError);
}

TEST(FileStream, CreateOpenAndErrors) {
  zutest::TempDir D;
  {
    TFileStream F(D.File("a"), fmCreate);
    F.WriteBuffer("abcdef", 6);
    F.SetSize(4);
    EXPECT_EQ(F.Size(), 4);
  }
  EXPECT_EQ(zutest::ReadFile(D.File("a")), "abcd");
  {
    TFileStream F(D.File("a"), fmOpenReadWrite);
    F.Seek(0, soEnd);
    F.WriteBuffer("XY", 2);
  }
  EXPECT_EQ(zutest::ReadFile(D.File("a")), "abcdXY");
  try {
    TFileStream F(D.File("no/dir/x"), fmCreate);
    FAIL() << "no exception";
  } catch (const EFCreateError& E) {
    EXPECT_EQ(E.Message(), "Cannot create file " + D.File("no/dir/x"));
  }
  EXPECT_THROW(TFileStream(D.File("missing"), fmOpenRead), EFOpenError);
}

TEST(HandleStream, LeavesTheDescriptorOpen) {
  zutest::TempDir D;
  const int Fd = ::open(D.File("h").c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_GE(Fd, 0);
  {
    THandleStream H(Fd);
    H.WriteBuffer("xyz", 3);
  }
  EXPECT_EQ(::lseek(Fd, 0, SEEK_CUR), 3) << "still open";
  ::close(Fd);
}
