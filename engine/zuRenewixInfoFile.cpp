#include "engine/zuRenewixInfoFile.h"

#include <algorithm>
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

TzuInfoFileKeys::TzuInfoFileKeys(const std::string& Text) : FText(Text) {
  // A pattern "#key=" can only start at a '#', and there it ends at the first '=' after it
  // (a key holds no '='): so every '#' names at most one key. Keys are short; a '#' with no
  // '=' within reach names none, which keeps this one pass over the text.
  constexpr std::size_t MaxKey = 256;
  for (std::size_t P = Text.find('#'); P != std::string::npos; P = Text.find('#', P + 1)) {
    const auto From = Text.begin() + static_cast<std::ptrdiff_t>(P) + 1;
    const auto To = Text.begin() + static_cast<std::ptrdiff_t>(std::min(Text.size(), P + 1 + MaxKey));
    const auto Eq = std::find(From, To, '=');
    if (Eq == To) continue;
    const auto At = static_cast<std::size_t>(Eq - Text.begin());
    FValueAt.emplace(LowerCase(Text.substr(P, At - P)), At + 1);
  }
}

std::string TzuInfoFileKeys::Value(const std::string& Key) const {
  const auto It = FValueAt.find(LowerCase(Key));
  if (It == FValueAt.end()) return std::string();
  std::size_t End = It->second;
  while (End < FText.size() && static_cast<unsigned char>(FText[End]) >= 32) ++End;
  return FText.substr(It->second, End - It->second);
}

std::vector<std::pair<std::string, std::string>> InfoFileURLEntries(const TzuInfoFileKeys& Keys) {
  std::vector<std::pair<std::string, std::string>> URLs;
  for (const char* Key : {"#url", "#url0"}) {
    std::string V = Keys.Value(Key);
    if (!V.empty()) URLs.emplace_back(Key, std::move(V));
  }
  for (std::size_t N = URLs.size() + 1;; ++N) {
    const std::string Key = "#url" + std::to_string(N);
    std::string V = Keys.Value(Key);
    if (V.empty()) break;
    URLs.emplace_back(Key, std::move(V));
  }
  return URLs;
}

std::vector<std::string> InfoFileURLs(const std::string& Text) {
  std::vector<std::string> URLs;
  for (auto& E : InfoFileURLEntries(TzuInfoFileKeys(Text))) URLs.push_back(std::move(E.second));
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

namespace {
// "1.2 \r" written by an editor is "1.2": a stray blank or CR must not make every check
// offer the same release again.
std::string TrimVersionParts(const std::string& V) {
  std::string R;
  size_t From = 0;
  for (;;) {
    const size_t Dot = V.find('.', From);
    R += Trim(V.substr(From, Dot == std::string::npos ? std::string::npos : Dot - From));
    if (Dot == std::string::npos) return R;
    R += '.';
    From = Dot + 1;
  }
}
}  // namespace

bool IsNewerVersion(const std::string& Text, TzuRenewixVersionControl VersionControl,
                    const std::string& VersionNumber, const std::string& VersionDate) {
  if (VersionControl == byNumber)
    return VersionCheck(TrimVersionParts(ParseStr(Text, "#version", false, "")), TrimVersionParts(VersionNumber)) > 0;
  const double Local = std::trunc(RXDateToDate(Trim(VersionDate)));
  const double Published = std::trunc(RXDateToDate(Trim(ParseStr(Text, "#date", false, ""))));
  return Local < Published;
}

}  // namespace zu
