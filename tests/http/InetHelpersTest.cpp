#include <gtest/gtest.h>

#include <QCoreApplication>

#include <arpa/inet.h>
#include <fcntl.h>
#include <atomic>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "TestUtil.h"
#include "http/zuInet.h"
#include "platform/os/System.h"

using namespace zu;

namespace {

// A one-connection server on 127.0.0.1 that sends Reply and closes.
class OneShotServer {
 public:
  explicit OneShotServer(std::string Reply) : FReply(std::move(Reply)) {
    FListen = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in A{};
    A.sin_family = AF_INET;
    A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(FListen, reinterpret_cast<sockaddr*>(&A), sizeof A);
    socklen_t L = sizeof A;
    ::getsockname(FListen, reinterpret_cast<sockaddr*>(&A), &L);
    FPort = ntohs(A.sin_port);
    ::listen(FListen, 1);
    FThread = std::thread([this] {
      const int C = ::accept(FListen, nullptr, nullptr);
      if (C < 0) return;
      char Buf[256];
      const ssize_t N = ::recv(C, Buf, sizeof Buf, 0);
      if (N > 0) Received.assign(Buf, static_cast<size_t>(N));
      ::send(C, FReply.data(), FReply.size(), MSG_NOSIGNAL);
      ::close(C);
      Served = true;
    });
  }
  ~OneShotServer() {
    ::shutdown(FListen, SHUT_RDWR);
    ::close(FListen);
    FThread.join();
  }
  int Port() const { return FPort; }
  std::string Received;
  std::atomic<bool> Served{false};  // the client sent something or went away

 private:
  std::string FReply;
  int FListen;
  int FPort = 0;
  std::thread FThread;
};

}  // namespace

TEST(InetHelpers, AddressConversions) {
  EXPECT_EQ(IPToHostName("127.0.0.1"), "localhost");
  EXPECT_EQ(IPToHostName(static_cast<std::int32_t>(htonl(INADDR_LOOPBACK))), "localhost");
  EXPECT_EQ(StrToIP("not an address"), -1);
  EXPECT_EQ(IPToStr(StrToIP("192.0.2.7")), "192.0.2.7");
  EXPECT_EQ(StrToIP("1.2.3.4"), static_cast<std::int32_t>(htonl(0x01020304)));
  EXPECT_FALSE(GetLocalHostName().empty());
}

TEST(InetHelpers, SocketHelperTalksToAServer) {
  OneShotServer Server("220 ready for you\r\n");
  TzuSocketHelper S;
  EXPECT_FALSE(S.GetIsActive());
  ASSERT_TRUE(S.Connect("127.0.0.1", Server.Port()));
  EXPECT_TRUE(S.GetIsActive());
  EXPECT_TRUE(S.SendStr("HELO\r\n"));
  std::string Reply;
  EXPECT_EQ(S.ReceiveResponse(Reply, 100), 220);
  EXPECT_EQ(Reply, "220 ready for you\r\n");
  char Buf[8];
  EXPECT_EQ(S.Receive(Buf, 8), 0) << "the peer closed";
  EXPECT_FALSE(S.GetIsActive()) << "a closed peer disconnects";
  EXPECT_EQ(S.Receive(Buf, 0), 0);
}

TEST(InetHelpers, ShortRepliesAndFailures) {
  OneShotServer Server("220\n");
  TzuSocketHelper S;
  ASSERT_TRUE(S.Connect("localhost", Server.Port()));
  S.SendStr("x");
  std::string Reply;
  EXPECT_EQ(S.ReceiveResponse(Reply, 100), -1) << "four characters are no reply";
  std::int32_t Sock = -1;
  EXPECT_FALSE(SockConnect(Sock, "no-such-host.invalid", 80));
  EXPECT_EQ(Sock, -1);
  // A port nobody listens on.
  OneShotServer* Gone = new OneShotServer("");
  const int Port = Gone->Port();
  delete Gone;
  EXPECT_FALSE(SockConnect(Sock, "127.0.0.1", Port));
  EXPECT_EQ(Sock, -1);
}

