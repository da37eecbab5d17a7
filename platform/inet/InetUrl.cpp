#include "platform/inet/InetUrl.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <strings.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace zu::inet::detail {

bool SameName(const std::string& A, const std::string& B) {
  return A.size() == B.size() && ::strncasecmp(A.data(), B.data(), A.size()) == 0;
}

std::string Trim(const std::string& S) {
  const auto First = S.find_first_not_of(" \t");
  if (First == std::string::npos) return std::string();
  const auto Last = S.find_last_not_of(" \t");
  return S.substr(First, Last - First + 1);
}

std::string Lower(std::string S) {
  for (char& C : S) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
  return S;
}

bool IsIpLiteral(const std::string& Host) {
  unsigned char Buf[sizeof(in6_addr)];
  return ::inet_pton(AF_INET, Host.c_str(), Buf) == 1 || ::inet_pton(AF_INET6, Host.c_str(), Buf) == 1;
}

std::string UrlHost(const std::string& Host) {
  return Host.find(':') != std::string::npos && Host.front() != '[' ? "[" + Host + "]" : Host;
}

// Bytes a URL cannot carry as they are; '%' stays, the object name is already encoded.
std::string EscapeUnsafe(const std::string& S) {
  static const char* Hex = "0123456789ABCDEF";
  std::string R;
  for (unsigned char C : S) {
    if (C <= 0x20 || C >= 0x7F || std::strchr("\"<>\\^`{|}", C)) {
      R += '%';
      R += Hex[C >> 4];
      R += Hex[C & 15];
    } else {
      R += static_cast<char>(C);
    }
  }
  return R;
}

// An object name that is a whole URL ("http://host/x", as a proxy request names it), not a
// path whose query happens to hold "://".
bool IsAbsoluteUrl(const std::string& Object) {
  const std::size_t Sep = Object.find("://");
  if (Sep == std::string::npos || Sep == 0 || !std::isalpha(static_cast<unsigned char>(Object[0]))) return false;
  for (std::size_t I = 1; I < Sep; ++I) {
    const auto C = static_cast<unsigned char>(Object[I]);
    if (!std::isalnum(C) && C != '+' && C != '-' && C != '.') return false;
  }
  return true;
}

bool SplitUrl(const std::string& Url, TUrlParts& P) {
  CURLU* U = curl_url();
  if (!U) return false;
  bool Ok = curl_url_set(U, CURLUPART_URL, Url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK;
  char* Text = nullptr;
  if (Ok && curl_url_get(U, CURLUPART_SCHEME, &Text, 0) == CURLUE_OK) {
    P.Scheme = Lower(Text);
    curl_free(Text);
  } else {
    Ok = false;
  }
  if (Ok && curl_url_get(U, CURLUPART_HOST, &Text, 0) == CURLUE_OK) {
    P.Host = Text;
    curl_free(Text);
    if (P.Host.size() > 2 && P.Host.front() == '[') P.Host = P.Host.substr(1, P.Host.size() - 2);
  } else {
    Ok = false;
  }
  if (Ok && curl_url_get(U, CURLUPART_PORT, &Text, CURLU_DEFAULT_PORT) == CURLUE_OK) {
    P.Port = std::strtol(Text, nullptr, 10);
    curl_free(Text);
  }
  curl_url_cleanup(U);
  return Ok;
}

// A bypass entry's host pattern against a host name: "*" stands for any run of characters
// (dots included), anywhere in the pattern; case does not count.
bool HostMatches(const std::string& Pattern, const std::string& Host) {
  std::size_t P = 0, H = 0, Star = std::string::npos, Mark = 0;
  auto Same = [](char A, char B) { return std::tolower(static_cast<unsigned char>(A)) == std::tolower(static_cast<unsigned char>(B)); };
  while (H < Host.size()) {
    if (P < Pattern.size() && Pattern[P] == '*') {
      Star = P++;
      Mark = H;
    } else if (P < Pattern.size() && Same(Pattern[P], Host[H])) {
      ++P;
      ++H;
    } else if (Star != std::string::npos) {
      P = Star + 1;
      H = ++Mark;
    } else {
      return false;
    }
  }
  while (P < Pattern.size() && Pattern[P] == '*') ++P;
  return P == Pattern.size();
}

// The platform library's bypass list: entries separated by ";", "," or blanks; "*" anywhere in
// an entry; "<local>" for every host name without a dot; an entry may name a scheme
// ("http://host") and a port ("host:8080"), which must then match too.
bool ProxyBypassed(const std::string& List, const std::string& Scheme, const std::string& Host, long Port) {
  std::string Item;
  auto Matches = [&](std::string E) {
    const auto Sep = E.find("://");
    if (Sep != std::string::npos) {
      if (Lower(E.substr(0, Sep)) != Lower(Scheme)) return false;
      E = E.substr(Sep + 3);
    }
    if (E.empty()) return false;
    if (E == "<local>") return Host.find('.') == std::string::npos && Host.find(':') == std::string::npos;
    // A port: after a bracketed address, or after the only colon of the entry.
    std::string PortText;
    const auto Colon = E.rfind(':');
    if (Colon != std::string::npos && (E.front() == '[' ? E[Colon - 1] == ']' : E.find(':') == Colon)) {
      PortText = E.substr(Colon + 1);
      E = E.substr(0, Colon);
    }
    if (E.size() > 2 && E.front() == '[' && E.back() == ']') E = E.substr(1, E.size() - 2);
    if (!PortText.empty() && PortText != "*" && std::strtol(PortText.c_str(), nullptr, 10) != Port) return false;
    return !E.empty() && HostMatches(E, Host);
  };
  for (std::size_t I = 0; I <= List.size(); ++I) {
    const char C = I < List.size() ? List[I] : ';';
    if (C == ';' || C == ',' || C == ' ' || C == '\t') {
      if (!Item.empty() && Matches(Item)) return true;
      Item.clear();
    } else {
      Item += C;
    }
  }
  return false;
}

}  // namespace zu::inet::detail
