// Field and file names of an upload come from the program's user: whatever they hold, the
// part header must keep them inside their quotes and on one line.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "http/zuMIME.h"
#include "platform/os/Crypto.h"

namespace {

std::string Unescape(const std::string& S) {
  std::string R;
  for (std::size_t I = 0; I < S.size(); ++I) {
    if (S.compare(I, 3, "%22") == 0) R += '"', I += 2;
    else if (S.compare(I, 3, "%0D") == 0) R += '\r', I += 2;
    else if (S.compare(I, 3, "%0A") == 0) R += '\n', I += 2;
    else R += S[I];
  }
  return R;
}

// The quoted value after Key in a header line; npos-safe.
bool Quoted(const std::string& Line, const std::string& Key, std::string& Value) {
  const std::size_t At = Line.find(Key + "=\"");
  if (At == std::string::npos) return false;
  const std::size_t Start = At + Key.size() + 2;
  const std::size_t End = Line.find('"', Start);
  if (End == std::string::npos) return false;
  Value = Line.substr(Start, End - Start);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Text(reinterpret_cast<const char*>(Data), Size);
  // "name" NUL "file name" (none without the NUL).
  const std::size_t Nul = Text.find('\0');
  const std::string Name = Text.substr(0, Nul);
  const std::string FileName = Nul == std::string::npos ? std::string() : Text.substr(Nul + 1);

  const std::string Escaped = zu::EscapePartName(Name);
  if (Escaped.find_first_of("\"\r\n") != std::string::npos) std::abort();
  // "%" passes unescaped, so only names without a literal escape read back exactly.
  if (Name.find('%') == std::string::npos && Unescape(Escaped) != Name) std::abort();

  zu::TzuHTTPUploadStream S("BOUNDARY");
  S.WriteFieldHeader(Name, FileName);
  S.WriteFieldEnd();
  S.WriteClosingLine();
  const std::string Body(reinterpret_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
  const std::size_t HeaderEnd = Body.find("\r\n\r\n");
  if (Body.rfind("--BOUNDARY\r\n", 0) != 0 || HeaderEnd == std::string::npos) std::abort();
  // The header is two or three lines: the disposition and, with a file, its type.
  std::size_t Lines = 0, Start = 0;
  std::string Disposition;
  while (Start < HeaderEnd) {
    const std::size_t End = Body.find("\r\n", Start);
    const std::string Line = Body.substr(Start, End - Start);
    if (Line.find_first_of("\r\n") != std::string::npos) std::abort();
    if (Lines == 1) Disposition = Line;
    ++Lines;
    Start = End + 2;
  }
  if (Lines != (FileName.empty() ? 2u : 3u)) std::abort();
  // Read as a receiver does, quoted value after quoted value: the names hold no quote, so
  // whatever text they carry ("; filename=" included) stays inside their own.
  const std::string Expected = "Content-Disposition: form-data; name=\"" + Escaped + "\"" +
                               (FileName.empty() ? "" : "; filename=\"" + zu::EscapePartName(FileName) + "\"");
  std::string Value;
  if (!Quoted(Disposition, "name", Value) || Value != Escaped || Disposition != Expected) std::abort();
  if (Body.compare(Body.size() - 14, 14, "--BOUNDARY--\r\n") != 0) std::abort();

  // The body's own base64 (lines of 76) reads back as the bytes it encodes.
  std::string Back;
  const std::string Encoded = zu::Base64Encode(Text);
  std::string Joined;
  for (char C : Encoded)
    if (C != '\r' && C != '\n') Joined += C;
  if (!zu::os::Base64Decode(Joined, Back) || Back != Text) std::abort();
  return 0;
}