TEST(InetMonitor, ReportsChangesOnlyAndOnceAtLoaded) {
  struct TRoot : TComponent {
    TRoot() : TComponent(nullptr) {}
  } Root;
  auto* M = new TzuInetMonitor(&Root);
  EXPECT_TRUE(M->MonitorActive());
  EXPECT_EQ(M->MonitorInterval(), 100);
  bool Online = false;
  int Changes = 0;
  M->OnlineTest = [&] { return Online; };
  M->OnStatusChanged = [&](TObject* Sender) {
    EXPECT_EQ(Sender, M);
    ++Changes;
  };
  EXPECT_FALSE(M->GetIsOnline());
  EXPECT_EQ(Changes, 0);
  Online = true;
  EXPECT_TRUE(M->GetIsOnline());
  EXPECT_EQ(Changes, 1);
  EXPECT_TRUE(M->GetIsOnline());
  EXPECT_EQ(Changes, 1);
  M->Loaded();
  EXPECT_EQ(Changes, 2);
  // Its timer asks by itself.
  Online = false;
  const auto End = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (Changes < 3 && std::chrono::steady_clock::now() < End) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(Changes, 3);
}

namespace {
// Runs the online test inside a fresh network namespace with Setup done first.
std::string OnlineInNamespace(const std::string& Setup) {
  const std::string Check = zutest::BinDir() + "/zu_netcheck";
  const auto R = zutest::RunProcess("unshare", {"-n", "sh", "-c", Setup + Check});
  return R.ExitCode == 0 ? R.Out : "failed: " + R.Err;
}
}  // namespace

TEST(IsOnline, LoopbackOnlyIsOfflineARealInterfaceIsOnline) {
  if (zu::os::FindOnPath("unshare").empty() || zu::os::FindOnPath("ip").empty()) GTEST_SKIP() << "no unshare or ip";
  const std::string Alone = OnlineInNamespace("ip link set lo up && ");
  if (Alone.rfind("failed", 0) == 0) GTEST_SKIP() << "network namespaces not allowed here: " << Alone;
  EXPECT_EQ(Alone, "offline\n");
  // A veth pair with a documentation address: an address on a real interface, no traffic.
  EXPECT_EQ(OnlineInNamespace("ip link set lo up && ip link add zuv0 type veth peer name zuv1 && "
                              "ip addr add 192.0.2.1/24 dev zuv0 && ip link set zuv0 up && ip link set zuv1 up && "),
            "online\n");
  // An interface that is down does not count.
  EXPECT_EQ(OnlineInNamespace("ip link add zuv0 type veth peer name zuv1 && ip addr add 192.0.2.1/24 dev zuv0 && "),
            "offline\n");
}

// The variable handed to SockConnect may hold a descriptor that belongs to someone else: it is
// overwritten, never closed. Only the helper's own reconnect closes the helper's own socket.
TEST(InetHelpers, SockConnectLeavesTheDescriptorItWasGivenAlone) {
  auto IsOpen = [](int Fd) { return ::fcntl(Fd, F_GETFD) != -1; };
  int Pipe[2];
  ASSERT_EQ(::pipe(Pipe), 0);
  // Far above the numbers new sockets get, so a wrongly closed one is not taken again.
  for (int& Fd : Pipe) {
    const int High = ::fcntl(Fd, F_DUPFD_CLOEXEC, 700);
    ::close(Fd);
    Fd = High;
  }
  OneShotServer Server("220 hi\r\n");
  std::int32_t Sock = Pipe[0];
  ASSERT_TRUE(SockConnect(Sock, "127.0.0.1", Server.Port()));
  EXPECT_NE(Sock, Pipe[0]);
  EXPECT_TRUE(IsOpen(Pipe[0])) << "connecting closed a descriptor it did not own";
  SockDisconnect(Sock);
  Sock = Pipe[1];
  EXPECT_FALSE(SockConnect(Sock, "no-such-host.invalid", 80));
  EXPECT_EQ(Sock, -1);
  EXPECT_TRUE(IsOpen(Pipe[1])) << "a failed connect closed a descriptor it did not own";
  ::close(Pipe[0]);
  ::close(Pipe[1]);

  // The helper connecting again lets go of its earlier connection.
  OneShotServer First("220 one\r\n"), Second("220 two\r\n");
  TzuSocketHelper S;
  ASSERT_TRUE(S.Connect("127.0.0.1", First.Port()));
  ASSERT_TRUE(S.Connect("127.0.0.1", Second.Port()));
  EXPECT_TRUE(S.SendStr("x"));
  std::string Reply;
  EXPECT_EQ(S.ReceiveResponse(Reply, 100), 220);
  EXPECT_EQ(Reply, "220 two\r\n");
  const auto Until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!First.Served && std::chrono::steady_clock::now() < Until)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(First.Served) << "the first connection was closed";
  EXPECT_TRUE(First.Received.empty());
}
