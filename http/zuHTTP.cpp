#include "http/zuHTTP.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/framework/Application.h"
#include "platform/framework/Messages.h"
#include "platform/inet/Inet.h"
#include "platform/os/Crypto.h"
#include "platform/os/Files.h"
#include "support/zuStreams.h"

namespace zu {

using namespace inet;

namespace {

// The most an announced length reserves for a body read into memory before it arrives.
constexpr std::uint64_t kMemoryPresize = 16u << 20;

std::uint32_t TickCount() {
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

bool Has(TzuCacheOptions Set, TzuCacheOption O) { return Set & (1u << O); }
bool Has(TzuInternetOptions Set, TzuInternetOption O) { return Set & (1u << O); }

const std::vector<std::string> AccessTypeNames{"atPreconfig", "atDirect", "atUseProxy"};
const std::vector<std::string> CacheOptionNames{"coAlwaysReload", "coReloadIfNoExpireInformation",
                                                "coReloadUpdatedObjects", "coPragmaNoCache", "coNoCacheWrite",
                                                "coCreateTempFilesIfCantCache", "coUseCacheIfNetFail"};
const std::vector<std::string> InternetOptionNames{
    "ioIgnoreCertificateInvalid", "ioIgnoreCertificateDateInvalid", "ioIgnoreUnknownCertificateAuthority",
    "ioIgnoreRedirectToHTTP", "ioIgnoreRedirectToHTTPS", "ioKeepConnection", "ioNoAuthentication",
    "ioNoAutoRedirect", "ioNoCookies"};
const std::vector<std::string> RequestMethodNames{"rmAutoDetect", "rmGET", "rmPOST"};
const std::vector<std::string> PriorityNames{"tpIdle",   "tpLowest",  "tpLower",       "tpNormal",
                                             "tpHigher", "tpHighest", "tpTimeCritical"};
// Sets of file attributes are stored by their element names (bit n = element n).
const std::vector<std::string> FileAttributeNames{"atrArchive", "atrHidden", "atrReadOnly",
                                                  "atrSystem", "atrTemporary", "atrOffline"};

// The realm parameter of a WWW-Authenticate value ("Basic realm="Members", charset="UTF-8""
// gives Members), quoted or not; the whole value when it names none (NTLM, say).
std::string ChallengeRealm(const std::string& Value) {
  const std::size_t N = Value.size();
  auto Blank = [](char C) { return C == ' ' || C == '\t'; };
  std::size_t I = 0;
  while (I < N) {
    while (I < N && (Blank(Value[I]) || Value[I] == ',')) ++I;
    const std::size_t NameStart = I;
    while (I < N && !Blank(Value[I]) && Value[I] != '=' && Value[I] != ',') ++I;
    const std::string Name = Value.substr(NameStart, I - NameStart);
    std::size_t J = I;
    while (J < N && Blank(Value[J])) ++J;
    if (J >= N || Value[J] != '=') continue;  // a scheme name: its parameters follow
    I = J + 1;
    while (I < N && Blank(Value[I])) ++I;
    std::string Param;
    if (I < N && Value[I] == '"') {
      for (++I; I < N && Value[I] != '"'; ++I) {
        if (Value[I] == '\\' && I + 1 < N) ++I;
        Param += Value[I];
      }
      ++I;
    } else {
      while (I < N && !Blank(Value[I]) && Value[I] != ',') Param += Value[I++];
    }
    if (LowerCase(Name) == "realm") return Param;
  }
  return Value;
}

}  // namespace

const std::vector<std::string>& HTTPCacheOptionNames() { return CacheOptionNames; }
const std::vector<std::string>& HTTPInternetOptionNames() { return InternetOptionNames; }
const std::vector<std::string>& ThreadPriorityNames() { return PriorityNames; }

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

// ---------- one run ----------

// Everything a worker touches. The main thread reaches it only while the worker waits in a
// synchronised call, or after the worker has ended; a cancelled run's stream is never
// written again (Lock guards the hand-over).
struct TzuCustomHTTP::TTransfer {
  // Settings, copied when the run starts.
  std::string URL, Agent, AcceptTypes, Referer, POSTData, OutputFileName, UserName, Password;
  TzuHTTPAccessType AccessType = atPreconfig;
  std::string ProxyServer, ProxyBypass, ProxyUsername, ProxyPassword;
  int ProxyPort = 8080;
  TzuCacheOptions CacheOptions = 0;
  TzuInternetOptions InternetOptions = 0;
  std::vector<std::string> AddHeaders;
  std::uint32_t StartRange = 0, EndRange = 0;
  std::uint32_t ConnectTimeout = 0, ReceiveTimeout = 0, SendTimeout = 0;
  TzuHTTPRequestMethod RequestMethod = rmAutoDetect;
  bool WorkOffline = false, ShowGoOnlineMessage = false;
  std::uint64_t MaxMemoryBody = 0;
  bool HashOutput = false;
  TzuFileAttributes Incomplete, Complete;
  int BufferSize = 4096;
  bool WantHeaderInfo = false, WantProgress = false, WantPassword = false, WantProxyAuth = false;
  TzuHTTPBeforeSendRequest BeforeSendRequest;
  TzuHTTPStatusChanged StatusChanged;
  TzuHTTPRedirected Redirected;
  TObject* Sender = nullptr;  // the component, for the events called on the worker

  // Where synchronised calls go, and how the component knows its current run.
  THandle SyncWindow = 0;
  std::shared_ptr<std::atomic<bool>> SoftStop;

  // Transfer state.
  std::uint64_t ResumeOffset = 0, RangeEnd = 0;
  int StatusCode = -1;
  bool Success = false, TryAgain = false, ContinueDownload = true, OutputIsFile = false;
  bool UploadSent = false, AlreadyComplete = false;
  std::uint64_t DataSize = 0, BytesRead = 0;
  std::uint32_t StartTick = 0;
  std::string ContentType, RawHeaders, ContentLanguage, ContentEncoding, Location, ETag;
  TDateTime Date = 0, LastModified = 0, Expires = 0;
  std::uint8_t PercentsDone = 0;
  int ElapsedTime = 0, TimeLeft = 0;
  float TransferRate = -1.0f;

  HINTERNET Internet = nullptr, Connect = nullptr, Request = nullptr;
  int LocalFile = -1;
  std::unique_ptr<TStream> Stream;
  // A multipart upload: the whole body, sent by the worker before the response is received.
  // Shared with the request layer, which reads it again when the body must go out once more.
  bool Uploading = false, WantUploadProgress = false;
  std::shared_ptr<TzuHTTPUploadStream> Upload;
  std::string UploadHeader;
  // The output stream could not be opened or take a block (a full disk, no memory, a body
  // over MaxMemoryBody): set by the worker, read after it.
  bool WriteFailed = false;
  // Reading the body failed before it ended as the protocol says (a cut, a reset, a time-out).
  bool ReadFailed = false;
  // The SHA-256 of the whole output as it is written (HashOutput); Sha256 once it is complete.
  std::unique_ptr<os::TSha256> Hash;
  std::string Sha256;
  // The request layer's error that ended the run, for LastErrorReason.
  unsigned Error = 0;
  std::string ErrorText;
  std::mutex Lock;
  std::atomic<bool> Cancelled{false};

  ~TTransfer() { CloseHandles(); }

