// The HTTP component's settings: proxy, output file attributes, request flags, status texts.
#include "http/zuHTTP.h"
#include "platform/inet/Inet.h"

namespace zu {

using namespace inet;

namespace {

bool Has(TzuCacheOptions Set, TzuCacheOption O) { return Set & (1u << O); }
bool Has(TzuInternetOptions Set, TzuInternetOption O) { return Set & (1u << O); }

const std::vector<std::string> AccessTypeNames{"atPreconfig", "atDirect", "atUseProxy"};

// Sets of file attributes are stored by their element names (bit n = element n).
const std::vector<std::string> FileAttributeNames{"atrArchive", "atrHidden", "atrReadOnly",
                                                  "atrSystem", "atrTemporary", "atrOffline"};

}  // namespace

std::string InternetStatusText(unsigned StatusID) {
  switch (StatusID) {
    case 10: return "Resolving name";
    case 11: return "Name resolved";
    case 20: return "Connecting to server";
    case 21: return "Connected";
    case 30: return "Sending Request";
    case 31: return "Request sent";
    case 40: return "Receiving response";
    case 41: return "Response received";
    case 42: return "CTL Response received";
    case 43: return "Prefetch";
    case 50: return "Closing connection";
    case 51: return "Connection closed";
    case 60: return "Handle created";
    case 70: return "Handle closing";
    case 100: return "Request complete";
    case 110: return "Redirect";
    case 120: return "Intermediate response";
    case 200: return "State change";
    default: return "Unknown status";
  }
}

std::uint32_t HTTPRequestFlags(bool Secure, TzuCacheOptions CacheOptions, TzuInternetOptions InternetOptions) {
  std::uint32_t Flags = 0;
  if (Secure) Flags += INTERNET_FLAG_SECURE;
  if (Has(CacheOptions, coCreateTempFilesIfCantCache) && !Secure) Flags += INTERNET_FLAG_NEED_FILE;
  if (Has(CacheOptions, coAlwaysReload)) Flags += INTERNET_FLAG_RELOAD;
  if (Has(CacheOptions, coReloadIfNoExpireInformation)) Flags += INTERNET_FLAG_HYPERLINK;
  if (Has(CacheOptions, coReloadUpdatedObjects)) Flags += INTERNET_FLAG_RESYNCHRONIZE;
  if (Has(CacheOptions, coPragmaNoCache)) Flags += INTERNET_FLAG_PRAGMA_NOCACHE;
  if (Has(CacheOptions, coNoCacheWrite)) Flags += INTERNET_FLAG_NO_CACHE_WRITE;
  if (Has(CacheOptions, coUseCacheIfNetFail)) Flags += INTERNET_FLAG_CACHE_IF_NET_FAIL;
  if (Has(InternetOptions, ioIgnoreCertificateInvalid)) Flags += INTERNET_FLAG_IGNORE_CERT_CN_INVALID;
  if (Has(InternetOptions, ioIgnoreCertificateDateInvalid)) Flags += INTERNET_FLAG_IGNORE_CERT_DATE_INVALID;
  if (Has(InternetOptions, ioIgnoreRedirectToHTTP)) Flags += INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP;
  if (Has(InternetOptions, ioIgnoreRedirectToHTTPS)) Flags += INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
  if (Has(InternetOptions, ioKeepConnection)) Flags += INTERNET_FLAG_KEEP_CONNECTION;
  if (Has(InternetOptions, ioNoAuthentication)) Flags += INTERNET_FLAG_NO_AUTH;
  if (Has(InternetOptions, ioNoAutoRedirect)) Flags += INTERNET_FLAG_NO_AUTO_REDIRECT;
  if (Has(InternetOptions, ioNoCookies)) Flags += INTERNET_FLAG_NO_COOKIES;
  return Flags;
}

// ---------- settings sub-objects ----------

const TClassInfo& TzuHTTPProxy::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TzuHTTPProxy>("TzuHTTPProxy", &TPersistent::StaticClassInfo())
          .Enum("AccessType", &TzuHTTPProxy::AccessType, &TzuHTTPProxy::SetAccessType, AccessTypeNames,
                std::optional(atPreconfig))
          .Int("ProxyPort", &TzuHTTPProxy::ProxyPort, &TzuHTTPProxy::SetProxyPort, 8080)
          .Str("ProxyServer", &TzuHTTPProxy::ProxyServer, &TzuHTTPProxy::SetProxyServer, std::nullopt,
               [](const TzuHTTPProxy& P) { return P.IsUseProxy(); })
          .Str("ProxyBypass", &TzuHTTPProxy::ProxyBypass, &TzuHTTPProxy::SetProxyBypass, std::nullopt,
               [](const TzuHTTPProxy& P) { return P.IsUseProxy(); })
          .Str("ProxyUsername", static_cast<const std::string& (TzuHTTPProxy::*)() const>(&TzuHTTPProxy::ProxyUsername),
               &TzuHTTPProxy::SetProxyUsername)
          .Str("ProxyPassword", static_cast<const std::string& (TzuHTTPProxy::*)() const>(&TzuHTTPProxy::ProxyPassword),
               &TzuHTTPProxy::SetProxyPassword);
  return Info;
}

