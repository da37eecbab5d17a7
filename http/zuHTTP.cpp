#include "http/zuHTTP.h"
#include "http/zuHTTPTransfer.h"

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

}  // namespace

const std::vector<std::string>& HTTPCacheOptionNames() { return CacheOptionNames; }
const std::vector<std::string>& HTTPInternetOptionNames() { return InternetOptionNames; }
const std::vector<std::string>& ThreadPriorityNames() { return PriorityNames; }

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
  auto* C = reinterpret_cast<TzuHTTPSyncCall*>(M.LParam);
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
  FThread->OnExecute = [T](TObject*) { RunHTTPWorker(*T); };
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
