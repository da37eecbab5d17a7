// Packed picture data comes from form data: any bytes must unpack or be rejected, never read
// or write outside the buffers, and what unpacks must pack and unpack back to itself.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "widgets/zuSFPack.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string In(reinterpret_cast<const char*>(Data), Size);
  try {
    const std::string U = zu::SFUnpackStr(In);
    const std::uint32_t N = static_cast<std::uint32_t>(Data[0]) | (static_cast<std::uint32_t>(Data[1]) << 8) |
                            (static_cast<std::uint32_t>(Data[2]) << 16) | (static_cast<std::uint32_t>(Data[3]) << 24);
    if (U.size() != N) std::abort();
    if (zu::SFUnpackStr(zu::SFPackStr(U)) != U) std::abort();
  } catch (const zu::ESFPackError&) {
  }

  // Raw blocks into a room of exactly the size the first byte asks for.
  std::vector<std::uint8_t> Room(Size ? Data[0] * 61u : 0u);
  try {
    if (zu::SFUnpack(Data, Room.data(), Size, Room.size()) > Room.size()) std::abort();
  } catch (const zu::ESFPackError&) {
  }

  // Entries one after the other in a stream.
  zu::TMemoryStream S;
  S.WriteBuffer(Data, static_cast<std::int64_t>(Size));
  S.SetPosition(0);
  try {
    while (S.Position() < S.Size()) {
      const std::int64_t Before = S.Position();
      zu::SFUnpackStream(S);
      if (S.Position() <= Before || S.Position() > S.Size()) std::abort();
    }
  } catch (const zu::EReadError&) {  // ESFPackError, or a length cut off
  }

  // Packing any bytes is undone by unpacking.
  if (zu::SFUnpackStr(zu::SFPackStr(In)) != In) std::abort();
  return 0;
}
