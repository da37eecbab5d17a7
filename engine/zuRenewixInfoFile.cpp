#include "engine/zuRenewixInfoFile.h"

#include <cmath>
#include <cstdio>

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
  std::vector<std::string> URLs;
  for (const char* Key : {"#url", "#url0"}) {
    std::string V = ParseStr(Text, Key, false, "");
    if (!V.empty()) URLs.push_back(std::move(V));
  }
  for (size_t N = URLs.size() + 1;; ++N) {
    std::string V = ParseStr(Text, "#url" + std::to_string(N), false, "");
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
