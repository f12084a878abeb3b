#pragma once
// A client connected to a scripted loopback peer, and a recorder for its events.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/IdTCPClient.h"
#include "tests/net/support/LoopbackPeer.h"

namespace yeroup::test {

struct EventLog {
    std::vector<std::string> entries;

    void Attach(net::TIdTCPClient& client) {
        client.OnStatus = [this](net::TIdComponent*, net::TIdStatus, const std::string& text) {
            entries.push_back(text);
        };
        client.OnDisconnected = [this](net::TIdComponent*) { entries.push_back("OnDisconnected"); };
        client.OnWorkBegin = [this](net::TIdComponent*, net::TWorkMode m, std::int32_t max) {
            entries.push_back(std::string(m == net::wmRead ? "begin read " : "begin write ") + std::to_string(max));
        };
        client.OnWork = [this](net::TIdComponent*, net::TWorkMode m, std::int32_t n) {
            entries.push_back(std::string(m == net::wmRead ? "read " : "write ") + std::to_string(n));
        };
        client.OnWorkEnd = [this](net::TIdComponent*, net::TWorkMode m) {
            entries.push_back(m == net::wmRead ? "end read" : "end write");
        };
    }
    int Count(const std::string& entry) const {
        int n = 0;
        for (const auto& e : entries) n += e == entry;
        return n;
    }
};

class ClientTest : public ::testing::Test {
protected:
    // Starts the peer script and connects the client to it.
    void ConnectTo(std::function<void(PeerSocket&)> script) {
        listener.Serve(std::move(script));
        client.SetHost("127.0.0.1");
        client.SetPort(listener.Port());
        client.Connect();
    }
    void TearDown() override {
        client.OnStatus = nullptr;
        client.OnDisconnected = nullptr;
        client.Disconnect();
        listener.Join();
    }

    LoopbackListener listener;
    EventLog log;  // outlives the client's handlers
    net::TIdTCPClient client;
};

}  // namespace yeroup::test
