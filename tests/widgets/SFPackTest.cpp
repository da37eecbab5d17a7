// SFP packing: the byte layout of both forms, block cutting, round trips, damaged data, the
// string/file/stream variants, and the pictures and icons that store themselves as "SFP".
#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "platform/framework/FormData.h"
#include "widgets/zuGraphics.h"
#include "widgets/zuPropImage.h"
#include "widgets/zuSFPack.h"

using namespace zu;

namespace {

std::string B(std::initializer_list<int> Bytes) {
  std::string S;
  for (int V : Bytes) S += static_cast<char>(V);
  return S;
}

std::string Repeat(char C, size_t N) { return std::string(N, C); }

std::string AllValues() {
  std::string S;
  for (int V = 0; V < 256; ++V) S += static_cast<char>(V);
  return S;
}

std::string Random(size_t N, unsigned Seed) {
  std::mt19937 Gen(Seed);
  std::string S(N, '\0');
  for (char& C : S) C = static_cast<char>(Gen());
  return S;
}

// Runs of random length (1 to 700) of few values, now and then a random stretch: the shape of
// icon and metafile pixel data.
std::string RunHeavy(size_t N, unsigned Seed) {
  std::mt19937 Gen(Seed);
  std::string S;
  while (S.size() < N) {
    if (Gen() % 8 == 0) {
      for (unsigned I = Gen() % 40; I > 0; --I) S += static_cast<char>(Gen());
    } else {
      S.append(1 + Gen() % 700, static_cast<char>("\x00\xFF\x80\x01"[Gen() % 4]));
    }
  }
  S.resize(N);
  return S;
}

// The block lengths of a packed stream.
std::vector<size_t> BlockLengths(const std::string& Packed) {
  std::vector<size_t> R;
  for (size_t I = 4; I + 2 <= Packed.size();) {
    const size_t Len = static_cast<uint8_t>(Packed[I]) | (static_cast<uint8_t>(Packed[I + 1]) << 8);
    R.push_back(Len);
    I += 2 + Len;
  }
  return R;
}

std::string Bytes(TMemoryStream& S) {
  return std::string(reinterpret_cast<const char*>(S.Memory()), static_cast<size_t>(S.Size()));
}

std::string MakeIconFile(int Size) {
  QImage Img(Size, Size, QImage::Format_ARGB32);
  Img.fill(Qt::transparent);
  QPainter P(&Img);
  P.setBrush(QColor(0, 90, 200));
  P.setPen(Qt::NoPen);
  P.drawEllipse(2, 2, Size - 4, Size - 4);
  P.setBrush(Qt::white);
  P.drawRect(Size / 2 - 2, Size / 4, 4, Size / 2);
  P.end();
  TIcon Icon;
  Icon.SetImage(Img);
  TMemoryStream S;
  Icon.SaveToStream(S);
  return Bytes(S);
}

QPicture MakeRecording() {
  QPicture Rec;
  QPainter P(&Rec);
  P.setPen(QPen(Qt::darkGreen, 3));
  P.drawLine(0, 0, 60, 40);
  P.drawRect(0, 0, 60, 40);
  P.end();
  return Rec;
}

}  // namespace

// ---------- the byte layout ----------

TEST(SFPack, EscapeFormBytes) {
  EXPECT_EQ(SFPackStr(""), B({0, 0, 0, 0}));
  EXPECT_EQ(SFPackStr("a"), B({1, 0, 0, 0, 3, 0, 0, 0, 0x61}));
  EXPECT_EQ(SFPackStr("aaaa"), B({4, 0, 0, 0, 5, 0, 0, 0, 0, 0x61, 3}));
  EXPECT_EQ(SFPackStr("aaa"), B({3, 0, 0, 0, 5, 0, 0, 0, 0x61, 0x61, 0x61}));
  // 300 equal bytes: the long token E, V, 0, C (16 bits).
  EXPECT_EQ(SFPackStr(Repeat('x', 300)), B({0x2C, 1, 0, 0, 7, 0, 0, 0, 0, 'x', 0, 0x2B, 1}));
  // The escape byte is the lowest absent value; literals equal to other values stay as they are.
  EXPECT_EQ(SFPackStr(B({0, 1, 3, 3, 3, 3, 3})), B({7, 0, 0, 0, 7, 0, 2, 0, 0, 1, 2, 3, 4}));
  // A run of 256 needs 16 bits (C = 255 still fits one byte).
  EXPECT_EQ(SFPackStr(Repeat('z', 256)), B({0, 1, 0, 0, 5, 0, 0, 0, 0, 'z', 255}));
  EXPECT_EQ(SFPackStr(Repeat('z', 257)), B({1, 1, 0, 0, 7, 0, 0, 0, 0, 'z', 0, 0, 1}));
}

