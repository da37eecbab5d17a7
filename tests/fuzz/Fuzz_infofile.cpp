// The info file comes from a server: any bytes must read without a crash, and what is read
// must hold together.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/zuRenewixInfoFile.h"
#include "support/zuUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Text(reinterpret_cast<const char*>(Data), Size);
  const zu::TzuRXInfoFileContent C = zu::ReadInfoFile(Text);
  for (const auto& U : C.URLs)
    if (U.empty() || U.size() > Text.size()) std::abort();
  if (C.Message.size() > Text.size() || C.Version.size() > Text.size()) std::abort();
  const int Self = zu::VersionCheck(C.Version, C.Version);
  if (Self != 0) std::abort();
  if (zu::VersionCheck(C.Version, "1.0.0.2") != -zu::VersionCheck("1.0.0.2", C.Version)) std::abort();
  zu::IsNewerVersion(Text, zu::byNumber, "1.0.0.2", "");
  zu::IsNewerVersion(Text, zu::byDate, "", "02/19/2008");
  zu::RXDateToDate(C.Date);
  std::string Copy = Text;
  zu::ParseText("#message={", "}", Copy, true, true, true);
  int V;
  zu::TryStrToInt(C.Version, V);
  return 0;
}
