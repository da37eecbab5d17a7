// The request layer's side of libcurl: driving the multi handle and curl's callbacks.
#include "platform/inet/InetRequest.h"
#include "platform/inet/InetUrl.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zu::inet::detail {

namespace {

constexpr std::size_t kBodyLimit = 256 * 1024;  // buffered body before the transfer pauses
constexpr int kPollMs = 1000;

int CertExIndex() {
  static const int Index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return Index;
}

}  // namespace

// ---------- driving curl ----------

std::uint32_t TRequest::CurrentTimeout() const {
  if (!FIssued) return 0;  // connecting: curl's connect timeout
  if (FHasBody && FUploadPos < FUploadTotal) return Options.SendTimeout;
  return Options.ReceiveTimeout;
}

void TRequest::CollectDone() {
  int Left = 0;
  while (CURLMsg* M = curl_multi_info_read(FMulti, &Left))
    if (M->msg == CURLMSG_DONE && M->easy_handle == FEasy) {
      FDone = true;
      FResult = M->data.result;
    }
}

bool TRequest::Drive(const std::function<bool()>& Ready) {
  Touch();
  for (;;) {
    if (FCancelled) {
      FState = TState::Failed;
      FFailCode = ERROR_INTERNET_OPERATION_CANCELLED;
      FFailText = "the request was cancelled";
      Detach();
      return Fail(FFailCode, FFailText);
    }
    if (Ready() || FDone) return true;
    int Running = 0;
    const CURLMcode M = curl_multi_perform(FMulti, &Running);
    if (M != CURLM_OK) return Fail(ERROR_INTERNET_INTERNAL_ERROR, curl_multi_strerror(M));
    CollectDone();
    if (FCancelled) continue;
    if (Ready() || FDone) return true;
    int Wait = kPollMs;
    if (const std::uint32_t Limit = CurrentTimeout()) {
      const auto Idle = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                              FLastActivity)
                            .count();
      if (Idle >= Limit) {
        FState = TState::Failed;
        FFailCode = ERROR_INTERNET_TIMEOUT;
        FFailText = "no progress for " + std::to_string(Limit) + " ms";
        Detach();
        return Fail(FFailCode, FFailText);
      }
      Wait = std::min<int>(Wait, static_cast<int>(Limit - Idle));
    }
    curl_multi_poll(FMulti, nullptr, 0, Wait, nullptr);
  }
}

// ---------- curl callbacks ----------

size_t TRequest::OnHeader(char* Data, size_t Size, size_t Count, void* User) {
  auto* R = static_cast<TRequest*>(User);
  const size_t N = Size * Count;
  R->Touch();
  std::string Line(Data, N);
  while (!Line.empty() && (Line.back() == '\n' || Line.back() == '\r')) Line.pop_back();
  R->HeaderLine(std::move(Line));
  R->FBlock.Bytes += N;
  return N;
}

void TRequest::HeaderLine(std::string Line) {
  if (Line.rfind("HTTP/", 0) == 0) {
    // A complete response followed by another: curl's authentication round trip.
    if (FBlockComplete && !FBlock.FromProxyConnect && FIssued) Status(INTERNET_STATUS_INTERMEDIATE_RESPONSE);
    FBlock = TResponse();
    FBlockComplete = false;
    FBlock.FromProxyConnect = !FIssued;  // before the request went out: the proxy's CONNECT answer
    if (FIssued && !FSentReported) {
      FSentReported = true;
      curl_off_t Size = 0;
      curl_easy_getinfo(FEasy, CURLINFO_REQUEST_SIZE, &Size);
      const auto Sent = static_cast<std::uint32_t>(Size);
      Status(INTERNET_STATUS_REQUEST_SENT, &Sent, sizeof Sent);
      Status(INTERNET_STATUS_RECEIVING_RESPONSE);
    }
    FBlock.StatusLine = Line;
    const std::size_t Sp1 = Line.find(' ');
    FBlock.Version = Line.substr(0, Sp1);
    if (Sp1 != std::string::npos) {
      FBlock.Status = std::atoi(Line.c_str() + Sp1 + 1);
      const std::size_t Sp2 = Line.find(' ', Sp1 + 1);
      if (Sp2 != std::string::npos) FBlock.Reason = Trim(Line.substr(Sp2 + 1));
    }
    return;
  }
  if (FBlock.StatusLine.empty()) return;  // trailers or stray lines
  if (Line.empty()) {
    if (FBlockComplete) return;
    FBlockComplete = true;
    if (FBlock.FromProxyConnect) {
      FConnectResponse = FBlock;
    } else if (FBlock.Status >= 200 && !AuthMayFollow(FBlock.Status)) {
      FFinal = true;
    } else if (FBlock.Status < 200) {
      Status(INTERNET_STATUS_INTERMEDIATE_RESPONSE);
      FBlock = TResponse();
      FBlockComplete = false;
    }
    return;
  }
  if (FBlockComplete) return;
  FBlock.Lines.push_back(Line);
  if ((Line[0] == ' ' || Line[0] == '\t') && !FBlock.Fields.empty()) {
    FBlock.Fields.back().second += " " + Trim(Line);
    return;
  }
  const std::size_t Colon = Line.find(':');
  if (Colon == std::string::npos) return;
  FBlock.Fields.emplace_back(Trim(Line.substr(0, Colon)), Trim(Line.substr(Colon + 1)));
}

