#include "net/IdComponent.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/sockets/WinSock.h"

namespace yeroup::net {
namespace {

struct Recorded {
    std::vector<std::string> events;
    void Attach(TIdComponent& c) {
        c.OnWorkBegin = [this](TIdComponent*, TWorkMode m, std::int32_t max) {
            events.push_back("begin " + std::to_string(m) + " " + std::to_string(max));
        };
        c.OnWork = [this](TIdComponent*, TWorkMode m, std::int32_t n) {
            events.push_back("work " + std::to_string(m) + " " + std::to_string(n));
        };
        c.OnWorkEnd = [this](TIdComponent*, TWorkMode m) { events.push_back("end " + std::to_string(m)); };
    }
};

TEST(IdComponentWork, NestedSpansFireOnlyTheOutermostBeginAndEnd) {
    TIdComponent c;
    Recorded r;
    r.Attach(c);
    c.NotifyWorkBegin(wmRead, 100);
    c.NotifyWork(wmRead, 10);
    c.NotifyWorkBegin(wmRead, 5);  // nested: keeps the count and the maximum
    c.NotifyWork(wmRead, 20);
    c.NotifyWorkEnd(wmRead);
    c.NotifyWork(wmRead, 1);
    c.NotifyWorkEnd(wmRead);
    EXPECT_EQ(r.events, (std::vector<std::string>{"begin 0 100", "work 0 10", "work 0 30", "work 0 31", "end 0"}));
}

TEST(IdComponentWork, ReadAndWriteSpansCountSeparately) {
    TIdComponent c;
    Recorded r;
    r.Attach(c);
    c.NotifyWorkBegin(wmRead, 0);
    c.NotifyWorkBegin(wmWrite, 7);
    c.NotifyWork(wmRead, 3);
    c.NotifyWork(wmWrite, 4);
    c.NotifyWork(wmRead, 3);
    c.NotifyWorkEnd(wmWrite);
    c.NotifyWorkEnd(wmRead);
    EXPECT_EQ(r.events, (std::vector<std::string>{"begin 0 0", "begin 1 7", "work 0 3", "work 1 4", "work 0 6", "end 1",
                                                  "end 0"}));
}

TEST(IdComponentWork, WorkOutsideASpanIsNeitherFiredNorCounted) {
    TIdComponent c;
    Recorded r;
    r.Attach(c);
    c.NotifyWork(wmRead, 50);
    c.NotifyWorkBegin(wmRead, 0);
    c.NotifyWork(wmRead, 1);
    c.NotifyWorkEnd(wmRead);
    EXPECT_EQ(r.events, (std::vector<std::string>{"begin 0 0", "work 0 1", "end 0"}));
}

TEST(IdComponentWork, AnUnpairedEndDoesNotSwallowTheNextBegin) {
    TIdComponent c;
    Recorded r;
    r.Attach(c);
    c.NotifyWorkEnd(wmRead);
    c.NotifyWorkBegin(wmRead, 9);
    c.NotifyWorkEnd(wmRead);
    EXPECT_EQ(r.events, (std::vector<std::string>{"begin 0 9", "end 0"}));
}

TEST(IdComponentWork, AnEndHandlerThatRaisesStillClosesTheSpan) {
    TIdComponent c;
    Recorded r;
    r.Attach(c);
    c.OnWorkEnd = [](TIdComponent*, TWorkMode) { throw std::runtime_error("handler"); };
    c.NotifyWorkBegin(wmRead, 1);
    EXPECT_THROW(c.NotifyWorkEnd(wmRead), std::runtime_error);
    c.NotifyWorkBegin(wmRead, 2);
    EXPECT_EQ(r.events, (std::vector<std::string>{"begin 0 1", "begin 0 2"}));
}

TEST(IdComponentStatus, TemplatesAreFilledAndTheSenderIsTheComponent) {
    TIdComponent c;
    std::vector<std::string> texts;
    std::vector<TIdStatus> codes;
    c.OnStatus = [&](TIdComponent* sender, TIdStatus status, const std::string& text) {
        EXPECT_EQ(sender, &c);
        codes.push_back(status);
        texts.push_back(text);
    };
    c.NotifyStatus(hsResolving, {"update.example"});
    c.NotifyStatus(hsConnecting, {"127.0.0.1"});
    c.NotifyStatus(hsConnected, {"update.example"});
    c.NotifyStatus(hsDisconnecting);
    c.NotifyStatus(hsDisconnected);
    c.NotifyStatus(hsStatusText, {"Chunk Started"});
    c.NotifyStatus(hsStatusText);
    c.NotifyStatus(ftpReady, {"x"});
    EXPECT_EQ(texts,
              (std::vector<std::string>{"Resolving hostname update.example.", "Connecting to 127.0.0.1.", "Connected.",
                                        "Disconnecting.", "Disconnected.", "Chunk Started", "", "x"}));
    EXPECT_EQ(codes.front(), hsResolving);
    EXPECT_EQ(codes.back(), ftpReady);
}

TEST(IdComponentStatus, NothingHappensWithoutAHandler) {
    TIdComponent c;
    EXPECT_NO_THROW(c.NotifyStatus(hsResolving, {}));
}

TEST(IdComponentStack, TheStackLivesExactlyWhileComponentsExistAndStartsTheLibraryOnce) {
    ASSERT_EQ(TIdComponent::LiveCount(), 0);
    EXPECT_EQ(GStack(), nullptr);
    auto first = std::make_unique<TIdComponent>();
    TIdStack* stack = GStack();
    ASSERT_NE(stack, nullptr);
    const int startups = platform::winsock::WSAStartupCount();
    EXPECT_GE(startups, 1);
    {
        TIdComponent second;
        EXPECT_EQ(GStack(), stack);
        EXPECT_EQ(TIdComponent::LiveCount(), 2);
    }
    EXPECT_EQ(GStack(), stack);
    first.reset();
    EXPECT_EQ(GStack(), nullptr);
    TIdComponent again;
    EXPECT_NE(GStack(), nullptr);
    EXPECT_EQ(platform::winsock::WSAStartupCount(), startups);
}

}  // namespace
}  // namespace yeroup::net
