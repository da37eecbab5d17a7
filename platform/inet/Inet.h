// The HTTP client library layer: WinINet's call sequence over libcurl.
//
// A session (InternetOpen) holds the agent, the proxy choice and the status callback; a
// connection (InternetConnect) the host, port and credentials; a request (HttpOpenRequest)
// the verb, object, flags, options and added headers. HttpSendRequest (or
// HttpSendRequestEx + InternetWriteFile + HttpEndRequest for a streamed body) returns once
// the final response headers are in, with the body not yet read; InternetReadFile then pulls
// the body. Every call runs synchronously on the calling thread (the HTTP component's
// worker). A request may be sent again (after new credentials, or a replaced range header):
// the earlier response is dropped.
//
// Each request drives one curl easy handle through a curl multi handle, pausing the body
// when nobody reads it. Redirects are followed here (not by curl), so each one is reported
// with status 110 and its new URL, and a redirect from https to http is refused unless
// INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP is set. Certificates are verified; the three ignore
// settings each skip only their own error. Failures set a per-thread last error
// (ERROR_INTERNET_...), read with GetLastInternetError.
//
// Calls on one handle are serialised. InternetCancel and InternetCloseHandle may come from any
// thread while another thread is inside a call on that handle: the call ends at once with
// ERROR_INTERNET_OPERATION_CANCELLED, and a closed handle's memory lives until that call has
// returned. Handle values are never reused, so a stale one only fails (ERROR_INVALID_HANDLE).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zu::inet {

struct TInternetHandle;
using HINTERNET = TInternetHandle*;

// ---------- InternetOpen ----------
enum : unsigned {
  INTERNET_OPEN_TYPE_PRECONFIG = 0,  // the proxy environment variables (http_proxy, https_proxy, no_proxy)
  INTERNET_OPEN_TYPE_DIRECT = 1,     // no proxy, whatever the environment says
  INTERNET_OPEN_TYPE_PROXY = 3,      // the proxy "host:port" and bypass list given
};
inline constexpr unsigned INTERNET_FLAG_OFFLINE = 0x01000000;

// ---------- InternetConnect ----------
inline constexpr unsigned INTERNET_SERVICE_HTTP = 3;
inline constexpr std::uint16_t INTERNET_DEFAULT_HTTP_PORT = 80;
inline constexpr std::uint16_t INTERNET_DEFAULT_HTTPS_PORT = 443;

// ---------- HttpOpenRequest flags ----------
enum : std::uint32_t {
  INTERNET_FLAG_NEED_FILE = 0x00000010,
  INTERNET_FLAG_PRAGMA_NOCACHE = 0x00000100,
  INTERNET_FLAG_HYPERLINK = 0x00000400,
  INTERNET_FLAG_RESYNCHRONIZE = 0x00000800,
  INTERNET_FLAG_IGNORE_CERT_CN_INVALID = 0x00001000,
  INTERNET_FLAG_IGNORE_CERT_DATE_INVALID = 0x00002000,
  INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS = 0x00004000,
  INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP = 0x00008000,
  INTERNET_FLAG_CACHE_IF_NET_FAIL = 0x00010000,
  INTERNET_FLAG_NO_AUTH = 0x00040000,
  INTERNET_FLAG_NO_COOKIES = 0x00080000,
  INTERNET_FLAG_NO_AUTO_REDIRECT = 0x00200000,
  INTERNET_FLAG_KEEP_CONNECTION = 0x00400000,
  INTERNET_FLAG_SECURE = 0x00800000,
  INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000,
  INTERNET_FLAG_RELOAD = 0x80000000,
};

