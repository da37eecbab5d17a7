#include "engine/zuRenewixInfoFile.h"

#include <cmath>
#include <cstdio>
#include <unordered_map>

#include "support/zuUtils.h"

namespace zu {

TDateTime RXDateToDate(const std::string& S) {
  const size_t P1 = S.find('/');
  const size_t P2 = P1 == std::string::npos ? std::string::npos : S.find('/', P1 + 1);
  int Month, Day, Year;
  TDateTime Result;
  if (P2 != std::string::npos && TryStrToInt(S.substr(0, P1), Month) &&
      TryStrToInt(S.substr(P1 + 1, P2 - P1 - 1), Day) && TryStrToInt(S.substr(P2 + 1), Year) &&
      TryEncodeDate(Year, Month, Day, Result))
    return Result;
  return Date();
}

std::string DateToRXDate(TDateTime D) {
  int Y, M, Dd;
  DecodeDate(D, Y, M, Dd);
  char Buf[32];
  std::snprintf(Buf, sizeof Buf, "%02d/%02d/%04d", M, Dd, Y);
  return Buf;
}

std::vector<std::string> InfoFileURLs(const std::string& Text) {
  // One pass over the text finds every "#url<digits>=" (A-Z folded, the first of each key
  // counts, as ParseStr takes it), so thousands of URLs cost one read, not one per URL.
  const std::string Lower = LowerCase(Text);
  std::unordered_map<std::string, size_t> ValueAt;
  for (size_t P = Lower.find("#url"); P != std::string::npos; P = Lower.find("#url", P + 1)) {
    size_t E = P + 4;
    while (E < Lower.size() && Lower[E] >= '0' && Lower[E] <= '9') ++E;
    if (E < Lower.size() && Lower[E] == '=') ValueAt.emplace(Lower.substr(P + 4, E - P - 4), E + 1);
  }
  auto Value = [&](const std::string& Digits) {
    const auto It = ValueAt.find(Digits);
    if (It == ValueAt.end()) return std::string();
    size_t End = It->second;
    while (End < Text.size() && static_cast<unsigned char>(Text[End]) >= 32) ++End;
    return Text.substr(It->second, End - It->second);
  };
  std::vector<std::string> URLs;
  for (const char* Digits : {"", "0"}) {
    std::string V = Value(Digits);
    if (!V.empty()) URLs.push_back(std::move(V));
  }
  for (size_t N = URLs.size() + 1;; ++N) {
    std::string V = Value(std::to_string(N));
    if (V.empty()) break;
    URLs.push_back(std::move(V));
  }
  return URLs;
}

TzuUpgradeMethod InfoFileMethod(const std::string& Text) {
  const std::string M = ParseStr(Text, "#method", false, "");
  if (!M.empty() && M[0] == '1') return umUseExternalSetup;
  if (!M.empty() && M[0] == '2') return umRedirectToURL;
  return umSelfUpgrade;
}

TzuRXInfoFileContent ReadInfoFile(const std::string& Text) {
  TzuRXInfoFileContent C;
  C.Version = ParseStr(Text, "#version", false, "");
  C.Date = ParseStr(Text, "#date", false, "");
  C.URLs = InfoFileURLs(Text);
  C.MethodText = ParseStr(Text, "#method", false, "");
  C.Method = InfoFileMethod(Text);
  C.Message = ParseStr(Text, "#message", true, "");
  return C;
}

bool IsNewerVersion(const std::string& Text, TzuRenewixVersionControl VersionControl,
                    const std::string& VersionNumber, const std::string& VersionDate) {
  if (VersionControl == byNumber)
    return VersionCheck(ParseStr(Text, "#version", false, ""), VersionNumber) > 0;
  const double Local = std::trunc(RXDateToDate(VersionDate));
  const double Published = std::trunc(RXDateToDate(ParseStr(Text, "#date", false, "")));
  return Local < Published;
}

}  // namespace zu
