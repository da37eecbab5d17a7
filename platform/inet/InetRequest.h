// One request handle: a curl easy handle driven through its own multi handle on the calling
// thread. Each send is one or more hops (redirects followed here); the body is buffered up to
// a limit and the transfer paused while nobody reads.
#pragma once

#include <chrono>
#include <functional>
#include <utility>
#include <vector>

#include "platform/inet/InetPrivate.h"

struct x509_store_ctx_st;  // OpenSSL's X509_STORE_CTX

namespace zu::inet::detail {

// A response as read from the header callback.
struct TResponse {
  std::string StatusLine, Version, Reason;
  int Status = 0;
  std::vector<std::pair<std::string, std::string>> Fields;  // name, value (folded lines joined)
  std::vector<std::string> Lines;                          // as received, without line ends
  bool FromProxyConnect = false;
  std::size_t Bytes = 0;
  const std::string* Find(const std::string& Name) const;
};

enum class TCertProblem { None, Name, Date, Authority, Other };

class TRequest : public TObject {
 public:
  TRequest(std::shared_ptr<TConnection> Connection, const std::string& Verb, const std::string& ObjectName,
           const std::string& Version, const std::string& Referer, const std::vector<std::string>& AcceptTypes,
           std::uint32_t Flags, std::uintptr_t Context);
  ~TRequest() override;

  bool Valid() const { return FEasy && FMulti; }
  // Thread-safe: the current and later calls end with ERROR_INTERNET_OPERATION_CANCELLED. A
  // read that already received part of its buffer still delivers that part, unless the
  // handle is being closed.
  void Cancel(bool Closing = false);
  std::uintptr_t EventContext() const { return FContext ? FContext : FConnection->Context; }
  TSession& Session() const { return *FConnection->Session; }
  std::shared_ptr<TSession> SessionPtr() const { return FConnection->Session; }

  bool AddHeaders(const std::string& Text, unsigned Modifiers);
  bool Send(const std::string& Headers, const void* Data, std::size_t Length);
  bool SendEx(const std::string& Headers, std::uint64_t TotalLength, TBodySource Source);
  bool Write(const void* Buffer, std::size_t Length, std::size_t& Written);
  bool End();
  bool Query(unsigned InfoLevel, std::string& Value) const;
  bool Read(void* Buffer, std::size_t Length, std::size_t& Read);
  bool ReadTo(std::size_t Length, const TBodySink& Sink, std::size_t& Read);

 private:
  enum class TState { Idle, Streaming, Response, Failed };

  // Setting up a send and its hops.
  bool Begin(const std::string& Headers, std::string Body, std::uint64_t Total, bool Streaming,
             TBodySource Source = nullptr);
  bool StartHop(const std::string& Url);
  void Detach();
  void BuildHeaderList();
  bool ToFinalHeaders();
  bool FinalCandidate() const;
  bool AuthMayFollow(int Status) const;
  bool ConnectRefused();
  std::string ProxyFor(const std::string& Scheme) const;

  // Driving curl; false after cancel, timeout or a failure of the multi handle (error set).
  bool Drive(const std::function<bool()>& Ready);
  void CollectDone();
  std::uint32_t CurrentTimeout() const;
  void Touch() { FLastActivity = std::chrono::steady_clock::now(); }
  static bool Fail(unsigned Code, const std::string& Text);
  bool FailTransfer();
  bool Sticky();
  void Status(unsigned Code, const void* Info = nullptr, unsigned Length = 0);
  void StatusText(unsigned Code, const std::string& Text);
  void Complete(bool Ok);

