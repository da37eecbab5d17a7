// zuStreams: the memory stream with typed little-endian operations and the file stream that
// opens hidden or read-only files for writing.
#pragma once

#include <cstdint>
#include <string>

#include "platform/framework/Font.h"
#include "platform/framework/Streams.h"

namespace zu {

// The style byte of the font record: bit 0 bold, 1 italic, 2 underline, 3 strike-out.
std::uint8_t FontStylesToByte(const TFontStyles& Styles);
TFontStyles ByteToFontStyles(std::uint8_t Bits);

// Every operation works at the current position, little-endian. Reads past the end raise
// EReadError "Stream read error".
class TzuMemoryStream : public TMemoryStream {
 public:
  void WriteChar(char C);
  char ReadChar();
  void WriteByte(std::uint8_t B);
  std::uint8_t ReadByte();
  void WriteWord(std::uint16_t W);
  std::uint16_t ReadWord();
  void WriteInt(std::int32_t I);
  std::int32_t ReadInt();
  // Signed 32-bit length, then the bytes (the format of PutStringToStream).
  void WriteStr(const std::string& S);
  std::string ReadStr();
  // One length byte, then the bytes; a longer string is cut to 255 bytes.
  void WriteShortStr(const std::string& S);
  std::string ReadShortStr();
  void WritePlainStr(const std::string& S);
  // Name as a short string, size (points) as Int, the style byte, colour as Int.
  void WriteFont(const TFont& Font);
  // Applies the record only when it was read completely.
  void ReadFont(TFont& Font);
};

// A file opened for reading and writing; it owns its descriptor. Rewrite truncates an existing
// file, otherwise its content stays; a missing file is created either way. ForceAttributes
// lets a hidden or read-only file be opened and gives it its attributes back afterwards.
// Raises EFCreateError "Cannot create file %s".
class TzuFileStream : public THandleStream {
 public:
  TzuFileStream(const std::string& FileName, bool Rewrite, bool ForceAttributes);
  ~TzuFileStream() override;
  TzuFileStream(const TzuFileStream&) = delete;
  TzuFileStream& operator=(const TzuFileStream&) = delete;
};

}  // namespace zu