TEST(SFPack, TableFormBytes) {
  // All 256 values occur: a run of five becomes V, 4 with one table entry; a run of four stays.
  const std::string In = AllValues() + Repeat('A', 5) + Repeat('B', 4);
  std::string Want = B({0x09, 0x01, 0, 0, 0x0A, 0x01, 0x08, 0x01}) + AllValues() + B({'A', 4}) + Repeat('B', 4) +
                     B({0x03, 0x01});
  EXPECT_EQ(SFPackStr(In), Want);
  EXPECT_EQ(SFUnpackStr(Want), In);

  // Two runs, one long: the table holds the last run first.
  const std::string In2 = Repeat('C', 6) + AllValues() + Repeat('D', 300);
  const std::string P2 = SFPackStr(In2);
  // Body: W, 'C' 5, 256 literals, 'D' 0 2B 01, then the entries 261 and 3.
  const std::string Body = B({0x08, 0x01, 'C', 5}) + AllValues() + B({'D', 0, 0x2B, 0x01}) + B({0x05, 0x01, 3, 0});
  EXPECT_EQ(P2.substr(4), B({static_cast<int>(Body.size() & 0xFF), static_cast<int>(Body.size() >> 8)}) + Body);
  EXPECT_EQ(SFUnpackStr(P2), In2);
}

TEST(SFPack, PiecesOf65533BytesAndTheTargetSize) {
  EXPECT_EQ(BlockLengths(SFPackStr(Random(65533, 1))).size(), 1u);
  const std::string Two = SFPackStr(Repeat('q', 65534));
  const std::vector<size_t> L = BlockLengths(Two);
  ASSERT_EQ(L.size(), 2u);
  EXPECT_EQ(L[1], 3u);  // W and the one literal
  EXPECT_EQ(Two.substr(Two.size() - 5), B({3, 0, 0, 0, 'q'}));

  EXPECT_EQ(SFCalcTargetSz(0), 255u + 4 + 4);
  EXPECT_EQ(SFCalcTargetSz(100), 255u + 4 + 4);
  EXPECT_EQ(SFCalcTargetSz(65533), 65533u + 4 + 4);
  EXPECT_EQ(SFCalcTargetSz(65534), 65534u + 4 + 8);
  EXPECT_EQ(SFCalcTargetSz(3 * 65533 + 1), 3u * 65533 + 1 + 4 + 16);
}

TEST(SFPack, RoundTripsRandomAndRunHeavyData) {
  const size_t Sizes[] = {1, 2, 5, 255, 256, 1000, 65532, 65533, 65534, 65533 * 2, 300000};
  for (size_t N : Sizes) {
    for (unsigned Seed : {1u, 2u}) {
      for (const std::string& In : {Random(N, Seed), RunHeavy(N, Seed)}) {
        const std::string P = SFPackStr(In);
        ASSERT_LE(P.size(), SFCalcTargetSz(static_cast<uint32_t>(N))) << N;
        ASSERT_EQ(SFUnpackStr(P), In) << N;
      }
    }
  }
  // Runs pay off: run-heavy data shrinks to a small part, random data grows by a few bytes.
  EXPECT_LT(SFPackStr(RunHeavy(300000, 3)).size(), 300000u / 5);
  EXPECT_LE(SFPackStr(Random(300000, 3)).size(), 300000u + 4 + 4 * 5);
  // Runs that cross a piece border are cut there.
  const std::string Long = Repeat('r', 200000);
  EXPECT_EQ(SFUnpackStr(SFPackStr(Long)), Long);
  EXPECT_EQ(BlockLengths(SFPackStr(Long)), (std::vector<size_t>{7, 7, 7, 7}));
}

// ---------- damaged data ----------

