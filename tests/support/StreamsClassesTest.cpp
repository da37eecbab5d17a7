#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "TestUtil.h"
#include "platform/framework/Exceptions.h"
#include "support/zuStreams.h"
#include "support/zuUtils.h"

using namespace zu;

namespace {

std::string Bytes(TzuMemoryStream& S) {
  return std::string(reinterpret_cast<const char*>(S.Memory()), static_cast<size_t>(S.Size()));
}

}  // namespace

TEST(ZuMemoryStream, TypedOperationsAreLittleEndian) {
  TzuMemoryStream S;
  S.WriteChar('Z');
  S.WriteByte(0xFE);
  S.WriteWord(0xA1B2);
  S.WriteInt(-2);
  S.WriteStr("hey");
  S.WriteShortStr("ab");
  S.WritePlainStr("raw");
  S.WriteStr("");
  EXPECT_EQ(Bytes(S), std::string("Z\xFE\xB2\xA1\xFE\xFF\xFF\xFF\x03\0\0\0hey\x02" "abraw\0\0\0\0", 25));

  S.SetPosition(0);
  EXPECT_EQ(S.ReadChar(), 'Z');
  EXPECT_EQ(S.ReadByte(), 0xFE);
  EXPECT_EQ(S.ReadWord(), 0xA1B2);
  EXPECT_EQ(S.ReadInt(), -2);
  EXPECT_EQ(S.ReadStr(), "hey");
  EXPECT_EQ(S.ReadShortStr(), "ab");
  S.Seek(3, soCurrent);
  EXPECT_EQ(S.ReadStr(), "");
  EXPECT_THROW(S.ReadByte(), EReadError);

  // The long-string form is the one of PutStringToStream / GetStringFromStream.
  TzuMemoryStream P;
  PutStringToStream("shared", P);
  P.SetPosition(0);
  EXPECT_EQ(P.ReadStr(), "shared");
  P.Clear();
  P.WriteStr("back");
  P.SetPosition(0);
  EXPECT_EQ(GetStringFromStream(P), "back");

  // A short string longer than 255 bytes keeps its first 255 and stays readable.
  TzuMemoryStream L;
  L.WriteShortStr(std::string(300, 'x'));
  L.WriteByte(7);
  EXPECT_EQ(L.Size(), 1 + 255 + 1);
  L.SetPosition(0);
  EXPECT_EQ(L.ReadShortStr(), std::string(255, 'x'));
  EXPECT_EQ(L.ReadByte(), 7);
  L.SetPosition(0);
  L.WriteByte(200);  // announces more than there is
  L.SetSize(10);
  L.SetPosition(0);
  EXPECT_THROW(L.ReadShortStr(), EReadError);
}

TEST(ZuMemoryStream, FontRecord) {
  TFont F;
  F.SetName("Arial");
  F.SetSize(8);
  F.SetStyle({fsBold});
  F.SetColor(clBlack);
  TzuMemoryStream S;
  S.WriteFont(F);
  EXPECT_EQ(Bytes(S), std::string("\x05" "Arial\x08\0\0\0\x01\0\0\0\0", 15));

  TFont G;
  G.SetName("Courier New");
  G.SetSize(-12);
  G.SetStyle({fsItalic, fsUnderline, fsStrikeOut});
  G.SetColor(clWindowText);
  S.Clear();
  S.WriteFont(G);
  EXPECT_EQ(Bytes(S).substr(12, 5), std::string("\xF4\xFF\xFF\xFF\x0E", 5));
  S.SetPosition(0);
  TFont R;
  int Changes = 0;
  R.OnChange = [&](TObject*) { ++Changes; };
  S.ReadFont(R);
  EXPECT_TRUE(R.Equals(G));
  EXPECT_EQ(Changes, 1);

  // A cut record leaves the font as it was.
  S.SetSize(S.Size() - 1);
  S.SetPosition(0);
  TFont Cut;
  EXPECT_THROW(S.ReadFont(Cut), EReadError);
  EXPECT_EQ(Cut.Name(), TFont().Name());
  EXPECT_EQ(ByteToFontStyles(0xFF), (TFontStyles{fsBold, fsItalic, fsUnderline, fsStrikeOut}));
}

