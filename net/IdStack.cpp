#include "net/IdStack.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <stdexcept>

#include "net/IdException.h"
#include "net/IdGlobal.h"
#include "net/IdResourceStrings.h"

namespace yeroup::net {

namespace ws = platform::winsock;

namespace {

// Set once the library started; cleaned up once when the program ends.
std::atomic<bool> gLibraryStarted{false};

struct LibraryCleanup {
    ~LibraryCleanup() {
        if (gLibraryStarted.exchange(false)) ws::WSACleanup();
    }
} gLibraryCleanup;

const char* ErrorTextFor(int code) {
    switch (code) {
    case ws::WSAEINTR: return "Interrupted system call.";
    case ws::WSAEBADF: return "Bad file number.";
    case ws::WSAEACCES: return "Access denied.";
    case ws::WSAEFAULT: return "Bad address.";
    case ws::WSAEINVAL: return "Invalid argument.";
    case ws::WSAEMFILE: return "Too many open files.";
    case ws::WSAEWOULDBLOCK: return "Operation would block. ";
    case ws::WSAEINPROGRESS: return "Operation now in progress.";
    case ws::WSAEALREADY: return "Operation already in progress.";
    case ws::WSAENOTSOCK: return "Socket operation on non-socket.";
    case ws::WSAEDESTADDRREQ: return "Destination address required.";
    case ws::WSAEMSGSIZE: return "Message too long.";
    case ws::WSAEPROTOTYPE: return "Protocol wrong type for socket.";
    case ws::WSAENOPROTOOPT: return "Bad protocol option.";
    case ws::WSAEPROTONOSUPPORT: return "Protocol not supported.";
    case ws::WSAESOCKTNOSUPPORT: return "Socket type not supported.";
    case ws::WSAEOPNOTSUPP: return "Operation not supported on socket.";
    case ws::WSAEPFNOSUPPORT: return "Protocol family not supported.";
    case ws::WSAEAFNOSUPPORT: return "Address family not supported by protocol family.";
    case ws::WSAEADDRINUSE: return "Address already in use.";
    case ws::WSAEADDRNOTAVAIL: return "Cannot assign requested address.";
    case ws::WSAENETDOWN: return "Network is down.";
    case ws::WSAENETUNREACH: return "Network is unreachable.";
    case ws::WSAENETRESET: return "Net dropped connection or reset.";
    case ws::WSAECONNABORTED: return "Software caused connection abort.";
    case ws::WSAECONNRESET: return "Connection reset by peer.";
    case ws::WSAENOBUFS: return "No buffer space available.";
    case ws::WSAEISCONN: return "Socket is already connected.";
    case ws::WSAENOTCONN: return "Socket is not connected.";
    case ws::WSAESHUTDOWN: return "Cannot send or receive after socket is closed.";
    case ws::WSAETOOMANYREFS: return "Too many references, cannot splice.";
    case ws::WSAETIMEDOUT: return "Connection timed out.";
    case ws::WSAECONNREFUSED: return "Connection refused.";
    case ws::WSAELOOP: return "Too many levels of symbolic links.";
    case ws::WSAENAMETOOLONG: return "File name too long.";
    case ws::WSAEHOSTDOWN: return "Host is down.";
    case ws::WSAEHOSTUNREACH: return "No route to host.";
    case ws::WSAENOTEMPTY: return "Directory not empty";
    case ws::WSAHOST_NOT_FOUND: return "Host not found.";
    default: return "";
    }
}

// A decimal number of at most a few digits; false for an empty or non-numeric text.
bool ParseSmallNumber(const std::string& text, int& value) {
    if (text.empty() || text.size() > 9) return false;
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

// The four parts of a dotted text: split at the first three dots, the last part takes the rest.
bool SplitQuad(const std::string& text, std::string parts[4]) {
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t dot = text.find('.', start);
        if (dot == std::string::npos) return false;
        parts[i] = text.substr(start, dot - start);
        start = dot + 1;
    }
    parts[3] = text.substr(start);
    return true;
}

ws::FdSet ToSet(const std::vector<TIdStackSocketHandle>* list) {
    ws::FdSet set;
    if (!list) return set;
    if (list->size() > static_cast<std::size_t>(Id_SELECT_SET_SIZE)) throw EIdStackSetSizeExceeded(RSSetSizeExceeded);
    for (TIdStackSocketHandle s : *list) set.fd_array[set.fd_count++] = s;
    return set;
}

void FromSet(const ws::FdSet& set, std::vector<TIdStackSocketHandle>* list) {
    if (list) list->assign(set.fd_array, set.fd_array + set.fd_count);
}

ws::SockAddrIn MakeAddress(int family, const std::string& ip, int port) {
    ws::SockAddrIn address;
    address.family = family;
    address.port = ws::HToNS(static_cast<std::uint16_t>(port));
    if (ip.empty()) return address;
    if (family != Id_PF_INET6)
        address.addr = TIdStack::ParseAddress(ip);
    else if (!ws::InetPton6(ip, address.addr6))
        throw std::invalid_argument("'" + ip + "' is not a valid IPv6 address");
    return address;
}

std::string AddressText(const ws::SockAddrIn& address) {
    return address.family == Id_PF_INET6 ? ws::InetNtop6(address.addr6) : TIdStack::FormatAddress(address.addr);
}

}  // namespace

TIdStack::TIdStack() {
    if (gLibraryStarted.load()) return;
    if (ws::WSAStartup(0x0202) != 0) throw EIdStackInitializationFailed(RSWinsockInitializationError);
    gLibraryStarted.store(true);
}

TIdStack::~TIdStack() = default;

bool TIdStack::CheckSocketResult(int result, std::initializer_list<int> tolerated) {
    if (result != Id_SOCKET_ERROR) return false;
    const int code = WSGetLastError();
    lastError_.store(code);
    if (std::find(tolerated.begin(), tolerated.end(), code) != tolerated.end()) return true;
    ThrowSocketError(code);
}

void TIdStack::ThrowSocketError(int code) { throw EIdSocketError(code, SocketErrorText(code)); }

std::string TIdStack::SocketErrorText(int code) {
    return FormatText(FormatNumbers(RSStackError, {code}), {ErrorTextFor(code)});
}

TIdStackSocketHandle TIdStack::NewSocket(int type, int protocol, int family) {
    const TIdStackSocketHandle s = ws::Socket(family, type, protocol);
    if (s == Id_INVALID_SOCKET) throw EIdInvalidSocket(RSCannotAllocateSocket);
    return s;
}

bool TIdStack::IsDottedQuad(const std::string& text) {
    std::string parts[4];
    if (!SplitQuad(text, parts)) return false;
    for (const std::string& part : parts) {
        int value = 0;
        if (!ParseSmallNumber(part, value) || value < 0 || value > 255) return false;
    }
    return true;
}

bool TIdStack::IsIPv6Address(const std::string& text) {
    ws::In6Addr address{};
    return ws::InetPton6(text, address);
}

int TIdStack::FamilyOf(const std::string& host) { return IsIPv6Address(host) ? Id_PF_INET6 : Id_PF_INET; }

bool TIdStack::IsLocalHostName(const std::string& host) {
    static constexpr char kName[] = "LOCALHOST";
    if (host.size() != sizeof kName - 1) return false;
    for (std::size_t i = 0; i < host.size(); ++i) {
        const char c = host[i] >= 'a' && host[i] <= 'z' ? static_cast<char>(host[i] - 32) : host[i];
        if (c != kName[i]) return false;
    }
    return true;
}

std::string TIdStack::ResolveToAddress(const std::string& host) {
    if (IsLocalHostName(host)) return "127.0.0.1";
    if (IsDottedQuad(host) || IsIPv6Address(host)) return host;
    return HostByName(host);
}

std::string TIdStack::FormatAddress(const TIdInAddr& address) {
    return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." + std::to_string(address[2]) + "." +
           std::to_string(address[3]);
}

TIdInAddr TIdStack::ParseAddress(const std::string& text) {
    TIdInAddr address{};
    std::string rest = text;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t dot = rest.find('.');
        const std::string part = rest.substr(0, dot);
        rest = dot == std::string::npos ? std::string() : rest.substr(dot + 1);
        long long value = 0;
        const auto* end = part.data() + part.size();
        const auto [ptr, ec] = std::from_chars(part.data(), end, value);
        if (part.empty() || ec != std::errc() || ptr != end)
            throw std::invalid_argument("'" + part + "' is not a valid integer value");
        address[i] = static_cast<std::uint8_t>(value & 0xFF);
    }
    return address;
}

