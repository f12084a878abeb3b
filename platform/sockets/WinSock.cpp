#include "platform/sockets/WinSock.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/sockets/SocketTable.h"

namespace yeroup::platform::winsock {

namespace {

thread_local int tLastError = 0;
std::atomic<int> gStarted{0};
std::atomic<int> gStartups{0};

int Fail(int wsaError) {
    tLastError = wsaError;
    return kSocketError;
}

int FailErrno() { return Fail(ErrnoToWsa(errno)); }

std::shared_ptr<detail::SocketEntry> FindOrFail(TSocket s) {
    auto entry = detail::Find(s);
    if (!entry) tLastError = WSAENOTSOCK;
    return entry;
}

// A POSIX socket address of either family, with its length.
struct PosixAddress {
    sockaddr_storage storage{};
    socklen_t length = sizeof(sockaddr_in);
    const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&storage); }
};

PosixAddress ToPosix(const SockAddrIn& name) {
    PosixAddress out;
    if (name.family == kAfInet6) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&out.storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = name.port;
        std::memcpy(&in6->sin6_addr, name.addr6.data(), 16);
        out.length = sizeof(sockaddr_in6);
        return out;
    }
    auto* in = reinterpret_cast<sockaddr_in*>(&out.storage);
    in->sin_family = name.family == kAfInet ? AF_INET : AF_UNSPEC;
    in->sin_port = name.port;
    std::memcpy(&in->sin_addr.s_addr, name.addr.data(), 4);
    return out;
}

void FromPosix(const sockaddr_storage& storage, SockAddrIn* out) {
    if (!out) return;
    if (storage.ss_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&storage);
        out->family = kAfInet6;
        out->port = in6->sin6_port;
        std::memcpy(out->addr6.data(), &in6->sin6_addr, 16);
        return;
    }
    const auto* in = reinterpret_cast<const sockaddr_in*>(&storage);
    out->family = in->sin_family == AF_INET ? kAfInet : in->sin_family;
    out->port = in->sin_port;
    std::memcpy(out->addr.data(), &in->sin_addr.s_addr, 4);
}

// Winsock option numbers onto the POSIX ones; false for an option we do not offer.
bool MapOption(int level, int name, int& posixLevel, int& posixName) {
    if (level == kIpProtoTcp && name == kTcpNoDelay) {
        posixLevel = IPPROTO_TCP;
        posixName = TCP_NODELAY;
        return true;
    }
    if (level != kSolSocket) return false;
    posixLevel = SOL_SOCKET;
    switch (name) {
    case kSoReuseAddr: posixName = SO_REUSEADDR; return true;
    case kSoSndBuf: posixName = SO_SNDBUF; return true;
    case kSoRcvBuf: posixName = SO_RCVBUF; return true;
    default: return false;
    }
}

int ConnectWakeable(detail::SocketEntry& entry, const PosixAddress& address) {
    if (!entry.ArmWake()) return Fail(WSAENOTSOCK);
    const int flags = ::fcntl(entry.fd, F_GETFL);
    if (flags < 0 || ::fcntl(entry.fd, F_SETFL, flags | O_NONBLOCK) < 0) return FailErrno();
    int result = ::connect(entry.fd, address.Get(), address.length);
    int error = result == 0 ? 0 : errno;
    if (error == EINPROGRESS || error == EINTR) {
        pollfd fds[2] = {{entry.fd, POLLOUT, 0}, {entry.WakeFd(), POLLIN, 0}};
        for (;;) {
            const int ready = ::poll(fds, 2, -1);
            if (ready < 0 && errno == EINTR) continue;
            if (ready < 0) {
                error = errno;
            } else if (fds[1].revents != 0 || entry.Closed()) {
                error = ENOTSOCK;  // closed under us, as closesocket does on Windows
            } else {
                socklen_t length = sizeof error;
                if (::getsockopt(entry.fd, SOL_SOCKET, SO_ERROR, &error, &length) < 0) error = errno;
            }
            break;
        }
    }
    ::fcntl(entry.fd, F_SETFL, flags);
    return error == 0 ? 0 : Fail(ErrnoToWsa(error));
}

// Adds the entries of a set to the poll list; false when a handle is not a socket.
bool AddSet(const FdSet* set, short events, std::vector<pollfd>& fds,
            std::vector<std::shared_ptr<detail::SocketEntry>>& keep) {
    if (!set) return true;
    for (std::uint32_t i = 0; i < set->fd_count; ++i) {
        auto entry = detail::Find(set->fd_array[i]);
        if (!entry) return false;
        fds.push_back({entry->fd, events, 0});
        keep.push_back(std::move(entry));
    }
    return true;
}

