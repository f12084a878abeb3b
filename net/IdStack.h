#pragma once
// The socket stack: the one place that calls the operating system's sockets library.
#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "platform/sockets/WinSock.h"

namespace yeroup::net {

using TIdStackSocketHandle = platform::winsock::TSocket;
using TIdInAddr = platform::winsock::InAddr;
inline constexpr TIdStackSocketHandle Id_INVALID_SOCKET = platform::winsock::kInvalidSocket;
inline constexpr int Id_SOCKET_ERROR = platform::winsock::kSocketError;
inline constexpr int Id_PF_INET = platform::winsock::kAfInet;
inline constexpr int Id_PF_INET6 = platform::winsock::kAfInet6;
inline constexpr int Id_SOCK_STREAM = platform::winsock::kSockStream;
inline constexpr int Id_IPPROTO_TCP = platform::winsock::kIpProtoTcp;
inline constexpr int Id_TCP_NODELAY = platform::winsock::kTcpNoDelay;
inline constexpr int Id_SD_Send = platform::winsock::kSdSend;
inline constexpr int Id_SELECT_SET_SIZE = platform::winsock::kFdSetSize;

class TIdStack {
public:
    // Starts the sockets library the first time any stack is created in the process.
    TIdStack();
    ~TIdStack();
    TIdStack(const TIdStack&) = delete;
    TIdStack& operator=(const TIdStack&) = delete;

    std::int32_t LastError() const { return lastError_.load(); }

    // False when result is not -1; true when the failure's code is tolerated; else raises.
    bool CheckSocketResult(int result, std::initializer_list<int> tolerated = {});
    [[noreturn]] void ThrowSocketError(int code);
    TIdStackSocketHandle NewSocket(int type, int protocol, int family = Id_PF_INET);
    std::string ResolveToAddress(const std::string& host);

    static bool IsDottedQuad(const std::string& text);
    // An IPv6 address in text form, without brackets ("::1"): dialled as it is, over IPv6.
    static bool IsIPv6Address(const std::string& text);
    // The family a host is dialled over: IPv6 for an IPv6 address, IPv4 for anything else.
    static int FamilyOf(const std::string& host);
    // LOCALHOST in any letter case: resolved to 127.0.0.1 without a lookup.
    static bool IsLocalHostName(const std::string& host);
    static std::string FormatAddress(const TIdInAddr& address);
    static TIdInAddr ParseAddress(const std::string& text);
    static std::string SocketErrorText(int code);
    // The time-out select is given for T ms; none (wait without limit) for TimeoutNoLimit.
    static std::optional<platform::winsock::TimeVal> SelectTimeout(std::int32_t timeout);

    const std::vector<std::string>& LocalAddresses();
    std::string LocalAddress();

    // Wrappers of the library calls; the raw ones return the call's result unchanged.
    TIdStackSocketHandle Accept(TIdStackSocketHandle s, std::string& peerIP, int& peerPort);
    int Bind(TIdStackSocketHandle s, int family, const std::string& ip, int port);
    int CloseSocket(TIdStackSocketHandle s);
    int Connect(TIdStackSocketHandle s, int family, const std::string& ip, int port);
    std::string HostByName(const std::string& name);
    std::string HostName();
    std::string HostByAddress(const std::string& address);
    int ServByName(const std::string& name);
    std::vector<std::string> ServByPort(int port);
    static std::uint16_t HToNS(std::uint16_t value);
    static std::uint16_t NToHS(std::uint16_t value);
    static std::uint32_t HToNL(std::uint32_t value);
    static std::uint32_t NToHL(std::uint32_t value);
    int Listen(TIdStackSocketHandle s, int backlog);
    int Recv(TIdStackSocketHandle s, void* buffer, int length, int flags);
    int RecvIfReady(TIdStackSocketHandle s, void* buffer, int length);
    // Waits on up to 64 sockets per list (absent lists allowed) and rewrites them to the ready ones.
    int Select(std::vector<TIdStackSocketHandle>* read, std::vector<TIdStackSocketHandle>* write,
               std::vector<TIdStackSocketHandle>* error, std::int32_t timeout);
    int Send(TIdStackSocketHandle s, const void* buffer, int length, int flags);
    int SetSockOpt(TIdStackSocketHandle s, int level, int option, const void* value, int length);
    int GetSockOpt(TIdStackSocketHandle s, int level, int option, void* value, int* length);
    int Shutdown(TIdStackSocketHandle s, int how);
    int WSGetLastError();
    void GetPeerName(TIdStackSocketHandle s, int& family, std::string& ip, int& port);
    void GetSockName(TIdStackSocketHandle s, int& family, std::string& ip, int& port);

private:
    void RefreshLocalAddresses();

    std::atomic<std::int32_t> lastError_{0};  // also written by the connect worker
    std::optional<std::vector<std::string>> localAddresses_;
};

}  // namespace yeroup::net
