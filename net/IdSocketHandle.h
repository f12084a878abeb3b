#pragma once
// One operating-system TCP socket with its local and peer addresses; every call goes through the stack.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "net/IdStack.h"

namespace yeroup::net {

class TIdSocketHandle {
public:
    TIdSocketHandle();
    virtual ~TIdSocketHandle();
    TIdSocketHandle(const TIdSocketHandle&) = delete;
    TIdSocketHandle& operator=(const TIdSocketHandle&) = delete;

    // Copies the addresses (IP, Port, PeerIP, PeerPort), not the socket.
    void Assign(const TIdSocketHandle& source);

    void CreateSocket(int type = Id_SOCK_STREAM, int protocol = 0, int family = Id_PF_INET);
    // The family of the socket made last (Id_PF_INET or Id_PF_INET6).
    int Family() const { return family_; }
    // Shuts down and closes an open socket; a second call does nothing.
    virtual void ReleaseSocket();
    void BindLocal();
    void SetPeerAddress(const std::string& address, int port);
    // The connect call's result (-1 on failure, for the caller to test).
    virtual int ConnectToPeer(int family = Id_PF_INET);
    // Forgets the socket and the addresses without closing anything.
    void ResetState(bool resetLocal);
    void SetOption(int level, int option, std::int32_t value, int length = 4);
    bool WaitReadable(std::int32_t timeout);
    int Receive(void* buffer, int length, int flags = 0);
    // A receive that does not block: -1 with WSAEWOULDBLOCK when nothing is queued yet.
    int ReceiveIfReady(void* buffer, int length);
    int Transmit(const void* buffer, int length, int flags = 0);
    bool AcceptFrom(TIdStackSocketHandle listening);

    TIdStackSocketHandle Handle() const { return socket_; }
    bool HandleAllocated() const { return allocated_.load(); }

    std::string IP;
    std::string PeerIP;
    std::int32_t Port = 0;
    std::int32_t PeerPort = 0;
    std::int32_t ClientPortMin = 0;
    std::int32_t ClientPortMax = 0;

private:
    // One bind of IP:Port; false when the address is in use.
    bool TryBind();
    void RefreshLocal();
    void RefreshPeer();

    TIdStackSocketHandle socket_ = Id_INVALID_SOCKET;
    int family_ = Id_PF_INET;
    std::atomic<bool> allocated_{false};
    std::vector<TIdStackSocketHandle>
        readList_;  // kept so a wait does not allocate  // cleared by the main thread under a connecting worker
};

}  // namespace yeroup::net
