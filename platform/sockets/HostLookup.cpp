// Name services of the sockets stand-in: host names, addresses and TCP services.
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/sockets/WinSock.h"

namespace yeroup::platform::winsock {

namespace {

std::mutex gLookupMutex;
HostLookup gLookup;

int SystemLookup(const std::string& name, InAddr& first) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    const int status = ::getaddrinfo(name.c_str(), nullptr, &hints, &result);
    if (status != 0) return ResolverErrorToWsa(status);
    int error = WSANO_DATA;
    for (const addrinfo* it = result; it; it = it->ai_next) {
        if (it->ai_family == AF_INET && it->ai_addr) {
            const auto* address = reinterpret_cast<const sockaddr_in*>(it->ai_addr);
            std::memcpy(first.data(), &address->sin_addr.s_addr, 4);
            error = 0;
            break;
        }
    }
    ::freeaddrinfo(result);
    return error;
}

}  // namespace

void SetHostLookup(HostLookup lookup) {
    std::lock_guard lock(gLookupMutex);
    gLookup = std::move(lookup);
}

int GetHostByName(const std::string& name, InAddr& first) {
    if (WSAStartupCount() == 0) {
        WSASetLastError(WSANOTINITIALISED);
        return kSocketError;
    }
    HostLookup lookup;
    {
        std::lock_guard lock(gLookupMutex);
        lookup = gLookup;
    }
    const int error = lookup ? lookup(name, first) : SystemLookup(name, first);
    if (error == 0) return 0;
    WSASetLastError(error);
    return kSocketError;
}

int GetHostByAddr(const InAddr& addr, std::string& officialName) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    std::memcpy(&address.sin_addr.s_addr, addr.data(), 4);
    char host[NI_MAXHOST];
    const int status = ::getnameinfo(reinterpret_cast<const sockaddr*>(&address), sizeof address, host, sizeof host,
                                     nullptr, 0, NI_NAMEREQD);
    if (status != 0) {
        WSASetLastError(ResolverErrorToWsa(status));
        return kSocketError;
    }
    officialName = host;
    return 0;
}

int GetHostName(char* name, int length) {
    if (!name || length <= 0) {
        WSASetLastError(WSAEFAULT);
        return kSocketError;
    }
    if (::gethostname(name, static_cast<size_t>(length)) != 0) {
        WSASetLastError(ErrnoToWsa(errno));
        return kSocketError;
    }
    name[length - 1] = '\0';
    return 0;
}

int GetServByName(const std::string& name) {
    servent entry{};
    servent* found = nullptr;
    char buffer[1024];
    if (::getservbyname_r(name.c_str(), "tcp", &entry, buffer, sizeof buffer, &found) != 0 || !found) return -1;
    return static_cast<std::uint16_t>(found->s_port);
}

std::vector<std::string> GetServByPort(std::uint16_t port) {
    servent entry{};
    servent* found = nullptr;
    char buffer[1024];
    std::vector<std::string> names;
    if (::getservbyport_r(port, "tcp", &entry, buffer, sizeof buffer, &found) != 0 || !found) return names;
    names.emplace_back(found->s_name);
    for (char** alias = found->s_aliases; alias && *alias; ++alias) names.emplace_back(*alias);
    return names;
}

}  // namespace yeroup::platform::winsock
