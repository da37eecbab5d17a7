#include "support/zuStreams.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

#include "platform/framework/Exceptions.h"
#include "support/zuUtils.h"

namespace zu {

std::uint8_t FontStylesToByte(const TFontStyles& Styles) {
  std::uint8_t B = 0;
  for (const TFontStyle S : Styles) B |= static_cast<std::uint8_t>(1u << static_cast<unsigned>(S));
  return B;
}

TFontStyles ByteToFontStyles(std::uint8_t Bits) {
  TFontStyles R;
  for (const TFontStyle S : {fsBold, fsItalic, fsUnderline, fsStrikeOut})
    if (Bits & (1u << static_cast<unsigned>(S))) R.insert(S);
  return R;
}

// ---------- TzuMemoryStream ----------

void TzuMemoryStream::WriteChar(char C) { WriteBuffer(&C, 1); }

char TzuMemoryStream::ReadChar() {
  char C;
  ReadBuffer(&C, 1);
  return C;
}

void TzuMemoryStream::WriteByte(std::uint8_t B) { WriteBuffer(&B, 1); }

std::uint8_t TzuMemoryStream::ReadByte() {
  std::uint8_t B;
  ReadBuffer(&B, 1);
  return B;
}

void TzuMemoryStream::WriteWord(std::uint16_t W) {
  const std::uint8_t B[2] = {static_cast<std::uint8_t>(W), static_cast<std::uint8_t>(W >> 8)};
  WriteBuffer(B, 2);
}

std::uint16_t TzuMemoryStream::ReadWord() {
  std::uint8_t B[2];
  ReadBuffer(B, 2);
  return static_cast<std::uint16_t>(B[0] | (B[1] << 8));
}

void TzuMemoryStream::WriteInt(std::int32_t I) {
  const auto U = static_cast<std::uint32_t>(I);
  const std::uint8_t B[4] = {static_cast<std::uint8_t>(U), static_cast<std::uint8_t>(U >> 8),
                             static_cast<std::uint8_t>(U >> 16), static_cast<std::uint8_t>(U >> 24)};
  WriteBuffer(B, 4);
}

std::int32_t TzuMemoryStream::ReadInt() {
  std::uint8_t B[4];
  ReadBuffer(B, 4);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(B[0]) | (static_cast<std::uint32_t>(B[1]) << 8) |
                                   (static_cast<std::uint32_t>(B[2]) << 16) |
                                   (static_cast<std::uint32_t>(B[3]) << 24));
}

void TzuMemoryStream::WriteStr(const std::string& S) { PutStringToStream(S, *this); }

std::string TzuMemoryStream::ReadStr() { return GetStringFromStream(*this); }

void TzuMemoryStream::WriteShortStr(const std::string& S) {
  const auto N = static_cast<std::uint8_t>(std::min<size_t>(S.size(), 255));
  WriteByte(N);
  WriteBuffer(S.data(), N);
}

std::string TzuMemoryStream::ReadShortStr() {
  const std::uint8_t N = ReadByte();
  std::string S(N, '\0');
  ReadBuffer(S.data(), N);
  return S;
}

void TzuMemoryStream::WritePlainStr(const std::string& S) {
  WriteBuffer(S.data(), static_cast<std::int64_t>(S.size()));
}

// ---------- TzuFileStream ----------

TzuFileStream::TzuFileStream(const std::string& FileName, bool Rewrite, bool ForceAttributes)
    : THandleStream(-1) {
  TzuFileAttributes Saved;
  bool Forced = false;
  if (ForceAttributes && GetFileAttr(FileName, Saved) &&
      (Saved.count(atrHidden) || Saved.count(atrReadOnly)))
    Forced = SetFileAttr(FileName, {atrArchive});
  FHandle = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | (Rewrite ? O_TRUNC : 0), 0666);
  // The attributes go back also when the open failed: a failure must not leave the file
  // writable or visible.
  if (Forced) SetFileAttr(FileName, Saved);
  if (FHandle < 0) throw EFCreateError("Cannot create file " + FileName);
}

TzuFileStream::~TzuFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

}  // namespace zu
