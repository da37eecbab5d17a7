// zuInet: small network helpers: the online test, local host name and address, address and
// name conversions, a blocking TCP client object and an online-state monitor component.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "support/zuClasses.h"

namespace zu {

// True when an interface other than loopback is up with an address. (On the old 9x family
// the dial-up state in the registry decided; Linux reports itself as NT.)
bool IsOnline();

std::string GetLocalHostName();
// The first address the host name resolves to, dotted; empty when it cannot be resolved.
std::string GetLocalIP();

// Addresses are IPv4 in network byte order, as the socket interface keeps them.
std::string IPToStr(std::int32_t IP);
std::int32_t StrToIP(const std::string& S);  // -1 for an invalid text
std::string IPToHostName(const std::string& S);
std::string IPToHostName(std::int32_t IP);

// A new connection into Socket (-1 when it fails); a descriptor Socket held is left open.
bool SockConnect(std::int32_t& Socket, const std::string& Host, int Port);
void SockDisconnect(std::int32_t& Socket);

class TzuSocketHelper {
 public:
  TzuSocketHelper() = default;
  ~TzuSocketHelper() { Disconnect(); }
  TzuSocketHelper(const TzuSocketHelper&) = delete;
  TzuSocketHelper& operator=(const TzuSocketHelper&) = delete;

  // A connection of its own made earlier is closed first.
  bool Connect(const std::string& Host, int Port) {
    Disconnect();
    return SockConnect(FSocket, Host, Port);
  }
  void Disconnect() { SockDisconnect(FSocket); }
  // One send; disconnects on an error.
  int Send(const void* Buffer, int Length);
  bool SendStr(const std::string& S);
  // One receive; disconnects on an error or when the peer closed.
  int Receive(void* Buffer, int Size);
  bool ReceiveStr(std::string& S, int Count);
  // The three-digit code a reply line starts with; -1 when there is none.
  int ReceiveResponse(std::string& S, int Count);
  bool GetIsActive() const { return FSocket != -1; }

 private:
  std::int32_t FSocket = -1;
};

class TzuCustomInetTimer : public TzuTimerComponent {
  ZU_CLASS_INFO
 public:
  using TzuTimerComponent::TzuTimerComponent;
  std::string GetLocalHostName() const { return zu::GetLocalHostName(); }
  std::string GetLocalIP() const { return zu::GetLocalIP(); }
};

// Watches the online state: every MonitorInterval milliseconds it asks IsOnline and tells
// OnStatusChanged when the answer changed.
class TzuInetMonitor : public TzuCustomInetTimer {
  ZU_CLASS_INFO
 public:
  explicit TzuInetMonitor(TComponent* AOwner);
  bool GetIsOnline();
  bool LastOnline() const { return FOnline; }
  void Loaded() override;
  TNotifyEvent OnStatusChanged;

  // The online test the monitor asks; replaceable for tests.
  std::function<bool()> OnlineTest = IsOnline;

 protected:
  void DoTimer() override;
  virtual void DoStatusChanged();

 private:
  bool FOnline = false;
};

}  // namespace zu