TEST(ZuFileStream, OpeningModes) {
  zutest::TempDir D;
  const std::string F = D.File("new.bin");
  {
    TzuFileStream S(F, false, false);
    EXPECT_EQ(S.Size(), 0);
    const int Fd = S.Handle();
    EXPECT_NE(::fcntl(Fd, F_GETFD) & FD_CLOEXEC, 0);
    S.WriteBuffer("hello", 5);
  }
  EXPECT_EQ(zutest::ReadFile(F), "hello");
  int Fd;
  {
    // Without Rewrite the content stays; writing starts at the beginning.
    TzuFileStream S(F, false, false);
    Fd = S.Handle();
    char Buf[2];
    S.ReadBuffer(Buf, 2);
    EXPECT_EQ(std::string(Buf, 2), "he");
    S.SetPosition(0);
    S.WriteBuffer("J", 1);
  }
  EXPECT_EQ(::fcntl(Fd, F_GETFD), -1) << "the descriptor is closed with the stream";
  EXPECT_EQ(zutest::ReadFile(F), "Jello");
  {
    TzuFileStream S(F, true, false);
    EXPECT_EQ(S.Size(), 0);
  }
  EXPECT_EQ(zutest::ReadFile(F), "");
  {
    TzuFileStream S(D.File("fresh"), true, false);
    S.WriteBuffer("x", 1);
  }
  EXPECT_EQ(zutest::ReadFile(D.File("fresh")), "x");

  const std::string Missing = D.File("no/such/dir/file");
  try {
    TzuFileStream S(Missing, false, false);
    FAIL();
  } catch (const EFCreateError& E) {
    EXPECT_EQ(E.Message(), "Cannot create file " + Missing);
  }
}

TEST(ZuFileStream, ForceAttributesOpensAndRestores) {
  zutest::TempDir D;
  const std::string F = D.File("locked.uTMP");
  zutest::WriteFile(F, "old");
  const TzuFileAttributes Locked{atrHidden, atrReadOnly, atrTemporary};
  ASSERT_TRUE(SetFileAttr(F, Locked));
  TzuFileAttributes Seen;
  ASSERT_TRUE(GetFileAttr(F, Seen));
  const TzuFileAttributes Before = Seen;  // what the file system keeps of them
  {
    TzuFileStream S(F, false, true);
    S.Seek(0, soEnd);
    S.WriteBuffer("+new", 4);
    // The handle stays writable after the attributes went back.
    ASSERT_TRUE(GetFileAttr(F, Seen));
    EXPECT_EQ(Seen, Before);
    S.WriteBuffer("!", 1);
  }
  EXPECT_EQ(zutest::ReadFile(F), "old+new!");
  ASSERT_TRUE(GetFileAttr(F, Seen));
  EXPECT_EQ(Seen, Before);
  struct stat St{};
  ASSERT_EQ(::stat(F.c_str(), &St), 0);
  EXPECT_EQ(St.st_mode & 0222, 0u);

  if (::geteuid() != 0) {
    // Without ForceAttributes a read-only file cannot be opened for writing.
    EXPECT_THROW(TzuFileStream(F, false, false), EFCreateError);
  }

  // A failed open gives the attributes back as well (a directory cannot be opened).
  const std::string Dir = D.File("dir");
  ASSERT_EQ(::mkdir(Dir.c_str(), 0755), 0);
  ASSERT_TRUE(SetFileAttr(Dir, {atrReadOnly}));
  EXPECT_THROW(TzuFileStream(Dir, false, true), EFCreateError);
  ASSERT_TRUE(GetFileAttr(Dir, Seen));
  EXPECT_EQ(Seen.count(atrReadOnly), 1u);
  SetFileAttr(Dir, {});

  // A missing file with ForceAttributes is simply created.
  { TzuFileStream S(D.File("plain"), true, true); }
  ASSERT_TRUE(GetFileAttr(D.File("plain"), Seen));
  EXPECT_EQ(Seen.count(atrReadOnly), 0u);
}
