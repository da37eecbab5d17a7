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

namespace {

// A stream below that counts the writes reaching it and refuses them once told to.
class TCountingStream : public TMemoryStream {
 public:
  std::int64_t Write(const void* Buffer, std::int64_t Count) override {
    ++Writes;
    return Refuse ? 0 : TMemoryStream::Write(Buffer, Count);
  }
  int Writes = 0;
  bool Refuse = false;
};

// A stream below that lives on in the test after the stream over it has gone.
class TForwardingStream : public TStream {
 public:
  explicit TForwardingStream(TStream& To) : FTo(To) {}
  std::int64_t Read(void* Buffer, std::int64_t Count) override { return FTo.Read(Buffer, Count); }
  std::int64_t Write(const void* Buffer, std::int64_t Count) override { return FTo.Write(Buffer, Count); }
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override { return FTo.Seek(Offset, Origin); }
  void SetSize(std::int64_t NewSize) override { FTo.SetSize(NewSize); }

 private:
  TStream& FTo;
};

std::string Content(TMemoryStream& S) { return std::string(reinterpret_cast<char*>(S.Memory()), S.Size()); }

}  // namespace

TEST(WriteBehindStream, GathersSmallWritesAndKeepsTheirOrder) {
  auto Owned = std::make_unique<TCountingStream>();
  TCountingStream& Below = *Owned;
  TWriteBehindStream S(std::move(Owned), 8);
  S.WriteBuffer("abc", 3);
  S.WriteBuffer("defgh", 5);  // fills the buffer exactly
  EXPECT_EQ(Below.Writes, 0);
  S.WriteBuffer("ij", 2);  // the full buffer goes first
  EXPECT_EQ(Below.Writes, 1);
  EXPECT_EQ(Content(Below), "abcdefgh");
  S.WriteBuffer("0123456789", 10);  // too big to gather: after what waits, straight through
  EXPECT_EQ(Below.Writes, 3);
  EXPECT_EQ(Content(Below), "abcdefghij0123456789");
  S.WriteBuffer("xy", 2);
  EXPECT_TRUE(S.Flush());
  EXPECT_TRUE(S.Flush());  // nothing left: no empty write below
  EXPECT_EQ(Below.Writes, 4);
  EXPECT_EQ(Content(Below), "abcdefghij0123456789xy");
}

TEST(WriteBehindStream, LooksWrittenThroughToReadsSeeksAndSizes) {
  TMemoryStream Below;
  {
    TWriteBehindStream S(std::make_unique<TForwardingStream>(Below));
    S.WriteBuffer("hello", 5);
    EXPECT_EQ(S.Size(), 5);
    EXPECT_EQ(S.Position(), 5);
    S.SetPosition(1);
    char C[4] = {};
    EXPECT_EQ(S.Read(C, 4), 4);
    EXPECT_EQ(std::string(C, 4), "ello");
    S.WriteBuffer("!", 1);
    S.SetSize(3);
    EXPECT_EQ(S.Size(), 3);
    S.Seek(0, soEnd);
    S.WriteBuffer("p", 1);
  }  // the last byte goes with the stream
  EXPECT_EQ(Content(Below), "help");
}

TEST(WriteBehindStream, ARefusedWriteFailsTheWriteAfterItAndTheFlush) {
  auto Owned = std::make_unique<TCountingStream>();
  TCountingStream& Below = *Owned;
  Below.Refuse = true;
  TWriteBehindStream S(std::move(Owned), 8);
  EXPECT_EQ(S.Write("abcd", 4), 4);   // only gathered so far
  EXPECT_EQ(S.Write("efghi", 5), 0);  // passing the buffer on fails
  Below.Refuse = false;
  EXPECT_EQ(S.Write("f", 1), 0) << "nothing is written after a gap";
  EXPECT_EQ(S.Write("0123456789", 10), 0);
  EXPECT_FALSE(S.Flush());
  EXPECT_EQ(Below.Size(), 0);

  TWriteBehindStream Late(std::make_unique<TCountingStream>(), 64);
  EXPECT_EQ(Late.Write("abc", 3), 3);
  static_cast<TCountingStream&>(Late.Target()).Refuse = true;
  EXPECT_FALSE(Late.Flush()) << "a failure at the last flush is reported too";
}
