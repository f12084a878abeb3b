#include "net/IdIOHandlerSocket.h"

#include <algorithm>

#include "net/IdAntiFreeze.h"
#include "net/IdConnectThread.h"
#include "net/IdException.h"
#include "net/IdGlobal.h"
#include "net/IdResourceStrings.h"
#include "net/Limits.h"
#include "platform/threads/Thread.h"

namespace yeroup::net {

namespace {
constexpr std::int32_t kConnectSlice = 125;
}  // namespace

// A derived transport has already been torn down here: this class's own close is the one that runs.
TIdIOHandlerSocket::~TIdIOHandlerSocket() { TIdIOHandlerSocket::CloseBinding(); }

void TIdIOHandlerSocket::PrepareBinding() {
    if (!binding_)
        binding_ = std::make_unique<TIdSocketHandle>();
    else
        binding_->ResetState(/*resetLocal=*/true);
}

void TIdIOHandlerSocket::CloseBinding() {
    if (binding_) binding_->ReleaseSocket();
}

bool TIdIOHandlerSocket::HasSocket() { return binding_ && binding_->HandleAllocated(); }

void TIdIOHandlerSocket::ConnectTo(const std::string& host, std::int32_t port, const std::string& boundIP,
                                   std::int32_t boundPort, std::int32_t boundPortMin, std::int32_t boundPortMax,
                                   std::int32_t timeout) {
    if (!binding_) binding_ = std::make_unique<TIdSocketHandle>();
    // An IPv6 address is dialled over IPv6; names are looked up as IPv4 addresses.
    binding_->CreateSocket(Id_SOCK_STREAM, 0, TIdStack::FamilyOf(host));
    binding_->IP = boundIP;
    binding_->Port = boundPort;
    binding_->ClientPortMin = boundPortMin;
    binding_->ClientPortMax = boundPortMax;
    binding_->BindLocal();

    // LOCALHOST needs no lookup, so it is not announced as one.
    if (!TIdStack::IsDottedQuad(host) && !TIdStack::IsIPv6Address(host) && !TIdStack::IsLocalHostName(host))
        NotifyStatus(hsResolving, {host});
    binding_->SetPeerAddress(GStack()->ResolveToAddress(host), port);
    if (!UseNagle) binding_->SetOption(Id_IPPROTO_TCP, Id_TCP_NODELAY, 1, 4);
    NotifyStatus(hsConnecting, {binding_->PeerIP});

    if (timeout != TimeoutUseDefault && timeout != 0)
        ThreadedConnect(timeout);
    else if (TIdAntiFreezeBase::InEffect())
        ThreadedConnect(limits::kAntiFreezeConnectTimeout);
    else
        GStack()->CheckSocketResult(binding_->ConnectToPeer(binding_->Family()));
}

void TIdIOHandlerSocket::Sleep(int milliseconds, TIdConnectThread& thread) {
    if (SleepFunction)
        SleepFunction(milliseconds);
    else
        thread.WaitEnded(milliseconds);  // a slice ends early when the connect does, so an accepting peer costs no wait
}

void TIdIOHandlerSocket::ThreadedConnect(std::int32_t timeout) {
    const bool withoutLimit = timeout == TimeoutNoLimit;
    // The worker uses the binding while we wait; keep a hold on it even if a handler
    // released the transport's socket meanwhile (the binding object itself lives with us).
    TIdSocketHandle& binding = *binding_;
    TIdConnectThread thread(binding);
    thread.Start();
    // On any way out before the worker ended (a handler raising, the time-out), close the socket
    // under the blocked connect so the worker ends, then join it.
    struct Join {
        TIdConnectThread& thread;
        TIdSocketHandle& binding;
        ~Join() {
            if (!thread.Terminated()) binding.ReleaseSocket();
            thread.WaitFor();
        }
    } join{thread, binding};

    std::int32_t slice = kConnectSlice;
    if (TIdAntiFreezeBase::InEffect()) slice = std::min(TIdAntiFreezeBase::Current()->IdleTimeOut, kConnectSlice);
    slice = std::max<std::int32_t>(slice, 1);  // a zero setting must not spin without progress
    std::int32_t remaining = withoutLimit ? slice + 1 : timeout;
    while (slice < remaining) {
        Sleep(slice, thread);
        remaining = withoutLimit ? slice + 1 : remaining - slice;
        TIdAntiFreezeBase::PumpIfDue(/*idle=*/true);
        if (thread.Terminated()) {
            remaining = 0;
            break;
        }
    }
    Sleep(remaining, thread);

    if (thread.Terminated()) {
        thread.WaitFor();
        if (!thread.ErrorMessage().empty()) throw EIdConnectException(thread.ErrorMessage());
        return;
    }
    CloseBinding();
    thread.WaitFor();
    throw EIdConnectTimeout(RSConnectTimeout);
}

bool TIdIOHandlerSocket::WaitReadable(std::int32_t timeout) {
    if (!binding_) throw EIdConnClosedGracefully(RSConnectionClosedGracefully);
    return binding_->WaitReadable(timeout);
}

int TIdIOHandlerSocket::Receive(void* buffer, int length) {
    if (!HasSocket()) throw EIdClosedSocket(RSStatusDisconnectedSocket);
    return binding_->Receive(buffer, length, 0);
}

int TIdIOHandlerSocket::ReceiveIfReady(void* buffer, int length) {
    if (!HasSocket()) return NotReady;
    const int n = binding_->ReceiveIfReady(buffer, length);
    if (n == Id_SOCKET_ERROR && GStack()->WSGetLastError() == platform::winsock::WSAEWOULDBLOCK) return NotReady;
    return n;
}

int TIdIOHandlerSocket::Transmit(const void* buffer, int length) {
    if (!HasSocket()) throw EIdClosedSocket(RSStatusDisconnectedSocket);
    return binding_->Transmit(buffer, length, 0);
}

}  // namespace yeroup::net
