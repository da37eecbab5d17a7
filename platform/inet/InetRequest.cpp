#include "platform/inet/InetRequest.h"
#include "platform/inet/InetUrl.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zu::inet::detail {

namespace {

constexpr int kMaxRedirects = 20;
constexpr std::uint32_t kCertFlags =
    SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;

// Several Content-Length fields (or a list in one) that do not all say the same.
bool ConflictingLengths(const TResponse& R) {
  std::string First;
  for (const auto& F : R.Fields) {
    if (!SameName(F.first, "Content-Length")) continue;
    std::size_t Start = 0;
    for (;;) {
      const std::size_t Comma = F.second.find(',', Start);
      const std::string V = Trim(F.second.substr(Start, Comma == std::string::npos ? std::string::npos : Comma - Start));
      if (First.empty()) First = V;
      else if (V != First) return true;
      if (Comma == std::string::npos) break;
      Start = Comma + 1;
    }
  }
  return false;
}

bool HasEnv(const char* Name) {
  const char* V = std::getenv(Name);
  return V && *V;
}

}  // namespace


const std::string* TResponse::Find(const std::string& Name) const {
  for (const auto& F : Fields)
    if (SameName(F.first, Name)) return &F.second;
  return nullptr;
}

// ---------- life ----------

TRequest::TRequest(std::shared_ptr<TConnection> Connection, const std::string& Verb, const std::string& ObjectName,
                   const std::string& Version, const std::string& Referer,
                   const std::vector<std::string>& AcceptTypes, std::uint32_t Flags, std::uintptr_t Context)
    : TObject(TKind::Request),
      FConnection(std::move(Connection)),
      FVerb(Verb.empty() ? "GET" : Verb),
      FObject(ObjectName.empty() ? "/" : ObjectName),
      FReferer(Referer),
      FHttp10(Version == "HTTP/1.0"),
      FFlags(Flags),
      FContext(Context) {
  for (const auto& A : AcceptTypes)
    if (!A.empty()) FAccept.push_back(A);
  if (!IsAbsoluteUrl(FObject) && FObject.front() != '/') FObject = "/" + FObject;
  Options = FConnection->Options;
  EnsureCurl();
  FEasy = curl_easy_init();
  FMulti = curl_multi_init();
  if (!FEasy || !FMulti) return;

  CURL* E = FEasy;
  curl_easy_setopt(E, CURLOPT_ERRORBUFFER, FErrorBuffer);
  curl_easy_setopt(E, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(E, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(E, CURLOPT_FOLLOWLOCATION, 0L);  // followed here, so each one is reported
  curl_easy_setopt(E, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(E, CURLOPT_HTTP_VERSION, FHttp10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(E, CURLOPT_HEADERFUNCTION, &TRequest::OnHeader);
  curl_easy_setopt(E, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(E, CURLOPT_WRITEFUNCTION, &TRequest::OnWrite);
  // Large receive chunks: one socket read and one poll per 128 KiB, not per 16 KiB.
  curl_easy_setopt(E, CURLOPT_BUFFERSIZE, 131072L);
  curl_easy_setopt(E, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(E, CURLOPT_READFUNCTION, &TRequest::OnRead);
  curl_easy_setopt(E, CURLOPT_READDATA, this);
  curl_easy_setopt(E, CURLOPT_SEEKFUNCTION, &TRequest::OnSeek);
  curl_easy_setopt(E, CURLOPT_SEEKDATA, this);
  curl_easy_setopt(E, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(E, CURLOPT_XFERINFOFUNCTION, &TRequest::OnProgress);
  curl_easy_setopt(E, CURLOPT_XFERINFODATA, this);
  curl_easy_setopt(E, CURLOPT_RESOLVER_START_FUNCTION, &TRequest::OnResolverStart);
  curl_easy_setopt(E, CURLOPT_RESOLVER_START_DATA, this);
  curl_easy_setopt(E, CURLOPT_OPENSOCKETFUNCTION, &TRequest::OnOpenSocket);
  curl_easy_setopt(E, CURLOPT_OPENSOCKETDATA, this);
  curl_easy_setopt(E, CURLOPT_CLOSESOCKETFUNCTION, &TRequest::OnCloseSocket);
  curl_easy_setopt(E, CURLOPT_CLOSESOCKETDATA, this);
  curl_easy_setopt(E, CURLOPT_PREREQFUNCTION, &TRequest::OnPrereq);
  curl_easy_setopt(E, CURLOPT_PREREQDATA, this);

  // Certificates: curl checks the chain against the system store; our verify callback decides
  // which errors the ignore settings forgive, and checks the host name itself.
  curl_easy_setopt(E, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(E, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(E, CURLOPT_SSL_CTX_FUNCTION, &TRequest::OnSslContext);
  curl_easy_setopt(E, CURLOPT_SSL_CTX_DATA, this);
  curl_easy_setopt(E, CURLOPT_SSL_SESSIONID_CACHE, 0L);  // every handshake is verified again
  // OpenSSL's own convention for naming the store.
  if (HasEnv("SSL_CERT_FILE")) curl_easy_setopt(E, CURLOPT_CAINFO, std::getenv("SSL_CERT_FILE"));
  if (HasEnv("SSL_CERT_DIR")) curl_easy_setopt(E, CURLOPT_CAPATH, std::getenv("SSL_CERT_DIR"));

  const TSession& S = Session();
  if (!S.Agent.empty()) curl_easy_setopt(E, CURLOPT_USERAGENT, S.Agent.c_str());
  if (!FReferer.empty()) curl_easy_setopt(E, CURLOPT_REFERER, FReferer.c_str());
  if (!(FFlags & INTERNET_FLAG_NO_COOKIES) && S.Share) {
    curl_easy_setopt(E, CURLOPT_SHARE, S.Share);
    curl_easy_setopt(E, CURLOPT_COOKIEFILE, "");  // switches the engine on, reads no file
  }
  if (S.AccessType == INTERNET_OPEN_TYPE_DIRECT) curl_easy_setopt(E, CURLOPT_PROXY, "");
  // The bypass list is applied per hop (StartHop); no_proxy from the environment is not.
  if (S.AccessType == INTERNET_OPEN_TYPE_PROXY) curl_easy_setopt(E, CURLOPT_NOPROXY, "");
}

TRequest::~TRequest() {
  Closing = true;
  Detach();
  if (FEasy) curl_easy_cleanup(FEasy);
  if (FMulti) curl_multi_cleanup(FMulti);
  curl_slist_free_all(FHeaderList);
}

void TRequest::Cancel(bool Closing) {
  if (Closing) FClosing = true;
  FCancelled = true;
  if (FMulti) curl_multi_wakeup(FMulti);
}

void TRequest::Detach() {
  if (!FAttached) return;
  curl_multi_remove_handle(FMulti, FEasy);
  FAttached = false;
}

// ---------- errors and events ----------

bool TRequest::Fail(unsigned Code, const std::string& Text) {
  SetLastError(Code, Text);
  return false;
}

bool TRequest::Sticky() {
  if (FCancelled) return Fail(ERROR_INTERNET_OPERATION_CANCELLED, "the request was cancelled");
  return true;
}

bool TRequest::FailTransfer() {
  unsigned Code = 0;
  switch (FCertProblem) {
    case TCertProblem::Name: Code = ERROR_INTERNET_SEC_CERT_CN_INVALID; break;
    case TCertProblem::Date: Code = ERROR_INTERNET_SEC_CERT_DATE_INVALID; break;
    case TCertProblem::Authority: Code = ERROR_INTERNET_INVALID_CA; break;
    case TCertProblem::Other: Code = ERROR_INTERNET_SEC_INVALID_CERT; break;
    case TCertProblem::None: {
      long Os = 0;
      curl_easy_getinfo(FEasy, CURLINFO_OS_ERRNO, &Os);
      Code = ErrorFromCurl(FResult, Os);
    }
  }
  FState = TState::Failed;
  FFailCode = Code;
  FFailText = FErrorBuffer[0] ? FErrorBuffer : curl_easy_strerror(FResult);
  Detach();
  return Fail(FFailCode, FFailText);
}

void TRequest::Status(unsigned Code, const void* Info, unsigned Length) {
  if (Closing) return;
  Session().Notify(Handle, EventContext(), Code, Info, Length);
}

void TRequest::StatusText(unsigned Code, const std::string& Text) {
  if (Closing) return;
  Session().NotifyText(Handle, EventContext(), Code, Text);
}

void TRequest::Complete(bool Ok) {
  const unsigned Error = Ok ? 0 : GetLastInternetError();
  const std::string Text = Ok ? std::string() : GetLastInternetErrorText();
  INTERNET_ASYNC_RESULT R{Ok ? 1u : 0u, Error};
  Status(INTERNET_STATUS_REQUEST_COMPLETE, &R, sizeof R);
  if (!Ok) SetLastError(Error, Text);  // the callback may have made calls of its own
}

// ---------- headers ----------

bool TRequest::AddHeaders(const std::string& Text, unsigned Modifiers) {
  if (!Sticky()) return false;
  std::vector<std::pair<std::string, std::string>> Add;
  std::size_t Start = 0;
  while (Start < Text.size()) {
    std::size_t End = Text.find('\n', Start);
    if (End == std::string::npos) End = Text.size();
    std::string Line = Text.substr(Start, End - Start);
    Start = End + 1;
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    if (Trim(Line).empty()) continue;
    const std::size_t Colon = Line.find(':');
    const std::string Name = Colon == std::string::npos ? std::string() : Trim(Line.substr(0, Colon));
    bool Bad = Name.empty();
    for (unsigned char C : Name) Bad = Bad || C <= 0x20 || C >= 0x7F;
    for (unsigned char C : Line) Bad = Bad || C == '\r' || C == 0;
    if (Bad) return Fail(ERROR_HTTP_INVALID_HEADER, "not a header line: " + Line);
    Add.emplace_back(Name, Trim(Line.substr(Colon + 1)));
  }
  for (const auto& Item : Add) {
    const std::string& Name = Item.first;
    const std::string& Value = Item.second;
    auto It = std::find_if(FHeaders.begin(), FHeaders.end(), [&](const std::string& H) {
      return SameName(Trim(H.substr(0, H.find(':'))), Name);
    });
    if ((Modifiers & HTTP_ADDREQ_FLAG_REPLACE) && It != FHeaders.end()) {
      if (Value.empty())
        FHeaders.erase(It);
      else
        *It = Name + ": " + Value;
    } else if (!Value.empty() || !(Modifiers & HTTP_ADDREQ_FLAG_REPLACE)) {
      FHeaders.push_back(Name + ": " + Value);
    }
  }
  return true;
}

void TRequest::BuildHeaderList() {
  curl_slist_free_all(FHeaderList);
  FHeaderList = nullptr;
  auto Has = [&](const char* Name) {
    return std::any_of(FHeaders.begin(), FHeaders.end(),
                       [&](const std::string& H) { return SameName(Trim(H.substr(0, H.find(':'))), Name); });
  };
  auto Append = [&](const std::string& Line) { FHeaderList = curl_slist_append(FHeaderList, Line.c_str()); };
  if (!FAccept.empty() && !Has("Accept")) {
    std::string A = "Accept: ";
    for (std::size_t I = 0; I < FAccept.size(); ++I) A += (I ? ", " : "") + FAccept[I];
    Append(A);
  }
  if (FFlags & (INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_RELOAD)) {
    if (!Has("Pragma")) Append("Pragma: no-cache");
    if (!Has("Cache-Control")) Append("Cache-Control: no-cache");
  }
  for (const auto& H : FHeaders) Append(H);
  if (!Has("Expect")) Append("Expect:");  // WinINet sends the body at once
  if (FHasBody && !Has("Content-Type")) Append("Content-Type:");  // nor does it invent a type
}

// ---------- sending ----------

bool TRequest::Begin(const std::string& Headers, std::string Body, std::uint64_t Total, bool Streaming,
                     TBodySource Source) {
  if (!Sticky()) return false;
  if (IsOffline() || Session().Offline) return Fail(ERROR_INTERNET_DISCONNECTED, "working offline");
  if (!Headers.empty() && !AddHeaders(Headers, HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE)) return false;
  Detach();
  FUpload = std::move(Body);
  FGiven = FUpload.size();
  FSource = std::move(Source);
  FWriteData = nullptr;
  FUploadTotal = Total;
  FUploadPos = 0;
  FState = Streaming ? TState::Streaming : TState::Idle;
  FStreaming = Streaming;
  FFailCode = 0;
  FFailText.clear();
  FRedirects = 0;
  FResponse = TResponse();
  FMethod = FVerb;
  FHasBody = Streaming || Total > 0 || FVerb == "POST" || FVerb == "PUT";

  std::string Url;
  if (IsAbsoluteUrl(FObject)) {
    Url = EscapeUnsafe(FObject);
  } else {
    const bool Secure = FFlags & INTERNET_FLAG_SECURE;
    const std::uint16_t Default = Secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
    const std::uint16_t Port = FConnection->Port ? FConnection->Port : Default;
    Url = std::string(Secure ? "https" : "http") + "://" + UrlHost(FConnection->Host) +
          (Port != Default ? ":" + std::to_string(Port) : std::string()) + EscapeUnsafe(FObject);
  }
  TUrlParts P;
  if (!SplitUrl(Url, P)) return Fail(ERROR_INTERNET_INVALID_URL, "cannot parse " + Url);
  FOrigin = P.Origin();
  return StartHop(Url);
}

bool TRequest::StartHop(const std::string& Url) {
  Detach();
  FBlock = TResponse();
  FBlockComplete = false;
  FConnectResponse = TResponse();
  FIssued = FSentReported = FResolving = FSocketOpened = FConnectedReported = false;
  FFinal = FDone = false;
  FResult = CURLE_OK;
  FCertProblem = TCertProblem::None;
  FBody.clear();
  FBodyPos = 0;
  FWritePaused = FReadPaused = false;
  FUploadPos = 0;
  FErrorBuffer[0] = 0;

  TUrlParts P;
  if (!SplitUrl(Url, P)) return Fail(ERROR_INTERNET_INVALID_URL, "cannot parse " + Url);
  if (P.Scheme != "http" && P.Scheme != "https") return Fail(ERROR_INTERNET_UNRECOGNIZED_SCHEME, Url);
  FUrl = Url;
  FHopHost = P.Host;
  // RFC 6761: names under "invalid" never resolve, and no resolver is asked.
  std::string Host = Lower(P.Host);
  if (!Host.empty() && Host.back() == '.') Host.pop_back();
  if (Host == "invalid" || (Host.size() > 8 && Host.compare(Host.size() - 8, 8, ".invalid") == 0)) {
    StatusText(INTERNET_STATUS_RESOLVING_NAME, P.Host);
    FState = TState::Failed;
    FFailCode = ERROR_INTERNET_NAME_NOT_RESOLVED;
    FFailText = "Could not resolve host: " + P.Host;
    return Fail(FFailCode, FFailText);
  }
  CURL* E = FEasy;
  curl_easy_setopt(E, CURLOPT_URL, FUrl.c_str());

  if (FHasBody) {
    curl_easy_setopt(E, CURLOPT_POST, 1L);
    curl_easy_setopt(E, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(FUploadTotal));
    curl_easy_setopt(E, CURLOPT_CUSTOMREQUEST, FMethod == "POST" ? nullptr : FMethod.c_str());
  } else if (FMethod == "HEAD") {
    curl_easy_setopt(E, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(E, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(E, CURLOPT_NOBODY, 1L);
  } else {
    curl_easy_setopt(E, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(E, CURLOPT_CUSTOMREQUEST, FMethod == "GET" ? nullptr : FMethod.c_str());
  }

  // Server credentials go only to the host and port the request was made for.
  FOfferServerAuth = !(FFlags & INTERNET_FLAG_NO_AUTH) && !Options.UserName.empty() && P.Origin() == FOrigin;
  if (FOfferServerAuth && FStreaming && FStreamServerAuth == 0) {
    // Not offered before a challenge: curl would answer it by sending the body a second time
    // itself, where the caller expects to be told (ERROR_INTERNET_FORCE_RETRY).
    curl_easy_setopt(E, CURLOPT_USERNAME, nullptr);
    curl_easy_setopt(E, CURLOPT_PASSWORD, nullptr);
    curl_easy_setopt(E, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
  } else if (FOfferServerAuth) {
    curl_easy_setopt(E, CURLOPT_USERNAME, Options.UserName.c_str());
    curl_easy_setopt(E, CURLOPT_PASSWORD, Options.Password.c_str());
    curl_easy_setopt(E, CURLOPT_HTTPAUTH, FStreaming ? FStreamServerAuth : static_cast<long>(CURLAUTH_ANY));
  } else {
    curl_easy_setopt(E, CURLOPT_USERNAME, nullptr);
    curl_easy_setopt(E, CURLOPT_PASSWORD, nullptr);
    curl_easy_setopt(E, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
  }
  const TSession& S = Session();
  if (S.AccessType == INTERNET_OPEN_TYPE_PROXY) {
    // An empty proxy is no proxy, whatever the environment says.
    const std::string Proxy = ProxyBypassed(S.ProxyBypass, P.Scheme, P.Host, P.Port) ? "" : ProxyFor(P.Scheme);
    curl_easy_setopt(E, CURLOPT_PROXY, Proxy.c_str());
  }
  FOfferProxyAuth = S.AccessType != INTERNET_OPEN_TYPE_DIRECT && !Options.ProxyUserName.empty();
  if (FOfferProxyAuth && FStreaming && FStreamProxyAuth == 0 && P.Scheme != "https") {
    curl_easy_setopt(E, CURLOPT_PROXYUSERNAME, nullptr);
    curl_easy_setopt(E, CURLOPT_PROXYPASSWORD, nullptr);
  } else if (FOfferProxyAuth) {
    curl_easy_setopt(E, CURLOPT_PROXYUSERNAME, Options.ProxyUserName.c_str());
    curl_easy_setopt(E, CURLOPT_PROXYPASSWORD, Options.ProxyPassword.c_str());
    curl_easy_setopt(E, CURLOPT_PROXYAUTH,
                     FStreaming && FStreamProxyAuth ? FStreamProxyAuth : static_cast<long>(CURLAUTH_ANY));
  } else {
    curl_easy_setopt(E, CURLOPT_PROXYUSERNAME, nullptr);
    curl_easy_setopt(E, CURLOPT_PROXYPASSWORD, nullptr);
  }
  curl_easy_setopt(E, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(Options.ConnectTimeout));

  FCertIgnore = (Options.SecurityFlags | FFlags) & kCertFlags;
  if (!(Options.SecurityFlags & SECURITY_FLAG_IGNORE_UNKNOWN_CA)) FCertIgnore &= ~SECURITY_FLAG_IGNORE_UNKNOWN_CA;
  // A connection verified under laxer settings is not reused under stricter ones.
  curl_easy_setopt(E, CURLOPT_FRESH_CONNECT, FConnectedOnce && FCertIgnore != FLastCertIgnore ? 1L : 0L);
  FLastCertIgnore = FCertIgnore;
  FConnectedOnce = true;

  BuildHeaderList();
  curl_easy_setopt(E, CURLOPT_HTTPHEADER, FHeaderList);
  if (curl_multi_add_handle(FMulti, E) != CURLM_OK) return Fail(ERROR_INTERNET_INTERNAL_ERROR, "curl_multi_add_handle");
  FAttached = true;
  Touch();
  return true;
}

std::string TRequest::ProxyFor(const std::string& Scheme) const {
  // "host:port", or per scheme: "http=host:port https=host:port".
  std::string Plain, Item;
  std::string Found;
  auto Flush = [&] {
    const auto Eq = Item.find('=');
    if (Eq != std::string::npos && Item.find(':') > Eq) {
      if (Found.empty() && Lower(Item.substr(0, Eq)) == Scheme) Found = Item.substr(Eq + 1);
    } else if (Plain.empty()) {
      Plain = Item;
    }
    Item.clear();
  };
  for (char C : Session().Proxy) {
    if (C == ';' || C == ' ' || C == '\t') {
      if (!Item.empty()) Flush();
    } else {
      Item += C;
    }
  }
  if (!Item.empty()) Flush();
  return Found.empty() ? Plain : Found;
}

bool TRequest::AuthMayFollow(int Code) const {
  return (Code == 401 && FOfferServerAuth) || (Code == 407 && FOfferProxyAuth);
}

bool TRequest::FinalCandidate() const { return FFinal || FDone; }

bool TRequest::ConnectRefused() {
  long Code = 0;
  curl_easy_getinfo(FEasy, CURLINFO_HTTP_CONNECTCODE, &Code);
  return FDone && FResult != CURLE_OK && Code >= 300 && FConnectResponse.Status == Code;
}

bool TRequest::ToFinalHeaders() {
  for (;;) {
    if (!Drive([this] { return FinalCandidate(); })) return false;
    const bool HaveBlock = FFinal || (FBlockComplete && FBlock.Status >= 200 && !FBlock.FromProxyConnect);
    if (!HaveBlock) {
      if (ConnectRefused()) {
        // The proxy refused the tunnel (407 and the like): its answer is the response.
        FResponse = FConnectResponse;
        FBody.clear();
        FBodyPos = 0;
        FResult = CURLE_OK;
        FHaveResponse = true;
        FState = TState::Response;
        return true;
      }
      if (FResult == CURLE_OK) {
        FState = TState::Failed;
        FFailCode = ERROR_HTTP_INVALID_SERVER_RESPONSE;
        FFailText = "no response headers";
        return Fail(FFailCode, FFailText);
      }
      return FailTransfer();
    }
    FResponse = FBlock;
    const int Code = FResponse.Status;
    const bool Redirect = Code == 301 || Code == 302 || Code == 303 || Code == 307 || Code == 308;
    char* Next = nullptr;
    if (Redirect && !(FFlags & INTERNET_FLAG_NO_AUTO_REDIRECT) && FResponse.Find("Location") &&
        curl_easy_getinfo(FEasy, CURLINFO_REDIRECT_URL, &Next) == CURLE_OK && Next && *Next) {
      const std::string Url = Next;
      TUrlParts From, To;
      SplitUrl(FUrl, From);
      auto Refuse = [&](unsigned Error, const std::string& Text) {
        FState = TState::Failed;
        FFailCode = Error;
        FFailText = Text;
        Detach();
        return Fail(Error, Text);
      };
      if (!SplitUrl(Url, To) || (To.Scheme != "http" && To.Scheme != "https"))
        return Refuse(ERROR_HTTP_REDIRECT_FAILED, "cannot follow the redirect to " + Url);
      if (From.Scheme == "https" && To.Scheme == "http" && !(FFlags & INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP))
        return Refuse(ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR, "redirect from https to http: " + Url);
      if (++FRedirects > kMaxRedirects) return Refuse(ERROR_HTTP_REDIRECT_FAILED, "too many redirects");
      StatusText(INTERNET_STATUS_REDIRECT, Url);
      // As browsers do: 303 turns everything but HEAD into GET, 301/302 turn POST into GET.
      if ((Code == 303 && FMethod != "HEAD") || ((Code == 301 || Code == 302) && FMethod == "POST")) {
        FMethod = FMethod == "HEAD" ? "HEAD" : "GET";
        FHasBody = false;
      }
      if (!StartHop(Url)) return false;
      continue;
    }
    if (!FResponse.Find("Transfer-Encoding") && ConflictingLengths(FResponse)) {
      // The body's end cannot be known (RFC 9112, 6.3): no response rather than a guess.
      FState = TState::Failed;
      FFailCode = ERROR_HTTP_INVALID_SERVER_RESPONSE;
      FFailText = "Content-Length values that differ";
      Detach();
      return Fail(FFailCode, FFailText);
    }
    FHaveResponse = true;
    FState = TState::Response;
    const auto Bytes = static_cast<std::uint32_t>(FResponse.Bytes);
    Status(INTERNET_STATUS_RESPONSE_RECEIVED, &Bytes, sizeof Bytes);
    return true;
  }
}

bool TRequest::Send(const std::string& Headers, const void* Data, std::size_t Length) {
  FHaveResponse = false;
  std::string Body = Length ? std::string(static_cast<const char*>(Data), Length) : std::string();
  const bool Ok = Begin(Headers, std::move(Body), Length, false) && ToFinalHeaders();
  Complete(Ok);
  return Ok;
}

bool TRequest::SendEx(const std::string& Headers, std::uint64_t TotalLength, TBodySource Source) {
  FHaveResponse = false;
  if (!Begin(Headers, std::string(), TotalLength, true, std::move(Source))) return false;
  if (!FSource) FUpload.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(TotalLength, 64u << 20)));
  // Initiated once curl asks for the first body bytes (or, without a body, has sent the request).
  if (!Drive([this] { return FReadPaused || FFinal || (FIssued && FUploadTotal == 0); })) return false;
  if (FDone && FResult != CURLE_OK && !FBlockComplete && !ConnectRefused()) return FailTransfer();
  return true;
}

bool TRequest::Write(const void* Buffer, std::size_t Length, std::size_t& Written) {
  Written = 0;
  if (!Sticky()) return false;
  if (FState != TState::Streaming) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE, "no streamed send");
  if (FDone && FResult != CURLE_OK && !FBlockComplete && !ConnectRefused()) return FailTransfer();
  const std::size_t N = static_cast<std::size_t>(std::min<std::uint64_t>(Length, FUploadTotal - FGiven));
  // With a source, curl takes the block straight from the caller's buffer while this call
  // lasts, and anything it needs again later comes from the source: no copy is kept.
  struct TEndWrite {
    TRequest& R;
    ~TEndWrite() { R.FWriteData = nullptr; }
  } EndWrite{*this};
  if (FSource) {
    FWriteData = static_cast<const char*>(Buffer);
    FWriteStart = FGiven;
  } else {
    FUpload.append(static_cast<const char*>(Buffer), N);
  }
  FGiven += N;
  Written = N;
  if (N == 0 || FFinal || FDone) return true;  // the server answered already; the rest is not sent
  if (FReadPaused) {
    FReadPaused = false;
    curl_easy_pause(FEasy, CURLPAUSE_CONT);
  }
  if (!Drive([this] { return FUploadPos >= FGiven || FFinal; })) return false;
  if (FDone && FResult != CURLE_OK && !FBlockComplete && !ConnectRefused()) return FailTransfer();
  return true;
}

bool TRequest::End() {
  if (!Sticky()) return false;
  if (FState != TState::Streaming) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE, "no streamed send");
  bool Ok;
  if (FGiven < FUploadTotal && !FDone && !FFinal) {
    FState = TState::Failed;
    FFailCode = ERROR_INTERNET_INCORRECT_HANDLE_STATE;
    FFailText = "the body is shorter than announced";
    Detach();
    Ok = Fail(FFailCode, FFailText);
  } else {
    FState = TState::Idle;
    if (FReadPaused) {
      FReadPaused = false;
      curl_easy_pause(FEasy, CURLPAUSE_CONT);
    }
    Ok = ToFinalHeaders();
    // A challenge to a streamed body that credentials we hold can answer: the caller sends
    // the whole request again, and then the credentials go with it.
    const auto Scheme = [this](const char* Header) {
      const std::string* V = FResponse.Find(Header);
      const std::string S = V ? Lower(V->substr(0, V->find(' '))) : std::string();
      return S == "basic" ? static_cast<long>(CURLAUTH_BASIC)
             : S == "digest" ? static_cast<long>(CURLAUTH_DIGEST)
                             : static_cast<long>(CURLAUTH_ANY);
    };
    if (Ok && FResponse.Status == 401 && FOfferServerAuth && FStreamServerAuth == 0) {
      FStreamServerAuth = Scheme("WWW-Authenticate");
      Ok = Fail(ERROR_INTERNET_FORCE_RETRY, "the server asks for the credentials: send again");
    } else if (Ok && FResponse.Status == 407 && FOfferProxyAuth && FStreamProxyAuth == 0) {
      FStreamProxyAuth = Scheme("Proxy-Authenticate");
      Ok = Fail(ERROR_INTERNET_FORCE_RETRY, "the proxy asks for the credentials: send again");
    }
  }
  FStreaming = false;
  // No hop starts after this call, so once curl has every byte the source is not needed.
  if (FUploadPos >= FUploadTotal) FSource = nullptr;
  Complete(Ok);
  return Ok;
}

// ---------- the response ----------

bool TRequest::Query(unsigned InfoLevel, std::string& Value) const {
  if (FCancelled) return Fail(ERROR_INTERNET_OPERATION_CANCELLED, "the request was cancelled");
  if (!FHaveResponse) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE, "no response yet");
  const TResponse& R = FResponse;
  switch (InfoLevel) {
    case HTTP_QUERY_STATUS_CODE: Value = std::to_string(R.Status); return true;
    case HTTP_QUERY_STATUS_TEXT: Value = R.Reason; return true;
    case HTTP_QUERY_VERSION: Value = R.Version; return true;
    case HTTP_QUERY_RAW_HEADERS_CRLF:
      Value = R.StatusLine + "\r\n";
      for (const auto& L : R.Lines) Value += L + "\r\n";
      Value += "\r\n";
      return true;
    default: break;
  }
  static const std::pair<unsigned, const char*> Names[] = {
      {HTTP_QUERY_CONTENT_TYPE, "Content-Type"},
      {HTTP_QUERY_CONTENT_LENGTH, "Content-Length"},
      {HTTP_QUERY_CONTENT_LANGUAGE, "Content-Language"},
      {HTTP_QUERY_DATE, "Date"},
      {HTTP_QUERY_EXPIRES, "Expires"},
      {HTTP_QUERY_LAST_MODIFIED, "Last-Modified"},
      {HTTP_QUERY_PRAGMA, "Pragma"},
      {HTTP_QUERY_CONNECTION, "Connection"},
      {HTTP_QUERY_CONTENT_ENCODING, "Content-Encoding"},
      {HTTP_QUERY_LOCATION, "Location"},
      {HTTP_QUERY_WWW_AUTHENTICATE, "WWW-Authenticate"},
      {HTTP_QUERY_PROXY_AUTHENTICATE, "Proxy-Authenticate"},
      {HTTP_QUERY_ACCEPT_RANGES, "Accept-Ranges"},
      {HTTP_QUERY_SET_COOKIE, "Set-Cookie"},
      {HTTP_QUERY_CACHE_CONTROL, "Cache-Control"},
      {HTTP_QUERY_CONTENT_RANGE, "Content-Range"},
      {HTTP_QUERY_ETAG, "ETag"},
      {HTTP_QUERY_TRANSFER_ENCODING, "Transfer-Encoding"},
  };
  std::string Name;
  if (InfoLevel == HTTP_QUERY_CUSTOM) {
    Name = Value;
  } else {
    for (const auto& [Level, Text] : Names)
      if (Level == InfoLevel) Name = Text;
  }
  const std::string* Found = Name.empty() ? nullptr : R.Find(Name);
  if (!Found) return Fail(ERROR_HTTP_HEADER_NOT_FOUND, "no header " + Name);
  Value = *Found;
  return true;
}

bool TRequest::Read(void* Buffer, std::size_t Length, std::size_t& Read) {
  auto* Out = static_cast<char*>(Buffer);
  std::size_t Filled = 0;
  const TBodySink Copy = [&](const char* Data, std::size_t N) {
    std::memcpy(Out + Filled, Data, N);
    Filled += N;
    return true;
  };
  if (ReadTo(Length, Copy, Read)) return true;
  Read = 0;
  return false;
}

bool TRequest::ReadTo(std::size_t Length, const TBodySink& Sink, std::size_t& Read) {
  Read = 0;
  if (!Sticky()) return false;
  if (!FHaveResponse) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE, "no response yet");
  if (FState == TState::Failed) return Fail(FFailCode, FFailText);
  // A synchronous read takes Length bytes unless the body ends first, so callers see one
  // call per block, whatever sizes the network delivers in.
  auto Refused = [this] {
    FState = TState::Failed;
    FFailCode = ERROR_INTERNET_OPERATION_CANCELLED;
    FFailText = "the reader refused the data";
    Detach();
    return Fail(FFailCode, FFailText);
  };
  while (Read < Length) {
    if (FBodyPos >= FBody.size()) {
      if (FDone) break;
      FBody.clear();
      FBodyPos = 0;
      FSink = &Sink;
      FSinkRoom = Length - Read;
      FSinkGot = 0;
      FSinkRefused = false;
      struct TEndSink {
        TRequest& R;
        ~TEndSink() { R.FSink = nullptr; }
      } EndSink{*this};
      if (FWritePaused) {
        FWritePaused = false;
        curl_easy_pause(FEasy, CURLPAUSE_CONT);  // may hand over the held-back data at once
      }
      if (FSinkGot == 0 && FBody.empty() && !FSinkRefused) {
        Status(INTERNET_STATUS_RECEIVING_RESPONSE);
        // What was read so far is delivered and the failure reported by the next call; a
        // cancelled read ends at once.
        if (!Drive([this] { return FSinkGot > 0 || FBodyPos < FBody.size() || FSinkRefused; })) {
          Read += FSinkGot;  // the sink has it, whatever is answered
          return Read > 0 && !FClosing;
        }
        const auto Bytes = static_cast<std::uint32_t>(FSinkGot + FBody.size());
        if (Bytes) Status(INTERNET_STATUS_RESPONSE_RECEIVED, &Bytes, sizeof Bytes);
      }
      Read += FSinkGot;
      if (FSinkRefused) return Refused();
      if (FSinkGot > 0) continue;
      if (FBodyPos >= FBody.size()) break;  // the body ended
    }
    const std::size_t N = std::min(Length - Read, FBody.size() - FBodyPos);
    if (!Sink(FBody.data() + FBodyPos, N)) return Refused();
    FBodyPos += N;
    Read += N;
  }
  if (Read == 0 && FResult != CURLE_OK) return FailTransfer();
  return true;
}

}  // namespace zu::inet::detail