TEST(SFUnpack, RejectsDamagedData) {
  const std::string Good = SFPackStr("hello aaaaaaaa world");
  struct TCase {
    const char* What;
    std::string Data;
  };
  const std::string Table = SFPackStr(AllValues() + Repeat('A', 5));
  const TCase Cases[] = {
      {"no length", B({1, 0})},
      {"length cut off", Good.substr(0, 5)},
      {"block longer than the data", Good.substr(0, Good.size() - 1)},
      {"N larger than unpacked", B({9, 0, 0, 0}) + Good.substr(4)},
      {"N smaller than unpacked", B({5, 0, 0, 0}) + Good.substr(4)},
      {"N beyond what blocks hold", B({0xFF, 0xFF, 0xFF, 0x7F, 3, 0, 0, 0, 'a'})},
      {"escape token cut off", B({4, 0, 0, 0, 4, 0, 0, 0, 0, 'a'})},
      {"long count cut off", B({4, 0, 0, 0, 5, 0, 0, 0, 0, 'a', 0})},
      {"body without W", B({1, 0, 0, 0, 1, 0, 7})},
      {"table beyond the body", B({1, 0, 0, 0, 3, 0, 0x10, 0x01, 'a'})},
      {"table of odd length", B({0, 1, 0, 0, 3, 1, 2, 1}) + AllValues() + "x"},
      {"position at W", Table.substr(0, Table.size() - 2) + B({0x04, 0x01})},
      {"position inside W", Table.substr(0, Table.size() - 2) + B({0x02, 0x00})},
  };
  for (const auto& C : Cases) EXPECT_THROW(SFUnpackStr(C.Data), ESFPackError) << C.What;
  EXPECT_NO_THROW(SFUnpackStr(Table));
  // One block never stands for more than one piece, whatever room there is.
  const std::string Huge = B({7, 0, 0, 0, 0, 'a', 0, 0xFF, 0xFF});
  std::vector<uint8_t> Room(70000);
  EXPECT_THROW(SFUnpack(Huge.data(), Room.data(), Huge.size(), Room.size()), ESFPackError);
}

TEST(SFUnpack, NeverWritesPastTheRoomItIsGiven) {
  const std::string P = SFPackStr(Repeat('w', 1000) + "tail");
  std::vector<uint8_t> Out(1004 + 16, 0xEE);
  EXPECT_THROW(SFUnpack(P.data() + 4, Out.data(), P.size() - 4, 1003), ESFPackError);
  for (size_t I = 1003; I < Out.size(); ++I) ASSERT_EQ(Out[I], 0xEE) << I;
  EXPECT_EQ(SFUnpack(P.data() + 4, Out.data(), P.size() - 4, 1004), 1004u);

  // Every single-byte change of valid data either unpacks to N bytes or is rejected.
  const std::string Good = SFPackStr(RunHeavy(3000, 7));
  for (size_t I = 0; I < Good.size(); I += 3) {
    for (int Delta : {1, 0x80}) {
      std::string Bad = Good;
      Bad[I] = static_cast<char>(Bad[I] + Delta);
      try {
        const std::string U = SFUnpackStr(Bad);
        const uint32_t N = static_cast<uint8_t>(Bad[0]) | (static_cast<uint8_t>(Bad[1]) << 8) |
                           (static_cast<uint8_t>(Bad[2]) << 16) | (static_cast<uint32_t>(static_cast<uint8_t>(Bad[3])) << 24);
        ASSERT_EQ(U.size(), N);
      } catch (const ESFPackError&) {
      }
    }
  }
}

// ---------- files, streams, the packing memory stream ----------

TEST(SFPackFile, PacksAndUnpacksFiles) {
  zutest::TempDir D;
  const std::string Data = RunHeavy(150000, 4);
  zutest::WriteFile(D.File("plain"), Data);
  ASSERT_TRUE(SFPackFile(D.File("plain"), D.File("packed")));
  EXPECT_EQ(zutest::ReadFile(D.File("packed")), SFPackStr(Data));
  ASSERT_TRUE(SFUnpackFile(D.File("packed"), D.File("back")));
  EXPECT_EQ(zutest::ReadFile(D.File("back")), Data);

  EXPECT_FALSE(SFPackFile(D.File("missing"), D.File("x")));
  EXPECT_FALSE(SFUnpackFile(D.File("missing"), D.File("x")));
  EXPECT_FALSE(SFPackFile(D.File("plain"), D.File("no/such/dir")));
  // Damaged packed data creates no destination.
  zutest::WriteFile(D.File("bad"), B({50, 0, 0, 0, 3, 0, 0, 0, 'a'}));
  EXPECT_THROW(SFUnpackFile(D.File("bad"), D.File("out")), ESFPackError);
  EXPECT_FALSE(std::filesystem::exists(D.File("out")));
}