size_t TRequest::OnWrite(char* Data, size_t Size, size_t Count, void* User) {
  auto* R = static_cast<TRequest*>(User);
  const size_t N = Size * Count;
  R->Touch();
  R->FFinal = true;  // only the final response's body reaches us
  if (R->FBody.size() - R->FBodyPos >= kBodyLimit) {
    R->FWritePaused = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  std::size_t Direct = 0;
  if (R->FSink && R->FBodyPos >= R->FBody.size()) {  // nothing older is waiting in FBody
    if (R->FSinkRefused) return 0;                    // curl ends the transfer
    Direct = std::min(N, R->FSinkRoom - R->FSinkGot);
    if (Direct && !(*R->FSink)(Data, Direct)) {
      R->FSinkRefused = true;
      return 0;
    }
    R->FSinkGot += Direct;
  }
  R->FBody.append(Data + Direct, N - Direct);
  return N;
}

size_t TRequest::OnRead(char* Data, size_t Size, size_t Count, void* User) {
  auto* R = static_cast<TRequest*>(User);
  if (R->FCancelled) return CURL_READFUNC_ABORT;
  if (R->FUploadPos < R->FGiven) {
    std::size_t N = static_cast<std::size_t>(std::min<std::uint64_t>(Size * Count, R->FGiven - R->FUploadPos));
    if (!R->FSource) {
      std::memcpy(Data, R->FUpload.data() + R->FUploadPos, N);
    } else if (R->FWriteData && R->FUploadPos >= R->FWriteStart) {
      std::memcpy(Data, R->FWriteData + (R->FUploadPos - R->FWriteStart), N);
    } else {
      // Bytes given earlier, read again (a rewind for an authentication round trip or a 307).
      const std::uint64_t Upto = R->FWriteData ? R->FWriteStart : R->FGiven;
      N = static_cast<std::size_t>(std::min<std::uint64_t>(N, Upto - R->FUploadPos));
      if (!R->FSource(R->FUploadPos, Data, N)) return CURL_READFUNC_ABORT;
    }
    R->FUploadPos += N;
    R->Touch();
    return N;
  }
  if (R->FUploadPos >= R->FUploadTotal) return 0;
  R->FReadPaused = true;  // InternetWriteFile brings more
  return CURL_READFUNC_PAUSE;
}

int TRequest::OnSeek(void* User, curl_off_t Offset, int Origin) {
  auto* R = static_cast<TRequest*>(User);
  if (Origin != SEEK_SET || Offset < 0 || static_cast<std::uint64_t>(Offset) > R->FGiven)
    return CURL_SEEKFUNC_CANTSEEK;
  R->FUploadPos = static_cast<std::uint64_t>(Offset);
  return CURL_SEEKFUNC_OK;
}

int TRequest::OnProgress(void* User, curl_off_t, curl_off_t DlNow, curl_off_t, curl_off_t UlNow) {
  auto* R = static_cast<TRequest*>(User);
  if (R->FCancelled) return 1;
  if (DlNow != R->FLastDl || UlNow != R->FLastUl) {
    R->FLastDl = DlNow;
    R->FLastUl = UlNow;
    R->Touch();
  }
  return 0;
}

int TRequest::OnResolverStart(void*, void*, void* User) {
  auto* R = static_cast<TRequest*>(User);
  R->FResolving = true;
  R->StatusText(INTERNET_STATUS_RESOLVING_NAME, R->FHopHost);
  return 0;
}

curl_socket_t TRequest::OnOpenSocket(void* User, curlsocktype Purpose, struct curl_sockaddr* Address) {
  auto* R = static_cast<TRequest*>(User);
  if (Purpose == CURLSOCKTYPE_IPCXN) {
    char Text[INET6_ADDRSTRLEN] = "";
    if (Address->family == AF_INET)
      ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&Address->addr)->sin_addr, Text, sizeof Text);
    else if (Address->family == AF_INET6)
      ::inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(&Address->addr)->sin6_addr, Text, sizeof Text);
    if (R->FResolving) {
      R->FResolving = false;
      R->StatusText(INTERNET_STATUS_NAME_RESOLVED, Text);
    }
    R->StatusText(INTERNET_STATUS_CONNECTING_TO_SERVER, Text);
    R->FSocketOpened = true;
    R->FConnectedReported = false;
    R->FIssued = false;  // a new connection: a proxy may answer CONNECT first
  }
  return ::socket(Address->family, Address->socktype | SOCK_CLOEXEC, Address->protocol);
}

