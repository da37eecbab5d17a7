// One run of the HTTP component as its worker and the component share it. Private to http/.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

#include "http/zuHTTP.h"
#include "platform/inet/Inet.h"
#include "platform/os/Crypto.h"

namespace zu {

using namespace inet;

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

// A call from a worker into the main thread, carried by ZUM_SYNCHRONIZE to the component's
// window. The component runs it only for its current run.
struct TzuHTTPSyncCall {
  const void* Transfer;
  std::function<void(TzuCustomHTTP&)> Fn;
  bool SoftStop = false;  // the run stops: release it and give the component a fresh thread
  bool Ran = false;
};

// The worker's whole run: request, response, body and the events it sends to the main thread.
void RunHTTPWorker(TzuCustomHTTP::TTransfer& T);

}  // namespace zu