// ---------- options ----------
enum : unsigned {
  INTERNET_OPTION_CONNECT_TIMEOUT = 2,   // milliseconds
  INTERNET_OPTION_SEND_TIMEOUT = 5,      // milliseconds without progress while sending
  INTERNET_OPTION_RECEIVE_TIMEOUT = 6,   // milliseconds without progress while receiving
  INTERNET_OPTION_USERNAME = 28,
  INTERNET_OPTION_PASSWORD = 29,
  INTERNET_OPTION_SECURITY_FLAGS = 31,
  INTERNET_OPTION_PROXY_USERNAME = 43,
  INTERNET_OPTION_PROXY_PASSWORD = 44,
  INTERNET_OPTION_CONNECTED_STATE = 50,
};
// What a handle starts with: no connection, no byte sent and no byte received for a minute
// ends the call with ERROR_INTERNET_TIMEOUT.
inline constexpr std::uint32_t INTERNET_DEFAULT_CONNECT_TIMEOUT_MS = 60000;
inline constexpr std::uint32_t INTERNET_DEFAULT_SEND_TIMEOUT_MS = 60000;
inline constexpr std::uint32_t INTERNET_DEFAULT_RECEIVE_TIMEOUT_MS = 60000;
inline constexpr std::uint32_t SECURITY_FLAG_IGNORE_UNKNOWN_CA = 0x100;
inline constexpr std::uint32_t SECURITY_FLAG_IGNORE_CERT_CN_INVALID = 0x1000;    // as the request flag
inline constexpr std::uint32_t SECURITY_FLAG_IGNORE_CERT_DATE_INVALID = 0x2000;  // as the request flag
inline constexpr std::uint32_t INTERNET_STATE_CONNECTED = 0x1;
inline constexpr std::uint32_t INTERNET_STATE_DISCONNECTED_BY_USER = 0x10;

// ---------- headers ----------
enum : unsigned {
  HTTP_ADDREQ_FLAG_ADD = 0x20000000,
  HTTP_ADDREQ_FLAG_REPLACE = 0x80000000,
};

enum : unsigned {
  HTTP_QUERY_CONTENT_TYPE = 1,
  HTTP_QUERY_CONTENT_LENGTH = 5,
  HTTP_QUERY_CONTENT_LANGUAGE = 6,
  HTTP_QUERY_DATE = 9,
  HTTP_QUERY_EXPIRES = 10,
  HTTP_QUERY_LAST_MODIFIED = 11,
  HTTP_QUERY_PRAGMA = 17,
  HTTP_QUERY_VERSION = 18,
  HTTP_QUERY_STATUS_CODE = 19,
  HTTP_QUERY_STATUS_TEXT = 20,
  HTTP_QUERY_RAW_HEADERS_CRLF = 22,
  HTTP_QUERY_CONNECTION = 23,
  HTTP_QUERY_CONTENT_ENCODING = 29,
  HTTP_QUERY_LOCATION = 33,
  HTTP_QUERY_WWW_AUTHENTICATE = 40,
  HTTP_QUERY_PROXY_AUTHENTICATE = 41,
  HTTP_QUERY_ACCEPT_RANGES = 42,
  HTTP_QUERY_SET_COOKIE = 43,
  HTTP_QUERY_CACHE_CONTROL = 49,
  HTTP_QUERY_CONTENT_RANGE = 53,
  HTTP_QUERY_ETAG = 54,
  HTTP_QUERY_TRANSFER_ENCODING = 63,
  HTTP_QUERY_CUSTOM = 65535,  // Value holds the header name on entry
};

