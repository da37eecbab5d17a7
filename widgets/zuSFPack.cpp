#include "widgets/zuSFPack.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <vector>

namespace zu {

namespace {

inline std::uint16_t Rd16(const std::uint8_t* P) { return static_cast<std::uint16_t>(P[0] | (P[1] << 8)); }
inline std::uint32_t Rd32(const std::uint8_t* P) {
  return static_cast<std::uint32_t>(P[0]) | (static_cast<std::uint32_t>(P[1]) << 8) |
         (static_cast<std::uint32_t>(P[2]) << 16) | (static_cast<std::uint32_t>(P[3]) << 24);
}
inline void Wr16(std::uint8_t* P, std::uint32_t V) {
  P[0] = static_cast<std::uint8_t>(V);
  P[1] = static_cast<std::uint8_t>(V >> 8);
}
inline void Wr32(std::uint8_t* P, std::uint32_t V) {
  Wr16(P, V);
  Wr16(P + 2, V >> 16);
}

// End of the run of P[I] that starts at I, eight bytes at a time.
inline std::uint32_t RunEnd(const std::uint8_t* P, std::uint32_t I, std::uint32_t N) {
  const std::uint8_t V = P[I];
  std::uint32_t J = I + 1;
  if constexpr (std::endian::native == std::endian::little) {
    const std::uint64_t Pattern = 0x0101010101010101ull * V;
    while (J + 8 <= N) {
      std::uint64_t X;
      std::memcpy(&X, P + J, 8);
      if (const std::uint64_t D = X ^ Pattern) return J + static_cast<std::uint32_t>(std::countr_zero(D) >> 3);
      J += 8;
    }
  }
  while (J < N && P[J] == V) ++J;
  return J;
}

// C as one byte, or as 0 and a 16-bit word.
inline std::uint32_t PutCount(std::uint8_t* Out, std::uint32_t O, std::uint32_t C) {
  if (C < 256) {
    Out[O] = static_cast<std::uint8_t>(C);
    return O + 1;
  }
  Out[O] = 0;
  Wr16(Out + O + 1, C);
  return O + 3;
}

// Packs one piece (1 to 65533 bytes) into Out; returns the body length (at most N + 2).
std::uint32_t PackPiece(const std::uint8_t* P, std::uint32_t N, std::uint8_t* Out) {
  bool Seen[256] = {};
  unsigned Distinct = 0;
  // Stepping over whole runs keeps this pass cheap on the run-heavy data SFP is made for.
  for (std::uint32_t I = 0; I < N && Distinct < 256; I = RunEnd(P, I, N))
    if (!Seen[P[I]]) {
      Seen[P[I]] = true;
      ++Distinct;
    }
  std::uint32_t O = 2;
  std::uint32_t I = 0;
  if (Distinct < 256) {
    unsigned E = 0;
    while (Seen[E]) ++E;
    Wr16(Out, E);
    while (I < N) {
      const std::uint8_t V = P[I];
      if (I + 3 < N && P[I + 1] == V && P[I + 2] == V && P[I + 3] == V) {
        const std::uint32_t J = RunEnd(P, I, N);
        Out[O++] = static_cast<std::uint8_t>(E);
        Out[O++] = V;
        O = PutCount(Out, O, J - I - 1);
        I = J;
      } else {
        Out[O++] = V;
        ++I;
      }
    }
    return O;
  }
  // Every run is at least five bytes long, so a piece holds at most N / 5 of them.
  std::uint16_t Positions[SFPieceSize / 5 + 1];
  std::uint32_t Runs = 0;
  while (I < N) {
    const std::uint8_t V = P[I];
    Out[O++] = V;
    if (I + 4 < N && P[I + 1] == V && P[I + 2] == V && P[I + 3] == V && P[I + 4] == V) {
      const std::uint32_t J = RunEnd(P, I, N);
      Positions[Runs++] = static_cast<std::uint16_t>(O);
      O = PutCount(Out, O, J - I - 1);
      I = J;
    } else {
      ++I;
    }
  }
  Wr16(Out, O);
  while (Runs > 0) {
    Wr16(Out + O, Positions[--Runs]);
    O += 2;
  }
  return O;
}

// Unpacks one body into Out (Room bytes); returns the bytes written.
std::size_t UnpackBody(const std::uint8_t* Body, std::size_t B, std::uint8_t* Out, std::size_t Room) {
  if (B < 2) throw ESFPackError("block body too short");
  // A block never stands for more than one piece.
  const std::size_t Limit = std::min<std::size_t>(Room, SFPieceSize);
  std::size_t O = 0;
  auto Fill = [&](std::uint8_t V, std::size_t Count) {
    if (Count > Limit - O) throw ESFPackError("run outside the output");
    std::memset(Out + O, V, Count);
    O += Count;
  };
  auto Copy = [&](const std::uint8_t* From, std::size_t Count) {
    if (Count == 0) return;
    if (Count > Limit - O) throw ESFPackError("literals outside the output");
    std::memcpy(Out + O, From, Count);
    O += Count;
  };
  const std::uint16_t W = Rd16(Body);
  std::size_t I = 2;
  if (W < 256) {
    const auto E = static_cast<std::uint8_t>(W);
    while (I < B) {
      const void* Hit = std::memchr(Body + I, E, B - I);
      const std::size_t Next = Hit ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(Hit) - Body) : B;
      Copy(Body + I, Next - I);
      I = Next;
      if (I == B) break;
      if (B - I < 3) throw ESFPackError("run token cut off");
      const std::uint8_t V = Body[I + 1];
      std::size_t C = Body[I + 2];
      I += 3;
      if (C == 0) {
        if (B - I < 2) throw ESFPackError("run token cut off");
        C = Rd16(Body + I);
        I += 2;
      }
      Fill(V, C + 1);
    }
    return O;
  }
  if (W > B || (B - W) % 2 != 0) throw ESFPackError("position table outside the block");
  for (std::size_t T = B; T > W; T -= 2) {
    const std::size_t P = Rd16(Body + T - 2);
    if (P <= I || P >= W) throw ESFPackError("run position outside the token stream");
    Copy(Body + I, P - 1 - I);
    const std::uint8_t V = Body[P - 1];
    std::size_t C = Body[P];
    I = P + 1;
    if (C == 0) {
      if (W - I < 2) throw ESFPackError("run token cut off");
      C = Rd16(Body + I);
      I += 2;
    }
    Fill(V, C + 1);
  }
  Copy(Body + I, W - I);
  return O;
}

// The most Count bytes of blocks can stand for: a block that writes anything takes at least
// five bytes and writes at most one piece. A larger N is damaged and is never allocated.
std::size_t MaxUnpacked(std::size_t Count) { return Count / 5 * SFPieceSize; }

std::uint32_t CheckedCount(std::size_t Size) {
  if (Size > std::numeric_limits<std::uint32_t>::max() - 1024 * 1024)
    throw EWriteError("Data too large for SFP packing");
  return static_cast<std::uint32_t>(Size);
}

// Unpacks blocks announced to stand for N bytes; anything else is damaged.
void UnpackExactly(const std::uint8_t* Blocks, std::size_t Count, std::uint32_t N, std::uint8_t* Dest) {
  if (N > MaxUnpacked(Count)) throw ESFPackError("unpacked length larger than the blocks can hold");
  if (SFUnpack(Blocks, Dest, Count, N) != N) throw ESFPackError("unpacked length differs from the one announced");
}

std::vector<std::uint8_t> Pack(const std::uint8_t* Data, std::size_t Size) {
  const std::uint32_t Count = CheckedCount(Size);
  std::vector<std::uint8_t> Out(SFCalcTargetSz(Count));
  Out.resize(SFPack(Data, Out.data(), Count));
  return Out;
}

bool ReadWholeFile(const std::string& Name, TMemoryStream& Into) {
  try {
    TFileStream In(Name, fmOpenRead);
    Into.LoadFromStream(In);
  } catch (const EFOpenError&) {
    return false;
  }
  return true;
}

bool WriteWholeFile(const std::string& Name, const std::uint8_t* Data, std::size_t Size) {
  std::unique_ptr<TFileStream> Out;
  try {
    Out = std::make_unique<TFileStream>(Name, fmCreate);
  } catch (const EFCreateError&) {
    return false;
  }
  Out->WriteBuffer(Data, static_cast<std::int64_t>(Size));
  return true;
}

}  // namespace

