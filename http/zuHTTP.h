// zuHTTP: the HTTP download component and its URL helpers.
//
// TzuCustomHTTP transfers one URL at a time (http, https or a local "file" URL) on a worker
// thread of its TzuThread, and reports every outcome through events in the main thread:
//
//   Read -> [OnHeaderInfo] -> OnProgress* -> OnDone | OnConnLost | OnHTTPError |
//           OnHostUnreachable | OnUploadCGITimeoutFailed | OnOutputFileError (+ OnAnyError)
//   Abort/Pause -> OnAborted;  OnHeaderInfo refusing the body -> OnDoneInterrupted
//
// Each run works on a transfer object of its own (settings copied at the start, library
// handles, the output stream). A run that is stopped at once is abandoned: it keeps its
// transfer object alive, its library calls are cancelled, and it never reaches the
// component again. The main thread talks to a run only through synchronised calls.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/framework/Lists.h"
#include "support/zuClasses.h"
#include "support/zuUtils.h"
#include "http/zuMIME.h"
#include "platform/framework/Graphics.h"
#include "thread/zuThread.h"

namespace zu {

enum TzuHTTPRequestMethod { rmAutoDetect, rmGET, rmPOST };
enum TzuHTTPAccessType { atPreconfig, atDirect, atUseProxy };
enum TzuHTTPPOSTMethod { pmFormURLEncoded, pmMultipartFormData };
enum TzuCacheOption {
  coAlwaysReload, coReloadIfNoExpireInformation, coReloadUpdatedObjects, coPragmaNoCache,
  coNoCacheWrite, coCreateTempFilesIfCantCache, coUseCacheIfNetFail
};
using TzuCacheOptions = std::uint8_t;  // bit n = element n
enum TzuInternetOption {
  ioIgnoreCertificateInvalid, ioIgnoreCertificateDateInvalid, ioIgnoreUnknownCertificateAuthority,
  ioIgnoreRedirectToHTTP, ioIgnoreRedirectToHTTPS, ioKeepConnection, ioNoAuthentication,
  ioNoAutoRedirect, ioNoCookies
};
using TzuInternetOptions = std::uint16_t;  // bit n = element n
constexpr std::uint16_t Bit(int Element) { return static_cast<std::uint16_t>(1u << Element); }

inline constexpr const char* DefaultAcceptTypes = "text/html, */*";
inline constexpr const char* DefaultAgent = "Renewix HTTP Component/1.0";
inline constexpr TzuCacheOptions DefaultCacheOptions = 38;
inline constexpr TzuInternetOptions DefaultInternetOptions = 32;
inline constexpr int MinBufferSize = 255;

// ---------- settings sub-objects ----------

class TzuHTTPProxy : public TPersistent {
  ZU_CLASS_INFO
 public:
  TzuHTTPAccessType AccessType() const { return FAccessType; }
  void SetAccessType(TzuHTTPAccessType V) { FAccessType = V; }
  int ProxyPort() const { return FProxyPort; }
  void SetProxyPort(int V) { FProxyPort = V; }
  const std::string& ProxyServer() const { return FProxyServer; }
  void SetProxyServer(const std::string& V) { FProxyServer = V; }
  const std::string& ProxyBypass() const { return FProxyBypass; }
  void SetProxyBypass(const std::string& V) { FProxyBypass = V; }
  // Passed by reference to OnProxyAuthenticationRequest.
  std::string& ProxyUsername() { return FProxyUsername; }
  const std::string& ProxyUsername() const { return FProxyUsername; }
  void SetProxyUsername(const std::string& V) { FProxyUsername = V; }
  std::string& ProxyPassword() { return FProxyPassword; }
  const std::string& ProxyPassword() const { return FProxyPassword; }
  void SetProxyPassword(const std::string& V) { FProxyPassword = V; }
  bool IsUseProxy() const { return FAccessType == atUseProxy; }
  void Assign(const TPersistent* Source) override;

