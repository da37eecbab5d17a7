// Network queries and blocking IPv4 TCP sockets over POSIX.
#pragma once

#include <cstdint>
#include <string>

namespace zu::os {

// True when an interface other than loopback is up and has an address (IPv4, or IPv6 other
// than link-local), whether or not the Internet is reachable.
bool HasNetworkAddress();

std::string HostName();
// The first IPv4 address Name resolves to, dotted; empty when it does not resolve.
std::string ResolveIPv4(const std::string& Name);
// Reverse lookup of an IPv4 address (network byte order); empty when nothing is found.
std::string ReverseLookupIPv4(std::uint32_t AddressNetworkOrder);

// Dotted quad of an address in network byte order, and back (INADDR_NONE, 0xFFFFFFFF, for an
// invalid text, as inet_addr gives).
std::string IPv4ToString(std::uint32_t AddressNetworkOrder);
std::uint32_t StringToIPv4(const std::string& S);

// A connected IPv4 stream socket, or -1.
int TcpConnect(const std::string& Host, int Port);
void SocketClose(int Socket);
// One send / one receive; the system's result (-1 on error).
long SocketSend(int Socket, const void* Buffer, std::size_t Length);
long SocketReceive(int Socket, void* Buffer, std::size_t Size);

}  // namespace zu::os