int TRequest::OnCloseSocket(void* User, curl_socket_t Socket) {
  auto* R = static_cast<TRequest*>(User);
  R->Status(INTERNET_STATUS_CLOSING_CONNECTION);
  const int Rc = ::close(Socket);
  R->Status(INTERNET_STATUS_CONNECTION_CLOSED);
  return Rc;
}

int TRequest::OnPrereq(void* User, char* PrimaryIp, char*, int, int) {
  auto* R = static_cast<TRequest*>(User);
  if (R->FSocketOpened && !R->FConnectedReported) {
    R->FConnectedReported = true;
    R->StatusText(INTERNET_STATUS_CONNECTED_TO_SERVER, PrimaryIp ? PrimaryIp : "");
  }
  R->FIssued = true;
  R->FSentReported = false;
  R->Status(INTERNET_STATUS_SENDING_REQUEST);
  return CURL_PREREQFUNC_OK;
}

CURLcode TRequest::OnSslContext(CURL*, void* SslContext, void* User) {
  auto* R = static_cast<TRequest*>(User);
  auto* Ctx = static_cast<SSL_CTX*>(SslContext);
  SSL_CTX_set_ex_data(Ctx, CertExIndex(), R);
  SSL_CTX_set_verify(Ctx, SSL_VERIFY_PEER, &TRequest::OnVerify);
  if (!(R->FCertIgnore & SECURITY_FLAG_IGNORE_CERT_CN_INVALID)) {
    X509_VERIFY_PARAM* P = SSL_CTX_get0_param(Ctx);
    X509_VERIFY_PARAM_set_hostflags(P, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    if (IsIpLiteral(R->FHopHost))
      X509_VERIFY_PARAM_set1_ip_asc(P, R->FHopHost.c_str());
    else
      X509_VERIFY_PARAM_set1_host(P, R->FHopHost.c_str(), R->FHopHost.size());
  }
  return CURLE_OK;
}

int TRequest::OnVerify(int PreverifyOk, X509_STORE_CTX* Store) {
  if (PreverifyOk) return 1;
  auto* Ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(Store, SSL_get_ex_data_X509_STORE_CTX_idx()));
  auto* R = Ssl ? static_cast<TRequest*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(Ssl), CertExIndex())) : nullptr;
  if (!R) return 0;
  TCertProblem Problem = TCertProblem::Other;
  std::uint32_t Forgiven = 0;
  switch (X509_STORE_CTX_get_error(Store)) {
    case X509_V_ERR_CERT_NOT_YET_VALID:
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_ERROR_IN_CERT_NOT_BEFORE_FIELD:
    case X509_V_ERR_ERROR_IN_CERT_NOT_AFTER_FIELD:
      Problem = TCertProblem::Date;
      Forgiven = SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;
      break;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
      Problem = TCertProblem::Authority;
      Forgiven = SECURITY_FLAG_IGNORE_UNKNOWN_CA;
      break;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      Problem = TCertProblem::Name;
      Forgiven = SECURITY_FLAG_IGNORE_CERT_CN_INVALID;
      break;
    default: break;
  }
  if (R->FCertIgnore & Forgiven) {
    X509_STORE_CTX_set_error(Store, X509_V_OK);
    return 1;
  }
  if (R->FCertProblem == TCertProblem::None) R->FCertProblem = Problem;
  return 0;
}

}  // namespace zu::inet::detail
