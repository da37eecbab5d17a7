// Internals of the request layer: handle objects, the handle table, the per-thread last error.
#pragma once

#include <curl/curl.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/inet/Inet.h"

namespace zu::inet::detail {

void SetLastError(unsigned Code, const std::string& Text = std::string());
// Maps a failed transfer to the library's error number.
unsigned ErrorFromCurl(CURLcode Code, long OsErrno);
void EnsureCurl();
bool IsOffline();
void SetOffline(bool Offline);

// Options a handle passes on to the handles created under it.
struct TOptions {
  // Milliseconds. Finite by default, so a silent peer never holds a caller for ever; an
  // explicit 0 means no limit (curl's own connect limit of 300 s for connecting).
  std::uint32_t ConnectTimeout = INTERNET_DEFAULT_CONNECT_TIMEOUT_MS;
  std::uint32_t SendTimeout = INTERNET_DEFAULT_SEND_TIMEOUT_MS;
  std::uint32_t ReceiveTimeout = INTERNET_DEFAULT_RECEIVE_TIMEOUT_MS;
  std::string UserName, Password, ProxyUserName, ProxyPassword;
  std::uint32_t SecurityFlags = 0;
};

enum class TKind { Session, Connect, Request };

struct TObject {
  explicit TObject(TKind K) : Kind(K) {}
  virtual ~TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;

  const TKind Kind;
  HINTERNET Handle = nullptr;
  std::mutex CallLock;  // one library call at a time on this handle
  TOptions Options;
  std::atomic<bool> Closing{false};
};

struct TSession : TObject {
  TSession();
  ~TSession() override;

  std::string Agent;
  unsigned AccessType = INTERNET_OPEN_TYPE_PRECONFIG;
  std::string Proxy, ProxyBypass;
  unsigned Flags = 0;
  bool Offline = false;     // INTERNET_FLAG_OFFLINE: this session's requests are not sent
  CURLSH* Share = nullptr;  // the session's cookie engine
  std::array<std::mutex, CURL_LOCK_DATA_LAST> ShareLocks;

  void SetCallback(TStatusCallback Callback);
  void Notify(HINTERNET H, std::uintptr_t Context, unsigned Status, const void* Info, unsigned Length);
  void NotifyText(HINTERNET H, std::uintptr_t Context, unsigned Status, const std::string& Text);

 private:
  std::mutex FCallbackLock;
  TStatusCallback FCallback;
};

struct TConnection : TObject {
  TConnection() : TObject(TKind::Connect) {}
  std::shared_ptr<TSession> Session;
  std::string Host;
  std::uint16_t Port = 0;
  std::uintptr_t Context = 0;
};

}  // namespace zu::inet::detail