 private:
  TzuHTTPAccessType FAccessType = atPreconfig;
  int FProxyPort = 8080;
  std::string FProxyServer;
  std::string FProxyBypass = "127.0.0.1;";
  std::string FProxyUsername, FProxyPassword;
};

class TzuHTTPRange : public TPersistent {
  ZU_CLASS_INFO
 public:
  std::uint32_t StartRange() const { return FStartRange; }
  void SetStartRange(std::uint32_t V) { FStartRange = V; }
  std::uint32_t EndRange() const { return FEndRange; }
  void SetEndRange(std::uint32_t V) { FEndRange = V; }
  void Assign(const TPersistent* Source) override;

 private:
  std::uint32_t FStartRange = 0, FEndRange = 0;
};

class TzuHTTPTimeouts : public TPersistent {
  ZU_CLASS_INFO
 public:
  std::uint32_t ConnectTimeout() const { return FConnect; }
  void SetConnectTimeout(std::uint32_t V) { FConnect = V; }
  std::uint32_t ReceiveTimeout() const { return FReceive; }
  void SetReceiveTimeout(std::uint32_t V) { FReceive = V; }
  std::uint32_t SendTimeout() const { return FSend; }
  void SetSendTimeout(std::uint32_t V) { FSend = V; }
  void Assign(const TPersistent* Source) override;

 private:
  std::uint32_t FConnect = 0, FReceive = 0, FSend = 0;
};

class TzuOutputFileAttributes : public TzuPersistent {
  ZU_CLASS_INFO
 public:
  using TzuPersistent::TzuPersistent;
  const TzuFileAttributes& Complete() const { return FComplete; }
  void SetComplete(const TzuFileAttributes& V);
  const TzuFileAttributes& Incomplete() const { return FIncomplete; }
  void SetIncomplete(const TzuFileAttributes& V);
  void Assign(const TPersistent* Source) override;

 protected:
  virtual void AttributesChanged() {}

 private:
  // Form data keeps the sets as masks of their elements.
  static std::int64_t ToMask(const TzuFileAttributes& A);
  static TzuFileAttributes FromMask(std::int64_t M);
  std::int64_t CompleteBits() const { return ToMask(FComplete); }
  void SetCompleteBits(std::int64_t V) { SetComplete(FromMask(V)); }
  std::int64_t IncompleteBits() const { return ToMask(FIncomplete); }
  void SetIncompleteBits(std::int64_t V) { SetIncomplete(FromMask(V)); }
  TzuFileAttributes FComplete{atrArchive};
  TzuFileAttributes FIncomplete{atrArchive, atrTemporary};
};

// ---------- events ----------

using TzuHTTPBeforeSendRequest = std::function<void(TObject* Sender, void* hRequest)>;
using TzuHTTPHeaderInfoEvent = std::function<void(
    TObject* Sender, int ErrorCode, const std::string& RawHeadersCRLF, const std::string& ContentType,
    const std::string& ContentLanguage, const std::string& ContentEncoding, std::int64_t ContentLength,
    const std::string& Location, TDateTime Date, TDateTime LastModified, TDateTime Expires,
    const std::string& ETag, bool& ContinueDownload)>;
using TzuHTTPDoneEvent =
    std::function<void(TObject* Sender, const std::string& ContentType, std::int64_t FileSize, TStream* Stream)>;
using TzuHTTPProgressEvent = std::function<void(
    TObject* Sender, const std::string& ContentType, std::int64_t DataSize, std::int64_t BytesRead,
    int ElapsedTime, int EstimatedTimeLeft, std::uint8_t PercentsDone, float TransferRate, TStream* Stream)>;
using TzuHTTPRedirected = std::function<void(TObject* Sender, const std::string& NewURL)>;
using TzuHTTPUploadProgressEvent =
    std::function<void(TObject* Sender, std::int64_t DataSize, std::int64_t BytesTransferred, int ElapsedTime,
                       int EstimatedTimeLeft, std::uint8_t PercentsDone, float TransferRate)>;
using TzuHTTPUploadFieldRequest = std::function<void(TObject* Sender, std::uint16_t FileIndex,
                                                     TMemoryStream* UploadStream, std::string& FieldName,
                                                     std::string& FileName)>;
using TzuHTTPConnLostEvent = std::function<void(TObject* Sender, const std::string& ContentType,
                                                std::int64_t FileSize, std::int64_t BytesRead, TStream* Stream)>;
using TzuHTTPErrorEvent = std::function<void(TObject* Sender, int ErrorCode, TStream* Stream)>;
using TzuHTTPPasswordRequestEvent = std::function<void(TObject* Sender, const std::string& Realm, bool& TryAgain)>;
using TzuHTTPProxyAuthenticationEvent = std::function<void(TObject* Sender, std::string& ProxyUsername,
                                                           std::string& ProxyPassword, bool& TryAgain)>;
using TzuHTTPStatusChanged = std::function<void(TObject* Sender, unsigned StatusID, const std::string& StatusStr)>;

// The request flags of the library for these settings (0x00400C10 for plain HTTP with the
// defaults).
std::uint32_t HTTPRequestFlags(bool Secure, TzuCacheOptions CacheOptions, TzuInternetOptions InternetOptions);

// Element names of the option sets and priorities as form data stores them.
const std::vector<std::string>& HTTPCacheOptionNames();
const std::vector<std::string>& HTTPInternetOptionNames();
const std::vector<std::string>& ThreadPriorityNames();

// The library's status notification texts.
std::string InternetStatusText(unsigned StatusID);

// ---------- the component ----------

struct TzuTransferAccess;

class TzuCustomHTTP : public TzuLoginComponent {
  ZU_CLASS_INFO
 public:
  explicit TzuCustomHTTP(TComponent* AOwner);
  ~TzuCustomHTTP() override;

