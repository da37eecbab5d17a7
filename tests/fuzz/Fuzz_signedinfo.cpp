// A signed info file comes from a server too: any bytes must be checked without a crash,
// and nothing but a file signed under the key may pass.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/zuRenewixInfoFile.h"
#include "engine/zuRenewixVerify.h"
#include "platform/os/Crypto.h"
#include "support/zuUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  // A fixed key nobody has the private half of: no input can carry a valid signature.
  static const std::string Key = "3d4017c3e843895a92b70aa74d1b7ebc9c982ccf2ec4968cc0cd55f12af4660c";
  static const std::string Public = [] {
    std::string R;
    for (std::size_t I = 0; I < Key.size(); I += 2) R += static_cast<char>(std::stoi(Key.substr(I, 2), nullptr, 16));
    return zu::os::Base64Encode(R);
  }();
  const std::string Text(reinterpret_cast<const char*>(Data), Size);
  if (zu::VerifyInfoFile(Text, Public, zu::RXDateToDate("06/01/2026")).Ok) std::abort();
  std::string Body, Signature;
  if (zu::SplitSignature(Text, Body, Signature) && (Body.size() > Text.size() || Signature.size() > Text.size()))
    std::abort();
  // The component's gate refuses it just the same; without a key it may pass.
  if (zu::InfoFileRefusal(Text, Public, zu::RXDateToDate("06/01/2026")).empty()) std::abort();
  zu::InfoFileRefusal(Text, "", zu::RXDateToDate("06/01/2026"));
  for (const auto& C : zu::InfoFileChecks(Text)) {
    if (C.URL.empty() || C.URL.size() > Text.size()) std::abort();
    if (!C.Sha256.empty() && C.Sha256.size() != 64) std::abort();
    // A file of the announced size and hash always matches its own lines.
    if (!C.SizeUnreadable && !C.HashUnreadable && !zu::FileMismatch(&C, false, C.Size, C.Sha256).empty())
      std::abort();
    zu::URLOrigin(C.URL);
  }
  // The one-pass key reader reads every key as ParseStr does.
  const zu::TzuInfoFileKeys Keys(Text);
  for (const char* K : {"#url", "#url0", "#url1", "#url2", "#URL3", "#version", "#url.size", "#url2.sha256", "#"})
    if (Keys.Value(K) != zu::ParseStr(Text, K, false, "")) std::abort();
  return 0;
}