  void CloseHandles() {
    // Status reports belong to the worker; handles closed later report nothing.
    if (Internet) InternetSetStatusCallback(Internet, nullptr);
    if (LocalFile >= 0) ::close(LocalFile);
    LocalFile = -1;
    HINTERNET Handles[3];
    {
      std::lock_guard<std::mutex> L(Lock);
      Handles[0] = Request;
      Handles[1] = Connect;
      Handles[2] = Internet;
      Request = Connect = Internet = nullptr;
    }
    for (HINTERNET H : Handles)
      if (H) InternetCloseHandle(H);
  }
  // Makes the library call in progress (and later ones) fail at once. Main thread; the
  // worker replaces its request handle only under Lock.
  void CancelRequest() {
    std::lock_guard<std::mutex> L(Lock);
    if (Request) InternetCancel(Request);
  }
  // Stop at once: nothing of this run is written or reported any more.
  void Cancel() {
    Cancelled = true;
    CancelRequest();
  }
};

// The component's side of what a worker asks for in the main thread.
struct TzuTransferAccess {
  static const std::string& UserName(TzuCustomHTTP& C) { return C.LoginUserName(); }
  static const std::string& Password(TzuCustomHTTP& C) { return C.LoginPassword(); }
  static void PrepareProgressParams(TzuCustomHTTP::TTransfer& T) {
    T.PercentsDone = PercentsOf(static_cast<long double>(T.DataSize + T.ResumeOffset),
                                static_cast<long double>(T.BytesRead + T.ResumeOffset));
    T.ElapsedTime = static_cast<int>((TickCount() - T.StartTick) / 1000);
    // Nothing read yet gives no estimate rather than a division by zero.
    T.TimeLeft = T.BytesRead == 0 ? 0
                                  : static_cast<int>(std::llround(static_cast<double>(T.DataSize) /
                                                                  static_cast<double>(T.BytesRead) * T.ElapsedTime)) -
                                        T.ElapsedTime;
    T.TransferRate = static_cast<float>(static_cast<double>(T.BytesRead) / 1024.0);
    if (T.ElapsedTime != 0) T.TransferRate /= static_cast<float>(T.ElapsedTime);
  }
  static void UploadProgress(TzuCustomHTTP& C, TzuCustomHTTP::TTransfer& T) {
    if (!C.OnUploadProgress) return;
    PrepareProgressParams(T);
    C.OnUploadProgress(&C, static_cast<std::int64_t>(T.DataSize), static_cast<std::int64_t>(T.BytesRead),
                       T.ElapsedTime, T.TimeLeft, T.PercentsDone, T.TransferRate);
  }
  static void Progress(TzuCustomHTTP& C, TzuCustomHTTP::TTransfer& T) {
    if (!C.OnProgress) return;
    PrepareProgressParams(T);
    C.OnProgress(&C, T.ContentType, static_cast<std::int64_t>(T.DataSize + T.ResumeOffset),
                 static_cast<std::int64_t>(T.BytesRead + T.ResumeOffset), T.ElapsedTime, T.TimeLeft, T.PercentsDone,
                 T.TransferRate, T.Stream.get());
  }
};

namespace {

// A call from a worker into the main thread, carried by ZUM_SYNCHRONIZE to the component's
// window. The component runs it only for its current run.
struct TSyncCall {
  const void* Transfer;
  std::function<void(TzuCustomHTTP&)> Fn;
  bool SoftStop = false;  // the run stops: release it and give the component a fresh thread
  bool Ran = false;
};

}  // namespace

// The worker's side of a run: no member of the component is touched here, only the
// transfer object and synchronised calls.
class TzuHTTPWorker {
  using TTransfer = TzuCustomHTTP::TTransfer;

 public:
  explicit TzuHTTPWorker(TTransfer& AT) : T(AT) {}
  void Run();

 private:
  // Runs Fn in the main thread while this worker waits; false when the run is no longer the
  // component's (stopped at once, or the component is gone).
  bool Sync(std::function<void(TzuCustomHTTP&)> Fn, bool SoftStop = false) {
    if (T.Cancelled) return false;
    TSyncCall C{&T, std::move(Fn), SoftStop};
    SendMessage(T.SyncWindow, ZUM_SYNCHRONIZE, 0, reinterpret_cast<std::intptr_t>(&C));
    return C.Ran;
  }
  // A stop test; a pending soft stop ends the run (the main thread releases it).
  bool Stopped();
  bool Fail() {
    T.Success = false;
    return false;
  }
  // Keeps the request layer's reason for a failed call (it is per thread: read it here).
  bool NoteError() {
    T.Error = GetLastInternetError();
    T.ErrorText = GetLastInternetErrorText();
    return false;
  }

  bool ParseAndPrepare();
  void LocalFileSource();
  bool OpenAndConnect();
  bool OpenRequest();
  bool AddRequestHeaders();
  bool SendLoop();
  bool ReadBlocks();
  int SendUpload();
  bool Recover416();
  void ReadHeaderValues();
  bool HeaderEvent();
  bool OpenOutput();
  bool ReadLoop();
  bool ResumeMatches(const std::vector<char>& Block, std::size_t Got);
  bool Query(unsigned Code, std::string& Value) { return T.Request && HttpQueryInfo(T.Request, Code, Value); }
  bool ReadStatus();
  void Restart();
  void StartHash();
  // The body ended otherwise than the protocol defines: whatever it holds, it is not done.
  bool ReadFailed() {
    NoteError();
    T.ReadFailed = true;
    return true;  // the loop ends normally; the outcome is decided after it
  }

