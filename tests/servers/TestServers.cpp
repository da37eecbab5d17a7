#include "TestServers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <strings.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace zutest {

namespace {

using Clock = std::chrono::steady_clock;

int Connect(int Port) {
  const int Fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (Fd < 0) return -1;
  sockaddr_in A{};
  A.sin_family = AF_INET;
  A.sin_port = htons(static_cast<uint16_t>(Port));
  A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(Fd, reinterpret_cast<sockaddr*>(&A), sizeof A) != 0) {
    ::close(Fd);
    return -1;
  }
  return Fd;
}

std::string Slurp(const std::string& Path) {
  std::ifstream F(Path, std::ios::binary);
  std::stringstream S;
  S << F.rdbuf();
  return S.str();
}

bool SameName(const std::string& A, const std::string& B) {
  return A.size() == B.size() && ::strncasecmp(A.data(), B.data(), A.size()) == 0;
}

std::string Base64(const std::string& In) {
  static const char* T = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string Out;
  std::size_t I = 0;
  for (; I + 2 < In.size(); I += 3) {
    const unsigned V = (static_cast<unsigned char>(In[I]) << 16) | (static_cast<unsigned char>(In[I + 1]) << 8) |
                       static_cast<unsigned char>(In[I + 2]);
    Out += {T[V >> 18], T[(V >> 12) & 63], T[(V >> 6) & 63], T[V & 63]};
  }
  if (I + 1 == In.size()) {
    const unsigned V = static_cast<unsigned char>(In[I]) << 16;
    Out += {T[V >> 18], T[(V >> 12) & 63], '=', '='};
  } else if (I + 2 == In.size()) {
    const unsigned V = (static_cast<unsigned char>(In[I]) << 16) | (static_cast<unsigned char>(In[I + 1]) << 8);
    Out += {T[V >> 18], T[(V >> 12) & 63], T[(V >> 6) & 63], '='};
  }
  return Out;
}