std::optional<platform::winsock::TimeVal> TIdStack::SelectTimeout(std::int32_t timeout) {
    if (timeout == TimeoutNoLimit) return std::nullopt;
    return platform::winsock::TimeVal{timeout / 1000, (timeout % 1000) * 1000};
}

void TIdStack::RefreshLocalAddresses() {
    localAddresses_.emplace();
    ws::InAddr first{};
    if (ws::GetHostByName(HostName(), first) != 0) ThrowSocketError(WSGetLastError());
    localAddresses_->push_back(FormatAddress(first));
}

const std::vector<std::string>& TIdStack::LocalAddresses() {
    RefreshLocalAddresses();
    return *localAddresses_;
}

std::string TIdStack::LocalAddress() { return LocalAddresses().front(); }

TIdStackSocketHandle TIdStack::Accept(TIdStackSocketHandle s, std::string& peerIP, int& peerPort) {
    ws::SockAddrIn address;
    const TIdStackSocketHandle result = ws::Accept(s, &address);
    if (result != Id_INVALID_SOCKET) {
        peerIP = AddressText(address);
        peerPort = ws::NToHS(address.port);
    }
    return result;
}

int TIdStack::Bind(TIdStackSocketHandle s, int family, const std::string& ip, int port) {
    return ws::Bind(s, MakeAddress(family, ip, port));
}