  // curl callbacks.
  static size_t OnHeader(char* Data, size_t Size, size_t Count, void* User);
  static size_t OnWrite(char* Data, size_t Size, size_t Count, void* User);
  static size_t OnRead(char* Data, size_t Size, size_t Count, void* User);
  static int OnSeek(void* User, curl_off_t Offset, int Origin);
  static int OnProgress(void* User, curl_off_t DlTotal, curl_off_t DlNow, curl_off_t UlTotal, curl_off_t UlNow);
  static int OnResolverStart(void* ResolverState, void* Reserved, void* User);
  static curl_socket_t OnOpenSocket(void* User, curlsocktype Purpose, struct curl_sockaddr* Address);
  static int OnCloseSocket(void* User, curl_socket_t Socket);
  static int OnPrereq(void* User, char* PrimaryIp, char* LocalIp, int PrimaryPort, int LocalPort);
  static CURLcode OnSslContext(CURL* Easy, void* SslContext, void* User);
  static int OnVerify(int PreverifyOk, x509_store_ctx_st* Store);
  void HeaderLine(std::string Line);

  std::shared_ptr<TConnection> FConnection;
  std::string FVerb, FObject, FReferer;
  bool FHttp10 = false;
  std::vector<std::string> FAccept;
  std::uint32_t FFlags = 0;
  std::uintptr_t FContext = 0;
  std::vector<std::string> FHeaders;  // "Name: value", in the order added

  CURL* FEasy = nullptr;
  CURLM* FMulti = nullptr;
  curl_slist* FHeaderList = nullptr;
  char FErrorBuffer[CURL_ERROR_SIZE] = {};
  bool FAttached = false;
  std::atomic<bool> FCancelled{false}, FClosing{false};

  // The current send.
  TState FState = TState::Idle;
  unsigned FFailCode = 0;
  std::string FFailText;
  std::string FMethod;   // of the current hop
  bool FHasBody = false;  // the current hop sends FUpload
  // The body given so far, kept so curl can rewind it (auth, redirect 307/308); empty when the
  // caller names a source to read it again from.
  std::string FUpload;
  TBodySource FSource;
  std::uint64_t FGiven = 0;            // bytes of the body the caller has given
  const char* FWriteData = nullptr;    // with a source: the block of the write in progress
  std::uint64_t FWriteStart = 0;       // and its offset in the body
  std::uint64_t FUploadTotal = 0;
  std::uint64_t FUploadPos = 0;        // how far curl has read
  bool FReadPaused = false;
  int FRedirects = 0;
  std::string FUrl, FHopHost;
  std::string FOrigin;  // "host:port" of the first hop, the only one given server credentials
  bool FOfferServerAuth = false, FOfferProxyAuth = false;
  // A streamed body is sent once per send: credentials for it are offered with the scheme a
  // challenge named, learned when HttpEndRequest asked the caller to send again (0: none yet).
  long FStreamServerAuth = 0, FStreamProxyAuth = 0;
  bool FStreaming = false;
  std::uint32_t FCertIgnore = 0;  // SECURITY_FLAG_IGNORE_... of the current hop
  std::uint32_t FLastCertIgnore = 0;
  bool FConnectedOnce = false;

  // The current hop.
  TResponse FBlock;  // the response whose header lines are arriving
  bool FBlockComplete = false;
  TResponse FConnectResponse;  // the proxy's last answer to CONNECT
  TResponse FResponse;         // the final response of the send
  bool FHaveResponse = false;
  bool FIssued = false;        // a request went out on the current connection
  bool FSentReported = false, FResolving = false, FSocketOpened = false, FConnectedReported = false;
  bool FFinal = false;  // the final response's body has begun or no round trip can follow
  bool FDone = false;
  CURLcode FResult = CURLE_OK;
  TCertProblem FCertProblem = TCertProblem::None;
  std::string FBody;  // received body not yet read
  std::size_t FBodyPos = 0;
  // While a read waits, curl's data goes straight to the reader's sink, as far as the read
  // has room; what does not fit is kept in FBody.
  const TBodySink* FSink = nullptr;
  std::size_t FSinkRoom = 0, FSinkGot = 0;
  bool FSinkRefused = false;
  bool FWritePaused = false;
  std::chrono::steady_clock::time_point FLastActivity;
  curl_off_t FLastDl = 0, FLastUl = 0;
};

}  // namespace zu::inet::detail
