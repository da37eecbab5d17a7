// The request layer's text helpers: header names, URL splitting and the proxy bypass list.
#pragma once

#include <string>

namespace zu::inet::detail {

bool SameName(const std::string& A, const std::string& B);  // header names: case does not count
std::string Trim(const std::string& S);                     // blanks and tabs at both ends
std::string Lower(std::string S);
bool IsIpLiteral(const std::string& Host);
std::string UrlHost(const std::string& Host);  // an IPv6 literal in brackets
// Bytes a URL cannot carry as they are; '%' stays, the object name is already encoded.
std::string EscapeUnsafe(const std::string& S);
// An object name that is a whole URL ("http://host/x", as a proxy request names it), not a
// path whose query happens to hold "://".
bool IsAbsoluteUrl(const std::string& Object);

struct TUrlParts {
  std::string Scheme, Host;
  long Port = 0;
  std::string Origin() const { return Lower(Host) + ":" + std::to_string(Port); }
};
bool SplitUrl(const std::string& Url, TUrlParts& P);

// A bypass entry's host pattern against a host name: "*" stands for any run of characters.
bool HostMatches(const std::string& Pattern, const std::string& Host);
// The platform library's bypass list against one request's scheme, host and port.
bool ProxyBypassed(const std::string& List, const std::string& Scheme, const std::string& Host, long Port);

}  // namespace zu::inet::detail
