// zuSFPack: "SFP", the run-length packing of the pictures stored in form data.
//
//   packed stream:  N (u32, unpacked length), then blocks
//   block:          B (u16, body length), body (one piece of at most 65533 unpacked bytes)
//   body:           W (u16); W < 256: escape form, W is the escape byte E and tokens follow
//                     (literal byte | E V C | E V 0 C16: C + 1 copies of V);
//                   W >= 256: table form, tokens (literal | V C | V 0 C16) up to offset W,
//                     then one u16 per run (the offset of its C field), the last run first.
//
// Unpacking checks every count and position against the body and the output: damaged data
// raises ESFPackError and never reads or writes outside the buffers it was given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/framework/Exceptions.h"
#include "support/zuStreams.h"

namespace zu {

inline constexpr std::uint32_t SFPieceSize = 65533;

class ESFPackError : public EReadError {
 public:
  explicit ESFPackError(const std::string& Detail) : EReadError("SFP data is damaged: " + Detail) {}
};

// The room SFPack needs for Count bytes.
std::size_t SFCalcTargetSz(std::uint32_t Count);
// Packs Count bytes into Dest (SFCalcTargetSz(Count) bytes of room); returns the bytes
// written, the leading N included.
std::uint32_t SFPack(const void* Source, void* Dest, std::uint32_t Count);
// Unpacks the Count bytes of blocks at Source (after N) into Dest, which has DestSize bytes
// of room; returns the bytes written. Raises ESFPackError for damaged blocks.
std::size_t SFUnpack(const void* Source, void* Dest, std::size_t Count, std::size_t DestSize);

std::string SFPackStr(const std::string& S);
// Raises ESFPackError unless the blocks unpack to exactly the N bytes announced.
std::string SFUnpackStr(const std::string& S);

// false when the source cannot be opened or the destination cannot be created. Damaged
// packed data raises ESFPackError before the destination is created.
bool SFPackFile(const std::string& SourceName, const std::string& DestName);
bool SFUnpackFile(const std::string& SourceName, const std::string& DestName);

// Writes L (u32, the packed length) and the packed stream of Source's whole content at
// Dest's position.
void SFPackStream(TMemoryStream& Source, TStream& Dest);
// Reads L and the packed stream at Source's position into a new stream of size N (position 0);
// Source is left just after the packed data.
std::unique_ptr<TzuMemoryStream> SFUnpackStream(TStream& Source);

class TzuSFPackMemoryStream : public TzuMemoryStream {
 public:
  // Replaces the content by its packed stream (N and blocks); the position goes to 0.
  void Compress();
  // The inverse of Compress.
  void Uncompress();
};

}  // namespace zu
