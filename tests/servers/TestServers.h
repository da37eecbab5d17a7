// Real peers for HTTP tests, all on 127.0.0.1: nginx (static files, ranges, basic auth,
// redirects, TLS with good and bad certificates), tinyproxy (optionally with 407), and our own
// fault-injecting server for what no real server does on purpose. Each picks free ports, waits
// until it accepts connections and leaves nothing behind when it is destroyed.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "TestUtil.h"

namespace zutest {

// A free TCP port on 127.0.0.1 (free now; a server should take it at once).
int FreePort();
// True once something accepts connections on 127.0.0.1:Port, within TimeoutMs.
bool WaitForPort(int Port, int TimeoutMs);

// A server program run as a child in its own process group; it dies with the test process.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess() { Stop(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Output goes to LogFile (standard output to OutFile when one is named). False when the
  // program cannot be started.
  bool Start(const std::string& Program, const std::vector<std::string>& Args, const std::string& LogFile,
             const std::string& OutFile = std::string());
  bool Running();
  int Wait(int TimeoutMs);  // the exit code; -1 (and the process killed) when it does not end in time
  void Stop();  // SIGTERM to the group, SIGKILL after a grace period; always reaped

 private:
  pid_t FPid = -1;
};

// The certificates of the TLS servers, made with the openssl command line at run time: a test
// authority and, signed by it, a good certificate for 127.0.0.1/localhost, an expired one and
// one for another name; plus a self-signed one for 127.0.0.1 that no authority vouches for.
class TestCertificates {
 public:
  explicit TestCertificates(const std::string& Dir);
  bool Ok() const { return FOk; }
  std::string CaFile() const { return FDir + "/ca.pem"; }
  std::string Cert(const std::string& Name) const { return FDir + "/" + Name + ".pem"; }
  std::string Key(const std::string& Name) const { return FDir + "/" + Name + ".key"; }
  std::string Error() const { return FError; }

 private:
  bool Run(const std::vector<std::string>& Args);
  bool Leaf(const std::string& Name, const std::string& Cn, const std::string& AltNames, int Days);
  std::string FDir, FError;
  bool FOk = false;
};

// nginx with a fresh configuration and document root:
//   /               static files of DocRoot() (ranges and 416 as nginx does them)
//   /protected/     basic auth, realm "Members", user User() with Password()
//   /redirect/301, /redirect/302, /redirect/303, /redirect/307 -> /hello.txt
//   /redirect/chain -> /redirect/301;  /redirect/loop -> itself
//   /redirect/to-https -> the good TLS server's /hello.txt
//   /redirect/to-http  (on the TLS servers) -> the plain server's /hello.txt
//   /headers        echoes some request headers as text (pragma, cache-control, user-agent,
//                   referer, accept, range, cookie, authorization present)
//   /cookie/set     sets the cookie zu=1;  /slow/  static files at 20 KB/s
// The TLS servers serve the same root on TlsPort (good certificate), ExpiredPort, WrongNamePort
// and SelfSignedPort. hello.txt holds "Hello, world!\n".
class NginxServer {
 public:
  NginxServer();
  ~NginxServer();
  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;

  bool Ok() const { return FOk; }
  std::string Error() const { return FError; }
  int Port() const { return FPorts[0]; }
  int TlsPort() const { return FPorts[1]; }
  int ExpiredPort() const { return FPorts[2]; }
  int WrongNamePort() const { return FPorts[3]; }
  int SelfSignedPort() const { return FPorts[4]; }
  std::string Url(const std::string& Path) const;
  std::string TlsUrl(int Port, const std::string& Path) const;
  std::string CaFile() const { return FCerts ? FCerts->CaFile() : std::string(); }
  std::string DocRoot() const { return FDir.File("www"); }
  // Writes a file under the document root (directories made as needed).
  void Put(const std::string& RelPath, const std::string& Bytes) const;
  // One line per request: method uri status "pragma" "cache-control" "range" body-bytes.
  std::string AccessLog() const;
  // The log once it holds every needle (or after TimeoutMs).
  std::string AccessLogWith(const std::vector<std::string>& Needles, int TimeoutMs = 5000) const;
  static const char* User() { return "member"; }
  static const char* Password() { return "s3cret"; }

 private:
  bool StartOnce();
  TempDir FDir;
  std::unique_ptr<TestCertificates> FCerts;
  ChildProcess FProcess;
  int FPorts[5] = {0, 0, 0, 0, 0};
  bool FOk = false;
  std::string FError;
};

// tinyproxy on a free port; with a user name, BasicAuth makes it answer 407 without it.
class TinyproxyServer {
 public:
  explicit TinyproxyServer(const std::string& User = std::string(), const std::string& Password = std::string());
  ~TinyproxyServer();
  TinyproxyServer(const TinyproxyServer&) = delete;
  TinyproxyServer& operator=(const TinyproxyServer&) = delete;

