#pragma once
// A buffered, blocking byte-stream connection over a transport. Every received byte enters the
// input buffer through FillInputBuffer; every read takes its bytes from there. Writes leave
// through WriteBytes, directly or collected in a write batch.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/IdBuffer.h"
#include "net/IdComponent.h"
#include "net/IdGlobal.h"
#include "net/IdIOHandler.h"
#include "net/IdIntercept.h"
#include "net/IdRFCReply.h"
#include "net/Limits.h"
#include "platform/streams/Stream.h"

namespace yeroup::net {

enum TIdMaxLineAction { maException, maSplit };

class TIdIOHandlerSocket;

class TIdTCPConnection : public TIdComponent {
public:
    TIdTCPConnection();
    ~TIdTCPConnection() override;

    bool ASCIIFilter = false;                             // mask received bytes to 7 bits
    std::int32_t MaxLineLength = limits::kMaxLineLength;  // 0 = no limit
    TIdMaxLineAction MaxLineAction = maException;
    std::int32_t ReadTimeout = 0;         // ms; 0 = no limit
    std::int32_t RecvBufferSize = 32768;  // bytes asked of each receive; chunk of stream reads
    std::int32_t SendBufferSize = 32768;  // chunk of stream writes
    TIdNotifyEvent OnDisconnected;

    // The transport. A borrowed one is never freed here; setting one releases a transport
    // that Connect created.
    TIdIOHandler* IOHandler() const { return ioHandler_.get(); }
    void SetIOHandler(TIdIOHandler* handler);
    TIdManagedBuffer& InputBuffer() { return inputBuffer_; }
    // Optional filter over received and sent blocks (borrowed, forgotten when destroyed).
    TIdConnectionIntercept* Intercept() const { return intercept_; }
    void SetIntercept(TIdConnectionIntercept* intercept);

    // An overall limit, in ms from now, on every wait that follows (connects included) until it is lifted with
    // 0: past it a wait raises EIdTimeLimitExceeded, however steadily the peer trickles.
    void SetTimeLimit(std::int32_t milliseconds);
    // The time-out a wait of the given length may use under the limit (TimeoutNoLimit stays when none is
    // set); raises EIdTimeLimitExceeded once the limit has passed.
    std::int32_t LimitedTimeout(std::int32_t timeout) const;

    // Set by ReadLine: the line was cut at the maximum (maSplit) / ended by the peer closing.
    bool ReadLnSplit() const { return readLnSplit_; }
    bool ReadLnEndedByClose() const { return readLnEndedByClose_; }

    virtual void NotifyDisconnected();
    virtual void ResetInput();
    virtual std::string ReadAllUntilClose();
    virtual void CheckClosed(bool raiseIfClosed, bool ignoreBuffer);
    virtual void ProbeForClose(bool raiseIfClosed);
    virtual bool IsConnected();
    virtual void Disconnect();
    virtual void CloseTransport();
    // Bytes added, or -1 on a time-out without raising.
    virtual std::int32_t FillInputBuffer(bool raiseIfClosed, std::int32_t timeout = TimeoutUseDefault,
                                         bool raiseOnTimeout = true);
    // An empty terminator means LF (a CR before it is dropped too); maximum -1 means MaxLineLength.
    virtual std::string ReadLine(const std::string& terminator = "\n", std::int32_t timeout = TimeoutUseDefault,
                                 std::int32_t maximum = -1);
    virtual void WriteText(const std::string& text);
    virtual void WriteLine(const std::string& text = std::string());
    virtual void WriteFromStream(platform::TStream& stream, bool fromStart = true, bool sendSizeFirst = false,
                                 std::int64_t size = 0);
    virtual std::int64_t WriteFileContents(const std::string& path, bool allowSystemSend = true);

    void ReadExact(void* buffer, std::int32_t count);
    // count -1 without untilClose: a 4-byte length in network order comes first. With untilClose a count of 0
    // or more caps the read: it ends at the peer's close or after count bytes, whichever comes first.
    void ReadToStream(platform::TStream& stream, std::int32_t count = -1, bool untilClose = false);
    std::string TakeAvailable();
    std::int32_t ReadInt32(bool convert = true);

    void WriteBytes(const void* buffer, std::int32_t count, bool writeNow = false);
    void WriteInt32(std::int32_t value, bool convert = true);

    // Numbered replies of line-based command protocols; an empty allowed list accepts any code.
    std::string ReadNonEmptyLine(std::int32_t attempts);
    virtual std::int32_t ReadReply();
    virtual std::int32_t CheckReplyCode(std::int32_t code, const std::vector<std::int32_t>& allowed);
    [[noreturn]] virtual void RaiseReplyError();
    virtual std::int32_t SendCommand(const std::string& text, const std::vector<std::int32_t>& allowed = {});
    TIdRFCReply Greeting;
    TIdRFCReply LastCmdResult;

    void BeginWriteBatch(std::int32_t threshold = -1);
    void EndWriteBatch();
    void FlushWriteBatch(std::int32_t count = -1);
    void DiscardWriteBatch();
    bool WriteBatchOpen() const { return writeBatch_ != nullptr; }

protected:
    void Notification(TIdBaseComponent* destroyed) override;
    // Installs a transport this connection owns and releases on Disconnect.
    void InstallOwnedIOHandler(std::shared_ptr<TIdIOHandler> handler);
    // A hold on the transport that keeps it alive through handlers run by the pump.
    std::shared_ptr<TIdIOHandler> HoldIOHandler() const { return ioHandler_; }

private:
    // One receive of FillInputBuffer: Count bytes (or the transport's result) at Block, the input buffer's tail;
    // Final when FillInputBuffer returns Count at once (a wait that timed out, a transport closed meanwhile).
    struct TReceived {
        char* Block;
        std::int32_t Count;
        bool Final;
    };
    // Receives at once when bytes are queued and no window needs serving, else after a sliced wait.
    TReceived ReceiveBlock(bool raiseIfClosed, std::int32_t timeout, bool raiseOnTimeout);
    // Takes a receive's result into the input buffer (through the intercept and the ASCII filter); the count kept.
    std::int32_t StoreBlock(char* block, std::int32_t n);
    void ReleaseIOHandler();
    // Moves k bytes straight from the input buffer into the stream (counted as read work).
    void MoveBufferedToStream(platform::TStream& stream, std::int32_t count);
    // Moves what arrives into the stream until remaining bytes came, the peer closed (ending the read when
    // untilClose, raising otherwise) or the connection is gone.
    void MoveReceivedToStream(platform::TStream& stream, std::int32_t remaining, bool untilClose);

    std::shared_ptr<TIdIOHandler> ioHandler_;
    TIdConnectionIntercept* intercept_ = nullptr;
    bool freeOnDisconnect_ = false;
    TIdManagedBuffer inputBuffer_;
    std::unique_ptr<TIdSimpleBuffer> writeBatch_;
    std::int32_t writeBatchThreshold_ = -1;
    bool closed_ = false;
    bool readLnSplit_ = false;
    bool readLnEndedByClose_ = false;
    std::optional<std::chrono::steady_clock::time_point> timeLimitEnd_;
    std::int32_t timeLimit_ = 0;
};

}  // namespace yeroup::net