TEST(SFPackStream, WritesLengthThenPackedStreamAndReadsEntriesInTurn) {
  TMemoryStream A, Bs;
  A.WriteBuffer("aaaaaaaaaa-first", 16);
  Bs.WriteBuffer("second", 6);
  Bs.SetPosition(3);  // packing takes the whole content, whatever the position
  TMemoryStream Out;
  Out.WriteBuffer("#", 1);
  SFPackStream(A, Out);
  SFPackStream(Bs, Out);
  const std::string All = Bytes(Out);
  const std::string PA = SFPackStr("aaaaaaaaaa-first"), PB = SFPackStr("second");
  EXPECT_EQ(All, "#" + B({static_cast<int>(PA.size()), 0, 0, 0}) + PA + B({static_cast<int>(PB.size()), 0, 0, 0}) + PB);

  Out.SetPosition(1);
  auto U1 = SFUnpackStream(Out);
  EXPECT_EQ(Bytes(*U1), "aaaaaaaaaa-first");
  EXPECT_EQ(U1->Position(), 0);
  EXPECT_EQ(Out.Position(), static_cast<int64_t>(1 + 4 + PA.size()));
  auto U2 = SFUnpackStream(Out);
  EXPECT_EQ(Bytes(*U2), "second");
  EXPECT_EQ(Out.Position(), Out.Size());

  // A stream that is no memory stream is read through a buffer.
  zutest::TempDir D;
  zutest::WriteFile(D.File("f"), All.substr(1));
  TFileStream F(D.File("f"), fmOpenRead);
  EXPECT_EQ(Bytes(*SFUnpackStream(F)), "aaaaaaaaaa-first");
  EXPECT_EQ(Bytes(*SFUnpackStream(F)), "second");

  // L beyond the stream, or too short to hold N.
  TMemoryStream Bad;
  Bad.WriteBuffer(B({0x40, 0, 0, 0, 1, 0, 0, 0}).data(), 8);
  Bad.SetPosition(0);
  EXPECT_THROW(SFUnpackStream(Bad), ESFPackError);
  TMemoryStream Short;
  Short.WriteBuffer(B({2, 0, 0, 0, 1, 0}).data(), 6);
  Short.SetPosition(0);
  EXPECT_THROW(SFUnpackStream(Short), ESFPackError);
}

TEST(TzuSFPackMemoryStream, CompressAndUncompress) {
  TzuSFPackMemoryStream S;
  const std::string Data = RunHeavy(100000, 5);
  S.WriteBuffer(Data.data(), static_cast<int64_t>(Data.size()));
  S.Compress();
  EXPECT_EQ(Bytes(S), SFPackStr(Data));
  EXPECT_EQ(S.Position(), 0);
  S.Uncompress();
  EXPECT_EQ(Bytes(S), Data);
}

// ---------- stored pictures ----------

TEST(TzuPicture, IconsAndMetafilesAreStoredAsSFP) {
  const std::string IconFile = MakeIconFile(32);
  TzuPicture P;
  auto Icon = std::make_unique<TIcon>();
  TMemoryStream In;
  In.WriteBuffer(IconFile.data(), static_cast<int64_t>(IconFile.size()));
  In.SetPosition(0);
  Icon->LoadFromStream(In);
  P.SetGraphic(std::move(Icon));

  TMemoryStream S;
  P.WriteSFPData(S);
  // L, then an SFP stream of the kind byte and the icon file.
  const std::string Written = Bytes(S);
  EXPECT_EQ(Written.substr(4), SFPackStr('\0' + IconFile));
  EXPECT_EQ(Written.substr(0, 4), B({static_cast<int>((Written.size() - 4) & 0xFF),
                                     static_cast<int>((Written.size() - 4) >> 8), 0, 0}));
  EXPECT_LT(Written.size(), IconFile.size());  // icons are mostly runs

  TzuPicture Q;
  int Changes = 0;
  Q.OnChange = [&](TObject*) { ++Changes; };
  S.SetPosition(0);
  Q.ReadSFPData(S);
  ASSERT_NE(dynamic_cast<TIcon*>(Q.Graphic()), nullptr);
  EXPECT_EQ(Q.Width(), 32);
  EXPECT_EQ(Changes, 1);
  TMemoryStream Again;
  Q.WriteSFPData(Again);
  EXPECT_EQ(Bytes(Again), Written);  // read and written back byte for byte

  // A metafile: kind 1.
  auto Meta = std::make_unique<TMetafile>();
  Meta->SetRecording(MakeRecording());
  P.SetGraphic(std::move(Meta));
  TMemoryStream M;
  P.WriteSFPData(M);
  M.SetPosition(0);
  EXPECT_EQ(SFUnpackStream(M)->Memory()[0], 1);
  M.SetPosition(0);
  Q.ReadSFPData(M);
  ASSERT_NE(dynamic_cast<TMetafile*>(Q.Graphic()), nullptr);
  EXPECT_EQ(Q.Width(), P.Width());
  EXPECT_GT(Q.Width(), 0);
}