std::size_t SFCalcTargetSz(std::uint32_t Count) {
  const std::size_t Pieces = std::max<std::size_t>(1, (std::size_t{Count} + SFPieceSize - 1) / SFPieceSize);
  return std::max<std::size_t>(Count, 255) + 4 + 4 * Pieces;
}

std::uint32_t SFPack(const void* Source, void* Dest, std::uint32_t Count) {
  const auto* Src = static_cast<const std::uint8_t*>(Source);
  auto* Out = static_cast<std::uint8_t*>(Dest);
  Wr32(Out, Count);
  std::uint32_t O = 4;
  for (std::uint32_t Done = 0; Done < Count;) {
    const std::uint32_t N = std::min(SFPieceSize, Count - Done);
    const std::uint32_t B = PackPiece(Src + Done, N, Out + O + 2);
    Wr16(Out + O, B);
    O += 2 + B;
    Done += N;
  }
  return O;
}

std::size_t SFUnpack(const void* Source, void* Dest, std::size_t Count, std::size_t DestSize) {
  const auto* Src = static_cast<const std::uint8_t*>(Source);
  auto* Out = static_cast<std::uint8_t*>(Dest);
  std::size_t I = 0, O = 0;
  while (I < Count) {
    if (Count - I < 2) throw ESFPackError("block length cut off");
    const std::size_t B = Rd16(Src + I);
    I += 2;
    if (B > Count - I) throw ESFPackError("block outside the data");
    O += UnpackBody(Src + I, B, Out + O, DestSize - O);
    I += B;
  }
  return O;
}