  // Settings.
  const std::string& AcceptTypes() const { return FAcceptTypes; }
  void SetAcceptTypes(const std::string& V) { FAcceptTypes = V; }
  TStrings* AddHeaders() { return &FAddHeaders; }
  void SetAddHeaders(const TStrings& V) { FAddHeaders.Assign(V); }
  const std::string& Agent() const { return FAgent; }
  void SetAgent(const std::string& V) { FAgent = V; }
  TzuHTTPProxy* Proxy() { return &FProxy; }
  void SetProxy(const TzuHTTPProxy& V) { FProxy.Assign(&V); }
  const std::string& URL() const { return FURL; }
  void SetURL(const std::string& V) { FURL = V; }
  TzuCacheOptions CacheOptions() const { return FCacheOptions; }
  void SetCacheOptions(TzuCacheOptions V) { FCacheOptions = V; }
  TzuInternetOptions InternetOptions() const { return FInternetOptions; }
  void SetInternetOptions(TzuInternetOptions V) { FInternetOptions = V; }
  const std::string& OutputFileName() const { return FOutputFileName; }
  void SetOutputFileName(const std::string& V) { FOutputFileName = V; }
  TzuOutputFileAttributes* OutputFileAttributes() { return &FOutputFileAttributes; }
  const std::string& POSTData() const { return FPOSTData; }
  void SetPOSTData(const std::string& V) { FPOSTData = V; }
  TzuHTTPRange* Range() { return &FRange; }
  const std::string& Referer() const { return FReferer; }
  void SetReferer(const std::string& V) { FReferer = V; }
  TzuHTTPRequestMethod RequestMethod() const { return FRequestMethod; }
  void SetRequestMethod(TzuHTTPRequestMethod V) { FRequestMethod = V; }
  bool ShowGoOnlineMessage() const { return FShowGoOnlineMessage; }
  void SetShowGoOnlineMessage(bool V) { FShowGoOnlineMessage = V; }
  TzuHTTPTimeouts* Timeouts() { return &FTimeouts; }
  TThreadPriority GetThreadPriority() const;
  void SetThreadPriority(TThreadPriority V);
  int TransferBufferSize() const { return FTransferBufferSize; }
  void SetTransferBufferSize(int V) { FTransferBufferSize = V < MinBufferSize ? MinBufferSize : V; }
  bool GetWaitThread() const;
  void SetWaitThread(bool V);
  std::uint32_t GetWaitTimeout() const;
  void SetWaitTimeout(std::uint32_t V);
  bool WorkOffline() const { return FWorkOffline; }
  void SetWorkOffline(bool V) { FWorkOffline = V; }
  // The largest body a run takes into memory (no output file), in bytes; 0: no limit. A
  // successful response beyond it ends as an output file error without reading on; an error
  // response's body is cut there.
  std::uint64_t MaxMemoryBody() const { return FMaxMemoryBody; }
  void SetMaxMemoryBody(std::uint64_t V) { FMaxMemoryBody = V; }
  // Hash the output while it is written (SHA-256 of the whole file, a resumed file's
  // earlier bytes included); OutputSha256 gives it in OnDone, empty when it could not be had.
  bool HashOutput() const { return FHashOutput; }
  void SetHashOutput(bool V) { FHashOutput = V; }
  std::string OutputSha256() const;