  TTransfer& T;
  std::string Scheme, Host, Path, UrlUser, UrlPassword, Extra, ObjectName;
  std::uint16_t Port = 0;
  bool IsLocal = false;
  std::string Verb;
  bool RestartFromConnect = false;
  bool SoftStopped = false;
};

bool TzuHTTPWorker::Stopped() {
  if (SoftStopped) return true;
  if (T.Cancelled) return SoftStopped = true;
  if (!T.SoftStop || !T.SoftStop->load()) return false;
  SoftStopped = true;
  // The main thread releases the run and fires OnAborted; this worker ends without ThreadDone.
  Sync(nullptr, true);
  return true;
}

bool TzuHTTPWorker::ParseAndPrepare() {
  if (!ParseURL(T.URL, Scheme, Host, Path, UrlUser, UrlPassword, Extra, Port)) {
    Scheme.clear();
    Host.clear();
  }
  ObjectName = URLEncode(Path + Extra);
  if (ObjectName.empty()) ObjectName = "/";
  if (!UrlUser.empty()) T.UserName = UrlUser;
  if (!UrlPassword.empty()) T.Password = UrlPassword;
  IsLocal = LowerCase(Scheme) == "file";
  return !Stopped();
}

void TzuHTTPWorker::LocalFileSource() {
  T.LocalFile = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat St{};
  if (T.LocalFile < 0 || ::fstat(T.LocalFile, &St) != 0 || !S_ISREG(St.st_mode)) {
    if (T.LocalFile >= 0) ::close(T.LocalFile);
    T.LocalFile = -1;
    T.StatusCode = 404;
    T.DataSize = 0;
    return;
  }
  // Read like a server would answer: the resume offset or the range is applied, and the
  // announced size is what will be sent, so a resumed local file completes.
  const auto Size = static_cast<std::uint64_t>(St.st_size);
  std::uint64_t From = T.ResumeOffset, To = T.RangeEnd;
  if (From == 0 && To == 0) {
    From = T.StartRange;
    To = T.EndRange;
  }
  std::uint64_t Last = Size == 0 ? 0 : Size - 1;
  if (To != 0 && To < Last) Last = To;
  if (From > Size) From = Size;
  T.StatusCode = 200;
  T.DataSize = Size == 0 || From > Last ? 0 : Last - From + 1;
  T.Success = T.DataSize != 0;
  if (From != 0) ::lseek(T.LocalFile, static_cast<off_t>(From), SEEK_SET);
}

bool TzuHTTPWorker::OpenAndConnect() {
  unsigned Access = INTERNET_OPEN_TYPE_PRECONFIG;
  std::string Proxy, Bypass;
  if (T.AccessType == atDirect) Access = INTERNET_OPEN_TYPE_DIRECT;
  if (T.AccessType == atUseProxy) {
    Access = INTERNET_OPEN_TYPE_PROXY;
    Proxy = T.ProxyServer + ":" + std::to_string(T.ProxyPort);
    Bypass = T.ProxyBypass;
  }
  if (!T.Internet) {
    T.Internet = InternetOpen(T.Agent, Access, Proxy, Bypass, T.WorkOffline ? INTERNET_FLAG_OFFLINE : 0);
    if (!T.Internet) return NoteError() || Fail();
    TTransfer* Run = &T;  // outlives this worker object: the handles belong to the transfer
    InternetSetStatusCallback(T.Internet, [Run](HINTERNET, std::uintptr_t, unsigned Status, const void* Info,
                                                unsigned Length) {
      if (Run->Cancelled) return;
      if (Run->StatusChanged) Run->StatusChanged(Run->Sender, Status, InternetStatusText(Status));
      if (Status == INTERNET_STATUS_REDIRECT && Run->Redirected && Info && Length > 0)
        Run->Redirected(Run->Sender, std::string(static_cast<const char*>(Info), Length - 1));
    });
  }
  if (Stopped()) return false;
  T.Connect = InternetConnect(T.Internet, Host, Port, T.UserName, T.Password, INTERNET_SERVICE_HTTP, 0,
                              reinterpret_cast<std::uintptr_t>(&T));
  T.Success = T.Connect != nullptr;
  if (!T.Success) return NoteError();
  return !Stopped();
}

bool TzuHTTPWorker::OpenRequest() {
  const std::uint32_t Flags = HTTPRequestFlags(LowerCase(Scheme) == "https", T.CacheOptions, T.InternetOptions);

  Verb = T.RequestMethod == rmPOST ? "POST"
         : T.RequestMethod == rmGET ? "GET"
                                    : (!T.POSTData.empty() || T.Uploading ? "POST" : "GET");
  HINTERNET Request = HttpOpenRequest(T.Connect, Verb, ObjectName, "", T.Referer, {T.AcceptTypes}, Flags, 0);
  {
    std::lock_guard<std::mutex> L(T.Lock);
    T.Request = Request;
  }
  // A stop that came while the request was being opened reaches it now.
  if (Request && T.SoftStop && T.SoftStop->load()) InternetCancel(Request);
  T.Success = T.Request != nullptr;
  if (!T.Success) return NoteError();
  if (Stopped()) return false;

  if (T.ConnectTimeout) InternetSetOption(T.Request, INTERNET_OPTION_CONNECT_TIMEOUT, T.ConnectTimeout);
  if (T.ReceiveTimeout) InternetSetOption(T.Request, INTERNET_OPTION_RECEIVE_TIMEOUT, T.ReceiveTimeout);
  if (T.SendTimeout) InternetSetOption(T.Request, INTERNET_OPTION_SEND_TIMEOUT, T.SendTimeout);
  if (Has(T.InternetOptions, ioIgnoreUnknownCertificateAuthority))
    InternetSetOption(T.Request, INTERNET_OPTION_SECURITY_FLAGS, SECURITY_FLAG_IGNORE_UNKNOWN_CA);
  if (T.AccessType != atDirect && !T.ProxyUsername.empty() && !T.ProxyPassword.empty()) {
    InternetSetOption(T.Request, INTERNET_OPTION_PROXY_USERNAME, T.ProxyUsername);
    InternetSetOption(T.Request, INTERNET_OPTION_PROXY_PASSWORD, T.ProxyPassword);
  }
  if (T.ShowGoOnlineMessage) {
    std::uint32_t State = 0;
    if (InternetQueryOption(nullptr, INTERNET_OPTION_CONNECTED_STATE, State) &&
        (State & INTERNET_STATE_DISCONNECTED_BY_USER))
      InternetGoOnline(T.URL);
  }
  if (T.BeforeSendRequest) T.BeforeSendRequest(T.Sender, T.Request);
  return true;
}

bool TzuHTTPWorker::AddRequestHeaders() {
  std::string Text;
  for (const auto& L : T.AddHeaders) Text += L + "\r\n";
  if (T.ResumeOffset != 0 || T.RangeEnd != 0)
    Text += "RANGE: bytes=" + std::to_string(T.ResumeOffset) + "-" +
            (T.RangeEnd != 0 ? std::to_string(T.RangeEnd) : std::string()) + "\r\n";
  else if (T.StartRange != 0 || T.EndRange != 0)
    Text += "RANGE: bytes=" + std::to_string(T.StartRange) + "-" +
            (T.EndRange != 0 ? std::to_string(T.EndRange) : std::string()) + "\r\n";
  if (Text.empty()) return true;
  return HttpAddRequestHeaders(T.Request, Text, T.StatusCode == 416 ? HTTP_ADDREQ_FLAG_REPLACE : HTTP_ADDREQ_FLAG_ADD) ||
         NoteError();
}

bool TzuHTTPWorker::ReadStatus() {
  std::string S;
  if (!Query(HTTP_QUERY_STATUS_CODE, S)) return false;
  int Code;
  T.StatusCode = TryStrToInt(S, Code) ? Code : 0;
  T.UploadSent = false;
  return true;
}

bool TzuHTTPWorker::SendLoop() {
  do {
    if (Stopped()) return false;
    T.TryAgain = false;
    bool Sent;
    if (Verb == "POST" && T.Uploading && T.Upload) {
      int Retry = SendUpload();
      if (Retry < 0) return false;
      if (Retry > 0) {
        T.TryAgain = true;  // the whole body once more
        continue;
      }
      Sent = true;
    } else if (Verb == "POST" && !T.POSTData.empty())
      Sent = HttpSendRequest(T.Request, "Content-Type: application/x-www-form-urlencoded", T.POSTData.data(),
                             T.POSTData.size());
    else
      Sent = HttpSendRequest(T.Request, "", nullptr, 0);
    T.Success = Sent;
    if (!Sent) {
      NoteError();
      Stopped();  // a stop cancels the waiting send: honour it now
      return false;
    }
    if (Stopped()) return false;
    if (!ReadStatus()) T.Success = false;

    if (T.StatusCode == 416 && T.ResumeOffset != 0) return Recover416();
    if (T.StatusCode == 401 && T.WantPassword) {
      std::string Realm;
      if (Query(HTTP_QUERY_WWW_AUTHENTICATE, Realm)) Realm = ChallengeRealm(Realm);
      T.ContentType = Realm;  // the realm travels in the content type until the response's own replaces it
      bool TryAgain = false;
      std::string User = T.UserName, Pass = T.Password;
      if (!Sync([&](TzuCustomHTTP& C) {
            if (C.OnPasswordRequest) C.OnPasswordRequest(&C, Realm, TryAgain);
            User = TzuTransferAccess::UserName(C);
            Pass = TzuTransferAccess::Password(C);
          }))
        return false;
      T.UserName = User;
      T.Password = Pass;
      InternetSetOption(T.Request, INTERNET_OPTION_USERNAME, User);
      InternetSetOption(T.Request, INTERNET_OPTION_PASSWORD, Pass);
      T.TryAgain = TryAgain;
    } else if (T.StatusCode == 407 && T.WantProxyAuth) {
      bool TryAgain = false;
      std::string User, Pass;
      if (!Sync([&](TzuCustomHTTP& C) {
            if (C.OnProxyAuthenticationRequest)
              C.OnProxyAuthenticationRequest(&C, C.Proxy()->ProxyUsername(), C.Proxy()->ProxyPassword(), TryAgain);
            User = C.Proxy()->ProxyUsername();
            Pass = C.Proxy()->ProxyPassword();
          }))
        return false;
      T.ProxyUsername = User;
      T.ProxyPassword = Pass;
      InternetSetOption(T.Request, INTERNET_OPTION_PROXY_USERNAME, User);
      InternetSetOption(T.Request, INTERNET_OPTION_PROXY_PASSWORD, Pass);
      T.TryAgain = TryAgain;
    }
  } while (T.TryAgain);
  T.Upload.reset();  // the body went out; the response is received like any download
  return true;
}

// The streamed send of a multipart body: -1 failed, 0 sent, 1 the layer asks to send it again.
int TzuHTTPWorker::SendUpload() {
  const auto Size = static_cast<std::uint64_t>(T.Upload->Size());
  // The layer keeps no copy of the body: what it must send again it reads from the stream.
  const std::shared_ptr<TzuHTTPUploadStream> Body = T.Upload;
  const TBodySource Again = [Body](std::uint64_t Offset, void* Buffer, std::size_t Length) {
    if (Offset + Length > static_cast<std::uint64_t>(Body->Size())) return false;
    std::memcpy(Buffer, Body->Memory() + Offset, Length);
    return true;
  };
  if (!HttpSendRequestEx(T.Request, T.UploadHeader, Size, Again)) {
    T.Success = false;
    NoteError();
    Stopped();
    return -1;
  }
  T.UploadSent = true;
  T.DataSize = Size;
  T.BytesRead = 0;
  const char* Data = reinterpret_cast<const char*>(T.Upload->Memory());
  while (T.BytesRead < Size) {
    if (Stopped()) return -1;
    const std::size_t Block = static_cast<std::size_t>(std::min<std::uint64_t>(T.BufferSize, Size - T.BytesRead));
    std::size_t Written = 0;
    if (!InternetWriteFile(T.Request, Data + T.BytesRead, Block, Written) || Written == 0) break;
    T.BytesRead += Written;
    if (T.WantUploadProgress && !Sync([&](TzuCustomHTTP& C) { TzuTransferAccess::UploadProgress(C, T); })) return -1;
  }
  if (!HttpEndRequest(T.Request)) {
    if (GetLastInternetError() == ERROR_INTERNET_FORCE_RETRY) return 1;
    T.Success = false;
    NoteError();
    Stopped();
    return -1;
  }
  return 0;
}

// The server cannot satisfy the resumed range. The output file counts as complete only when
// it holds exactly the entity's full size (from the 416's "Content-Range: bytes */N", else
// from a request for the whole entity); anything else is downloaded again from 0.
bool TzuHTTPWorker::Recover416() {
  const std::uint64_t Offset = T.ResumeOffset;
  std::string Range;
  std::uint64_t Stated = 0;
  bool HaveStated = false;
  if (Query(HTTP_QUERY_CONTENT_RANGE, Range)) {
    const std::size_t Slash = Range.rfind("*/");
    if (Slash != std::string::npos) {
      const std::string N = Range.substr(Slash + 2);
      HaveStated = !N.empty() && N.size() <= 19 && N.find_first_not_of("0123456789") == std::string::npos;
      if (HaveStated) Stated = std::strtoull(N.c_str(), nullptr, 10);
    }
  }
  auto HoldsWholeEntity = [&](std::uint64_t FullSize) {
    return FullSize != 0 && !T.OutputFileName.empty() &&
           ExtractFileSize(T.OutputFileName) == static_cast<std::int64_t>(FullSize);
  };
  auto Complete = [&](std::uint64_t FullSize) {
    // Nothing to receive: a completed download of the file as it stands.
    T.ResumeOffset = FullSize;
    std::uint64_t Size = 0;
    if (T.HashOutput && !os::Sha256File(T.OutputFileName, T.Sha256, Size)) T.Sha256.clear();
    T.AlreadyComplete = true;
    T.Success = true;
    std::string Type;
    if (Query(HTTP_QUERY_CONTENT_TYPE, Type)) T.ContentType = Type;
    return false;
  };
  if (HaveStated) {
    if (HoldsWholeEntity(Stated)) return Complete(Stated);
    RestartFromConnect = true;
    return false;
  }
  T.ResumeOffset = 0;  // the range header now starts at 0, with no end
  const std::uint64_t SavedEnd = T.RangeEnd;
  T.RangeEnd = 0;
  const std::uint32_t SavedStart = T.StartRange, SavedEndRange = T.EndRange;
  T.StartRange = T.EndRange = 0;
  std::string Text;
  for (const auto& L : T.AddHeaders) Text += L + "\r\n";
  Text += "RANGE: bytes=0-\r\n";
  HttpAddRequestHeaders(T.Request, Text, HTTP_ADDREQ_FLAG_REPLACE);
  T.StartRange = SavedStart;
  T.EndRange = SavedEndRange;
  T.RangeEnd = SavedEnd;
  if (Stopped()) return false;
  std::uint64_t FullSize = 0;
  if (HttpSendRequest(T.Request, "", nullptr, 0) && ReadStatus() && (T.StatusCode == 200 || T.StatusCode == 206)) {
    std::string Len;
    if (Query(HTTP_QUERY_CONTENT_LENGTH, Len)) FullSize = std::strtoull(Len.c_str(), nullptr, 10);
  }
  if (Stopped()) return false;
  if (FullSize == Offset && HoldsWholeEntity(FullSize)) return Complete(FullSize);
  RestartFromConnect = true;
  return false;
}

void TzuHTTPWorker::ReadHeaderValues() {
  Query(HTTP_QUERY_RAW_HEADERS_CRLF, T.RawHeaders);
  Query(HTTP_QUERY_CONTENT_LANGUAGE, T.ContentLanguage);
  Query(HTTP_QUERY_CONTENT_ENCODING, T.ContentEncoding);
  Query(HTTP_QUERY_LOCATION, T.Location);
  Query(HTTP_QUERY_ETAG, T.ETag);
  std::string D;
  T.Date = Query(HTTP_QUERY_DATE, D) ? InternetTimeToDateTime(D) : 0;
  T.LastModified = Query(HTTP_QUERY_LAST_MODIFIED, D) ? InternetTimeToDateTime(D) : 0;
  T.Expires = Query(HTTP_QUERY_EXPIRES, D) ? InternetTimeToDateTime(D) : 0;
}

bool TzuHTTPWorker::HeaderEvent() {
  if (!T.WantHeaderInfo) return true;
  ReadHeaderValues();
  bool Continue = true;
  if (!Sync([&](TzuCustomHTTP& C) {
        if (C.OnHeaderInfo)
          C.OnHeaderInfo(&C, T.StatusCode, T.RawHeaders, T.ContentType, T.ContentLanguage, T.ContentEncoding,
                         static_cast<std::int64_t>(T.DataSize + T.ResumeOffset), T.Location, T.Date,
                         T.LastModified, T.Expires, T.ETag, Continue);
      }))
    return false;
  T.ContinueDownload = Continue;
  return Continue;
}

bool TzuHTTPWorker::OpenOutput() {
  if (Stopped()) return false;
  std::lock_guard<std::mutex> L(T.Lock);
  if ((T.StatusCode == 200 || T.StatusCode == 206) && !T.OutputFileName.empty()) {
    try {
      auto F = std::make_unique<TzuFileStream>(T.OutputFileName, T.ResumeOffset == 0, true);
      bool Positioned = true;
      if (T.ResumeOffset != 0)
        Positioned = F->Seek(static_cast<std::int64_t>(T.ResumeOffset), soBeginning) ==
                         static_cast<std::int64_t>(T.ResumeOffset) &&
                     static_cast<std::uint64_t>(F->Size()) >= T.ResumeOffset;
      if (T.Incomplete != TzuFileAttributes{atrArchive}) SetFileAttr(T.OutputFileName, T.Incomplete);
      // Blocks of a few KiB would otherwise cost a write to the file each.
      T.Stream = std::make_unique<TWriteBehindStream>(std::move(F));
      T.OutputIsFile = true;
      if (!Positioned) {
        RestartFromConnect = true;  // the file is shorter than the offset: download it whole
        return false;
      }
    } catch (const std::exception&) {
      // Reported as an output file error, announced length or not: the body never goes
      // anywhere but where it was asked to.
      T.WriteFailed = true;
      return Fail();
    }
  } else {
    const bool Ok = T.StatusCode == 200 || T.StatusCode == 206;
    if (Ok && T.Success && T.MaxMemoryBody != 0 && T.DataSize > T.MaxMemoryBody) {
      T.WriteFailed = true;  // announced beyond what may be held: not read at all
      return Fail();
    }
    auto M = std::make_unique<TMemoryStream>();
    // The announced length sizes the stream only up to a bound: a server's word costs no
    // more memory than that before the data is there.
    if (T.Success && T.DataSize > 0)
      M->SetCapacity(static_cast<std::int64_t>(std::min<std::uint64_t>(T.DataSize, kMemoryPresize)));
    T.Stream = std::move(M);
  }
  return true;
}

bool TzuHTTPWorker::ResumeMatches(const std::vector<char>& Block, std::size_t Got) {
  if (Got != Block.size()) return false;
  std::vector<char> Have(Block.size());
  std::lock_guard<std::mutex> L(T.Lock);
  if (!T.Stream) return false;
  const std::int64_t N = T.Stream->Read(Have.data(), static_cast<std::int64_t>(Have.size()));
  return N == static_cast<std::int64_t>(Have.size()) && std::memcmp(Have.data(), Block.data(), Have.size()) == 0;
}

bool TzuHTTPWorker::ReadLoop() {
  const bool Ok = ReadBlocks();
  // The file takes the blocks through a buffer: what it still holds goes now, so that a
  // full disk ends the run as an output file error, never as a completed download.
  bool Flushed = true;
  {
    std::lock_guard<std::mutex> L(T.Lock);
    if (auto* W = dynamic_cast<TWriteBehindStream*>(T.Stream.get())) Flushed = W->Flush();
  }
  if (Flushed) return Ok;
  if (Stopped()) return false;  // a stop stays a stop; it may need the lock, so not held here
  T.WriteFailed = true;
  return Fail();
}

// The hash of a resumed file starts with the bytes it already holds (read once, here; the
// rest is hashed as it arrives). Without them no hash is given.
void TzuHTTPWorker::StartHash() {
  T.Hash.reset();
  T.Sha256.clear();
  if (!T.HashOutput) return;
  auto H = std::make_unique<os::TSha256>();
  if (T.ResumeOffset != 0 && T.OutputIsFile) {
    const int Fd = ::open(T.OutputFileName.c_str(), O_RDONLY | O_CLOEXEC);
    std::vector<char> Buf(1 << 16);
    std::uint64_t Left = T.ResumeOffset;
    while (Fd >= 0 && Left > 0) {
      const ssize_t N = ::read(Fd, Buf.data(), static_cast<std::size_t>(std::min<std::uint64_t>(Left, Buf.size())));
      if (N <= 0) break;
      H->Update(Buf.data(), static_cast<std::size_t>(N));
      Left -= static_cast<std::uint64_t>(N);
    }
    if (Fd >= 0) ::close(Fd);
    if (Left != 0) return;
  }
  T.Hash = std::move(H);
}

bool TzuHTTPWorker::ReadBlocks() {
  bool ResumeCheck = T.ResumeOffset != 0 && T.OutputIsFile;
  StartHash();
  T.BytesRead = 0;
  std::vector<char> Buffer(static_cast<size_t>(T.BufferSize));
  // The body goes from the network straight into the stream, in the pieces it arrives in.
  // With progress events each read is one block; nobody sees the blocks of a run without
  // them, so one read then takes whatever comes, up to a megabyte.
  const std::size_t Block = T.WantProgress ? Buffer.size() : std::max<std::size_t>(Buffer.size(), 1 << 20);
  std::exception_ptr StreamError;
  const std::uint64_t Limit = T.OutputIsFile ? 0 : T.MaxMemoryBody;
  const inet::TBodySink Sink = [&](const char* Data, std::size_t N) {
    std::lock_guard<std::mutex> L(T.Lock);
    if (T.Cancelled || !T.Stream) return false;  // released meanwhile: nothing more is written
    if (Limit != 0 && static_cast<std::uint64_t>(T.Stream->Size()) + N > Limit) {
      T.WriteFailed = true;
      return false;
    }
    try {
      if (T.Stream->Write(Data, static_cast<std::int64_t>(N)) == static_cast<std::int64_t>(N)) {
        if (T.Hash) T.Hash->Update(Data, N);
        return true;
      }
      T.WriteFailed = true;  // a full disk, say: reported as an output file error
    } catch (const std::bad_alloc&) {
      T.WriteFailed = true;  // out of memory: the same clear outcome
    } catch (...) {
      StreamError = std::current_exception();  // thrown again outside the library
    }
    return false;
  };
  // The sink refused: a stream that threw or failed a write ends the run with that error; a
  // released stream (a stop) just ends it.
  auto SinkFailed = [&] {
    if (StreamError) std::rethrow_exception(StreamError);
    return T.WriteFailed ? Fail() : false;
  };
  for (;;) {
    if (Stopped()) return false;
    std::size_t Got = 0;
    if (T.LocalFile < 0 && !ResumeCheck) {
      const bool Ok = InternetReadFileTo(T.Request, Block, Sink, Got);
      T.BytesRead += Got;  // what the sink took is in the stream, whatever the outcome
      if (StreamError || T.WriteFailed) return SinkFailed();
      if (!Ok) {
        if (Stopped() || T.Cancelled) return false;  // the wait for data was a checkpoint too
        return ReadFailed();
      }
      if (Got == 0) break;
    } else {
      // Through the buffer: the blocks of a local file, and the first block of a resumed
      // download, which is compared with the file and not written.
      if (T.LocalFile >= 0) {
        // A range ends where the announced size says, not at the end of the file.
        std::size_t Want = Buffer.size();
        if (T.DataSize != 0 && T.DataSize - std::min(T.DataSize, T.BytesRead) < Want)
          Want = static_cast<std::size_t>(T.DataSize - std::min(T.DataSize, T.BytesRead));
        const ssize_t N = Want == 0 ? 0 : ::read(T.LocalFile, Buffer.data(), Want);
        if (N < 0) return ReadFailed();
        if (N == 0) break;
        Got = static_cast<std::size_t>(N);
      } else {
        if (!InternetReadFile(T.Request, Buffer.data(), Buffer.size(), Got)) {
          if (Stopped()) return false;
          return ReadFailed();
        }
        if (Got == 0) break;
      }
      T.BytesRead += Got;
      if (ResumeCheck) {
        if (Stopped()) return false;  // a block cut short by a stop proves nothing about the entity
        ResumeCheck = false;
        if (!ResumeMatches(Buffer, Got)) {
          RestartFromConnect = true;  // the server's entity is not the one the file holds
          return false;
        }
        if (T.Hash) T.Hash->Update(Buffer.data(), Got);  // the overlap is in the file already
        continue;
      }
      if (!Sink(Buffer.data(), Got)) return SinkFailed();
    }
    // What a stop cut short is kept above, but reported no more.
    if (T.WantProgress && (Stopped() || !Sync([&](TzuCustomHTTP& C) { TzuTransferAccess::Progress(C, T); })))
      return false;
  }
  return true;
}

void TzuHTTPWorker::Restart() {
  // A full download from the connect step: nothing of the earlier attempt stays.
  T.StatusCode = -1;
  {
    std::lock_guard<std::mutex> L(T.Lock);
    T.Stream.reset();
  }
  T.OutputIsFile = false;
  T.ResumeOffset = 0;
  HINTERNET Request, Connect;
  {
    std::lock_guard<std::mutex> L(T.Lock);
    Request = T.Request;
    Connect = T.Connect;
    T.Request = T.Connect = nullptr;
  }
  if (Request) InternetCloseHandle(Request);
  if (Connect) InternetCloseHandle(Connect);
  RestartFromConnect = false;
}

void TzuHTTPWorker::Run() {
  struct TCleanup {
    ~TCleanup() { InternetThreadCleanup(); }
  } Cleanup;
  T.UploadSent = false;
  T.StatusCode = -1;
  T.ContentType.clear();
  T.StartTick = TickCount();
  T.ContinueDownload = true;
  if (!ParseAndPrepare()) return;

  if (IsLocal) {
    LocalFileSource();
  } else {
    for (;;) {
      if (!OpenAndConnect() || !OpenRequest() || Stopped()) return;
      if (!AddRequestHeaders()) {
        T.Success = false;  // nothing could be sent: no response at all
        return;
      }
      if (!SendLoop()) {
        if (RestartFromConnect) {
          Restart();
          continue;
        }
        return;
      }
      if (Stopped()) return;
      std::string Type, Len, Range, Coding;
      if (Query(HTTP_QUERY_CONTENT_TYPE, Type)) T.ContentType = Type;
      // A transfer coding frames the body itself; a Content-Length beside it means nothing.
      T.Success = Query(HTTP_QUERY_CONTENT_LENGTH, Len) &&
                  !(Query(HTTP_QUERY_TRANSFER_ENCODING, Coding) && LowerCase(Trim(Coding)) != "identity");
      T.DataSize = T.Success ? std::strtoull(Len.c_str(), nullptr, 10) : 0;
      if (!Query(HTTP_QUERY_CONTENT_RANGE, Range)) T.ResumeOffset = 0;
      if (!HeaderEvent()) return;
      if (!OpenOutput()) {
        if (RestartFromConnect) {
          Restart();
          continue;
        }
        return;
      }
      if (!ReadLoop()) {
        if (RestartFromConnect) {
          Restart();
          continue;
        }
        return;
      }
      break;
    }
  }
  if (IsLocal && (!OpenOutput() || !ReadLoop())) return;
  T.Success = (T.StatusCode == 200 || T.StatusCode == 206) && !T.ReadFailed;
  if (T.Success && T.DataSize != 0 && T.Stream) T.Success = T.DataSize == T.BytesRead;
  if (T.Success && T.Hash) T.Sha256 = T.Hash->HexDigest();  // only of a complete body
}

// ---------- the component ----------

const TClassInfo& TzuCustomHTTP::StaticClassInfo() {
  static const TClassInfo Info("TzuCustomHTTP", &TzuLoginComponent::StaticClassInfo());
  return Info;
}

TzuCustomHTTP::TzuCustomHTTP(TComponent* AOwner) : TzuLoginComponent(AOwner) {
  FThread = new TzuThread(this);
  FThread->OnException = [this](TObject* S) { ThreadException(S); };
  FThread->OnTerminate = [this](TObject* S) { ThreadDone(S); };
  FThread->OnWaitTimeoutExpired = [this](TObject* S, bool& Terminate) { ThreadWaitTimeoutExpired(S, Terminate); };
  FSyncWindow = AllocateHWnd([this](TMessage& M) { SyncWndProc(M); });
}

TzuCustomHTTP::~TzuCustomHTTP() {
  Destroying();
  if (FTransfer) FTransfer->Cancel();
  delete FThread;  // stops a running worker at once
  FThread = nullptr;
  DeallocateHWnd(FSyncWindow);  // a waiting worker's call returns unanswered
  if (FTransfer) {
    std::lock_guard<std::mutex> L(FTransfer->Lock);
    FTransfer->Stream.reset();
  }
  FTransfer.reset();
}

void TzuCustomHTTP::SyncWndProc(TMessage& M) {
  if (M.Msg != ZUM_SYNCHRONIZE) {
    M.Result = HiddenWindowDefault(M);
    return;
  }
  auto* C = reinterpret_cast<TSyncCall*>(M.LParam);
  if (IsDestroying() || !FTransfer || FTransfer.get() != C->Transfer) return;  // not our run any more
  C->Ran = true;
  if (C->SoftStop) {
    AbortAndReleaseStreams();
    if (FThread) FThread->Terminate(true);  // the stopping worker is left to end; a fresh thread waits
    return;
  }
  if (!C->Fn) return;
  // Counted through a shared count: the handler may free the component.
  const auto Calls = FWorkerCalls;
  ++*Calls;
  struct TLeave {
    std::shared_ptr<int> Calls;
    ~TLeave() { --*Calls; }
  } Leave{Calls};
  C->Fn(*this);
}

TThreadPriority TzuCustomHTTP::GetThreadPriority() const { return FThread->GetPriority(); }
void TzuCustomHTTP::SetThreadPriority(TThreadPriority V) { FThread->SetPriority(V); }
bool TzuCustomHTTP::GetWaitThread() const { return FThread->WaitThread(); }
void TzuCustomHTTP::SetWaitThread(bool V) { FThread->SetWaitThread(V); }
std::uint32_t TzuCustomHTTP::GetWaitTimeout() const { return FThread->WaitTimeout(); }
void TzuCustomHTTP::SetWaitTimeout(std::uint32_t V) { FThread->SetWaitTimeout(V); }
bool TzuCustomHTTP::GetThreadBusy() const { return FThread && FThread->Running(); }
bool TzuCustomHTTP::GetSuspended() const { return FThread->GetSuspended(); }
void TzuCustomHTTP::SetSuspended(bool V) { FThread->SetSuspended(V); }
void TzuCustomHTTP::SetFreeOnTerminate(bool V) {
  FFreeOnTerminate = V;
  FThread->SetFreeOnTerminate(V);
}
int TzuCustomHTTP::StatusCode() const { return FTransfer ? FTransfer->StatusCode : -1; }
unsigned TzuCustomHTTP::LastError() const { return FTransfer ? FTransfer->Error : 0; }
std::string TzuCustomHTTP::OutputSha256() const { return FTransfer ? FTransfer->Sha256 : std::string(); }
std::string TzuCustomHTTP::LastErrorReason() const {
  if (!FTransfer || !FTransfer->Error) return std::string();
  if (FTransfer->AccessType == atUseProxy && FTransfer->Error == ERROR_INTERNET_CANNOT_CONNECT)
    return "the proxy refused the connection";
  return InternetErrorReason(FTransfer->Error, FTransfer->ErrorText);
}
std::string TzuCustomHTTP::GetFileName() const { return URLToFileName(FURL); }
std::string TzuCustomHTTP::GetHostName() const { return URLToHostName(FURL); }

bool TzuCustomHTTP::IsGlobalOffline() const {
  std::uint32_t State = 0;
  return InternetQueryOption(nullptr, INTERNET_OPTION_CONNECTED_STATE, State) &&
         (State & INTERNET_STATE_DISCONNECTED_BY_USER);
}

void TzuCustomHTTP::DoAnyError() {
  if (OnAnyError) OnAnyError(this);
}

std::shared_ptr<TzuCustomHTTP::TTransfer> TzuCustomHTTP::NewTransfer(std::uint64_t From, std::uint64_t To) {
  auto T = std::make_shared<TTransfer>();
  T->URL = FURL;
  T->Agent = FAgent;
  T->AcceptTypes = FAcceptTypes;
  T->Referer = FReferer;
  T->POSTData = FPOSTData;
  T->OutputFileName = FOutputFileName;
  T->UserName = LoginUserName();
  T->Password = LoginPassword();
  T->AccessType = FProxy.AccessType();
  T->ProxyServer = FProxy.ProxyServer();
  T->ProxyPort = FProxy.ProxyPort();
  T->ProxyBypass = FProxy.ProxyBypass();
  T->ProxyUsername = FProxy.ProxyUsername();
  T->ProxyPassword = FProxy.ProxyPassword();
  T->CacheOptions = FCacheOptions;
  T->InternetOptions = FInternetOptions;
  for (int I = 0; I < FAddHeaders.Count(); ++I) T->AddHeaders.push_back(FAddHeaders.Strings(I));
  T->StartRange = FRange.StartRange();
  T->EndRange = FRange.EndRange();
  T->ConnectTimeout = FTimeouts.ConnectTimeout();
  T->ReceiveTimeout = FTimeouts.ReceiveTimeout();
  T->SendTimeout = FTimeouts.SendTimeout();
  T->RequestMethod = FRequestMethod;
  T->WorkOffline = FWorkOffline;
  T->MaxMemoryBody = FMaxMemoryBody;
  T->HashOutput = FHashOutput;
  T->Sender = this;
  T->ShowGoOnlineMessage = FShowGoOnlineMessage;
  T->Incomplete = FOutputFileAttributes.Incomplete();
  T->Complete = FOutputFileAttributes.Complete();
  T->BufferSize = FTransferBufferSize;
  T->WantHeaderInfo = static_cast<bool>(OnHeaderInfo);
  T->WantProgress = static_cast<bool>(OnProgress);
  T->WantPassword = static_cast<bool>(OnPasswordRequest);
  T->WantProxyAuth = static_cast<bool>(OnProxyAuthenticationRequest);
  T->WantUploadProgress = static_cast<bool>(OnUploadProgress);
  T->BeforeSendRequest = OnBeforeSendRequest;
  T->StatusChanged = OnStatusChanged;
  T->Redirected = OnRedirected;
  T->SyncWindow = FSyncWindow;
  T->SoftStop = std::make_shared<std::atomic<bool>>(false);
  T->ResumeOffset = From;
  T->RangeEnd = To;
  T->TransferRate = -1.0f;
  return T;
}

bool TzuCustomHTTP::Read(bool WaitUntilDone) { return ReadRange(0, 0, WaitUntilDone); }

bool TzuCustomHTTP::ReadRange(std::uint64_t From, std::uint64_t To, bool WaitUntilDone) {
  if (FInUse) return false;
  FInUse = true;
  FUploadStream.reset();  // a download sends no prepared upload
  return StartTransfer(NewTransfer(From, To), WaitUntilDone);
}

bool TzuCustomHTTP::StartTransfer(std::shared_ptr<TTransfer> T, bool WaitUntilDone) {
  // The worker gets its own transfer object; the component only ever points at the newest.
  FThread->OnExecute = [T](TObject*) { TzuHTTPWorker(*T).Run(); };
  FTransfer = T;
  if (!WaitUntilDone) return FThread->Execute();
  const bool Saved = FThread->WaitThread();
  FThread->SetWaitThread(true);
  const bool Result = FThread->Execute();
  if (!IsDestroying()) FThread->SetWaitThread(Saved);
  return Result;
}

// ---------- uploads ----------

bool TzuCustomHTTP::BeginPrepareUpload() {
  if (FInUse) return false;
  FInUse = true;
  const std::string Boundary = GenerateAttachBoundary('0');
  FUploadStream = std::make_unique<TzuHTTPUploadStream>(Boundary);
  FUploadHeader = MultipartHeader(Boundary);
  return true;
}

TzuHTTPUploadStream& TzuCustomHTTP::PreparedStream() {
  if (!FUploadStream) throw EInvalidOperation("No upload is prepared: call BeginPrepareUpload first");
  return *FUploadStream;
}

void TzuCustomHTTP::UploadStream(const std::string& Name, TStream* Stream, const std::string& FileName) {
  TzuHTTPUploadStream& U = PreparedStream();
  U.WriteFieldHeader(Name, FileName);
  if (Stream) {
    Stream->SetPosition(0);
    const std::int64_t Size = Stream->Size();
    // Room for the data, the field's end, the closing line and a few small fields more, in
    // one piece: growing by halves would hold the old and the new block at once.
    const std::int64_t Need = U.Size() + Size + 2 + static_cast<std::int64_t>(U.BoundaryLine().size()) + 4 + 65536;
    if (U.Capacity() < Need && Size > 65536) U.SetCapacity(Need);
    U.CopyFrom(*Stream, Size);
  }
  U.WriteFieldEnd();
}

void TzuCustomHTTP::UploadString(const std::string& Name, const std::string& Value) {
  TzuHTTPUploadStream& U = PreparedStream();
  U.WriteFieldHeader(Name, "");
  U.WritePlainStr(Value);
  U.WriteFieldEnd();
}

void TzuCustomHTTP::UploadInteger(const std::string& Name, std::int32_t Value) {
  TzuHTTPUploadStream& U = PreparedStream();
  U.WriteFieldHeader(Name, "");
  U.WriteInt(Value);
  U.WriteFieldEnd();
}

bool TzuCustomHTTP::EndPrepareUpload() {
  TzuHTTPUploadStream& U = PreparedStream();
  U.WriteClosingLine();
  auto T = NewTransfer(0, 0);
  T->Uploading = true;
  T->Upload = std::move(FUploadStream);
  T->UploadHeader = FUploadHeader;
  return StartTransfer(T, false);
}

bool TzuCustomHTTP::Upload(std::uint16_t Count) {
  if (!OnUploadFieldRequest || !BeginPrepareUpload()) return false;
  struct TEnd {
    TzuCustomHTTP* C;
    bool Started = false;
    ~TEnd() {
      if (!Started && C->FUploadStream) C->EndPrepareUpload();  // also when a handler raised
    }
  } End{this};
  for (std::uint16_t I = 0; I < Count; ++I) {
    std::string FieldName, FileName;
    TMemoryStream S;
    OnUploadFieldRequest(this, I, &S, FieldName, FileName);
    UploadStream(FieldName, &S, FileName);
  }
  End.Started = true;
  return EndPrepareUpload();
}

bool TzuCustomHTTP::Resume() {
  std::int64_t Size = ExtractFileSize(FOutputFileName);
  if (Size < 0) Size = 0;
  const std::uint64_t From = Size > FTransferBufferSize ? static_cast<std::uint64_t>(Size - FTransferBufferSize) : 0;
  return ReadRange(From, 0, false);
}

void TzuCustomHTTP::Abort(bool DeleteOutputFile, bool Immediately) {
  if (!GetThreadBusy()) return;
  FDeleteOnAbort = DeleteOutputFile;
  if (!Immediately) {
    if (FTransfer) {
      FTransfer->SoftStop->store(true);
      FTransfer->CancelRequest();  // a read waiting on a stalled server returns at once
    }
    FThread->Terminate(false);
    return;
  }
  if (FTransfer) FTransfer->Cancel();
  FThread->Terminate(true);
  AbortAndReleaseStreams();
}

void TzuCustomHTTP::ReleaseTransferStream(TTransfer& T) {
  std::unique_ptr<TStream> Old;
  {
    std::lock_guard<std::mutex> L(T.Lock);
    Old = std::move(T.Stream);
  }
  const bool WasFile = T.OutputIsFile;
  Old.reset();  // closes the output file
  if (WasFile && T.Incomplete != TzuFileAttributes{atrArchive} && !T.Success)
    SetFileAttr(T.OutputFileName, T.Incomplete);
  T.OutputIsFile = false;
}

void TzuCustomHTTP::ReleaseHTTPStream() {
  if (FTransfer) ReleaseTransferStream(*FTransfer);
  FInUse = false;
}

void TzuCustomHTTP::CloseHTTPHandles() {
  if (!FTransfer) return;
  // Handles of a worker that may still run are only cancelled; the worker closes them.
  if (GetThreadBusy() && !FTransfer->Cancelled)
    FTransfer->Cancel();
  else if (!GetThreadBusy())
    FTransfer->CloseHandles();
}

void TzuCustomHTTP::AbortAndReleaseStreams() {
  auto T = FTransfer;
  if (!T) return;
  T->Cancel();
  const bool WasFile = T->OutputIsFile;
  ReleaseHTTPStream();
  if (WasFile && FDeleteOnAbort) os::DeleteFile(T->OutputFileName);
  if (!IsDestroying() && OnAborted) OnAborted(this);
}

void TzuCustomHTTP::ThreadException(TObject*) { DoAnyError(); }

void TzuCustomHTTP::ThreadWaitTimeoutExpired(TObject*, bool& TerminateThread) {
  if (OnWaitTimeoutExpired) OnWaitTimeoutExpired(this, TerminateThread);
  if (TerminateThread && FTransfer) {
    FTransfer->Cancel();
    ReleaseHTTPStream();
  }
}

void TzuCustomHTTP::ThreadDone(TObject*) {
  auto T = FTransfer;  // this run, even when a handler starts the next one
  if (!T || T->Cancelled) return;
  auto Current = [&] { return !IsDestroying() && FTransfer == T; };
  T->CloseHandles();  // the worker waits for us: its handles are free to close
  TStream* Stream = T->Stream.get();
  if (Stream) Stream->SetPosition(0);
  if (T->ContinueDownload) {
    if (T->AlreadyComplete) {
      // A resumed file that already held the whole entity: a completed download.
      if (T->Complete != T->Incomplete) SetFileAttr(T->OutputFileName, T->Complete);
      if (Current()) ReleaseHTTPStream();
      if (OnDone) OnDone(this, T->ContentType, static_cast<std::int64_t>(T->ResumeOffset), nullptr);
    } else if ((T->WriteFailed && (T->StatusCode == 200 || T->StatusCode == 206)) || (T->Success && !Stream)) {
      // The output file could not be opened, or not take every block: what came stays,
      // marked incomplete, for a later resume. (An error response's body that did not fit
      // is handed on cut; the HTTP error is the outcome.)
      if (T->WriteFailed && Current()) ReleaseTransferStream(*T);
      DoAnyError();
      if (OnOutputFileError) OnOutputFileError(this);
      if (Current()) FInUse = false;
      return;
    } else if (T->Success) {
      if (T->OutputIsFile) {
        ReleaseTransferStream(*T);
        if (Current()) FInUse = false;
        if (T->Incomplete != T->Complete) SetFileAttr(T->OutputFileName, T->Complete);
        Stream = nullptr;
      }
      if (OnDone) OnDone(this, T->ContentType, static_cast<std::int64_t>(T->BytesRead + T->ResumeOffset), Stream);
    } else if (T->StatusCode == 200 || T->StatusCode == 206) {
      if (OnConnLost)
        OnConnLost(this, T->ContentType, static_cast<std::int64_t>(T->DataSize),
                   static_cast<std::int64_t>(T->BytesRead), Stream);
      DoAnyError();
    } else if (T->StatusCode == -1) {
      if (T->UploadSent) {
        if (OnUploadCGITimeoutFailed) OnUploadCGITimeoutFailed(this);
      } else if (OnHostUnreachable) {
        OnHostUnreachable(this);
      }
      DoAnyError();
    } else {
      if (OnHTTPError) OnHTTPError(this, T->StatusCode, Stream);
      DoAnyError();
    }
  }
  // What follows belongs to the finished run only, never to one a handler just started.
  ReleaseTransferStream(*T);
  if (Current()) FInUse = false;
  if (!T->ContinueDownload && Current() && OnDoneInterrupted) OnDoneInterrupted(this);
}

const TClassInfo& TzuHTTP::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TzuHTTP>("TzuHTTP", &TzuCustomHTTP::StaticClassInfo())
          .Str("AcceptTypes", &TzuHTTP::AcceptTypes, &TzuHTTP::SetAcceptTypes, std::string(DefaultAcceptTypes))
          .Strings("AddHeaders", [](const TzuHTTP& H) {
                     std::vector<std::string> L;
                     auto* A = const_cast<TzuHTTP&>(H).AddHeaders();
                     for (int I = 0; I < A->Count(); ++I) L.push_back(A->Strings(I));
                     return L;
                   },
                   [](TzuHTTP& H, const std::vector<std::string>& L) {
                     H.AddHeaders()->Clear();
                     for (const auto& S : L) H.AddHeaders()->Add(S);
                   })
          .Str("Agent", &TzuHTTP::Agent, &TzuHTTP::SetAgent, std::string(DefaultAgent))
          .Object("Proxy", &TzuHTTP::Proxy)
          .Str("URL", &TzuHTTP::URL, &TzuHTTP::SetURL)
          .SetOf("CacheOptions", &TzuHTTP::CacheOptions, &TzuHTTP::SetCacheOptions, CacheOptionNames,
                 DefaultCacheOptions)
          .SetOf("InternetOptions", &TzuHTTP::InternetOptions, &TzuHTTP::SetInternetOptions, InternetOptionNames,
                 DefaultInternetOptions)
          .Str("OutputFileName", &TzuHTTP::OutputFileName, &TzuHTTP::SetOutputFileName)
          .Object("OutputFileAttributes", &TzuHTTP::OutputFileAttributes)
          .Str("POSTData", &TzuHTTP::POSTData, &TzuHTTP::SetPOSTData)
          .Object("Range", &TzuHTTP::Range)
          .Str("Referer", &TzuHTTP::Referer, &TzuHTTP::SetReferer)
          .Enum("RequestMethod", &TzuHTTP::RequestMethod, &TzuHTTP::SetRequestMethod, RequestMethodNames,
                std::optional(rmAutoDetect))
          .Bool("ShowGoOnlineMessage", &TzuHTTP::ShowGoOnlineMessage, &TzuHTTP::SetShowGoOnlineMessage, false)
          .Object("Timeouts", &TzuHTTP::Timeouts)
          .Enum("ThreadPriority", &TzuHTTP::GetThreadPriority, &TzuHTTP::SetThreadPriority, PriorityNames,
                std::optional(tpNormal))
          .Int("TransferBufferSize", &TzuHTTP::TransferBufferSize, &TzuHTTP::SetTransferBufferSize, 4096)
          .Bool("WaitThread", &TzuHTTP::GetWaitThread, &TzuHTTP::SetWaitThread, false)
          .Int("WaitTimeout", &TzuHTTP::GetWaitTimeout, &TzuHTTP::SetWaitTimeout, 0)
          .Bool("WorkOffline", &TzuHTTP::WorkOffline, &TzuHTTP::SetWorkOffline, false)
          .Event("OnBeforeSendRequest").Event("OnHeaderInfo").Event("OnDone").Event("OnDoneInterrupted")
          .Event("OnProgress").Event("OnRedirected").Event("OnUploadProgress").Event("OnUploadFieldRequest")
          .Event("OnUploadCGITimeoutFailed").Event("OnAnyError").Event("OnAborted").Event("OnConnLost")
          .Event("OnHostUnreachable").Event("OnHTTPError").Event("OnOutputFileError").Event("OnPasswordRequest")
          .Event("OnProxyAuthenticationRequest").Event("OnWaitTimeoutExpired")
          .Creatable();
  return Info;
}

const TClassInfo& TzuHTTPPragmaNoCache::StaticClassInfo() {
  static const TClassInfo Info("TzuHTTPPragmaNoCache", &TzuCustomHTTP::StaticClassInfo());
  return Info;
}

TzuHTTPPragmaNoCache::TzuHTTPPragmaNoCache(TComponent* AOwner) : TzuCustomHTTP(AOwner) {
  SetCacheOptions(Bit(coReloadIfNoExpireInformation) | Bit(coReloadUpdatedObjects) | Bit(coPragmaNoCache));
}

// ---------- URL helpers ----------

bool ParseURL(const std::string& URL, std::string& Scheme, std::string& HostName, std::string& URLPath,
              std::string& UserName, std::string& Password, std::string& ExtraInfo, std::uint16_t& Port) {
  TURLComponents P;
  if (!InternetCrackUrl(URL.find("://") == std::string::npos ? "http://" + URL : URL, P)) return false;
  // The buffers the platform library fills hold this much (with the terminating zero); a
  // longer part makes the whole call fail.
  if (P.Scheme.size() >= 33 || P.HostName.size() >= 257 || P.UserName.size() >= 129 || P.Password.size() >= 129 ||
      P.UrlPath.size() >= 2049 || P.ExtraInfo.size() >= 2049)
    return false;
  Scheme = P.Scheme;
  HostName = P.HostName;
  URLPath = P.UrlPath;
  UserName = P.UserName;
  Password = P.Password;
  ExtraInfo = P.ExtraInfo;
  Port = P.Port;
  return true;
}

std::string URLToHostName(const std::string& URL) {
  std::string S, H, P, U, W, E;
  std::uint16_t Port = 0;
  return ParseURL(URL, S, H, P, U, W, E, Port) ? H : std::string();
}

std::string URLToFileName(const std::string& URL) {
  std::string S, H, P, U, W, E;
  std::uint16_t Port = 0;
  if (!ParseURL(URL, S, H, P, U, W, E, Port)) return std::string();
  ReplaceChars(P, '\\', {'/'});
  const size_t Last = P.find_last_of("\\:");
  return Last == std::string::npos ? P : P.substr(Last + 1);
}

std::string HTTPErrorToStr(int Code) {
  switch (Code) {
    case 100: return "OK to continue with request";
    case 101: return "server has switched protocols in upgrade header";
    case 200: return "request completed";
    case 201: return "object created, reason = new URI";
    case 202: return "async completion (TBS)";
    case 203: return "partial completion";
    case 204: return "no info to return";
    case 205: return "request completed, but clear form";
    case 206: return "partial GET furfilled";
    case 300: return "server couldn't decide what to return";
    case 301: return "object permanently moved";
    case 302: return "object temporarily moved";
    case 303: return "redirection w/ new access method";
    case 304: return "if-modified-since was not modified";
    case 305: return "redirection to proxy, location header specifies proxy to use";
    case 307: return "HTTP/1.1: keep same verb";
    case 400: return "invalid syntax";
    case 401: return "access denied";
    case 402: return "payment required";
    case 403: return "request forbidden";
    case 404: return "object not found";
    case 405: return "method is not allowed";
    case 406: return "no response acceptable to client found";
    case 407: return "proxy authentication required";
    case 408: return "server timed out waiting for request";
    case 409: return "user should resubmit with more info";
    case 410: return "the resource is no longer available";
    case 411: return "couldn't authorize client";
    case 412: return "precondition given in request failed";
    case 413: return "request entity was too large";
    case 414: return "request URI too long";
    case 415: return "unsupported media type";
    case 500: return "internal server error";
    case 501: return "required not supported";
    case 502: return "error response received from gateway";
    case 503: return "temporarily overloaded";
    case 504: return "timed out waiting for gateway";
    case 505: return "HTTP version not supported";
    default: return std::string();
  }
}

namespace {
// The hidden loader behind HTTPReadString.
class TzuSimpleHTTPLoader : public TObject {
 public:
  TzuSimpleHTTPLoader(const std::string& URL, int Timeout) : FHTTP(new TzuHTTPPragmaNoCache(nullptr)) {
    FHTTP->SetURL(URL);
    const auto T = static_cast<std::uint32_t>(Timeout < 0 ? 0 : Timeout);
    FHTTP->Timeouts()->SetConnectTimeout(T);
    FHTTP->Timeouts()->SetReceiveTimeout(T);
    FHTTP->Timeouts()->SetSendTimeout(T);
    FHTTP->SetWaitThread(true);
    FHTTP->SetWaitTimeout(T);
    FHTTP->OnDone = [this](TObject*, const std::string&, std::int64_t, TStream* S) {
      if (S) Result = StreamToString(*S, false);
    };
  }
  ~TzuSimpleHTTPLoader() override { delete FHTTP; }
  std::string Load() {
    Result.clear();
    FHTTP->Read(false);
    return Result;
  }
  std::string Result;