// ---------- status callback ----------
enum : unsigned {
  INTERNET_STATUS_RESOLVING_NAME = 10,
  INTERNET_STATUS_NAME_RESOLVED = 11,
  INTERNET_STATUS_CONNECTING_TO_SERVER = 20,
  INTERNET_STATUS_CONNECTED_TO_SERVER = 21,
  INTERNET_STATUS_SENDING_REQUEST = 30,
  INTERNET_STATUS_REQUEST_SENT = 31,
  INTERNET_STATUS_RECEIVING_RESPONSE = 40,
  INTERNET_STATUS_RESPONSE_RECEIVED = 41,
  INTERNET_STATUS_CLOSING_CONNECTION = 50,
  INTERNET_STATUS_CONNECTION_CLOSED = 51,
  INTERNET_STATUS_HANDLE_CREATED = 60,
  INTERNET_STATUS_HANDLE_CLOSING = 70,
  INTERNET_STATUS_REQUEST_COMPLETE = 100,
  INTERNET_STATUS_REDIRECT = 110,
  INTERNET_STATUS_INTERMEDIATE_RESPONSE = 120,
  INTERNET_STATUS_STATE_CHANGE = 200,
};
// Called on the thread that makes the library call. Context is the connection's context
// value (the request's for request events when it is not 0). For INTERNET_STATUS_REDIRECT,
// Info is the new URL, zero-terminated, and InfoLength counts the terminator. Other Info:
// RESOLVING_NAME the host name, NAME_RESOLVED / CONNECTING_TO_SERVER / CONNECTED_TO_SERVER the
// address as text (all zero-terminated, the length counting the terminator); REQUEST_SENT and
// RESPONSE_RECEIVED a std::uint32_t byte count; HANDLE_CREATED and REQUEST_COMPLETE an
// INTERNET_ASYNC_RESULT; HANDLE_CLOSING the HINTERNET being closed; others none. The callback
// must not call the library for the request it reports on.
struct INTERNET_ASYNC_RESULT {
  std::uintptr_t dwResult;  // the handle (HANDLE_CREATED) or 1/0 for success (REQUEST_COMPLETE)
  unsigned dwError;         // 0, or the error of a failed request
};
using TStatusCallback =
    std::function<void(HINTERNET Handle, std::uintptr_t Context, unsigned Status, const void* Info, unsigned InfoLength)>;

// ---------- errors ----------
enum : unsigned {
  ERROR_INVALID_HANDLE = 6,
  ERROR_INTERNET_TIMEOUT = 12002,
  ERROR_INTERNET_INTERNAL_ERROR = 12004,
  ERROR_INTERNET_INVALID_URL = 12005,
  ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006,
  ERROR_INTERNET_NAME_NOT_RESOLVED = 12007,
  ERROR_INTERNET_INVALID_OPTION = 12009,
  ERROR_INTERNET_OPERATION_CANCELLED = 12017,
  ERROR_INTERNET_INCORRECT_HANDLE_TYPE = 12018,
  ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019,
  ERROR_INTERNET_CANNOT_CONNECT = 12029,
  ERROR_INTERNET_CONNECTION_ABORTED = 12030,
  ERROR_INTERNET_CONNECTION_RESET = 12031,
  ERROR_INTERNET_FORCE_RETRY = 12032,
  ERROR_INTERNET_SEC_CERT_DATE_INVALID = 12037,
  ERROR_INTERNET_SEC_CERT_CN_INVALID = 12038,
  ERROR_INTERNET_HTTP_TO_HTTPS_ON_REDIR = 12039,
  ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR = 12040,
  ERROR_INTERNET_INVALID_CA = 12045,
  ERROR_INTERNET_SECURITY_CHANNEL_ERROR = 12157,
  ERROR_HTTP_HEADER_NOT_FOUND = 12150,
  ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152,
  ERROR_HTTP_INVALID_HEADER = 12153,
  ERROR_HTTP_REDIRECT_FAILED = 12156,
  ERROR_INTERNET_DISCONNECTED = 12163,
  ERROR_INTERNET_SEC_INVALID_CERT = 12169,
};
unsigned GetLastInternetError();
std::string GetLastInternetErrorText();  // curl's own words, for logs and tests

// ---------- calls ----------
HINTERNET InternetOpen(const std::string& Agent, unsigned AccessType, const std::string& Proxy,
                       const std::string& ProxyBypass, unsigned Flags);
void InternetSetStatusCallback(HINTERNET Internet, TStatusCallback Callback);
HINTERNET InternetConnect(HINTERNET Internet, const std::string& ServerName, std::uint16_t ServerPort,
                          const std::string& UserName, const std::string& Password, unsigned Service,
                          unsigned Flags, std::uintptr_t Context);
// Version empty: HTTP/1.1. AcceptTypes: one Accept header entry each.
HINTERNET HttpOpenRequest(HINTERNET Connect, const std::string& Verb, const std::string& ObjectName,
                          const std::string& Version, const std::string& Referer,
                          const std::vector<std::string>& AcceptTypes, std::uint32_t Flags,
                          std::uintptr_t Context);
