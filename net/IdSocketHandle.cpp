#include "net/IdSocketHandle.h"

#include <algorithm>

#include "net/IdAntiFreeze.h"
#include "net/IdComponent.h"
#include "net/IdException.h"
#include "net/IdGlobal.h"
#include "net/IdResourceStrings.h"
#include "platform/sockets/ErrorCodes.h"

namespace yeroup::net {

namespace ws = platform::winsock;

TIdSocketHandle::TIdSocketHandle() { ResetState(/*resetLocal=*/true); }

// A derived handle has already been torn down here: this class's own release is the one that runs.
TIdSocketHandle::~TIdSocketHandle() { TIdSocketHandle::ReleaseSocket(); }

void TIdSocketHandle::Assign(const TIdSocketHandle& source) {
    IP = source.IP;
    Port = source.Port;
    PeerIP = source.PeerIP;
    PeerPort = source.PeerPort;
}

void TIdSocketHandle::ResetState(bool resetLocal) {
    allocated_.store(false);
    socket_ = Id_INVALID_SOCKET;
    if (resetLocal) {
        IP.clear();
        Port = 0;
    }
    PeerIP.clear();
    PeerPort = 0;
}

void TIdSocketHandle::CreateSocket(int type, int protocol, int family) {
    ReleaseSocket();
    socket_ = GStack()->NewSocket(type, protocol, family);
    family_ = family;
    allocated_.store(true);
}

void TIdSocketHandle::ReleaseSocket() {
    if (!allocated_.exchange(false)) return;
    // A handle that outlives every component closes through the library directly.
    if (TIdStack* stack = GStack()) {
        stack->Shutdown(socket_, Id_SD_Send);
        stack->CloseSocket(socket_);
    } else {
        platform::winsock::Shutdown(socket_, Id_SD_Send);
        platform::winsock::CloseSocket(socket_);
    }
}

bool TIdSocketHandle::TryBind() {
    if (GStack()->CheckSocketResult(GStack()->Bind(socket_, family_, IP, Port), {ws::WSAEADDRINUSE})) return false;
    RefreshLocal();
    return true;
}

void TIdSocketHandle::BindLocal() {
    if (Port != 0 || ClientPortMin == 0 || ClientPortMax == 0) {
        if (!TryBind()) throw EIdCouldNotBindSocket(RSCouldNotBindSocket);
        return;
    }
    if (ClientPortMax < ClientPortMin)
        throw EIdInvalidPortRange(FormatNumbers(RSInvalidPortRange, {ClientPortMin, ClientPortMax}));
    for (std::int32_t port = ClientPortMax; port >= ClientPortMin; --port) {
        Port = port;
        if (TryBind()) return;
    }
    throw EIdCanNotBindPortInRange(FormatNumbers(RSCannotBindRange, {ClientPortMin, ClientPortMax}));
}

void TIdSocketHandle::SetPeerAddress(const std::string& address, int port) {
    PeerIP = address;
    PeerPort = port;
}

int TIdSocketHandle::ConnectToPeer(int family) {
    const int result = GStack()->Connect(socket_, family, PeerIP, PeerPort);
    if (result != Id_SOCKET_ERROR) {
        RefreshLocal();
        RefreshPeer();
    }
    return result;
}

void TIdSocketHandle::RefreshLocal() {
    int family = 0;
    GStack()->GetSockName(socket_, family, IP, Port);
}

void TIdSocketHandle::RefreshPeer() {
    int family = 0;
    GStack()->GetPeerName(socket_, family, PeerIP, PeerPort);
}

void TIdSocketHandle::SetOption(int level, int option, std::int32_t value, int length) {
    GStack()->CheckSocketResult(GStack()->SetSockOpt(socket_, level, option, &value, length));
}

bool TIdSocketHandle::WaitReadable(std::int32_t timeout) {
    if (!allocated_.load()) throw EIdConnClosedGracefully(RSConnectionClosedGracefully);
    if (TIdAntiFreezeBase::InEffect()) {
        if (const auto ready = TIdAntiFreezeBase::WaitThroughPump(socket_, timeout == TimeoutNoLimit ? -1 : timeout))
            return *ready;
        // Slices of IdleTimeOut ms with a pump after each; a slice of at least 1 ms so a zero
        // setting cannot spin for ever.
        const std::int32_t idle = std::max<std::int32_t>(TIdAntiFreezeBase::Current()->IdleTimeOut, 1);
        if (timeout == TimeoutNoLimit) {
            while (!WaitReadable(idle)) {}
            return true;
        }
        if (timeout > idle) {
            // The first slice takes the odd remainder, the rest are whole slices: the order a wait
            // of T - idle followed by a wait of idle gives, without one stack frame per slice.
            std::int32_t slice = timeout % idle == 0 ? idle : timeout % idle;
            for (std::int32_t left = timeout; left > 0; left -= slice, slice = idle) {
                readList_.assign(1, socket_);
                const bool ready = GStack()->Select(&readList_, nullptr, nullptr, slice) == 1;
                TIdAntiFreezeBase::PumpIfDue(!ready);
                if (ready) return true;
            }
            return false;
        }
    }
    readList_.assign(1, socket_);
    const bool ready = GStack()->Select(&readList_, nullptr, nullptr, timeout) == 1;
    TIdAntiFreezeBase::PumpIfDue(!ready);
    return ready;
}

int TIdSocketHandle::Receive(void* buffer, int length, int flags) {
    return GStack()->Recv(socket_, buffer, length, flags);
}

int TIdSocketHandle::ReceiveIfReady(void* buffer, int length) { return GStack()->RecvIfReady(socket_, buffer, length); }

int TIdSocketHandle::Transmit(const void* buffer, int length, int flags) {
    return GStack()->Send(socket_, buffer, length, flags);
}

bool TIdSocketHandle::AcceptFrom(TIdStackSocketHandle listening) {
    ResetState(/*resetLocal=*/true);
    std::string peerIP;
    int peerPort = 0;
    const TIdStackSocketHandle accepted = GStack()->Accept(listening, peerIP, peerPort);
    if (accepted == Id_INVALID_SOCKET && GStack()->CheckSocketResult(Id_SOCKET_ERROR, {ws::WSAEINTR, ws::WSAENOTSOCK}))
        return false;
    socket_ = accepted;
    allocated_.store(true);
    RefreshLocal();
    RefreshPeer();
    return true;
}

}  // namespace yeroup::net