 private:
  TzuHTTPPragmaNoCache* FHTTP;
};
}  // namespace

std::string InternetErrorReason(unsigned Code, const std::string& Detail) {
  switch (Code) {
    case 0: return std::string();
    case ERROR_INTERNET_NAME_NOT_RESOLVED: return "the host name could not be resolved";
    case ERROR_INTERNET_CANNOT_CONNECT: return "connection refused";
    case ERROR_INTERNET_TIMEOUT: return "timed out";
    case ERROR_INTERNET_CONNECTION_RESET: return "the connection was reset";
    case ERROR_INTERNET_CONNECTION_ABORTED: return "the connection broke off";
    case ERROR_INTERNET_DISCONNECTED: return "working offline";
    case ERROR_INTERNET_INVALID_CA: return "certificate not trusted: unknown authority";
    case ERROR_INTERNET_SEC_CERT_CN_INVALID: return "certificate not trusted: issued for another name";
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID: return "certificate not trusted: expired or not yet valid";
    case ERROR_INTERNET_SEC_INVALID_CERT: return "certificate not trusted";
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR: return "the secure connection failed";
    case ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR: return "refused a redirect from https to http";
    case ERROR_HTTP_REDIRECT_FAILED: return Detail.empty() ? "the redirect could not be followed" : Detail;
    case ERROR_HTTP_INVALID_SERVER_RESPONSE: return "the server's answer is not HTTP";
    case ERROR_INTERNET_INVALID_URL: return "not a valid URL";
    case ERROR_INTERNET_UNRECOGNIZED_SCHEME: return "not an http or https URL";
    case ERROR_HTTP_INVALID_HEADER: return "an added header line is not valid";
    default: return Detail.empty() ? "error " + std::to_string(Code) : Detail;
  }
}

std::string HTTPReadString(const std::string& URL, int Timeout) {
  if (URL.empty()) return std::string();
  TzuSimpleHTTPLoader Loader(URL, Timeout);
  return Loader.Load();
}

}  // namespace zu
