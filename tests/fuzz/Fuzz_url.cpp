// URLs come from info files, redirects and users: every splitter must take any bytes, and
// the ones built on each other must agree.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "http/zuHTTP.h"
#include "platform/inet/Inet.h"
#include "platform/inet/InetUrl.h"

using namespace zu::inet::detail;

namespace {

// A bypass entry naming just the host, with nothing the list reader splits at or reads as a
// scheme, port, address or "<local>".
bool PlainHost(const std::string& H) {
  return !H.empty() && H.find_first_of(";, \t:[<*") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Text(reinterpret_cast<const char*>(Data), Size);
  // First line: a URL or host; the rest: a pattern or bypass list.
  const std::size_t NL = Text.find('\n');
  const std::string Url = Text.substr(0, NL);
  const std::string Rest = NL == std::string::npos ? std::string() : Text.substr(NL + 1);

  std::string Scheme, Host, Path, User, Password, Extra;
  std::uint16_t Port = 0;
  if (zu::ParseURL(Url, Scheme, Host, Path, User, Password, Extra, Port)) {
    if (Scheme.size() > 32 || Host.size() > 256 || User.size() > 128 || Password.size() > 128 ||
        Path.size() > 2048 || Extra.size() > 2048)
      std::abort();
    if (zu::URLToHostName(Url) != Host) std::abort();
    if (!Extra.empty() && Extra[0] != '?' && Extra[0] != '#') std::abort();
  } else if (!Scheme.empty() || !Host.empty() || Port != 0) {
    std::abort();  // a refusal leaves the outputs alone
  }
  const std::string File = zu::URLToFileName(Url);
  if (File.find('/') != std::string::npos || File.find('\\') != std::string::npos) std::abort();

  zu::inet::TURLComponents C;
  if (zu::inet::InternetCrackUrl(Url, C)) {
    if (Url.find("://") == std::string::npos || C.Scheme.empty()) std::abort();
  }
  TUrlParts P;
  if (SplitUrl(Url, P)) {
    if (P.Scheme.empty() || P.Port < 0 || P.Port > 65535) std::abort();
    if (P.Origin().empty()) std::abort();
  }
  IsAbsoluteUrl(Url);

  // Matching: a host always matches itself and "*"; a pattern never needs more than the host.
  if (!HostMatches(Url, Url) || !HostMatches("*", Url) || !HostMatches("*" + Url, Url)) std::abort();
  HostMatches(Rest, Url);
  ProxyBypassed(Rest, "http", Url, 80);
  if (PlainHost(Url) && (!ProxyBypassed(Url, "http", Url, 80) || !ProxyBypassed("x;" + Url, "https", Url, 1)))
    std::abort();
  return 0;
}
