#include "platform/inet/Inet.h"

#include <openssl/crypto.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <unordered_map>

#include "platform/inet/InetPrivate.h"
#include "platform/inet/InetRequest.h"

namespace zu::inet {

namespace detail {

namespace {

thread_local unsigned tLastError = 0;
thread_local std::string tLastErrorText;
std::atomic<bool> gOffline{false};

void LockShare(CURL*, curl_lock_data Data, curl_lock_access, void* User) {
  static_cast<TSession*>(User)->ShareLocks[static_cast<std::size_t>(Data)].lock();
}

void UnlockShare(CURL*, curl_lock_data Data, void* User) {
  static_cast<TSession*>(User)->ShareLocks[static_cast<std::size_t>(Data)].unlock();
}

}  // namespace

void SetLastError(unsigned Code, const std::string& Text) {
  tLastError = Code;
  tLastErrorText = Text;
}

namespace {

std::atomic<int> gLiveThreadScopes{0};

void WaitForThreadScopes() {
  for (int I = 0; I < 500 && gLiveThreadScopes.load() > 0; ++I) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

}  // namespace

void EnsureCurl() {
  static std::once_flag Once;
  std::call_once(Once, [] {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    // The TLS library registers its clean-up at exit during the call above; handlers run in
    // reverse order, so this wait runs before it.
    std::atexit(WaitForThreadScopes);
  });
}

bool IsOffline() { return gOffline; }
void SetOffline(bool Offline) { gOffline = Offline; }

unsigned ErrorFromCurl(CURLcode Code, long OsErrno) {
  switch (Code) {
    case CURLE_OK: return 0;
    case CURLE_UNSUPPORTED_PROTOCOL: return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    case CURLE_URL_MALFORMAT: return ERROR_INTERNET_INVALID_URL;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST: return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT: return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT: return ERROR_INTERNET_TIMEOUT;
    case CURLE_ABORTED_BY_CALLBACK: return ERROR_INTERNET_OPERATION_CANCELLED;
    case CURLE_TOO_MANY_REDIRECTS: return ERROR_HTTP_REDIRECT_FAILED;
    case CURLE_WEIRD_SERVER_REPLY: return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_GOT_NOTHING: return ERROR_INTERNET_CONNECTION_RESET;
    case CURLE_PARTIAL_FILE: return ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
      return OsErrno == ECONNRESET || OsErrno == EPIPE ? ERROR_INTERNET_CONNECTION_RESET
                                                       : ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_PEER_FAILED_VERIFICATION: return ERROR_INTERNET_SEC_INVALID_CERT;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_USE_SSL_FAILED: return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
    default: return ERROR_INTERNET_INTERNAL_ERROR;
  }
}

TSession::TSession() : TObject(TKind::Session) {
  EnsureCurl();
  Share = curl_share_init();
  if (!Share) return;
  curl_share_setopt(Share, CURLSHOPT_LOCKFUNC, &LockShare);
  curl_share_setopt(Share, CURLSHOPT_UNLOCKFUNC, &UnlockShare);
  curl_share_setopt(Share, CURLSHOPT_USERDATA, this);
  curl_share_setopt(Share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
}

TSession::~TSession() {
  if (Share) curl_share_cleanup(Share);
}

void TSession::SetCallback(TStatusCallback Callback) {
  std::lock_guard<std::mutex> L(FCallbackLock);
  FCallback = std::move(Callback);
}

void TSession::Notify(HINTERNET H, std::uintptr_t Context, unsigned Status, const void* Info, unsigned Length) {
  TStatusCallback Cb;
  {
    std::lock_guard<std::mutex> L(FCallbackLock);
    Cb = FCallback;
  }
  if (Cb) Cb(H, Context, Status, Info, Length);
}

void TSession::NotifyText(HINTERNET H, std::uintptr_t Context, unsigned Status, const std::string& Text) {
  Notify(H, Context, Status, Text.c_str(), static_cast<unsigned>(Text.size() + 1));
}

}  // namespace detail

using namespace detail;

namespace {

// Handle values are numbers from a counter, never addresses: a stale value finds nothing.
std::mutex gHandlesLock;
std::unordered_map<std::uintptr_t, std::shared_ptr<TObject>> gHandles;
std::uintptr_t gNextHandle = 0x1000;

HINTERNET Register(const std::shared_ptr<TObject>& O) {
  std::lock_guard<std::mutex> L(gHandlesLock);
  gNextHandle += 0x10;
  O->Handle = reinterpret_cast<HINTERNET>(gNextHandle);
  gHandles.emplace(gNextHandle, O);
  return O->Handle;
}

std::shared_ptr<TObject> Find(HINTERNET H) {
  std::lock_guard<std::mutex> L(gHandlesLock);
  auto It = gHandles.find(reinterpret_cast<std::uintptr_t>(H));
  return It == gHandles.end() ? nullptr : It->second;
}

// Find, failing with ERROR_INVALID_HANDLE.
std::shared_ptr<TObject> FindOpen(HINTERNET H) {
  auto O = Find(H);
  if (!O) SetLastError(ERROR_INVALID_HANDLE, "not an open handle");
  return O;
}

template <class T>
std::shared_ptr<T> Get(HINTERNET H, TKind Kind) {
  auto O = FindOpen(H);
  if (!O) return nullptr;
  if (O->Kind != Kind) {
    SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE, "wrong kind of handle");
    return nullptr;
  }
  return std::static_pointer_cast<T>(O);
}

std::shared_ptr<TSession> SessionOf(const std::shared_ptr<TObject>& O) {
  switch (O->Kind) {
    case TKind::Session: return std::static_pointer_cast<TSession>(O);
    case TKind::Connect: return std::static_pointer_cast<TConnection>(O)->Session;
    case TKind::Request: return static_cast<TRequest&>(*O).SessionPtr();
  }
  return nullptr;
}

std::uintptr_t ContextOf(const TObject& O) {
  if (O.Kind == TKind::Connect) return static_cast<const TConnection&>(O).Context;
  if (O.Kind == TKind::Request) return static_cast<const TRequest&>(O).EventContext();
  return 0;
}

void NotifyCreated(TSession& S, const TObject& O) {
  INTERNET_ASYNC_RESULT R{reinterpret_cast<std::uintptr_t>(O.Handle), 0};
  S.Notify(O.Handle, ContextOf(O), INTERNET_STATUS_HANDLE_CREATED, &R, sizeof R);
}

// The field of a numeric option; null for any other option.
std::uint32_t* NumericOption(TObject& O, unsigned Option) {
  switch (Option) {
    case INTERNET_OPTION_CONNECT_TIMEOUT: return &O.Options.ConnectTimeout;
    case INTERNET_OPTION_SEND_TIMEOUT: return &O.Options.SendTimeout;
    case INTERNET_OPTION_RECEIVE_TIMEOUT: return &O.Options.ReceiveTimeout;
    case INTERNET_OPTION_SECURITY_FLAGS: return &O.Options.SecurityFlags;
    default: return nullptr;
  }
}

}  // namespace

unsigned GetLastInternetError() { return tLastError; }
std::string GetLastInternetErrorText() { return tLastErrorText; }

HINTERNET InternetOpen(const std::string& Agent, unsigned AccessType, const std::string& Proxy,
                       const std::string& ProxyBypass, unsigned Flags) {
  if (AccessType == 4) AccessType = INTERNET_OPEN_TYPE_PRECONFIG;  // PRECONFIG_WITH_NO_AUTOPROXY
  if (AccessType != INTERNET_OPEN_TYPE_PRECONFIG && AccessType != INTERNET_OPEN_TYPE_DIRECT &&
      AccessType != INTERNET_OPEN_TYPE_PROXY) {
    SetLastError(ERROR_INTERNET_INVALID_OPTION, "unknown access type");
    return nullptr;
  }
  if (AccessType == INTERNET_OPEN_TYPE_PROXY && Proxy.empty()) {
    SetLastError(ERROR_INTERNET_INVALID_OPTION, "no proxy named");
    return nullptr;
  }
  auto S = std::make_shared<TSession>();
  if (!S->Share) {
    SetLastError(ERROR_INTERNET_INTERNAL_ERROR, "curl_share_init failed");
    return nullptr;
  }
  S->Agent = Agent;
  S->AccessType = AccessType;
  S->Proxy = Proxy;
  S->ProxyBypass = ProxyBypass;
  S->Flags = Flags;
  S->Offline = Flags & INTERNET_FLAG_OFFLINE;
  return Register(S);
}

void InternetSetStatusCallback(HINTERNET Internet, TStatusCallback Callback) {
  auto O = FindOpen(Internet);
  if (!O) return;
  if (auto S = SessionOf(O)) S->SetCallback(std::move(Callback));
}

HINTERNET InternetConnect(HINTERNET Internet, const std::string& ServerName, std::uint16_t ServerPort,
                          const std::string& UserName, const std::string& Password, unsigned Service,
                          unsigned Flags, std::uintptr_t Context) {
  auto S = Get<TSession>(Internet, TKind::Session);
  if (!S) return nullptr;
  if (Service != INTERNET_SERVICE_HTTP) {
    SetLastError(ERROR_INTERNET_INVALID_OPTION, "only the HTTP service");
    return nullptr;
  }
  std::string Host = ServerName;
  if (Host.size() > 2 && Host.front() == '[' && Host.back() == ']') Host = Host.substr(1, Host.size() - 2);
  if (Host.empty()) {
    SetLastError(ERROR_INTERNET_INVALID_URL, "no server name");
    return nullptr;
  }
  auto C = std::make_shared<TConnection>();
  {
    std::lock_guard<std::mutex> L(S->CallLock);
    C->Options = S->Options;
  }
  C->Session = S;
  C->Host = Host;
  C->Port = ServerPort;
  C->Context = Context;
  if (!UserName.empty()) C->Options.UserName = UserName;
  if (!Password.empty()) C->Options.Password = Password;
  Register(C);
  NotifyCreated(*S, *C);
  return C->Handle;
}

HINTERNET HttpOpenRequest(HINTERNET Connect, const std::string& Verb, const std::string& ObjectName,
                          const std::string& Version, const std::string& Referer,
                          const std::vector<std::string>& AcceptTypes, std::uint32_t Flags,
                          std::uintptr_t Context) {
  auto C = Get<TConnection>(Connect, TKind::Connect);
  if (!C) return nullptr;
  std::shared_ptr<TRequest> R;
  {
    std::lock_guard<std::mutex> L(C->CallLock);
    R = std::make_shared<TRequest>(C, Verb, ObjectName, Version, Referer, AcceptTypes, Flags, Context);
  }
  if (!R->Valid()) {
    SetLastError(ERROR_INTERNET_INTERNAL_ERROR, "curl_easy_init failed");
    return nullptr;
  }
  Register(R);
  NotifyCreated(*C->Session, *R);
  return R->Handle;
}

bool InternetSetOption(HINTERNET Handle, unsigned Option, std::uint32_t Value) {
  if (!Handle) {
    if (Option == INTERNET_OPTION_CONNECTED_STATE) {
      SetOffline(Value & INTERNET_STATE_DISCONNECTED_BY_USER);
      return true;
    }
    SetLastError(ERROR_INTERNET_INVALID_OPTION, "option needs a handle");
    return false;
  }
  auto O = FindOpen(Handle);
  if (!O) return false;
  std::uint32_t* Field = NumericOption(*O, Option);
  if (!Field) {
    SetLastError(ERROR_INTERNET_INVALID_OPTION, "not a numeric option");
    return false;
  }
  std::lock_guard<std::mutex> L(O->CallLock);
  *Field = Value;
  return true;
}

bool InternetSetOption(HINTERNET Handle, unsigned Option, const std::string& Value) {
  auto O = FindOpen(Handle);
  if (!O) return false;
  std::lock_guard<std::mutex> L(O->CallLock);
  switch (Option) {
    case INTERNET_OPTION_USERNAME: O->Options.UserName = Value; return true;
    case INTERNET_OPTION_PASSWORD: O->Options.Password = Value; return true;
    case INTERNET_OPTION_PROXY_USERNAME: O->Options.ProxyUserName = Value; return true;
    case INTERNET_OPTION_PROXY_PASSWORD: O->Options.ProxyPassword = Value; return true;
    default: break;
  }
  SetLastError(ERROR_INTERNET_INVALID_OPTION, "not a text option");
  return false;
}

bool InternetQueryOption(HINTERNET Handle, unsigned Option, std::uint32_t& Value) {
  if (!Handle) {
    if (Option != INTERNET_OPTION_CONNECTED_STATE) {
      SetLastError(ERROR_INTERNET_INVALID_OPTION, "option needs a handle");
      return false;
    }
    Value = IsOffline() ? INTERNET_STATE_DISCONNECTED_BY_USER : INTERNET_STATE_CONNECTED;
    return true;
  }
  auto O = FindOpen(Handle);
  if (!O) return false;
  const std::uint32_t* Field = NumericOption(*O, Option);
  if (!Field) {
    SetLastError(ERROR_INTERNET_INVALID_OPTION, "not a numeric option");
    return false;
  }
  std::lock_guard<std::mutex> L(O->CallLock);
  Value = *Field;
  return true;
}

// No dialog on Linux: going online is the user's standing wish to be online.
bool InternetGoOnline(const std::string&) {
  SetOffline(false);
  return true;
}

void InternetGoOffline() { SetOffline(true); }

namespace {

// One call on a request: the handle is held for the call, so closing it meanwhile is safe.
template <class Fn>
bool OnRequest(HINTERNET Handle, Fn&& Call) {
  auto R = Get<TRequest>(Handle, TKind::Request);
  if (!R) return false;
  std::lock_guard<std::mutex> L(R->CallLock);
  return Call(*R);
}

}  // namespace

bool HttpAddRequestHeaders(HINTERNET Request, const std::string& Headers, unsigned Modifiers) {
  return OnRequest(Request, [&](TRequest& R) { return R.AddHeaders(Headers, Modifiers); });
}

bool HttpSendRequest(HINTERNET Request, const std::string& Headers, const void* Optional, std::size_t OptionalLength) {
  return OnRequest(Request, [&](TRequest& R) { return R.Send(Headers, Optional, OptionalLength); });
}

bool HttpSendRequestEx(HINTERNET Request, const std::string& Headers, std::uint64_t TotalLength,
                       TBodySource Source) {
  return OnRequest(Request, [&](TRequest& R) { return R.SendEx(Headers, TotalLength, std::move(Source)); });
}

bool InternetWriteFile(HINTERNET Request, const void* Buffer, std::size_t Length, std::size_t& Written) {
  Written = 0;
  return OnRequest(Request, [&](TRequest& R) { return R.Write(Buffer, Length, Written); });
}

bool HttpEndRequest(HINTERNET Request) {
  return OnRequest(Request, [](TRequest& R) { return R.End(); });
}

bool HttpQueryInfo(HINTERNET Request, unsigned InfoLevel, std::string& Value) {
  return OnRequest(Request, [&](TRequest& R) { return R.Query(InfoLevel, Value); });
}

bool InternetReadFile(HINTERNET Request, void* Buffer, std::size_t Length, std::size_t& Read) {
  Read = 0;
  return OnRequest(Request, [&](TRequest& R) { return R.Read(Buffer, Length, Read); });
}

bool InternetReadFileTo(HINTERNET Request, std::size_t Length, const TBodySink& Sink, std::size_t& Read) {
  Read = 0;
  return OnRequest(Request, [&](TRequest& R) { return R.ReadTo(Length, Sink, Read); });
}

bool InternetCloseHandle(HINTERNET Handle) {
  std::shared_ptr<TObject> O;
  {
    std::lock_guard<std::mutex> L(gHandlesLock);
    auto It = gHandles.find(reinterpret_cast<std::uintptr_t>(Handle));
    if (It != gHandles.end()) {
      O = std::move(It->second);
      gHandles.erase(It);
    }
  }
  if (!O) {
    SetLastError(ERROR_INVALID_HANDLE, "not an open handle");
    return false;
  }
  if (auto S = SessionOf(O)) S->Notify(Handle, ContextOf(*O), INTERNET_STATUS_HANDLE_CLOSING, &Handle, sizeof Handle);
  O->Closing = true;
  // A call still inside the request ends at once; it holds the object until it returns.
  if (O->Kind == TKind::Request) static_cast<TRequest&>(*O).Cancel(true);
  return true;
}

void InternetCancel(HINTERNET Request) {
  auto O = Find(Request);
  if (O && O->Kind == TKind::Request) static_cast<TRequest&>(*O).Cancel();
}

// ---------- URLs ----------

bool InternetCrackUrl(const std::string& URL, TURLComponents& Parts) {
  if (URL.find("://") == std::string::npos) {
    SetLastError(ERROR_INTERNET_UNRECOGNIZED_SCHEME, "no scheme");
    return false;
  }
  EnsureCurl();
  CURLU* U = curl_url();
  if (!U) {
    SetLastError(ERROR_INTERNET_INTERNAL_ERROR, "curl_url failed");
    return false;
  }
  const CURLUcode Rc =
      curl_url_set(U, CURLUPART_URL, URL.c_str(), CURLU_NON_SUPPORT_SCHEME | CURLU_ALLOW_SPACE | CURLU_PATH_AS_IS);
  if (Rc != CURLUE_OK) {
    curl_url_cleanup(U);
    SetLastError(ERROR_INTERNET_INVALID_URL, curl_url_strerror(Rc));
    return false;
  }
  // Escapes are turned into the characters they stand for (ICU_ESCAPE); a part that cannot
  // be decoded (an escaped zero byte) is kept as written.
  auto Part = [&](CURLUPart What, unsigned Flags) {
    char* Text = nullptr;
    if (curl_url_get(U, What, &Text, Flags) != CURLUE_OK &&
        (!(Flags & CURLU_URLDECODE) || curl_url_get(U, What, &Text, 0) != CURLUE_OK))
      return std::string();
    std::string S = Text ? Text : "";
    curl_free(Text);
    return S;
  };
  TURLComponents P;
  P.Scheme = Part(CURLUPART_SCHEME, 0);
  P.HostName = Part(CURLUPART_HOST, 0);
  if (P.HostName.size() > 2 && P.HostName.front() == '[') P.HostName = P.HostName.substr(1, P.HostName.size() - 2);
  P.UserName = Part(CURLUPART_USER, CURLU_URLDECODE);
  P.Password = Part(CURLUPART_PASSWORD, CURLU_URLDECODE);
  P.UrlPath = Part(CURLUPART_PATH, CURLU_URLDECODE);
  char* Text = nullptr;
  if (curl_url_get(U, CURLUPART_QUERY, &Text, 0) == CURLUE_OK) {
    curl_free(Text);
    P.ExtraInfo = "?" + Part(CURLUPART_QUERY, CURLU_URLDECODE);
  }
  if (curl_url_get(U, CURLUPART_FRAGMENT, &Text, 0) == CURLUE_OK) {
    curl_free(Text);
    P.ExtraInfo += "#" + Part(CURLUPART_FRAGMENT, CURLU_URLDECODE);
  }
  const std::string Port = Part(CURLUPART_PORT, CURLU_DEFAULT_PORT);
  P.Port = static_cast<std::uint16_t>(std::strtoul(Port.c_str(), nullptr, 10));
  curl_url_cleanup(U);
  Parts = std::move(P);
  return true;
}

TInternetThreadScope::TInternetThreadScope() {
  EnsureCurl();
  ++gLiveThreadScopes;
}

TInternetThreadScope::~TInternetThreadScope() {
  OPENSSL_thread_stop();
  --gLiveThreadScopes;
}

}  // namespace zu::inet