int Rewrite(FdSet* set, const pollfd*& next, short readyMask) {
    if (!set) return 0;
    std::uint32_t kept = 0;
    const std::uint32_t count = set->fd_count;
    for (std::uint32_t i = 0; i < count; ++i, ++next) {
        if (next->revents & readyMask) set->fd_array[kept++] = set->fd_array[i];
    }
    set->fd_count = kept;
    return static_cast<int>(kept);
}

}  // namespace

int WSAStartup(std::uint16_t version) {
    if ((version & 0xFF) < 2) return WSAVERNOTSUPPORTED;
    ++gStarted;
    ++gStartups;
    return 0;
}

int WSACleanup() {
    int started = gStarted.load();
    do {
        if (started <= 0) return Fail(WSANOTINITIALISED);
    } while (!gStarted.compare_exchange_weak(started, started - 1));
    return 0;
}

int WSAGetLastError() { return tLastError; }
void WSASetLastError(int error) { tLastError = error; }
int WSAStartupCount() { return gStartups.load(); }

TSocket Socket(int af, int type, int protocol) {
    if (gStarted.load() <= 0) {
        Fail(WSANOTINITIALISED);
        return kInvalidSocket;
    }
    if (af != kAfInet && af != kAfInet6) {
        Fail(WSAEAFNOSUPPORT);
        return kInvalidSocket;
    }
    const int posixType = type == kSockStream ? SOCK_STREAM : type == kSockDgram ? SOCK_DGRAM : -1;
    if (posixType < 0) {
        Fail(WSAESOCKTNOSUPPORT);
        return kInvalidSocket;
    }
    const int fd = ::socket(af == kAfInet6 ? AF_INET6 : AF_INET, posixType | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
        FailErrno();
        return kInvalidSocket;
    }
    return detail::Insert(fd);
}

int CloseSocket(TSocket s) {
    auto entry = detail::Remove(s);
    if (!entry) return Fail(WSAENOTSOCK);
    entry->MarkClosed();
    // Another thread still inside a call on it: wake it; the descriptor closes with the last user.
    if (entry.use_count() > 1) ::shutdown(entry->fd, SHUT_RDWR);
    return 0;
}

int Shutdown(TSocket s, int how) {
    auto entry = FindOrFail(s);
    if (!entry) return kSocketError;
    const int posixHow = how == kSdReceive ? SHUT_RD : how == kSdSend ? SHUT_WR : SHUT_RDWR;
    return ::shutdown(entry->fd, posixHow) == 0 ? 0 : FailErrno();
}

int Bind(TSocket s, const SockAddrIn& name) {
    auto entry = FindOrFail(s);
    if (!entry) return kSocketError;
    const PosixAddress address = ToPosix(name);
    return ::bind(entry->fd, address.Get(), address.length) == 0 ? 0 : FailErrno();
}

int Connect(TSocket s, const SockAddrIn& name) {
    auto entry = FindOrFail(s);
    if (!entry) return kSocketError;
    return ConnectWakeable(*entry, ToPosix(name));
}

int Listen(TSocket s, int backlog) {
    auto entry = FindOrFail(s);
    if (!entry) return kSocketError;
    return ::listen(entry->fd, backlog) == 0 ? 0 : FailErrno();
}

