#include "engine/zuRenewixVerify.h"

#include <cmath>
#include <cstring>

#include "engine/zuRenewixInfoFile.h"
#include "http/zuHTTP.h"
#include "support/zuUtils.h"

namespace zu {

namespace {

bool AllOf(const std::string& S, const char* Chars) {
  return !S.empty() && S.find_first_not_of(Chars) == std::string::npos;
}

// MM/DD/YYYY exactly; false for anything else (an expiry that cannot be read is no expiry
// to trust).
bool StrictRXDate(const std::string& S, TDateTime& D) {
  if (S.size() != 10 || S[2] != '/' || S[5] != '/') return false;
  const std::string M = S.substr(0, 2), Dd = S.substr(3, 2), Y = S.substr(6, 4);
  if (!AllOf(M + Dd + Y, "0123456789")) return false;
  return TryEncodeDate(std::stoi(Y), std::stoi(M), std::stoi(Dd), D);
}

}  // namespace

std::vector<TzuRXFileCheck> InfoFileChecks(const std::string& Text) {
  const TzuInfoFileKeys Keys(Text);
  std::vector<TzuRXFileCheck> R;
  for (auto& [Key, URL] : InfoFileURLEntries(Keys)) {
    TzuRXFileCheck C;
    C.Key = Key;
    C.URL = URL;
    const std::string Size = Keys.Value(Key + ".size");
    if (AllOf(Size, "0123456789") && Size.size() <= 18)
      C.Size = std::stoll(Size);
    else
      C.SizeUnreadable = !Size.empty();
    const std::string Hash = LowerCase(Keys.Value(Key + ".sha256"));
    if (Hash.size() == 64 && AllOf(Hash, "0123456789abcdef"))
      C.Sha256 = Hash;
    else
      C.HashUnreadable = !Hash.empty();
    R.push_back(std::move(C));
  }
  return R;
}

bool SplitSignature(const std::string& Text, std::string& Body, std::string& Signature) {
  const std::size_t At = Text.rfind(SignatureKey);
  if (At == std::string::npos || (At != 0 && Text[At - 1] != '\n')) return false;
  std::size_t End = At + std::strlen(SignatureKey);
  const std::size_t ValueEnd = Text.find_first_of("\r\n", End);
  Signature = Text.substr(End, ValueEnd == std::string::npos ? std::string::npos : ValueEnd - End);
  // Nothing but the line's end may follow: bytes after the signature would be unsigned.
  if (ValueEnd != std::string::npos && Text.find_first_not_of("\r\n", ValueEnd) != std::string::npos) return false;
  Body = Text.substr(0, At);
  return true;
}

bool ParsePublicKeys(const std::string& PublicKeys, std::vector<std::string>& Keys) {
  Keys.clear();
  std::size_t P = 0;
  while ((P = PublicKeys.find_first_not_of(" \t\r\n", P)) != std::string::npos) {
    const std::size_t E = PublicKeys.find_first_of(" \t\r\n", P);
    const std::string Text = PublicKeys.substr(P, E == std::string::npos ? std::string::npos : E - P);
    std::string Raw;
    if (!os::Base64Decode(Text, Raw) || Raw.size() != 32) return false;
    Keys.push_back(Raw);
    P = E;
  }
  return true;
}

TzuRXVerification VerifyInfoFile(const std::string& Text, const std::string& PublicKeys, TDateTime Today) {
  TzuRXVerification V;
  std::vector<std::string> Keys;
  if (!ParsePublicKeys(PublicKeys, Keys) || Keys.empty()) {
    V.Reason = "the configured public key is not an Ed25519 key";
    return V;
  }
  std::string Body, SignatureText, Signature;
  if (!SplitSignature(Text, Body, SignatureText)) {
    V.Reason = "the info file is not signed";
    return V;
  }
  if (!os::Base64Decode(SignatureText, Signature) || Signature.size() != 64) {
    V.Reason = "the signature is malformed";
    return V;
  }
  bool Signed = false;
  for (const auto& K : Keys) Signed = Signed || os::Ed25519Verify(K, Body, Signature);
  if (!Signed) {
    V.Reason = "the signature does not match the info file under any trusted key";
    return V;
  }
  const TzuInfoFileKeys BodyKeys(Body);
  const std::string Expires = BodyKeys.Value("#expires");
  if (!Expires.empty()) {
    TDateTime E;
    if (!StrictRXDate(Expires, E)) {
      V.Reason = "the expiry date \"" + Expires + "\" cannot be read";
      return V;
    }
    if (std::trunc(Today) > std::trunc(E)) {
      V.Reason = "the info file expired on " + Expires;
      return V;
    }
  }
  // A web page to open (#method=2) is not downloaded: it has nothing to hash.
  for (const auto& C : InfoFileMethod(Body) == umRedirectToURL ? std::vector<TzuRXFileCheck>() : InfoFileChecks(Body)) {
    if (C.Size < 0 || C.Sha256.empty()) {
      V.Reason = "no size and SHA-256 for " + C.URL;
      return V;
    }
  }
  V.Ok = true;
  return V;
}

bool IsWebURL(const std::string& URL) {
  const std::size_t At = URL.find("://");
  if (At == std::string::npos) return true;
  const std::string Scheme = LowerCase(URL.substr(0, At));
  return Scheme == "http" || Scheme == "https";
}

std::string URLOrigin(const std::string& URL) {
  std::string Scheme, Host, Path, User, Password, Extra;
  std::uint16_t Port = 0;
  if (!ParseURL(URL, Scheme, Host, Path, User, Password, Extra, Port)) return std::string();
  return LowerCase(Scheme) + "://" + LowerCase(Host) + ":" + std::to_string(Port);
}

std::string InfoFileRefusal(const std::string& Text, const std::string& PublicKeys, TDateTime Today) {
  if (PublicKeys.find_first_not_of(" \t\r\n") != std::string::npos) {
    const TzuRXVerification V = VerifyInfoFile(Text, PublicKeys, Today);
    if (!V.Ok) return V.Reason;
  }
  if (InfoFileMethod(Text) == umRedirectToURL) {
    const auto URLs = InfoFileURLs(Text);
    // The browser gets the address as its argument: a local file or another scheme would
    // open whatever handler the desktop has for it.
    if (!URLs.empty() && !IsWebURL(URLs.front())) return "the web page " + URLs.front() + " is not an http or https address";
  }
  return std::string();
}

std::string FileMismatch(const TzuRXFileCheck* Check, bool Required, std::int64_t Size, const std::string& Sha256) {
  if (!Check) return Required ? "the signed info file does not name this address" : std::string();
  if (Check->SizeUnreadable || Check->HashUnreadable) return "its size or SHA-256 line in the info file cannot be read";
  if (Required && (Check->Size < 0 || Check->Sha256.empty())) return "the info file gives no size and SHA-256 for it";
  if (Check->Size >= 0 && Size != Check->Size)
    return "its size is " + std::to_string(Size) + " bytes, the info file says " + std::to_string(Check->Size);
  if (!Check->Sha256.empty() && Sha256 != Check->Sha256)
    return Sha256.empty() ? "its SHA-256 could not be taken" : "its SHA-256 differs from the info file's";
  return std::string();
}

bool SignInfoFile(const std::string& Text, const os::TEd25519Key& Key, std::string& Signed) {
  std::string Body, Old;
  if (!SplitSignature(Text, Body, Old)) Body = Text;  // signing again replaces a signature
  if (!Body.empty() && Body.back() != '\n') Body += "\r\n";
  std::string Signature;
  if (!os::Ed25519Sign(Key, Body, Signature)) return false;
  Signed = Body + SignatureKey + os::Base64Encode(Signature) + "\r\n";
  return true;
}

}  // namespace zu