void TzuHTTPProxy::Assign(const TPersistent* Source) {
  if (!Source) {
    *this = TzuHTTPProxy();
    return;
  }
  if (const auto* P = dynamic_cast<const TzuHTTPProxy*>(Source)) {
    FAccessType = P->FAccessType;
    FProxyPort = P->FProxyPort;
    FProxyServer = P->FProxyServer;
    FProxyBypass = P->FProxyBypass;
    FProxyUsername = P->FProxyUsername;
    FProxyPassword = P->FProxyPassword;
    return;
  }
  TPersistent::Assign(Source);
}

const TClassInfo& TzuHTTPRange::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TzuHTTPRange>("TzuHTTPRange", &TPersistent::StaticClassInfo())
                                     .Int("StartRange", &TzuHTTPRange::StartRange, &TzuHTTPRange::SetStartRange, 0)
                                     .Int("EndRange", &TzuHTTPRange::EndRange, &TzuHTTPRange::SetEndRange, 0);
  return Info;
}

void TzuHTTPRange::Assign(const TPersistent* Source) {
  if (!Source) {
    FStartRange = FEndRange = 0;
    return;
  }
  if (const auto* R = dynamic_cast<const TzuHTTPRange*>(Source)) {
    FStartRange = R->FStartRange;
    FEndRange = R->FEndRange;
    return;
  }
  TPersistent::Assign(Source);
}

const TClassInfo& TzuHTTPTimeouts::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TzuHTTPTimeouts>("TzuHTTPTimeouts", &TPersistent::StaticClassInfo())
          .Int("ConnectTimeout", &TzuHTTPTimeouts::ConnectTimeout, &TzuHTTPTimeouts::SetConnectTimeout, 0)
          .Int("ReceiveTimeout", &TzuHTTPTimeouts::ReceiveTimeout, &TzuHTTPTimeouts::SetReceiveTimeout, 0)
          .Int("SendTimeout", &TzuHTTPTimeouts::SendTimeout, &TzuHTTPTimeouts::SetSendTimeout, 0);
  return Info;
}

void TzuHTTPTimeouts::Assign(const TPersistent* Source) {
  if (!Source) {
    FConnect = FReceive = FSend = 0;
    return;
  }
  if (const auto* T = dynamic_cast<const TzuHTTPTimeouts*>(Source)) {
    FConnect = T->FConnect;
    FReceive = T->FReceive;
    FSend = T->FSend;
    return;
  }
  TPersistent::Assign(Source);
}

const TClassInfo& TzuOutputFileAttributes::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TzuOutputFileAttributes>("TzuOutputFileAttributes", &TzuPersistent::StaticClassInfo())
          .SetOf("Complete", &TzuOutputFileAttributes::CompleteBits, &TzuOutputFileAttributes::SetCompleteBits,
                 FileAttributeNames, 0b000001)
          .SetOf("Incomplete", &TzuOutputFileAttributes::IncompleteBits,
                 &TzuOutputFileAttributes::SetIncompleteBits, FileAttributeNames, 0b010001);
  return Info;
}

void TzuOutputFileAttributes::SetComplete(const TzuFileAttributes& V) {
  if (V == FComplete) return;
  FComplete = V;
  AttributesChanged();
}

void TzuOutputFileAttributes::SetIncomplete(const TzuFileAttributes& V) {
  if (V == FIncomplete) return;
  FIncomplete = V;
  AttributesChanged();
}

void TzuOutputFileAttributes::Assign(const TPersistent* Source) {
  if (!Source) {
    SetComplete({atrArchive});
    SetIncomplete({atrArchive, atrTemporary});
    return;
  }
  if (const auto* A = dynamic_cast<const TzuOutputFileAttributes*>(Source)) {
    SetComplete(A->FComplete);
    SetIncomplete(A->FIncomplete);
    return;
  }
  TzuPersistent::Assign(Source);
}

std::int64_t TzuOutputFileAttributes::ToMask(const TzuFileAttributes& A) {
  std::int64_t M = 0;
  for (TzuFileAttribute E : A) M |= std::int64_t{1} << E;
  return M;
}

TzuFileAttributes TzuOutputFileAttributes::FromMask(std::int64_t M) {
  TzuFileAttributes A;
  for (int E = atrArchive; E <= atrOffline; ++E)
    if (M & (std::int64_t{1} << E)) A.insert(static_cast<TzuFileAttribute>(E));
  return A;
}

}  // namespace zu
