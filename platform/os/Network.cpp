#include "platform/os/Network.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zu::os {

bool HasNetworkAddress() {
  ifaddrs* List = nullptr;
  if (::getifaddrs(&List) != 0) return false;
  bool Found = false;
  for (ifaddrs* I = List; I && !Found; I = I->ifa_next) {
    if (!I->ifa_addr || !(I->ifa_flags & IFF_UP) || (I->ifa_flags & IFF_LOOPBACK)) continue;
    if (I->ifa_addr->sa_family == AF_INET) {
      Found = true;
    } else if (I->ifa_addr->sa_family == AF_INET6) {
      const auto* A = reinterpret_cast<const sockaddr_in6*>(I->ifa_addr);
      Found = !IN6_IS_ADDR_LINKLOCAL(&A->sin6_addr) && !IN6_IS_ADDR_LOOPBACK(&A->sin6_addr);
    }
  }
  ::freeifaddrs(List);
  return Found;
}

std::string HostName() {
  char Buf[256] = {};
  if (::gethostname(Buf, sizeof Buf - 1) != 0) return std::string();
  return Buf;
}

std::string ResolveIPv4(const std::string& Name) {
  if (Name.empty()) return std::string();
  addrinfo Hints{};
  Hints.ai_family = AF_INET;
  Hints.ai_socktype = SOCK_STREAM;
  addrinfo* Res = nullptr;
  if (::getaddrinfo(Name.c_str(), nullptr, &Hints, &Res) != 0 || !Res) return std::string();
  const std::string R =
      IPv4ToString(reinterpret_cast<const sockaddr_in*>(Res->ai_addr)->sin_addr.s_addr);
  ::freeaddrinfo(Res);
  return R;
}

std::string ReverseLookupIPv4(std::uint32_t AddressNetworkOrder) {
  sockaddr_in A{};
  A.sin_family = AF_INET;
  A.sin_addr.s_addr = AddressNetworkOrder;
  char Host[NI_MAXHOST] = {};
  if (::getnameinfo(reinterpret_cast<sockaddr*>(&A), sizeof A, Host, sizeof Host, nullptr, 0, NI_NAMEREQD) != 0)
    return std::string();
  return Host;
}

std::string IPv4ToString(std::uint32_t AddressNetworkOrder) {
  in_addr A{};
  A.s_addr = AddressNetworkOrder;
  char Buf[INET_ADDRSTRLEN] = {};
  return ::inet_ntop(AF_INET, &A, Buf, sizeof Buf) ? Buf : std::string();
}

std::uint32_t StringToIPv4(const std::string& S) { return ::inet_addr(S.c_str()); }

int TcpConnect(const std::string& Host, int Port) {
  if (Port < 0 || Port > 65535) return -1;
  in_addr Addr{};
  if (::inet_aton(Host.c_str(), &Addr) == 0) {
    const std::string Resolved = ResolveIPv4(Host);
    if (Resolved.empty() || ::inet_aton(Resolved.c_str(), &Addr) == 0) return -1;
  }
  const int S = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (S < 0) return -1;
  sockaddr_in Sa{};
  Sa.sin_family = AF_INET;
  Sa.sin_port = htons(static_cast<std::uint16_t>(Port));
  Sa.sin_addr = Addr;
  int Rc;
  do {
    Rc = ::connect(S, reinterpret_cast<sockaddr*>(&Sa), sizeof Sa);
  } while (Rc != 0 && errno == EINTR);
  if (Rc != 0) {
    ::close(S);
    return -1;
  }
  return S;
}

void SocketClose(int Socket) {
  if (Socket >= 0) ::close(Socket);
}

long SocketSend(int Socket, const void* Buffer, std::size_t Length) {
  ssize_t N;
  do {
    N = ::send(Socket, Buffer, Length, MSG_NOSIGNAL);
  } while (N < 0 && errno == EINTR);
  return static_cast<long>(N);
}

long SocketReceive(int Socket, void* Buffer, std::size_t Size) {
  ssize_t N;
  do {
    N = ::recv(Socket, Buffer, Size, 0);
  } while (N < 0 && errno == EINTR);
  return static_cast<long>(N);
}

}  // namespace zu::os
