// The manifest and the journal are read from the program's directory: any text parses without
// a crash, what parses names only plain files there, and writing it back reads the same.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "helper/Install.h"

using namespace zu::helper;

namespace {

void Check(bool Ok) {
  if (!Ok) std::abort();
}

bool Plain(const std::string& N) { return !N.empty() && N != "." && N != ".." && N.find('/') == std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Text(reinterpret_cast<const char*>(Data), Size);
  TManifest M;
  if (ParseManifest(Text, M)) {
    for (const auto& F : M.Files) Check(Plain(F.Name));
    TManifest Back;
    Check(ParseManifest(FormatManifest(M), Back) && FormatManifest(Back) == FormatManifest(M));
  }
  TJournal J;
  if (ParseJournal(Text, J)) {
    for (const auto& Mv : J.Moves) Check(Plain(Mv.Source) && Plain(Mv.Target) && Plain(Mv.Backup));
    TJournal Back;
    Check(ParseJournal(FormatJournal(J), Back) && FormatJournal(Back) == FormatJournal(J));
  }
  return 0;
}
