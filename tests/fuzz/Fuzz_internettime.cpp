// HTTP date headers come from servers: any text parses to a date or to 0, never a crash.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/zuUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string S(reinterpret_cast<const char*>(Data), Size);
  const zu::TDateTime T = zu::InternetTimeToDateTime(S);
  if (!std::isfinite(T)) std::abort();
  if (T != 0) {
    int Y, M, D;
    zu::DecodeDate(T, Y, M, D);
    if (Y < 1 || Y > 10000) std::abort();
  }
  return 0;
}