bool InternetSetOption(HINTERNET Handle, unsigned Option, std::uint32_t Value);
bool InternetSetOption(HINTERNET Handle, unsigned Option, const std::string& Value);
// INTERNET_OPTION_CONNECTED_STATE with no handle: INTERNET_STATE_CONNECTED, or
// INTERNET_STATE_DISCONNECTED_BY_USER after InternetGoOffline. While offline, and in a session
// opened with INTERNET_FLAG_OFFLINE, sends fail with ERROR_INTERNET_DISCONNECTED (there is no
// cache to answer); the flag concerns its own session only.
bool InternetQueryOption(HINTERNET Handle, unsigned Option, std::uint32_t& Value);
bool InternetGoOnline(const std::string& URL);
void InternetGoOffline();
// Lines "Name: value" each ended by CR LF; false (ERROR_HTTP_INVALID_HEADER) for a line
// without a name and colon.
bool HttpAddRequestHeaders(HINTERNET Request, const std::string& Headers, unsigned Modifiers);
bool HttpSendRequest(HINTERNET Request, const std::string& Headers, const void* Optional, std::size_t OptionalLength);
// A body of TotalLength bytes written with InternetWriteFile, ended by HttpEndRequest, which
// returns once the final response headers are in. The body may have to go out again (an
// authentication round trip, a 307/308 redirect): without a Source the layer keeps a copy of
// everything written for that; with one it keeps nothing and reads the bytes again through
// Source(Offset, Buffer, Length), asking only for bytes already written. The source must stay
// valid until the next send on the request or its close (it is held by the request).
using TBodySource = std::function<bool(std::uint64_t Offset, void* Buffer, std::size_t Length)>;
bool HttpSendRequestEx(HINTERNET Request, const std::string& Headers, std::uint64_t TotalLength,
                       TBodySource Source = nullptr);
bool InternetWriteFile(HINTERNET Request, const void* Buffer, std::size_t Length, std::size_t& Written);
bool HttpEndRequest(HINTERNET Request);
// The value as text; false (ERROR_HTTP_HEADER_NOT_FOUND) when the response lacks it.
bool HttpQueryInfo(HINTERNET Request, unsigned InfoLevel, std::string& Value);
// Up to Length body bytes; Read 0 with true at the end of the body.
bool InternetReadFile(HINTERNET Request, void* Buffer, std::size_t Length, std::size_t& Read);
// Receives body bytes in the pieces they arrive in, called on the reading thread; false
// refuses them and stops the transfer. Must not throw (it runs inside libcurl).
using TBodySink = std::function<bool(const char* Data, std::size_t Length)>;
// InternetReadFile without the copy into a buffer: the same Length bytes go to Sink as they
// come off the network. A refusal ends the read with false (ERROR_INTERNET_OPERATION_CANCELLED)
// and fails the request from then on. Read counts what the sink took, also when the read fails.
bool InternetReadFileTo(HINTERNET Request, std::size_t Length, const TBodySink& Sink, std::size_t& Read);
bool InternetCloseHandle(HINTERNET Handle);
// Thread-safe: makes the request's current and later library calls fail at once with
// ERROR_INTERNET_OPERATION_CANCELLED (a stop at once from another thread).
void InternetCancel(HINTERNET Request);

// ---------- URLs (libcurl's URL API) ----------
struct TURLComponents {
  std::string Scheme, HostName, UserName, Password, UrlPath, ExtraInfo;  // ExtraInfo: "?query#fragment"
  std::uint16_t Port = 0;  // the scheme's default when the URL names none
};
bool InternetCrackUrl(const std::string& URL, TURLComponents& Parts);

// Held by a worker thread for as long as it may use the functions above. Its end releases the
// thread's TLS library state, and the process's exit waits (a bounded while) for every scope to
// end first: the TLS library's own clean-up at exit must not run under a worker still using it.
class TInternetThreadScope {
public:
  TInternetThreadScope();
  ~TInternetThreadScope();
  TInternetThreadScope(const TInternetThreadScope&) = delete;
  TInternetThreadScope& operator=(const TInternetThreadScope&) = delete;
};

}  // namespace zu::inet
