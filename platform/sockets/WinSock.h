#pragma once
// Our stand-in for the Windows Sockets 2 library over POSIX sockets (IPv4, and IPv6 for addresses given as such).
// Calls return -1 (kSocketError / kInvalidSocket) on failure and leave a Winsock error number
// for the calling thread in WSAGetLastError. Socket handles are opaque and never reused, so a
// handle closed under a thread blocked in Connect makes that call fail with WSAENOTSOCK.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/sockets/ErrorCodes.h"

namespace yeroup::platform::winsock {

using TSocket = std::uint32_t;
inline constexpr TSocket kInvalidSocket = 0xFFFFFFFFu;
inline constexpr int kSocketError = -1;

// Winsock constant values (they differ from the POSIX ones in places).
inline constexpr int kAfInet = 2;
inline constexpr int kAfInet6 = 23;
inline constexpr int kSockStream = 1;
inline constexpr int kSockDgram = 2;
inline constexpr int kIpProtoTcp = 6;
inline constexpr int kTcpNoDelay = 1;
inline constexpr int kSolSocket = 0xFFFF;
inline constexpr int kSoReuseAddr = 0x0004;
inline constexpr int kSoSndBuf = 0x1001;
inline constexpr int kSoRcvBuf = 0x1002;
inline constexpr int kSdReceive = 0;
inline constexpr int kSdSend = 1;
inline constexpr int kSdBoth = 2;
inline constexpr int kFdSetSize = 64;

// An IPv4 address: the first byte is the first part of the dotted quad.
using InAddr = std::array<std::uint8_t, 4>;
// An IPv6 address in network order.
using In6Addr = std::array<std::uint8_t, 16>;

// A socket address of either family: addr for kAfInet, addr6 for kAfInet6.
struct SockAddrIn {
    int family = kAfInet;
    std::uint16_t port = 0;  // network order
    InAddr addr{};
    In6Addr addr6{};
};

// An IPv6 address in text form (without brackets) read into bytes; false when the text is not one.
bool InetPton6(const std::string& text, In6Addr& address);
// The address's text form, shortest as RFC 5952 writes it.
std::string InetNtop6(const In6Addr& address);

struct FdSet {
    std::uint32_t fd_count = 0;
    TSocket fd_array[kFdSetSize] = {};
};

struct TimeVal {
    long tv_sec = 0;
    long tv_usec = 0;
};

int WSAStartup(std::uint16_t version);
int WSACleanup();
int WSAGetLastError();
void WSASetLastError(int error);
// How many times WSAStartup succeeded in this process (for start-up checks).
int WSAStartupCount();

TSocket Socket(int af, int type, int protocol);
int CloseSocket(TSocket s);
int Shutdown(TSocket s, int how);
int Bind(TSocket s, const SockAddrIn& name);
int Connect(TSocket s, const SockAddrIn& name);
int Listen(TSocket s, int backlog);
TSocket Accept(TSocket s, SockAddrIn* addr);
int Recv(TSocket s, void* buffer, int length, int flags);
// One receive that never blocks: -1 with WSAEWOULDBLOCK when nothing is queued yet.
int RecvIfReady(TSocket s, void* buffer, int length);
int Send(TSocket s, const void* buffer, int length, int flags);
// timeout null waits without limit; the sets are rewritten to the ready sockets.
int Select(FdSet* readfds, FdSet* writefds, FdSet* exceptfds, const TimeVal* timeout);
int SetSockOpt(TSocket s, int level, int name, const void* value, int length);
int GetSockOpt(TSocket s, int level, int name, void* value, int* length);
int GetPeerName(TSocket s, SockAddrIn* name);
int GetSockName(TSocket s, SockAddrIn* name);

// Name services. They return 0 on success, else kSocketError with the error set.
int GetHostByName(const std::string& name, InAddr& first);
int GetHostByAddr(const InAddr& addr, std::string& officialName);
int GetHostName(char* name, int length);
// Port of a TCP service name in network order, or -1 when unknown.
int GetServByName(const std::string& name);
// Name and aliases of the TCP service on a port (network order); empty when unknown.
std::vector<std::string> GetServByPort(std::uint16_t port);

std::uint16_t HToNS(std::uint16_t value);
std::uint16_t NToHS(std::uint16_t value);
std::uint32_t HToNL(std::uint32_t value);
std::uint32_t NToHL(std::uint32_t value);

// Replaces the host-name lookup behind GetHostByName (tests resolve without a name server).
// The function returns 0 and fills the address, or a Winsock error number. Empty restores the system's.
using HostLookup = std::function<int(const std::string& name, InAddr& first)>;
void SetHostLookup(HostLookup lookup);

}  // namespace yeroup::platform::winsock