  bool Ok() const { return FOk; }
  int Port() const { return FPort; }
  std::string Address() const { return "127.0.0.1:" + std::to_string(FPort); }
  std::string Log() const;

 private:
  TempDir FDir;
  ChildProcess FProcess;
  int FPort = 0;
  bool FOk = false;
};

// ---------- the fault-injecting server ----------

struct FaultRequest {
  std::string Method, Target, Version;
  std::vector<std::pair<std::string, std::string>> Headers;
  std::string Body;
  int Connection = 0;  // which accepted connection carried it (1, 2, ...)
  std::string Path() const;  // without the query, and without scheme and host in a proxy request
  bool Has(const std::string& Name) const;
  std::string Header(const std::string& Name) const;  // the first value, empty when absent
};

// What a handler can do with the client it answers.
class FaultConnection {
 public:
  FaultConnection(int Fd, const std::atomic<bool>& Stopping, int WakeFd) : FFd(Fd), FStopping(Stopping), FWake(WakeFd) {}
  bool Send(const std::string& Bytes);  // false once the peer is gone or the server stops
  bool Sleep(int Ms);                   // false when the server stops meanwhile
  void Close();                         // an orderly close after what was sent
  void Reset();                         // an abortive close (the client sees a reset)
  bool Closed() const { return FClosed; }

 private:
  int FFd;
  const std::atomic<bool>& FStopping;
  int FWake;
  bool FClosed = false;
};

using FaultHandler = std::function<void(const FaultRequest&, FaultConnection&)>;

class FaultServer {
 public:
  FaultServer();  // unanswered paths get 404
  ~FaultServer();
  FaultServer(const FaultServer&) = delete;
  FaultServer& operator=(const FaultServer&) = delete;

  bool Ok() const { return FListen >= 0; }
  int Port() const { return FPort; }
  std::string Url(const std::string& Path) const { return "http://127.0.0.1:" + std::to_string(FPort) + Path; }
  void On(const std::string& Path, FaultHandler Handler);  // the path without the query
  // Called once the head is in, before any body is read (a server that does not take the
  // upload); the connection is closed after it.
  void OnHead(const std::string& Path, FaultHandler Handler);
  std::vector<FaultRequest> Requests() const;
  std::size_t RequestCount() const;
  FaultRequest Last() const;  // the last request received (empty when none)
  // Blocks until Count requests arrived or TimeoutMs passed.
  bool WaitForRequests(std::size_t Count, int TimeoutMs) const;

  // Whole responses (a Content-Length for Body is added unless Headers name one).
  static std::string Response(int Status, const std::string& Body, const std::vector<std::string>& Headers = {});
  // Ready-made behaviours.
  static FaultHandler Reply(int Status, const std::string& Body, const std::vector<std::string>& Headers = {});
  // A file with ranges (206, 416), Content-Length and an ETag.
  static FaultHandler File(const std::string& Content, const std::vector<std::string>& Headers = {});
  static FaultHandler CutAfter(const std::string& Body, std::size_t Bytes);    // full length announced
  static FaultHandler Stall(const std::string& Body, std::size_t Bytes, int Ms);  // then the rest
  static FaultHandler WrongLength(const std::string& Body, std::size_t Announced);  // then close
  static FaultHandler CloseWithoutStatus();
  static FaultHandler ResetWithoutStatus();
  // 401 with WWW-Authenticate: Basic realm="Realm" until the request carries these credentials.
  static FaultHandler RequireBasic(const std::string& User, const std::string& Password, const std::string& Realm,
                                   FaultHandler Then);
  // The same as a proxy: 407 with Proxy-Authenticate until Proxy-Authorization matches.
  static FaultHandler RequireProxyBasic(const std::string& User, const std::string& Password, FaultHandler Then);
  // The N-th request on the route gets Steps[N] (the last step repeats).
  static FaultHandler Script(std::vector<FaultHandler> Steps);

 private:
  void AcceptLoop();
  void Serve(int Fd, int Number);
  bool ReadHead(int Fd, std::string& Buffer, FaultRequest& R);
  bool ReadBody(int Fd, std::string& Buffer, FaultRequest& R);
  bool Fill(int Fd, std::string& Buffer);

  int FListen = -1;
  int FPort = 0;
  int FWake[2] = {-1, -1};
  std::atomic<bool> FStopping{false};
  std::thread FAcceptThread;
  mutable std::mutex FLock;
  mutable std::condition_variable FArrived;
  std::vector<std::thread> FThreads;
  std::vector<int> FClients;
  std::map<std::string, FaultHandler> FRoutes, FHeadRoutes;
  std::vector<FaultRequest> FRequests;
  int FConnections = 0;
};

}  // namespace zutest
