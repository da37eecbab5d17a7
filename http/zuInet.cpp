#include "http/zuInet.h"

#include <arpa/inet.h>

#include "platform/os/Network.h"
#include "support/zuUtils.h"

namespace zu {

bool IsOnline() {
  if (!IsNT()) {
    // The 9x family kept the dial-up state in the registry.
    const std::int32_t V = RegReadInt("System\\CurrentControlSet\\Services\\RemoteAccess", "Remote Connection", -1,
                                      HKEY_LOCAL_MACHINE);
    if (V != -1) return (V & 0xFF) == 1;
  }
  // An address on a real interface, not what the host name resolves to: Debian maps that
  // to 127.0.1.1 even on a machine without any network.
  return os::HasNetworkAddress();
}

std::string GetLocalHostName() { return os::HostName(); }

std::string GetLocalIP() {
  const std::string Name = os::HostName();
  return Name.empty() ? std::string() : os::ResolveIPv4(Name);
}

std::string IPToStr(std::int32_t IP) { return os::IPv4ToString(static_cast<std::uint32_t>(IP)); }

std::int32_t StrToIP(const std::string& S) { return static_cast<std::int32_t>(os::StringToIPv4(S)); }

std::string IPToHostName(const std::string& S) {
  if (S == "127.0.0.1") return "localhost";
  const std::uint32_t A = os::StringToIPv4(S);
  if (A == INADDR_NONE) return S;
  const std::string Name = os::ReverseLookupIPv4(A);
  return Name.empty() ? S : Name;
}

std::string IPToHostName(std::int32_t IP) {
  if (static_cast<std::uint32_t>(IP) == htonl(INADDR_LOOPBACK)) return "localhost";
  const std::string Name = os::ReverseLookupIPv4(static_cast<std::uint32_t>(IP));
  return Name.empty() ? IPToStr(IP) : Name;
}

// Whatever the variable held is overwritten, not closed: it may belong to someone else.
bool SockConnect(std::int32_t& Socket, const std::string& Host, int Port) {
  Socket = os::TcpConnect(Host, Port);
  return Socket != -1;
}

void SockDisconnect(std::int32_t& Socket) {
  if (Socket != -1) os::SocketClose(Socket);
  Socket = -1;
}

int TzuSocketHelper::Send(const void* Buffer, int Length) {
  if (FSocket == -1) return -1;
  const long N = os::SocketSend(FSocket, Buffer, Length > 0 ? static_cast<std::size_t>(Length) : 0);
  if (N < 0) Disconnect();
  return static_cast<int>(N);
}

bool TzuSocketHelper::SendStr(const std::string& S) {
  return Send(S.data(), static_cast<int>(S.size())) >= 0;
}

int TzuSocketHelper::Receive(void* Buffer, int Size) {
  if (Size <= 0) return 0;
  if (FSocket == -1) return -1;
  const long N = os::SocketReceive(FSocket, Buffer, static_cast<std::size_t>(Size));
  if (N <= 0) Disconnect();
  return static_cast<int>(N);
}

bool TzuSocketHelper::ReceiveStr(std::string& S, int Count) {
  if (Count < 1) {
    S.clear();
    return true;
  }
  S.assign(static_cast<std::size_t>(Count), '\0');
  const int N = Receive(S.data(), Count);
  S.resize(N > 0 ? static_cast<std::size_t>(N) : 0);
  return N >= 0;
}

int TzuSocketHelper::ReceiveResponse(std::string& S, int Count) {
  if (!ReceiveStr(S, Count) || S.size() <= 4) return -1;
  int Code;
  return TryStrToInt(S.substr(0, 3), Code) ? Code : -1;
}

const TClassInfo& TzuCustomInetTimer::StaticClassInfo() {
  static const TClassInfo Info("TzuCustomInetTimer", &TzuTimerComponent::StaticClassInfo());
  return Info;
}

const TClassInfo& TzuInetMonitor::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TzuInetMonitor>("TzuInetMonitor", &TzuCustomInetTimer::StaticClassInfo())
          .Bool("MonitorActive", &TzuInetMonitor::MonitorActive, &TzuInetMonitor::SetMonitorActive, true)
          .Int("MonitorInterval", &TzuInetMonitor::MonitorInterval, &TzuInetMonitor::SetMonitorInterval, 100)
          .Event("OnStatusChanged")
          .Creatable();
  return Info;
}

TzuInetMonitor::TzuInetMonitor(TComponent* AOwner) : TzuCustomInetTimer(AOwner) {
  SetMonitorActive(true);
  SetMonitorInterval(100);
}

bool TzuInetMonitor::GetIsOnline() {
  const bool Now = OnlineTest ? OnlineTest() : IsOnline();
  if (Now != FOnline) {
    FOnline = Now;
    DoStatusChanged();
  }
  return FOnline;
}

void TzuInetMonitor::Loaded() {
  TzuCustomInetTimer::Loaded();
  DoStatusChanged();
}

void TzuInetMonitor::DoTimer() { GetIsOnline(); }

void TzuInetMonitor::DoStatusChanged() {
  if (MonitorActive() && OnStatusChanged) OnStatusChanged(this);
}

}  // namespace zu
