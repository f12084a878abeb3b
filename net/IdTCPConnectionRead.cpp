// The receive path and every read operation of a connection.
#include <algorithm>
#include <cstring>
#include <limits>

#include "net/IdAntiFreeze.h"
#include "net/IdException.h"
#include "net/IdResourceStrings.h"
#include "net/IdTCPConnection.h"
#include "platform/sockets/ErrorCodes.h"

namespace yeroup::net {

namespace ws = platform::winsock;

std::int32_t TIdTCPConnection::FillInputBuffer(bool raiseIfClosed, std::int32_t timeout, bool raiseOnTimeout) {
    if (timeout == TimeoutUseDefault) timeout = ReadTimeout == 0 ? TimeoutNoLimit : ReadTimeout;
    LimitedTimeout(timeout);  // a peer that keeps bytes coming is cut off too once the time limit passed
    CheckClosed(raiseIfClosed, /*ignoreBuffer=*/false);
    if (!IsConnected()) {
        if (raiseIfClosed) throw EIdNotConnected(RSNotConnected);
        return 0;
    }
    std::int32_t n;
    do {
        const TReceived received = ReceiveBlock(raiseIfClosed, timeout, raiseOnTimeout);
        if (received.Final) return received.Count;
        n = StoreBlock(received.Block, received.Count);
        CheckClosed(raiseIfClosed, /*ignoreBuffer=*/false);
    } while (n == 0 && IsConnected());
    return n;
}

TIdTCPConnection::TReceived TIdTCPConnection::ReceiveBlock(bool raiseIfClosed, std::int32_t timeout,
                                                           bool raiseOnTimeout) {
    const std::int32_t size = std::max<std::int32_t>(RecvBufferSize, 1);
    // With no window to serve between slices, bytes already queued need no wait first.
    if (!TIdAntiFreezeBase::InEffect()) {
        if (const auto transport = HoldIOHandler()) {
            char* block = inputBuffer_.Reserve(size);  // received straight into the input buffer's tail
            const std::int32_t n = transport->ReceiveIfReady(block, size);
            if (n != TIdIOHandler::NotReady) return {block, n, false};
        }
    }
    {
        // The wait pumps messages; a handler may release the transport meanwhile.
        const auto waiting = HoldIOHandler();
        const std::int32_t limited = LimitedTimeout(timeout);
        if (!waiting->WaitReadable(limited)) {
            if (limited != timeout) LimitedTimeout(timeout);  // raises when the time limit ended the wait
            if (raiseOnTimeout) throw EIdReadTimeout(RSReadTimeout);
            return {nullptr, -1, true};
        }
    }
    const auto transport = HoldIOHandler();
    if (!transport || !transport->HasSocket()) {
        // Closed from this side by a handler the wait ran, in a slice that found data: the same end as when the
        // next slice finds no socket.
        if (raiseIfClosed && inputBuffer_.Size() == 0) throw EIdConnClosedGracefully(RSConnectionClosedGracefully);
        return {nullptr, 0, true};
    }
    char* block = inputBuffer_.Reserve(size);
    return {block, transport->Receive(block, size), false};
}

std::int32_t TIdTCPConnection::StoreBlock(char* block, std::int32_t n) {
    closed_ = n == 0;
    if (n != 0 && GStack()->CheckSocketResult(n, {ws::WSAESHUTDOWN, ws::WSAECONNABORTED})) {
        n = 0;
        if (ioHandler_) CloseTransport();
        if (inputBuffer_.Size() == 0) GStack()->ThrowSocketError(GStack()->LastError());
    }
    if (n > 0 && intercept_) {
        platform::TMemoryStream rewritten;
        rewritten.WriteBuffer(block, n);
        rewritten.SetPosition(0);
        intercept_->Receive(rewritten);
        n = static_cast<std::int32_t>(rewritten.Size());
        block = inputBuffer_.Reserve(n);
        if (n > 0) std::memcpy(block, rewritten.Memory(), static_cast<std::size_t>(n));
    }
    if (n > 0) {
        if (ASCIIFilter)
            for (std::int32_t i = 0; i < n; ++i) block[i] = static_cast<char>(block[i] & 0x7F);
        inputBuffer_.Commit(n);
    }
    return n;
}

std::string TIdTCPConnection::ReadLine(const std::string& terminator, std::int32_t timeout, std::int32_t maximum) {
    if (maximum == -1) maximum = MaxLineLength;
    const std::string term = terminator.empty() ? std::string("\n") : terminator;
    const std::int32_t termLength = static_cast<std::int32_t>(term.size());
    readLnSplit_ = false;
    readLnEndedByClose_ = false;
    std::int32_t p = 0;  // 1-based position of the terminator in the unconsumed bytes
    std::int32_t s = 0;  // bytes already searched

    const auto tooLong = [&]() -> std::string {
        if (MaxLineAction == maException) throw EIdReadLnMaxLineLengthExceeded(RSReadLnMaxLineLengthExceeded);
        readLnSplit_ = true;
        return inputBuffer_.TakeFront(maximum);
    };

    for (;;) {
        const std::int32_t u = inputBuffer_.Size();
        if (u > 0) {
            // Resume where the last search stopped, less what a split terminator may need.
            const std::int32_t start = std::max<std::int32_t>(0, s - (termLength - 1));
            const char* data = inputBuffer_.Memory();
            const char* hit = std::search(data + start, data + u, term.begin(), term.end());
            if (hit != data + u) p = static_cast<std::int32_t>(hit - data) + 1;
            s = u;
        }
        if (maximum != 0 && p - 1 > maximum) return tooLong();
        if (p == 0) {
            if (maximum != 0 && s > maximum) return tooLong();
            CheckClosed(/*raiseIfClosed=*/true, /*ignoreBuffer=*/true);
            if (FillInputBuffer(/*raiseIfClosed=*/true, timeout, timeout == TimeoutUseDefault) == 0) {
                readLnEndedByClose_ = true;
                return std::string();
            }
            continue;
        }
        std::string text = inputBuffer_.TakeFront(p + termLength - 1);
        text.resize(text.size() - term.size());
        if (term == "\n" && !text.empty() && text.back() == '\r') text.pop_back();
        return text;
    }
}

void TIdTCPConnection::ReadExact(void* buffer, std::int32_t count) {
    if (count <= 0 || !buffer) return;
    while (inputBuffer_.Size() < count) {
        FillInputBuffer(/*raiseIfClosed=*/true, TimeoutUseDefault, /*raiseOnTimeout=*/true);
        CheckClosed(/*raiseIfClosed=*/true, /*ignoreBuffer=*/true);
    }
    std::memcpy(buffer, inputBuffer_.Memory(), static_cast<std::size_t>(count));
    inputBuffer_.DropFront(count);
}

void TIdTCPConnection::MoveBufferedToStream(platform::TStream& stream, std::int32_t count) {
    if (count <= 0) return;
    stream.WriteBuffer(inputBuffer_.Memory(), count);
    inputBuffer_.DropFront(count);
}

void TIdTCPConnection::ReadToStream(platform::TStream& stream, std::int32_t count, bool untilClose) {
    if (count == -1 && !untilClose) count = ReadInt32(true);
    // The stream grows as bytes come and is never sized ahead from the count: what a peer announces must not
    // cost memory before its bytes are here.
    std::int32_t remaining;
    if (untilClose) {
        remaining = count >= 0 ? count : std::numeric_limits<std::int32_t>::max();
        NotifyWorkBegin(wmRead, 0);
    } else {
        remaining = std::max<std::int32_t>(count, 0);
        NotifyWorkBegin(wmRead, count);
    }

    const auto finish = [&] {
        try {
            NotifyWorkEnd(wmRead);
        } catch (...) {
            if (stream.Size() > stream.Position()) stream.SetSize(stream.Position());
            throw;
        }
        if (stream.Size() > stream.Position()) stream.SetSize(stream.Position());
    };

    try {
        MoveReceivedToStream(stream, remaining, untilClose);
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TIdTCPConnection::MoveReceivedToStream(platform::TStream& stream, std::int32_t remaining, bool untilClose) {
    // Every byte that reaches the input buffer goes on to the stream at once, so a read that ends early (the peer
    // closing, a cancel) leaves in the stream every byte that came.
    while (remaining > 0) {
        if (inputBuffer_.Size() == 0) {
            if (!IsConnected()) return;
            try {
                FillInputBuffer(true, TimeoutUseDefault, true);
            } catch (const EIdConnClosedGracefully&) {
                if (!untilClose) throw;
                return;
            }
            continue;
        }
        const std::int32_t k = std::min(inputBuffer_.Size(), remaining);
        MoveBufferedToStream(stream, k);
        remaining -= k;
    }
}

std::string TIdTCPConnection::TakeAvailable() {
    if (IsConnected()) FillInputBuffer(/*raiseIfClosed=*/false, TimeoutUseDefault, /*raiseOnTimeout=*/true);
    return inputBuffer_.TakeFront(inputBuffer_.Size());
}

std::string TIdTCPConnection::ReadAllUntilClose() {
    std::string text;
    NotifyWorkBegin(wmRead, 0);
    try {
        while (IsConnected()) text += TakeAvailable();
    } catch (...) {
        NotifyWorkEnd(wmRead);
        throw;
    }
    NotifyWorkEnd(wmRead);
    return text;
}

std::int32_t TIdTCPConnection::ReadInt32(bool convert) {
    std::uint32_t value = 0;
    ReadExact(&value, 4);
    return static_cast<std::int32_t>(convert ? TIdStack::NToHL(value) : value);
}

}  // namespace yeroup::net