TSocket Accept(TSocket s, SockAddrIn* addr) {
    auto entry = FindOrFail(s);
    if (!entry) return kInvalidSocket;
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    int fd;
    do {
        fd = ::accept4(entry->fd, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
    } while (fd < 0 && errno == EINTR && !entry->Closed());
    if (fd < 0) {
        Fail(entry->Closed() ? WSAEINTR : ErrnoToWsa(errno));
        return kInvalidSocket;
    }
    FromPosix(peer, addr);
    return detail::Insert(fd);
}

int Recv(TSocket s, void* buffer, int length, int flags) {
    auto entry = FindOrFail(s);
    if (!entry) return kSocketError;
    if (length < 0) return Fail(WSAEINVAL);
    ssize_t n;
    do {
        n = ::recv(entry->fd, buffer, static_cast<size_t>(length), flags);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? FailErrno() : static_cast<int>(n);
}

int RecvIfReady(TSocket s, void* buffer, int length) {
    auto entry = FindOrFail(s);
    if (!entry) return kSocketError;
    if (length < 0) return Fail(WSAEINVAL);
    ssize_t n;
    do {
        n = ::recv(entry->fd, buffer, static_cast<size_t>(length), MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? FailErrno() : static_cast<int>(n);
}

int Send(TSocket s, const void* buffer, int length, int flags) {
    auto entry = FindOrFail(s);
    if (!entry) return kSocketError;
    if (length < 0) return Fail(WSAEINVAL);
    ssize_t n;
    do {
        n = ::send(entry->fd, buffer, static_cast<size_t>(length), flags | MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? FailErrno() : static_cast<int>(n);
}

int Select(FdSet* readfds, FdSet* writefds, FdSet* exceptfds, const TimeVal* timeout) {
    for (const FdSet* set : {readfds, writefds, exceptfds})
        if (set && set->fd_count > static_cast<std::uint32_t>(kFdSetSize)) return Fail(WSAEINVAL);
    // Reused per thread: a wait before every receive should not allocate.
    thread_local std::vector<pollfd> fds;
    thread_local std::vector<std::shared_ptr<detail::SocketEntry>> keep;
    fds.clear();
    struct Release {
        ~Release() { keep.clear(); }
    } release;
    if (!AddSet(readfds, POLLIN, fds, keep) || !AddSet(writefds, POLLOUT, fds, keep) ||
        !AddSet(exceptfds, POLLPRI, fds, keep))
        return Fail(WSAENOTSOCK);
    if (fds.empty()) return Fail(WSAEINVAL);  // Winsock refuses a select on no socket at all
    if (timeout && (timeout->tv_sec < 0 || timeout->tv_usec < 0)) return Fail(WSAEINVAL);

    using Clock = std::chrono::steady_clock;
    const auto deadline =
        timeout ? Clock::now() + std::chrono::seconds(timeout->tv_sec) + std::chrono::microseconds(timeout->tv_usec)
                : Clock::time_point::max();
    int ready;
    for (;;) {
        int waitMs = -1;
        if (timeout) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            waitMs = left <= 0 ? 0 : left > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(left);
        }
        ready = ::poll(fds.data(), fds.size(), waitMs);
        if (ready >= 0 || errno != EINTR) break;
    }
    if (ready < 0) return FailErrno();

    const pollfd* next = fds.data();
    // POLLHUP alone is what a never-connected socket shows; Winsock does not call that readable.
    int total = Rewrite(readfds, next, POLLIN | POLLERR);
    total += Rewrite(writefds, next, POLLOUT | POLLERR);
    total += Rewrite(exceptfds, next, POLLPRI);
    return total;
}

int SetSockOpt(TSocket s, int level, int name, const void* value, int length) {
    auto entry = FindOrFail(s);
    if (!entry) return kSocketError;
    int posixLevel = 0, posixName = 0;
    if (!MapOption(level, name, posixLevel, posixName)) return Fail(WSAENOPROTOOPT);
    if (!value || length < 0) return Fail(WSAEFAULT);
    return ::setsockopt(entry->fd, posixLevel, posixName, value, static_cast<socklen_t>(length)) == 0 ? 0 : FailErrno();
}

int GetSockOpt(TSocket s, int level, int name, void* value, int* length) {
    auto entry = FindOrFail(s);
    if (!entry) return kSocketError;
    int posixLevel = 0, posixName = 0;
    if (!MapOption(level, name, posixLevel, posixName)) return Fail(WSAENOPROTOOPT);
    if (!value || !length || *length < 0) return Fail(WSAEFAULT);
    socklen_t size = static_cast<socklen_t>(*length);
    if (::getsockopt(entry->fd, posixLevel, posixName, value, &size) != 0) return FailErrno();
    *length = static_cast<int>(size);
    return 0;
}

int GetPeerName(TSocket s, SockAddrIn* name) {
    auto entry = FindOrFail(s);
    if (!entry) return kSocketError;
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(entry->fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return FailErrno();
    FromPosix(address, name);
    return 0;
}

int GetSockName(TSocket s, SockAddrIn* name) {
    auto entry = FindOrFail(s);
    if (!entry) return kSocketError;
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(entry->fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return FailErrno();
    FromPosix(address, name);
    return 0;
}

bool InetPton6(const std::string& text, In6Addr& address) {
    return ::inet_pton(AF_INET6, text.c_str(), address.data()) == 1;
}

std::string InetNtop6(const In6Addr& address) {
    char text[INET6_ADDRSTRLEN] = {};
    return ::inet_ntop(AF_INET6, address.data(), text, sizeof text) ? text : "";
}

std::uint16_t HToNS(std::uint16_t value) { return htons(value); }
std::uint16_t NToHS(std::uint16_t value) { return ntohs(value); }
std::uint32_t HToNL(std::uint32_t value) { return htonl(value); }
std::uint32_t NToHL(std::uint32_t value) { return ntohl(value); }

}  // namespace yeroup::platform::winsock
