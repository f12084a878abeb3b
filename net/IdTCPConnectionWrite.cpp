// The send path of a connection, write batches and stream and file writes.
#include <filesystem>
#include <string>
#include <vector>

#include "net/IdAntiFreeze.h"
#include "net/IdException.h"
#include "net/IdResourceStrings.h"
#include "net/IdTCPConnection.h"
#include "platform/sockets/ErrorCodes.h"
#include "platform/sockets/WinSock.h"

namespace yeroup::net {

namespace ws = platform::winsock;

void TIdTCPConnection::WriteBytes(const void* buffer, std::int32_t count, bool writeNow) {
    if (count <= 0 || !buffer) return;
    CheckClosed(/*raiseIfClosed=*/true, /*ignoreBuffer=*/true);
    if (!IsConnected()) throw EIdNotConnected(RSNotConnected);
    if (writeBatch_ && !writeNow) {
        writeBatch_->Append(buffer, count);
        if (writeBatchThreshold_ > 0 && writeBatch_->Size() >= writeBatchThreshold_)
            FlushWriteBatch(writeBatchThreshold_);
        return;
    }
    // Our own copy: a handler run by the pump may change the caller's buffer (a batch) meanwhile.
    std::string bytes(static_cast<const char*>(buffer), static_cast<std::size_t>(count));
    if (intercept_) {
        platform::TMemoryStream rewritten;
        rewritten.WriteBuffer(bytes.data(), count);
        rewritten.SetPosition(0);
        intercept_->Send(rewritten);
        bytes = rewritten.ToString();
        count = static_cast<std::int32_t>(bytes.size());
    }
    std::int32_t sent = 0;
    while (sent < count) {
        const auto transport = HoldIOHandler();
        if (!transport) throw EIdNotConnected(RSNotConnected);  // released by a handler
        const int m = transport->Transmit(bytes.data() + sent, count - sent);
        const int error = m == Id_SOCKET_ERROR ? GStack()->WSGetLastError() : 0;
        TIdAntiFreezeBase::PumpIfDue(/*idle=*/false);
        closed_ = m == 0;
        CheckClosed(/*raiseIfClosed=*/true, /*ignoreBuffer=*/false);
        ws::WSASetLastError(error);  // the handlers may have made socket calls of their own
        if (GStack()->CheckSocketResult(m, {ws::WSAESHUTDOWN, ws::WSAECONNABORTED, ws::WSAECONNRESET})) {
            CloseTransport();
            GStack()->ThrowSocketError(GStack()->LastError());
        }
        NotifyWork(wmWrite, m);
        sent += m;
    }
}

void TIdTCPConnection::WriteText(const std::string& text) {
    if (!text.empty()) WriteBytes(text.data(), static_cast<std::int32_t>(text.size()));
}

void TIdTCPConnection::WriteLine(const std::string& text) { WriteText(text + "\r\n"); }

void TIdTCPConnection::WriteInt32(std::int32_t value, bool convert) {
    const std::uint32_t bits =
        convert ? TIdStack::HToNL(static_cast<std::uint32_t>(value)) : static_cast<std::uint32_t>(value);
    WriteBytes(&bits, 4);
}

void TIdTCPConnection::WriteFromStream(platform::TStream& stream, bool fromStart, bool sendSizeFirst,
                                       std::int64_t size) {
    if (fromStart) stream.SetPosition(0);
    const std::int64_t end = size == 0 ? stream.Size() : stream.Position() + size;
    const std::int64_t length = end - stream.Position();
    if (sendSizeFirst) WriteInt32(static_cast<std::int32_t>(length), true);
    NotifyWorkBegin(wmWrite, static_cast<std::int32_t>(length));
    try {
        const std::int32_t chunkSize = std::max<std::int32_t>(SendBufferSize, 1);
        std::vector<char> chunk(static_cast<std::size_t>(chunkSize));
        for (;;) {
            const std::int64_t k = std::min<std::int64_t>(end - stream.Position(), chunkSize);
            if (k <= 0) break;
            const std::int64_t got = stream.Read(chunk.data(), k);
            if (got <= 0) throw EIdNoDataToRead(RSNoDataToRead);
            WriteBytes(chunk.data(), static_cast<std::int32_t>(got));
        }
    } catch (...) {
        NotifyWorkEnd(wmWrite);
        throw;
    }
    NotifyWorkEnd(wmWrite);
}

std::int64_t TIdTCPConnection::WriteFileContents(const std::string& path, bool) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) throw EIdFileNotFound(FormatText(RSFileNotFound, {path}));
    // This platform has no file-transmit call, so the file always goes through the stream path.
    platform::TFileStream file(path, platform::FileMode::fmOpenRead);
    WriteFromStream(file, /*fromStart=*/true);
    return file.Size();
}

void TIdTCPConnection::BeginWriteBatch(std::int32_t threshold) {
    writeBatch_ = std::make_unique<TIdSimpleBuffer>();
    writeBatchThreshold_ = threshold;
}

void TIdTCPConnection::FlushWriteBatch(std::int32_t count) {
    if (!writeBatch_ || writeBatch_->Size() == 0) return;
    if (count != -1 && writeBatch_->Size() >= count) {
        const std::string front(writeBatch_->Memory(), static_cast<std::size_t>(count));
        WriteBytes(front.data(), count, true);
        if (writeBatch_) writeBatch_->DropFront(std::min(count, writeBatch_->Size()));
        return;
    }
    const std::string all(writeBatch_->Memory(), static_cast<std::size_t>(writeBatch_->Size()));
    WriteBytes(all.data(), static_cast<std::int32_t>(all.size()), true);
    if (writeBatch_) writeBatch_->DropAll();
}

void TIdTCPConnection::EndWriteBatch() {
    try {
        FlushWriteBatch(-1);
    } catch (...) {
        writeBatch_.reset();
        throw;
    }
    writeBatch_.reset();
}

void TIdTCPConnection::DiscardWriteBatch() {
    if (writeBatch_) writeBatch_->DropAll();
}

}  // namespace yeroup::net