  // Operations (main thread).
  bool Read(bool WaitUntilDone);
  bool ReadRange(std::uint64_t From, std::uint64_t To, bool WaitUntilDone);
  bool Resume();
  void Abort(bool DeleteOutputFile, bool Immediately);
  void Pause() { Abort(false, false); }
  void ReleaseHTTPStream();
  void CloseHTTPHandles();
  void AbortAndReleaseStreams();
  bool GetThreadBusy() const;
  bool GetSuspended() const;
  void SetSuspended(bool V);
  bool GetFreeOnTerminate() const { return FFreeOnTerminate; }
  void SetFreeOnTerminate(bool V);
  std::string GetFileName() const;
  std::string GetHostName() const;
  bool IsGlobalOffline() const;
  void DoAnyError();

  // Multipart uploads: BeginPrepareUpload, any number of fields, EndPrepareUpload (which starts
  // the transfer); or Upload(Count) asking OnUploadFieldRequest for each field. The field
  // operations raise EInvalidOperation without a prepared upload.
  bool BeginPrepareUpload();
  void UploadStream(const std::string& Name, TStream* Stream, const std::string& FileName);
  void UploadString(const std::string& Name, const std::string& Value);
  void UploadInteger(const std::string& Name, std::int32_t Value);
  void UploadBoolean(const std::string& Name, bool Value) { UploadInteger(Name, Value ? 1 : 0); }
  void UploadPicture(const std::string& Name, const TPicture& Picture, const std::string& FileName);
  // The picture as a JPEG thumbnail that fits Width x Height, at Quality (see
  // WriteThumbnailedImageToStream).
  void UploadThumbnailedPicture(const std::string& Name, const TPicture& Picture, std::uint16_t Width,
                                std::uint16_t Height, std::uint8_t Quality, bool KeepSmaller,
                                const std::string& FileName);
  bool EndPrepareUpload();
  bool Upload(std::uint16_t Count);
  // "Content-Type: multipart/form-data; boundary="..."" of the prepared upload.
  const std::string& UploadHeader() const { return FUploadHeader; }
  const TzuHTTPUploadStream* PreparedUpload() const { return FUploadStream.get(); }
  TzuThread* Thread() const { return FThread; }

  // Last transfer's values (main thread; valid between the start and the release).
  int StatusCode() const;
  bool InUse() const { return FInUse; }
  // A handler of this component's events is running and its worker waits for it to return.
  bool InWorkerEvent() const { return *FWorkerCalls > 0; }
  // Why the last run could not reach the server or lost the connection: the request layer's
  // error (ERROR_INTERNET_...; 0 when none) and a short English reason for people
  // ("certificate not trusted: unknown authority", "connection refused", ...).
  unsigned LastError() const;
  std::string LastErrorReason() const;

  // Events.
  TzuHTTPBeforeSendRequest OnBeforeSendRequest;
  TzuHTTPHeaderInfoEvent OnHeaderInfo;
  TzuHTTPDoneEvent OnDone;
  TNotifyEvent OnDoneInterrupted;
  TzuHTTPProgressEvent OnProgress;
  TzuHTTPStatusChanged OnStatusChanged;
  TzuHTTPRedirected OnRedirected;
  TzuHTTPUploadProgressEvent OnUploadProgress;
  TzuHTTPUploadFieldRequest OnUploadFieldRequest;
  TNotifyEvent OnUploadCGITimeoutFailed;
  TNotifyEvent OnAnyError;
  TNotifyEvent OnAborted;
  TzuHTTPConnLostEvent OnConnLost;
  TNotifyEvent OnHostUnreachable;
  TzuHTTPErrorEvent OnHTTPError;
  TNotifyEvent OnOutputFileError;
  TzuHTTPPasswordRequestEvent OnPasswordRequest;
  TzuHTTPProxyAuthenticationEvent OnProxyAuthenticationRequest;
  TzuThreadWaitTimeoutExpired OnWaitTimeoutExpired;