int TIdStack::CloseSocket(TIdStackSocketHandle s) { return ws::CloseSocket(s); }

int TIdStack::Connect(TIdStackSocketHandle s, int family, const std::string& ip, int port) {
    return ws::Connect(s, MakeAddress(family, ip, port));
}

std::string TIdStack::HostByName(const std::string& name) {
    ws::InAddr first{};
    if (ws::GetHostByName(name, first) != 0) ThrowSocketError(WSGetLastError());
    return FormatAddress(first);
}

std::string TIdStack::HostName() {
    char buffer[250] = {};
    if (ws::GetHostName(buffer, sizeof buffer) != 0) return std::string();
    return std::string(buffer);
}

std::string TIdStack::HostByAddress(const std::string& address) {
    std::string name;
    if (ws::GetHostByAddr(ParseAddress(address), name) != 0) ThrowSocketError(WSGetLastError());
    return name;
}

int TIdStack::ServByName(const std::string& name) {
    const int port = ws::GetServByName(name);
    if (port >= 0) return ws::NToHS(static_cast<std::uint16_t>(port));
    int value = 0;
    if (ParseSmallNumber(name, value)) return value;
    throw EIdInvalidServiceName(FormatText(RSInvalidServiceName, {name}));
}

std::vector<std::string> TIdStack::ServByPort(int port) {
    return ws::GetServByPort(ws::HToNS(static_cast<std::uint16_t>(port)));
}

std::uint16_t TIdStack::HToNS(std::uint16_t value) { return ws::HToNS(value); }
std::uint16_t TIdStack::NToHS(std::uint16_t value) { return ws::NToHS(value); }
std::uint32_t TIdStack::HToNL(std::uint32_t value) { return ws::HToNL(value); }
std::uint32_t TIdStack::NToHL(std::uint32_t value) { return ws::NToHL(value); }

int TIdStack::Listen(TIdStackSocketHandle s, int backlog) { return ws::Listen(s, backlog); }

int TIdStack::Recv(TIdStackSocketHandle s, void* buffer, int length, int flags) {
    return ws::Recv(s, buffer, length, flags);
}

int TIdStack::RecvIfReady(TIdStackSocketHandle s, void* buffer, int length) {
    return ws::RecvIfReady(s, buffer, length);
}

int TIdStack::Select(std::vector<TIdStackSocketHandle>* read, std::vector<TIdStackSocketHandle>* write,
                     std::vector<TIdStackSocketHandle>* error, std::int32_t timeout) {
    ws::FdSet readSet = ToSet(read), writeSet = ToSet(write), errorSet = ToSet(error);
    const auto timeVal = SelectTimeout(timeout);
    const int result = ws::Select(read ? &readSet : nullptr, write ? &writeSet : nullptr, error ? &errorSet : nullptr,
                                  timeVal ? &*timeVal : nullptr);
    if (result >= 0) {
        FromSet(readSet, read);
        FromSet(writeSet, write);
        FromSet(errorSet, error);
    }
    return result;
}

int TIdStack::Send(TIdStackSocketHandle s, const void* buffer, int length, int flags) {
    return ws::Send(s, buffer, length, flags);
}

int TIdStack::SetSockOpt(TIdStackSocketHandle s, int level, int option, const void* value, int length) {
    return ws::SetSockOpt(s, level, option, value, length);
}

int TIdStack::GetSockOpt(TIdStackSocketHandle s, int level, int option, void* value, int* length) {
    return ws::GetSockOpt(s, level, option, value, length);
}

int TIdStack::Shutdown(TIdStackSocketHandle s, int how) { return ws::Shutdown(s, how); }

int TIdStack::WSGetLastError() { return ws::WSAGetLastError(); }

void TIdStack::GetPeerName(TIdStackSocketHandle s, int& family, std::string& ip, int& port) {
    ws::SockAddrIn address;
    CheckSocketResult(ws::GetPeerName(s, &address));
    family = address.family;
    ip = AddressText(address);
    port = ws::NToHS(address.port);
}

void TIdStack::GetSockName(TIdStackSocketHandle s, int& family, std::string& ip, int& port) {
    ws::SockAddrIn address;
    CheckSocketResult(ws::GetSockName(s, &address));
    family = address.family;
    ip = AddressText(address);
    port = ws::NToHS(address.port);
}

}  // namespace yeroup::net
