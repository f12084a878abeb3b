#pragma once
// A transport that plays a fixed reply from memory and swallows whatever is sent, for feeding a client
// arbitrary server bytes without sockets.
#include <algorithm>
#include <cstring>
#include <string>

#include "net/IdIOHandler.h"

namespace yeroup::test {

class MemoryTransport : public net::TIdIOHandler {
public:
    explicit MemoryTransport(std::string reply, int pieceSize = 1 << 30)
        : reply_(std::move(reply)), pieceSize_(std::max(pieceSize, 1)) {}

    void ConnectTo(const std::string&, std::int32_t, const std::string&, std::int32_t, std::int32_t, std::int32_t,
                   std::int32_t) override {
        open_ = true;
    }
    void CloseBinding() override { open_ = false; }
    bool HasSocket() override { return open_; }
    bool WaitReadable(std::int32_t) override { return true; }
    int Receive(void* buffer, int length) override {
        int n = static_cast<int>(
            std::min<std::size_t>(reply_.size() - at_, static_cast<std::size_t>(std::min(length, pieceSize_))));
        std::memcpy(buffer, reply_.data() + at_, static_cast<std::size_t>(n));
        at_ += static_cast<std::size_t>(n);
        return n;
    }
    int Transmit(const void* buffer, int length) override {
        sent.append(static_cast<const char*>(buffer), static_cast<std::size_t>(length));
        return length;
    }

    std::string sent;

private:
    std::string reply_;
    std::size_t at_ = 0;
    int pieceSize_;
    bool open_ = false;
};

}  // namespace yeroup::test
