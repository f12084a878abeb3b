#pragma once
// An in-memory transport: hands out a fixed byte string in pieces of a given size, then a peer
// close. Lets connection tests and fuzzers control exactly how the bytes arrive.
#include <algorithm>
#include <cstring>
#include <string>

#include "net/IdIOHandler.h"

namespace yeroup::test {

class ScriptedTransport : public net::TIdIOHandler {
public:
    ScriptedTransport(std::string bytes, std::size_t piece)
        : bytes_(std::move(bytes)), piece_(std::max<std::size_t>(piece, 1)) {}

    void ConnectTo(const std::string&, std::int32_t, const std::string&, std::int32_t, std::int32_t, std::int32_t,
                   std::int32_t) override {
        open_ = true;
    }
    void CloseBinding() override { open_ = false; }
    bool HasSocket() override { return open_; }
    bool WaitReadable(std::int32_t) override { return open_; }  // more data or the close
    int Receive(void* buffer, int length) override {
        const std::size_t n = std::min({piece_, bytes_.size() - at_, static_cast<std::size_t>(std::max(length, 0))});
        std::memcpy(buffer, bytes_.data() + at_, n);
        at_ += n;
        ++receives;
        return static_cast<int>(n);  // 0 once everything was delivered: the peer closed
    }
    int Transmit(const void* buffer, int length) override {
        sent.append(static_cast<const char*>(buffer), static_cast<std::size_t>(std::max(length, 0)));
        return length;
    }

    std::string sent;
    int receives = 0;

private:
    std::string bytes_;
    std::size_t piece_;
    std::size_t at_ = 0;
    bool open_ = true;
};

}  // namespace yeroup::test
