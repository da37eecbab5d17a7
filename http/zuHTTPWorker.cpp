// The HTTP component's worker thread: the request layer's call sequence for one run.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "http/zuHTTPTransfer.h"
#include "platform/framework/Application.h"
#include "platform/framework/Messages.h"
#include "platform/os/Files.h"
#include "support/zuStreams.h"

namespace zu {

namespace {

// The most an announced length reserves for a body read into memory before it arrives.
constexpr std::uint64_t kMemoryPresize = 16u << 20;

std::uint32_t TickCount() {
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

bool Has(TzuInternetOptions Set, TzuInternetOption O) { return Set & (1u << O); }

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
    TzuHTTPSyncCall C{&T, std::move(Fn), SoftStop};
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
  const TInternetThreadScope InternetScope;
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

void RunHTTPWorker(TzuCustomHTTP::TTransfer& T) { TzuHTTPWorker(T).Run(); }

}  // namespace zu