  struct TTransfer;  // one run's state; defined in zuHTTP.cpp

 protected:
  const std::string& HTTPUserName() const { return LoginUserName(); }
  void SetHTTPUserName(const std::string& V) { SetLoginUserName(V); }
  const std::string& HTTPPassword() const { return LoginPassword(); }
  void SetHTTPPassword(const std::string& V) { SetLoginPassword(V); }

 private:
  friend struct TzuTransferAccess;
  void ThreadExecute(TObject* Sender);
  void ThreadDone(TObject* Sender);
  void ThreadException(TObject* Sender);
  void ThreadWaitTimeoutExpired(TObject* Sender, bool& TerminateThread);
  std::shared_ptr<TTransfer> NewTransfer(std::uint64_t From, std::uint64_t To);
  void ReleaseTransferStream(TTransfer& T);
  void SyncWndProc(TMessage& Message);

  std::string FAcceptTypes = DefaultAcceptTypes;
  TStringList FAddHeaders;
  std::string FAgent = DefaultAgent;
  TzuHTTPProxy FProxy;
  std::string FURL;
  TzuCacheOptions FCacheOptions = DefaultCacheOptions;
  TzuInternetOptions FInternetOptions = DefaultInternetOptions;
  std::string FOutputFileName;
  TzuOutputFileAttributes FOutputFileAttributes{this};
  std::string FPOSTData;
  TzuHTTPRange FRange;
  std::string FReferer;
  TzuHTTPRequestMethod FRequestMethod = rmAutoDetect;
  bool FShowGoOnlineMessage = false;
  TzuHTTPTimeouts FTimeouts;
  int FTransferBufferSize = 4096;
  bool FWorkOffline = false;
  std::uint64_t FMaxMemoryBody = 0;
  bool FHashOutput = false;
  bool FFreeOnTerminate = false;
  THandle FSyncWindow = 0;  // where workers' synchronised calls arrive
  std::unique_ptr<TzuHTTPUploadStream> FUploadStream;
  std::string FUploadHeader;
  TzuHTTPUploadStream& PreparedStream();
  bool StartTransfer(std::shared_ptr<TTransfer> T, bool WaitUntilDone);

  TzuThread* FThread = nullptr;  // owned (component ownership)
  bool FInUse = false;
  std::shared_ptr<int> FWorkerCalls = std::make_shared<int>(0);
  bool FDeleteOnAbort = false;
  std::shared_ptr<TTransfer> FTransfer;  // the current run
};

// Publishes the settings and events.
class TzuHTTP : public TzuCustomHTTP {
  ZU_CLASS_INFO
 public:
  using TzuCustomHTTP::TzuCustomHTTP;
  const std::string& Username() const { return HTTPUserName(); }
  void SetUsername(const std::string& V) { SetHTTPUserName(V); }
  const std::string& Password() const { return HTTPPassword(); }
  void SetPassword(const std::string& V) { SetHTTPPassword(V); }
};

// Asks every cache on the way to fetch afresh.
class TzuHTTPPragmaNoCache : public TzuCustomHTTP {
  ZU_CLASS_INFO
 public:
  explicit TzuHTTPPragmaNoCache(TComponent* AOwner);
};

// ---------- URL helpers ----------

// A text without "://" is taken as "http://" + text. Escapes are decoded. False (outputs
// unchanged) when a part is longer than its buffer in the platform library: scheme 32
// characters, host 256, user name and password 128, path and extra information 2048 each.
bool ParseURL(const std::string& URL, std::string& Scheme, std::string& HostName, std::string& URLPath,
              std::string& UserName, std::string& Password, std::string& ExtraInfo, std::uint16_t& Port);
std::string URLToHostName(const std::string& URL);
// The last segment of the path (split at '/' and '\'); empty when the path ends in one.
std::string URLToFileName(const std::string& URL);
std::string HTTPErrorToStr(int Code);
// A request layer error (ERROR_INTERNET_...) in a few words; Detail (the library's own text)
// is used for errors without words of their own.
std::string InternetErrorReason(unsigned Code, const std::string& Detail = std::string());
// The body of a successful GET, or empty; Timeout milliseconds (0: none).
std::string HTTPReadString(const std::string& URL, int Timeout);

}  // namespace zu