TEST(TzuPicture, KindsAndDamagedGraphics) {
  auto Stored = [](const std::string& Unpacked) {
    TMemoryStream S;
    TMemoryStream U;
    U.WriteBuffer(Unpacked.data(), static_cast<int64_t>(Unpacked.size()));
    SFPackStream(U, S);
    S.SetPosition(0);
    return Bytes(S);
  };
  auto Read = [](TzuPicture& P, const std::string& Data) {
    TMemoryStream S;
    S.WriteBuffer(Data.data(), static_cast<int64_t>(Data.size()));
    S.SetPosition(0);
    P.ReadSFPData(S);
  };
  TzuPicture P;
  Read(P, Stored('\0' + MakeIconFile(16)));
  ASSERT_NE(P.Graphic(), nullptr);
  // A damaged icon image raises its loader's error; the picture keeps what it had.
  EXPECT_THROW(Read(P, Stored(std::string("\0not an icon", 12))), EInvalidGraphic);
  EXPECT_EQ(P.Width(), 16);
  EXPECT_THROW(Read(P, Stored("\x01garbage")), EInvalidGraphic);
  // Damaged packing raises before anything is replaced.
  EXPECT_THROW(Read(P, B({9, 0, 0, 0, 50, 0, 0, 0, 3, 0, 0, 0, 'x'})), ESFPackError);
  EXPECT_EQ(P.Width(), 16);
  // Any other kind: no graphic.
  Read(P, Stored("\x07rest"));
  EXPECT_EQ(P.Graphic(), nullptr);
}

TEST(TzuPicture, FormDataHoldsSFPForIconsAndDataForOtherGraphics) {
  const std::string IconFile = MakeIconFile(32);
  TzuProportionalImage Img(nullptr);
  Img.SetName("Image1");
  TzuIcon Icon;
  TMemoryStream In;
  In.WriteBuffer(IconFile.data(), static_cast<int64_t>(IconFile.size()));
  In.SetPosition(0);
  Icon.LoadFromStream(In);
  Img.Picture()->Assign(&Icon);

  const std::string Json = WriteComponentToJson(Img);
  const QJsonObject Pic =
      QJsonDocument::fromJson(QByteArray::fromStdString(Json)).object()["properties"].toObject()["Picture"].toObject();
  const QJsonObject Bin = Pic["binary"].toObject();
  ASSERT_TRUE(Bin.contains("SFP")) << Json;
  EXPECT_FALSE(Bin.contains("Data"));
  const QByteArray Sfp = QByteArray::fromBase64(Bin["SFP"].toString().toLatin1());
  EXPECT_EQ(Sfp.toStdString().substr(4), SFPackStr('\0' + IconFile));

  TzuProportionalImage Back(nullptr);
  ReadComponentFromJson(Back, Json);
  ASSERT_NE(dynamic_cast<TIcon*>(Back.Picture()->Graphic()), nullptr);
  EXPECT_EQ(Back.Picture()->Width(), 32);

  // A bitmap goes to the standard "Data": its class name, then its own file image.
  auto Bmp = std::make_unique<TBitmap>();
  Bmp->SetSize(3, 2);
  Img.Picture()->SetGraphic(std::move(Bmp));
  const std::string Json2 = WriteComponentToJson(Img);
  const QJsonObject Bin2 = QJsonDocument::fromJson(QByteArray::fromStdString(Json2))
                               .object()["properties"].toObject()["Picture"].toObject()["binary"].toObject();
  EXPECT_FALSE(Bin2.contains("SFP"));
  ASSERT_TRUE(Bin2.contains("Data"));
  EXPECT_TRUE(QByteArray::fromBase64(Bin2["Data"].toString().toLatin1()).startsWith("\x07TBitmap\x89PNG"));
  TzuProportionalImage Back2(nullptr);
  ReadComponentFromJson(Back2, Json2);
  ASSERT_NE(dynamic_cast<TBitmap*>(Back2.Picture()->Graphic()), nullptr);
  EXPECT_EQ(Back2.Picture()->Width(), 3);
}

TEST(TzuIcon, StoresItsIconFileAsSFPWithoutKindByte) {
  const std::string IconFile = MakeIconFile(24);
  TzuIcon Icon;
  TMemoryStream In;
  In.WriteBuffer(IconFile.data(), static_cast<int64_t>(IconFile.size()));
  In.SetPosition(0);
  Icon.LoadFromStream(In);
  TMemoryStream S;
  Icon.WriteSFPData(S);
  EXPECT_EQ(Bytes(S).substr(4), SFPackStr(IconFile));
  TzuIcon Back;
  S.SetPosition(0);
  Back.ReadSFPData(S);
  EXPECT_EQ(Back.Width(), 24);
  TMemoryStream Saved;
  Back.SaveToStream(Saved);
  EXPECT_EQ(Bytes(Saved), IconFile);
}