std::string SFPackStr(const std::string& S) {
  const std::vector<std::uint8_t> P = Pack(reinterpret_cast<const std::uint8_t*>(S.data()), S.size());
  return std::string(reinterpret_cast<const char*>(P.data()), P.size());
}

std::string SFUnpackStr(const std::string& S) {
  if (S.size() < 4) throw ESFPackError("length cut off");
  const auto* P = reinterpret_cast<const std::uint8_t*>(S.data());
  const std::uint32_t N = Rd32(P);
  if (N > MaxUnpacked(S.size() - 4)) throw ESFPackError("unpacked length larger than the blocks can hold");
  std::string Result(N, '\0');
  UnpackExactly(P + 4, S.size() - 4, N, reinterpret_cast<std::uint8_t*>(Result.data()));
  return Result;
}

bool SFPackFile(const std::string& SourceName, const std::string& DestName) {
  TMemoryStream In;
  if (!ReadWholeFile(SourceName, In)) return false;
  const std::vector<std::uint8_t> P = Pack(In.Memory(), static_cast<std::size_t>(In.Size()));
  return WriteWholeFile(DestName, P.data(), P.size());
}

bool SFUnpackFile(const std::string& SourceName, const std::string& DestName) {
  TMemoryStream In;
  if (!ReadWholeFile(SourceName, In)) return false;
  const auto Size = static_cast<std::size_t>(In.Size());
  if (Size < 4) throw ESFPackError("length cut off");
  const std::uint32_t N = Rd32(In.Memory());
  if (N > MaxUnpacked(Size - 4)) throw ESFPackError("unpacked length larger than the blocks can hold");
  std::vector<std::uint8_t> Out(N);
  UnpackExactly(In.Memory() + 4, Size - 4, N, Out.data());
  return WriteWholeFile(DestName, Out.data(), Out.size());
}

void SFPackStream(TMemoryStream& Source, TStream& Dest) {
  const std::uint32_t Count = CheckedCount(static_cast<std::size_t>(Source.Size()));
  std::vector<std::uint8_t> Out(4 + SFCalcTargetSz(Count));
  const std::uint32_t L = SFPack(Source.Memory(), Out.data() + 4, Count);
  Wr32(Out.data(), L);
  Dest.WriteBuffer(Out.data(), std::int64_t{L} + 4);
}

std::unique_ptr<TzuMemoryStream> SFUnpackStream(TStream& Source) {
  std::uint8_t Head[8];
  Source.ReadBuffer(Head, 4);
  const std::uint32_t L = Rd32(Head);
  const std::int64_t Left = Source.Size() - Source.Position();
  if (L < 4 || std::int64_t{L} > Left) throw ESFPackError("packed length outside the stream");
  Source.ReadBuffer(Head + 4, 4);
  const std::uint32_t N = Rd32(Head + 4);
  const std::size_t Count = L - 4;
  if (N > MaxUnpacked(Count)) throw ESFPackError("unpacked length larger than the blocks can hold");
  auto Result = std::make_unique<TzuMemoryStream>();
  Result->SetSize(N);
  if (auto* M = dynamic_cast<TMemoryStream*>(&Source)) {
    UnpackExactly(M->Memory() + M->Position(), Count, N, Result->Memory());
    M->Seek(static_cast<std::int64_t>(Count), soCurrent);
  } else {
    std::vector<std::uint8_t> Blocks(Count);
    Source.ReadBuffer(Blocks.data(), static_cast<std::int64_t>(Count));
    UnpackExactly(Blocks.data(), Count, N, Result->Memory());
  }
  Result->SetPosition(0);
  return Result;
}

void TzuSFPackMemoryStream::Compress() {
  const std::vector<std::uint8_t> P = Pack(Memory(), static_cast<std::size_t>(Size()));
  SetSize(static_cast<std::int64_t>(P.size()));
  std::memcpy(Memory(), P.data(), P.size());
  SetPosition(0);
}

void TzuSFPackMemoryStream::Uncompress() {
  const auto Packed = static_cast<std::size_t>(Size());
  if (Packed < 4) throw ESFPackError("length cut off");
  const std::uint32_t N = Rd32(Memory());
  if (N > MaxUnpacked(Packed - 4)) throw ESFPackError("unpacked length larger than the blocks can hold");
  std::vector<std::uint8_t> Out(N);
  UnpackExactly(Memory() + 4, Packed - 4, N, Out.data());
  SetSize(N);
  if (N != 0) std::memcpy(Memory(), Out.data(), N);
  SetPosition(0);
}

}  // namespace zu