const char* ReasonFor(int Status) {
  switch (Status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 307: return "Temporary Redirect";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 407: return "Proxy Authentication Required";
    case 413: return "Payload Too Large";
    case 416: return "Range Not Satisfiable";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

}  // namespace

int FreePort() {
  const int Fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (Fd < 0) return 0;
  sockaddr_in A{};
  A.sin_family = AF_INET;
  A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t Len = sizeof A;
  int Port = 0;
  if (::bind(Fd, reinterpret_cast<sockaddr*>(&A), sizeof A) == 0 &&
      ::getsockname(Fd, reinterpret_cast<sockaddr*>(&A), &Len) == 0)
    Port = ntohs(A.sin_port);
  ::close(Fd);
  return Port;
}

bool WaitForPort(int Port, int TimeoutMs) {
  const auto End = Clock::now() + std::chrono::milliseconds(TimeoutMs);
  while (Clock::now() < End) {
    const int Fd = Connect(Port);
    if (Fd >= 0) {
      ::close(Fd);
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// ---------- ChildProcess ----------

bool ChildProcess::Start(const std::string& Program, const std::vector<std::string>& Args, const std::string& LogFile,
                         const std::string& OutFile) {
  Stop();
  std::string Exe = Program;
  if (Exe.find('/') == std::string::npos) {  // looked up here: the child may only exec
    const char* Path = std::getenv("PATH");
    std::istringstream Dirs(Path ? Path : "/usr/bin:/bin");
    for (std::string D; std::getline(Dirs, D, ':');)
      if (!D.empty() && ::access((D + "/" + Program).c_str(), X_OK) == 0) {
        Exe = D + "/" + Program;
        break;
      }
  }
  std::vector<std::string> All{Program};
  All.insert(All.end(), Args.begin(), Args.end());
  std::vector<char*> Argv;
  for (auto& A : All) Argv.push_back(A.data());
  Argv.push_back(nullptr);
  const pid_t Parent = ::getpid();
  const pid_t Pid = ::fork();
  if (Pid < 0) return false;
  if (Pid == 0) {
    // Only async-signal-safe calls here: the test process has threads.
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // a crashed test leaves no server behind
    if (::getppid() != Parent) ::_exit(127);
    const int Log = ::open(LogFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    const int Out = OutFile.empty() ? Log : ::open(OutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int Null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (Null >= 0) ::dup2(Null, 0);
    if (Out >= 0) ::dup2(Out, 1);
    if (Log >= 0) ::dup2(Log, 2);
    ::execv(Exe.c_str(), Argv.data());
    ::_exit(127);
  }
  ::setpgid(Pid, Pid);
  FPid = Pid;
  return true;
}

bool ChildProcess::Running() {
  if (FPid <= 0) return false;
  int Status = 0;
  if (::waitpid(FPid, &Status, WNOHANG) == FPid) {
    FPid = -1;
    return false;
  }
  return true;
}

int ChildProcess::Wait(int TimeoutMs) {
  if (FPid <= 0) return -1;
  const auto End = Clock::now() + std::chrono::milliseconds(TimeoutMs);
  int Status = 0;
  while (Clock::now() < End) {
    if (::waitpid(FPid, &Status, WNOHANG) == FPid) {
      FPid = -1;
      return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  Stop();
  return -1;
}

void ChildProcess::Stop() {
  if (FPid <= 0) return;
  ::kill(-FPid, SIGTERM);
  const auto End = Clock::now() + std::chrono::seconds(5);
  int Status = 0;
  while (Clock::now() < End) {
    if (::waitpid(FPid, &Status, WNOHANG) == FPid) {
      ::kill(-FPid, SIGKILL);  // anything the server left in its group
      FPid = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(-FPid, SIGKILL);
  ::waitpid(FPid, &Status, 0);
  FPid = -1;
}

// ---------- TestCertificates ----------

namespace {

// Our own fork/exec rather than QProcess: ThreadSanitizer cannot follow QProcess's children.
int RunTool(const std::vector<std::string>& Args, const std::string& Dir, std::string* Out) {
  ChildProcess P;
  const std::string Log = Dir + "/tool.log", OutFile = Dir + "/tool.out";
  if (!P.Start("openssl", Args, Log, OutFile)) return -1;
  const int Rc = P.Wait(30000);
  if (Out) *Out = Slurp(OutFile);
  return Rc;
}

}  // namespace

bool TestCertificates::Run(const std::vector<std::string>& Args) {
  const int Rc = RunTool(Args, FDir, nullptr);
  if (Rc != 0) FError += "openssl " + Args.front() + " failed: " + Slurp(FDir + "/tool.log") + "\n";
  return Rc == 0;
}

bool TestCertificates::Leaf(const std::string& Name, const std::string& Cn, const std::string& AltNames, int Days) {
  const std::string Ext = FDir + "/" + Name + ".ext";
  WriteFile(Ext, "subjectAltName=" + AltNames + "\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n");
  std::random_device Rd;
  return Run({"req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout",
              Key(Name), "-out", FDir + "/" + Name + ".csr", "-subj", "/CN=" + Cn}) &&
         Run({"x509", "-req", "-in", FDir + "/" + Name + ".csr", "-CA", CaFile(), "-CAkey", FDir + "/ca.key",
              "-set_serial", std::to_string(Rd() | 1u), "-days", std::to_string(Days), "-extfile", Ext, "-out",
              Cert(Name)});
}

TestCertificates::TestCertificates(const std::string& Dir) : FDir(Dir) {
  std::filesystem::create_directories(Dir);
  const std::vector<std::string> Ec{"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
  std::vector<std::string> Ca{"req", "-x509"};
  Ca.insert(Ca.end(), Ec.begin(), Ec.end());
  Ca.insert(Ca.end(), {"-keyout", FDir + "/ca.key", "-out", CaFile(), "-days", "30", "-subj", "/CN=Renewix Test CA",
                       "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign"});
  std::vector<std::string> Self{"req", "-x509"};
  Self.insert(Self.end(), Ec.begin(), Ec.end());
  Self.insert(Self.end(), {"-keyout", Key("selfsigned"), "-out", Cert("selfsigned"), "-days", "30", "-subj",
                           "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"});
  // -days -1 ends the validity a day before it begins: expired from the first second.
  FOk = Run(Ca) && Leaf("good", "127.0.0.1", "IP:127.0.0.1,DNS:localhost", 30) &&
        Leaf("expired", "127.0.0.1", "IP:127.0.0.1,DNS:localhost", -1) &&
        Leaf("wrongname", "wrong.invalid", "DNS:wrong.invalid", 30) && Run(Self);
}

// ---------- NginxServer ----------

NginxServer::NginxServer() {
  std::filesystem::create_directories(FDir.File("www/protected"));
  std::filesystem::create_directories(FDir.File("www/slow"));
  std::filesystem::create_directories(FDir.File("tmp"));
  Put("hello.txt", "Hello, world!\n");
  Put("protected/secret.txt", "members only\n");
  FCerts = std::make_unique<TestCertificates>(FDir.File("certs"));
  if (!FCerts->Ok()) {
    FError = FCerts->Error();
    return;
  }
  std::string Line;
  if (RunTool({"passwd", "-apr1", Password()}, FDir.Path(), &Line) != 0) {
    FError = "openssl passwd failed";
    return;
  }
  while (!Line.empty() && (Line.back() == '\n' || Line.back() == '\r')) Line.pop_back();
  WriteFile(FDir.File("htpasswd"), std::string(User()) + ":" + Line + "\n");
  for (int Attempt = 0; Attempt < 3 && !FOk; ++Attempt) FOk = StartOnce();
}

bool NginxServer::StartOnce() {
  for (int& P : FPorts) P = FreePort();
  const std::string D = FDir.Path();
  const std::string Root = D + "/www";
  const std::string Plain = std::to_string(Port());
  auto Tls = [&](int TlsPortNumber, const std::string& Name) {
    return "  server {\n    listen 127.0.0.1:" + std::to_string(TlsPortNumber) + " ssl;\n    ssl_certificate " +
           FCerts->Cert(Name) + ";\n    ssl_certificate_key " + FCerts->Key(Name) + ";\n    root " + Root +
           ";\n    location = /redirect/to-http { return 302 http://127.0.0.1:" + Plain +
           "/hello.txt; }\n    location = /redirect/301 { return 301 /hello.txt; }\n  }\n";
  };
  const std::string Conf =
      "daemon off;\nmaster_process off;\nworker_processes 1;\npid " + D + "/nginx.pid;\nerror_log " + D +
      "/error.log info;\nevents { worker_connections 128; }\nhttp {\n"
      "  log_format zu '$request_method $request_uri $status \"$http_pragma\" \"$http_cache_control\" "
      "\"$http_range\" $body_bytes_sent';\n  access_log " + D + "/access.log zu;\n"
      "  client_body_temp_path " + D + "/tmp/body;\n  proxy_temp_path " + D + "/tmp/proxy;\n"
      "  fastcgi_temp_path " + D + "/tmp/fastcgi;\n  uwsgi_temp_path " + D + "/tmp/uwsgi;\n"
      "  scgi_temp_path " + D + "/tmp/scgi;\n"
      "  types { text/plain txt; text/html html; application/octet-stream bin; }\n"
      "  default_type application/octet-stream;\n  keepalive_timeout 15;\n"
      "  server {\n    listen 127.0.0.1:" + std::to_string(Port()) + ";\n    root " + Root + ";\n"
      "    location /protected/ { auth_basic \"Members\"; auth_basic_user_file " + D + "/htpasswd; }\n"
      "    location /slow/ { limit_rate 20k; }\n"
      "    location /throttled/ { limit_rate 16m; }\n"
      "    location = /redirect/301 { return 301 /hello.txt; }\n"
      "    location = /redirect/302 { return 302 /hello.txt; }\n"
      "    location = /redirect/303 { return 303 /hello.txt; }\n"
      "    location = /redirect/307 { return 307 /headers; }\n"
      "    location = /redirect/chain { return 302 /redirect/301; }\n"
      "    location = /redirect/loop { return 302 /redirect/loop; }\n"
      "    location = /redirect/to-https { return 302 https://127.0.0.1:" + std::to_string(TlsPort()) +
      "/hello.txt; }\n"
      "    location = /cookie/set { add_header Set-Cookie \"zu=1; Path=/\"; default_type text/plain; "
      "return 200 \"set\\n\"; }\n"
      "    location = /headers { default_type text/plain; return 200 \"method=$request_method\\n"
      "pragma=$http_pragma\\ncache-control=$http_cache_control\\nuser-agent=$http_user_agent\\n"
      "referer=$http_referer\\naccept=$http_accept\\nrange=$http_range\\ncookie=$http_cookie\\n"
      "x-test=$http_x_test\\n\"; }\n"
      "  }\n" +
      Tls(TlsPort(), "good") + Tls(ExpiredPort(), "expired") + Tls(WrongNamePort(), "wrongname") +
      Tls(SelfSignedPort(), "selfsigned") + "}\n";
  WriteFile(D + "/nginx.conf", Conf);
  const std::string Nginx = std::filesystem::exists("/usr/sbin/nginx") ? "/usr/sbin/nginx" : "nginx";
  if (!FProcess.Start(Nginx, {"-p", D, "-e", D + "/error.log", "-c", D + "/nginx.conf"}, D + "/nginx.out")) {
    FError = "cannot start nginx";
    return false;
  }
  const auto End = Clock::now() + std::chrono::seconds(10);
  for (int P : FPorts) {
    while (!WaitForPort(P, 50)) {
      if (!FProcess.Running() || Clock::now() > End) {
        FError = "nginx did not start: " + Slurp(D + "/error.log") + Slurp(D + "/nginx.out");
        FProcess.Stop();
        return false;
      }
    }
  }
  return true;
}

NginxServer::~NginxServer() { FProcess.Stop(); }

std::string NginxServer::Url(const std::string& Path) const {
  return "http://127.0.0.1:" + std::to_string(Port()) + Path;
}

std::string NginxServer::TlsUrl(int Port, const std::string& Path) const {
  return "https://127.0.0.1:" + std::to_string(Port) + Path;
}

void NginxServer::Put(const std::string& RelPath, const std::string& Bytes) const {
  const std::filesystem::path P = std::filesystem::path(DocRoot()) / RelPath;
  std::filesystem::create_directories(P.parent_path());
  WriteFile(P.string(), Bytes);
}

std::string NginxServer::AccessLog() const {
  // nginx logs a request after its response went out: wait until the log stops growing.
  std::string Log = Slurp(FDir.File("access.log"));
  for (int I = 0; I < 40; ++I) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    std::string Again = Slurp(FDir.File("access.log"));
    if (Again == Log) break;
    Log = std::move(Again);
  }
  return Log;
}

std::string NginxServer::AccessLogWith(const std::vector<std::string>& Needles, int TimeoutMs) const {
  // nginx logs a request after its response went out, so the newest line can lag behind.
  const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  for (;;) {
    std::string Log = AccessLog();
    bool All = true;
    for (const auto& N : Needles) All = All && Log.find(N) != std::string::npos;
    if (All || std::chrono::steady_clock::now() >= End) return Log;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// ---------- TinyproxyServer ----------

TinyproxyServer::TinyproxyServer(const std::string& User, const std::string& Password) {
  for (int Attempt = 0; Attempt < 3 && !FOk; ++Attempt) {
    FPort = FreePort();
    std::string Conf = "Port " + std::to_string(FPort) +
                       "\nListen 127.0.0.1\nTimeout 30\nMaxClients 50\nLogLevel Info\nDisableViaHeader Yes\n"
                       "LogFile \"" + FDir.File("tinyproxy.log") + "\"\nPidFile \"" + FDir.File("tinyproxy.pid") +
                       "\"\n";
    if (!User.empty()) Conf += "BasicAuth " + User + " " + Password + "\n";
    WriteFile(FDir.File("tinyproxy.conf"), Conf);
    const std::string Tp = std::filesystem::exists("/usr/bin/tinyproxy") ? "/usr/bin/tinyproxy" : "tinyproxy";
    if (!FProcess.Start(Tp, {"-d", "-c", FDir.File("tinyproxy.conf")}, FDir.File("tinyproxy.out"))) return;
    const auto End = Clock::now() + std::chrono::seconds(10);
    while (!FOk && FProcess.Running() && Clock::now() < End) FOk = WaitForPort(FPort, 50);
    if (!FOk) FProcess.Stop();
  }
}

TinyproxyServer::~TinyproxyServer() { FProcess.Stop(); }

std::string TinyproxyServer::Log() const { return Slurp(FDir.File("tinyproxy.log")); }

// ---------- FaultServer ----------

std::string FaultRequest::Path() const {
  std::string P = Target.substr(0, Target.find('?'));
  const auto Scheme = P.find("://");
  if (Scheme != std::string::npos) {
    const auto Slash = P.find('/', Scheme + 3);
    P = Slash == std::string::npos ? "/" : P.substr(Slash);
  }
  return P;
}

bool FaultRequest::Has(const std::string& Name) const {
  for (const auto& H : Headers)
    if (SameName(H.first, Name)) return true;
  return false;
}

std::string FaultRequest::Header(const std::string& Name) const {
  for (const auto& H : Headers)
    if (SameName(H.first, Name)) return H.second;
  return std::string();
}

bool FaultConnection::Send(const std::string& Bytes) {
  std::size_t Done = 0;
  while (Done < Bytes.size() && !FClosed && !FStopping) {
    pollfd P[2] = {{FFd, POLLOUT, 0}, {FWake, POLLIN, 0}};
    if (::poll(P, 2, 1000) < 0 && errno != EINTR) return false;
    if (P[1].revents) return false;
    if (!(P[0].revents & (POLLOUT | POLLERR | POLLHUP))) continue;
    const ssize_t N = ::send(FFd, Bytes.data() + Done, Bytes.size() - Done, MSG_NOSIGNAL);
    if (N <= 0) return false;
    Done += static_cast<std::size_t>(N);
  }
  return Done == Bytes.size();
}

bool FaultConnection::Sleep(int Ms) {
  pollfd P{FWake, POLLIN, 0};
  return ::poll(&P, 1, Ms) == 0 && !FStopping;
}

void FaultConnection::Close() {
  if (FClosed) return;
  FClosed = true;
  ::shutdown(FFd, SHUT_WR);
}

void FaultConnection::Reset() {
  if (FClosed) return;
  FClosed = true;
  // No shutdown: that would send an orderly FIN first. Closing the socket with a zero linger
  // (the server does it as the handler returns) sends the RST.
  linger L{1, 0};
  ::setsockopt(FFd, SOL_SOCKET, SO_LINGER, &L, sizeof L);
}

FaultServer::FaultServer() {
  if (::pipe2(FWake, O_CLOEXEC) != 0) return;
  const int Fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (Fd < 0) return;
  int One = 1;
  ::setsockopt(Fd, SOL_SOCKET, SO_REUSEADDR, &One, sizeof One);
  sockaddr_in A{};
  A.sin_family = AF_INET;
  A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t Len = sizeof A;
  if (::bind(Fd, reinterpret_cast<sockaddr*>(&A), sizeof A) != 0 || ::listen(Fd, 64) != 0 ||
      ::getsockname(Fd, reinterpret_cast<sockaddr*>(&A), &Len) != 0) {
    ::close(Fd);
    return;
  }
  FListen = Fd;
  FPort = ntohs(A.sin_port);
  FAcceptThread = std::thread([this] { AcceptLoop(); });
}

FaultServer::~FaultServer() {
  FStopping = true;
  if (FWake[1] >= 0) (void)!::write(FWake[1], "x", 1);
  if (FAcceptThread.joinable()) FAcceptThread.join();
  std::vector<std::thread> Threads;
  {
    std::lock_guard<std::mutex> L(FLock);
    for (int C : FClients) ::shutdown(C, SHUT_RDWR);
    Threads.swap(FThreads);
  }
  for (auto& T : Threads) T.join();
  if (FListen >= 0) ::close(FListen);
  for (int W : FWake)
    if (W >= 0) ::close(W);
}

void FaultServer::On(const std::string& Path, FaultHandler Handler) {
  std::lock_guard<std::mutex> L(FLock);
  FRoutes[Path] = std::move(Handler);
}

void FaultServer::OnHead(const std::string& Path, FaultHandler Handler) {
  std::lock_guard<std::mutex> L(FLock);
  FHeadRoutes[Path] = std::move(Handler);
}

std::vector<FaultRequest> FaultServer::Requests() const {
  std::lock_guard<std::mutex> L(FLock);
  return FRequests;
}

std::size_t FaultServer::RequestCount() const {
  std::lock_guard<std::mutex> L(FLock);
  return FRequests.size();
}

FaultRequest FaultServer::Last() const {
  std::lock_guard<std::mutex> L(FLock);
  return FRequests.empty() ? FaultRequest() : FRequests.back();
}

bool FaultServer::WaitForRequests(std::size_t Count, int TimeoutMs) const {
  std::unique_lock<std::mutex> L(FLock);
  return FArrived.wait_for(L, std::chrono::milliseconds(TimeoutMs), [&] { return FRequests.size() >= Count; });
}

void FaultServer::AcceptLoop() {
  while (!FStopping) {
    pollfd P[2] = {{FListen, POLLIN, 0}, {FWake[0], POLLIN, 0}};
    if (::poll(P, 2, 1000) < 0 && errno != EINTR) break;
    if (P[1].revents || FStopping) break;
    if (!(P[0].revents & POLLIN)) continue;
    const int C = ::accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
    if (C < 0) continue;
    int One = 1;
    ::setsockopt(C, IPPROTO_TCP, TCP_NODELAY, &One, sizeof One);
    std::lock_guard<std::mutex> L(FLock);
    FClients.push_back(C);
    const int Number = ++FConnections;
    FThreads.emplace_back([this, C, Number] { Serve(C, Number); });
  }
}

bool FaultServer::Fill(int Fd, std::string& Buffer) {
  // An idle client is dropped after a while so a forgotten connection cannot hold a test.
  pollfd P[2] = {{Fd, POLLIN, 0}, {FWake[0], POLLIN, 0}};
  if (::poll(P, 2, 30000) <= 0 || P[1].revents || FStopping) return false;
  char Chunk[16384];
  const ssize_t N = ::recv(Fd, Chunk, sizeof Chunk, 0);
  if (N <= 0) return false;
  Buffer.append(Chunk, static_cast<std::size_t>(N));
  return true;
}

bool FaultServer::ReadHead(int Fd, std::string& Buffer, FaultRequest& R) {
  std::size_t End;
  while ((End = Buffer.find("\r\n\r\n")) == std::string::npos)
    if (!Fill(Fd, Buffer)) return false;
  std::istringstream Head(Buffer.substr(0, End));
  Buffer.erase(0, End + 4);
  std::string Line;
  std::getline(Head, Line);
  if (!Line.empty() && Line.back() == '\r') Line.pop_back();
  std::istringstream First(Line);
  First >> R.Method >> R.Target >> R.Version;
  while (std::getline(Head, Line)) {
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    const auto Colon = Line.find(':');
    if (Colon == std::string::npos) continue;
    std::string Value = Line.substr(Colon + 1);
    Value.erase(0, Value.find_first_not_of(" \t"));
    R.Headers.emplace_back(Line.substr(0, Colon), Value);
  }
  return true;
}

bool FaultServer::ReadBody(int Fd, std::string& Buffer, FaultRequest& R) {
  if (SameName(R.Header("Expect"), "100-continue")) {
    const std::string Continue = "HTTP/1.1 100 Continue\r\n\r\n";
    (void)!::send(Fd, Continue.data(), Continue.size(), MSG_NOSIGNAL);
  }
  if (R.Has("Content-Length")) {
    const std::size_t Length = std::strtoull(R.Header("Content-Length").c_str(), nullptr, 10);
    while (Buffer.size() < Length)
      if (!Fill(Fd, Buffer)) return false;
    R.Body = Buffer.substr(0, Length);
    Buffer.erase(0, Length);
  } else if (SameName(R.Header("Transfer-Encoding"), "chunked")) {
    for (;;) {
      std::size_t Eol;
      while ((Eol = Buffer.find("\r\n")) == std::string::npos)
        if (!Fill(Fd, Buffer)) return false;
      const std::size_t Size = std::strtoull(Buffer.c_str(), nullptr, 16);
      Buffer.erase(0, Eol + 2);
      while (Buffer.size() < Size + 2)
        if (!Fill(Fd, Buffer)) return false;
      R.Body += Buffer.substr(0, Size);
      Buffer.erase(0, Size + 2);
      if (Size == 0) break;
    }
  }
  return true;
}

void FaultServer::Serve(int Fd, int Number) {
  std::string Buffer;
  FaultConnection Conn(Fd, FStopping, FWake[0]);
  while (!FStopping && !Conn.Closed()) {
    FaultRequest R;
    R.Connection = Number;
    if (!ReadHead(Fd, Buffer, R)) break;
    FaultHandler Handler;
    {
      std::lock_guard<std::mutex> L(FLock);
      auto It = FHeadRoutes.find(R.Path());
      if (It != FHeadRoutes.end()) Handler = It->second;
    }
    if (Handler) {
      {
        std::lock_guard<std::mutex> L(FLock);
        FRequests.push_back(R);
      }
      FArrived.notify_all();
      Handler(R, Conn);
      Conn.Close();
      break;
    }
    if (!ReadBody(Fd, Buffer, R)) break;
    {
      std::lock_guard<std::mutex> L(FLock);
      FRequests.push_back(R);
      auto It = FRoutes.find(R.Path());
      if (It != FRoutes.end()) Handler = It->second;
    }
    FArrived.notify_all();
    if (Handler)
      Handler(R, Conn);
    else
      Conn.Send(Response(404, "not found\n"));
    if (SameName(R.Header("Connection"), "close")) Conn.Close();
  }
  // Let the client read what was sent before the socket goes.
  if (!Conn.Closed()) ::shutdown(Fd, SHUT_WR);
  std::lock_guard<std::mutex> L(FLock);
  FClients.erase(std::remove(FClients.begin(), FClients.end(), Fd), FClients.end());
  ::close(Fd);
}

std::string FaultServer::Response(int Status, const std::string& Body, const std::vector<std::string>& Headers) {
  std::string R = "HTTP/1.1 " + std::to_string(Status) + " " + ReasonFor(Status) + "\r\n";
  bool HasLength = false;
  for (const auto& H : Headers) {
    R += H + "\r\n";
    HasLength = HasLength || ::strncasecmp(H.c_str(), "Content-Length:", 15) == 0;
  }
  if (!HasLength) R += "Content-Length: " + std::to_string(Body.size()) + "\r\n";
  return R + "\r\n" + Body;
}

FaultHandler FaultServer::Reply(int Status, const std::string& Body, const std::vector<std::string>& Headers) {
  return [=](const FaultRequest&, FaultConnection& C) { C.Send(Response(Status, Body, Headers)); };
}

FaultHandler FaultServer::File(const std::string& Content, const std::vector<std::string>& Headers) {
  return [=](const FaultRequest& R, FaultConnection& C) {
    std::vector<std::string> H = Headers;
    H.push_back("ETag: \"" + std::to_string(std::hash<std::string>()(Content)) + "\"");
    H.push_back("Accept-Ranges: bytes");
    const std::string Range = R.Header("Range");
    if (::strncasecmp(Range.c_str(), "bytes=", 6) != 0) {
      C.Send(Response(200, Content, H));
      return;
    }
    const std::string Wanted = Range.substr(6);
    const auto Dash = Wanted.find('-');
    std::size_t From = std::strtoull(Wanted.c_str(), nullptr, 10);
    std::size_t To = Dash != std::string::npos && Dash + 1 < Wanted.size()
                         ? std::strtoull(Wanted.c_str() + Dash + 1, nullptr, 10)
                         : Content.size() - 1;
    if (Dash == 0) {  // the last N bytes
      From = Content.size() - std::min(Content.size(), To);
      To = Content.size() - 1;
    }
    if (From >= Content.size() || To < From) {
      H.push_back("Content-Range: bytes */" + std::to_string(Content.size()));
      C.Send(Response(416, "", H));
      return;
    }
    To = std::min(To, Content.size() - 1);
    H.push_back("Content-Range: bytes " + std::to_string(From) + "-" + std::to_string(To) + "/" +
                std::to_string(Content.size()));
    C.Send(Response(206, Content.substr(From, To - From + 1), H));
  };
}

FaultHandler FaultServer::CutAfter(const std::string& Body, std::size_t Bytes) {
  return [=](const FaultRequest&, FaultConnection& C) {
    const std::string Full = Response(200, Body);
    C.Send(Full.substr(0, Full.size() - Body.size() + std::min(Bytes, Body.size())));
    C.Close();
  };
}

FaultHandler FaultServer::Stall(const std::string& Body, std::size_t Bytes, int Ms) {
  return [=](const FaultRequest&, FaultConnection& C) {
    const std::string Full = Response(200, Body);
    const std::size_t Head = Full.size() - Body.size() + std::min(Bytes, Body.size());
    if (!C.Send(Full.substr(0, Head)) || !C.Sleep(Ms)) return;
    C.Send(Full.substr(Head));
  };
}

FaultHandler FaultServer::WrongLength(const std::string& Body, std::size_t Announced) {
  return [=](const FaultRequest&, FaultConnection& C) {
    C.Send(Response(200, Body, {"Content-Length: " + std::to_string(Announced)}));
    C.Close();
  };
}

FaultHandler FaultServer::CloseWithoutStatus() {
  return [](const FaultRequest&, FaultConnection& C) { C.Close(); };
}

FaultHandler FaultServer::ResetWithoutStatus() {
  return [](const FaultRequest&, FaultConnection& C) { C.Reset(); };
}

FaultHandler FaultServer::RequireBasic(const std::string& User, const std::string& Password,
                                       const std::string& Realm, FaultHandler Then) {
  const std::string Expected = "Basic " + Base64(User + ":" + Password);
  return [=](const FaultRequest& R, FaultConnection& C) {
    if (R.Header("Authorization") == Expected) {
      Then(R, C);
      return;
    }
    C.Send(Response(401, "who are you?\n", {"WWW-Authenticate: Basic realm=\"" + Realm + "\""}));
  };
}

FaultHandler FaultServer::RequireProxyBasic(const std::string& User, const std::string& Password, FaultHandler Then) {
  const std::string Expected = "Basic " + Base64(User + ":" + Password);
  return [=](const FaultRequest& R, FaultConnection& C) {
    if (R.Header("Proxy-Authorization") == Expected) {
      Then(R, C);
      return;
    }
    C.Send(Response(407, "proxy says no\n", {"Proxy-Authenticate: Basic realm=\"Proxy\""}));
  };
}

FaultHandler FaultServer::Script(std::vector<FaultHandler> Steps) {
  auto Next = std::make_shared<std::atomic<std::size_t>>(0);
  return [Steps = std::move(Steps), Next](const FaultRequest& R, FaultConnection& C) {
    if (Steps.empty()) return;
    const std::size_t I = std::min(Next->fetch_add(1), Steps.size() - 1);
    Steps[I](R, C);
  };
}

}  // namespace zutest
