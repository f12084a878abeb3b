// A package fetched from mirrors, each a real nginx on loopback, checked piece by piece against its signed piece
// list: a host that is down, refuses, answers 500, keeps its head back or trickles is left for the next; a bad
// piece is fetched again from the next host alone; a body longer than the signed size is refused; a download cut
// on one host goes on at another by its pieces, in this run or the next.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "app/download/PackageFetch.h"
#include "app/download/PieceList.h"
#include "app/download/UpdateClient.h"
#include "tests/app/support/MinisignTool.h"
#include "tests/http/support/RealServers.h"
#include "tests/http/support/ScriptedServer.h"
#include "tests/support/LoopbackSocket.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/TestBytes.h"

namespace yeroup::app {
namespace {

namespace fs = std::filesystem;

// A package of three whole pieces and a short one, its signature and its signed piece list.
struct SignedPackage {
    test::MinisignTool tool;
    test::ScratchFolder folder;
    std::string bytes = test::Binary(3 * 1048576 + 4321, 32);
    std::string pieces;

    SignedPackage() {
        test::WriteFile(folder / "p.zip", bytes);
        pieces = PieceListText(MakePieceList(folder / "p.zip"));
    }
    trust::TTrustedKeys Keys() const { return trust::TTrustedKeys::FromFile(tool.PublicKeyFile().string(), true); }
    // Puts body (the package, or another file under its name) with the package's lists on server at path.
    void Publish(const test::RealServer& server, const std::string& path, const std::string& body) const {
        const std::string file = path.substr(1);  // below the served folder
        server.WriteFile(file, body);
        server.WriteFile(file + ".minisig", tool.Sign("p.zip", bytes));
        server.WriteFile(file + ".pieces", pieces);
        server.WriteFile(file + ".pieces.minisig", tool.Sign("p.zip.pieces", pieces));
    }
};

TPackageFetchLimits QuickLimits() {
    TPackageFetchLimits limits;
    limits.firstPauseMs = 10;
    limits.pace.headerDeadline = 1;
    limits.pace.speedLimit = 256 << 10;
    limits.pace.speedTime = 1;
    return limits;
}

// Body bytes the client read, over all its requests.
struct WireCount {
    std::int64_t ended = 0;
    std::int64_t open = 0;
    std::int64_t Total() const { return ended + open; }
    void Attach(http::TIdHTTP& client) {
        client.OnWork = [this](net::TIdComponent*, net::TWorkMode mode, std::int32_t count) {
            if (mode == net::wmRead) open = count;
        };
        client.OnWorkEnd = [this](net::TIdComponent*, net::TWorkMode mode) {
            if (mode != net::wmRead) return;
            ended += open;
            open = 0;
        };
    }
};

TEST(MirrorFetch, AFailingHostIsLeftForTheNextWhichServesThePackageWholeAndVerified) {
    const SignedPackage package;
    std::string changed = package.bytes;
    changed[1048576 + 17] ^= 0x20;  // in the second piece
    const std::string longer = package.bytes + test::Binary(1048576, 33);
    struct Case {
        const char* what;
        std::string config;  // of the first host's nginx
        std::string body;    // what the first host serves as the package
        std::string path;
        std::optional<TFetchEnd> end;  // with the first host alone (none: not tried, it would take long)
        const char* goodLog;           // in the second host's log: what it was asked for, or answered
    };
    const Case cases[] = {
        {"500", "    location / { return 500; }\n", package.bytes, "/p.zip", TFetchEnd::Failed, "/p.zip 200 "},
        {"trickling", "    location / { limit_rate 64k; }\n", package.bytes, "/p.zip", std::nullopt, "/p.zip 206 "},
        {"one changed byte", "", changed, "/p.zip", TFetchEnd::SignatureRefused, "\"bytes=1048576-\""},
        {"a longer file, announced", "", longer, "/p.zip", TFetchEnd::Failed, "/p.zip 200 "},
        {"a longer file, chunked", "", longer, "/ssi/p.zip", TFetchEnd::Failed, "/p.zip 200 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::NginxServer first(false, c.config), good;
        package.Publish(first, c.path, c.body);
        package.Publish(good, "/p.zip", package.bytes);
        for (const bool alone : {true, false}) {
            if (alone && !c.end) continue;
            SCOPED_TRACE(alone ? "alone" : "with a mirror");
            test::ScratchFolder folder;
            const TTrace trace(folder / "trace.log");
            std::vector<std::string> urls = {first.Url(c.path)};
            if (!alone) urls.push_back(good.Url("/p.zip"));
            auto client = MakeUpdateClient();
            TPackageFetchLimits limits = QuickLimits();
            limits.retries = 1;
            TPackageFetch fetch(*client, urls, folder / "p.zip", package.Keys(), "p.zip", trace, limits);
            std::vector<std::string> hosts;
            fetch.OnHost = [&](const std::string& host) { hosts.push_back(host); };
            const TPackageFetchResult result = fetch.Run();
            if (alone) {
                EXPECT_EQ(result.end, *c.end);
                EXPECT_FALSE(fs::exists(folder / "p.zip"));
                continue;
            }
            EXPECT_TRUE(fetch.CheckedByPieces());
            ASSERT_EQ(result.end, TFetchEnd::Stored) << test::ReadFile(folder / "trace.log");
            EXPECT_TRUE(test::ReadFile(folder / "p.zip") == package.bytes);
            // A host that fails for the piece list is not asked for the package.
            ASSERT_FALSE(hosts.empty());
            EXPECT_EQ(hosts.back(), HostOfUrl(urls[1]));
            EXPECT_NE(good.AccessLog().find(c.goodLog), std::string::npos) << good.AccessLog();
        }
    }
}

TEST(MirrorFetch, AHostThatIsDownOrHoldsItsHeadIsLeftForTheNext) {
    const SignedPackage package;
    test::NginxServer good;
    package.Publish(good, "/p.zip", package.bytes);
    test::ScriptedServer silent;
    silent.AddConnection(test::ConnectionScript().ReadRequest().WaitForPeerClose());
    for (const std::string& first : {test::LoopbackUrl(test::FreeLoopbackPort(), "/p.zip"), silent.Url("/p.zip")}) {
        SCOPED_TRACE(first);
        test::ScratchFolder folder;
        const TTrace trace(folder / "trace.log");
        auto client = MakeUpdateClient();
        TPackageFetch fetch(*client, {first, good.Url("/p.zip")}, folder / "p.zip", package.Keys(), "p.zip", trace,
                            QuickLimits());
        const TPackageFetchResult result = fetch.Run();
        ASSERT_EQ(result.end, TFetchEnd::Stored) << test::ReadFile(folder / "trace.log");
        EXPECT_TRUE(test::ReadFile(folder / "p.zip") == package.bytes);
    }
}

TEST(MirrorFetch, ADownloadCutOnOneHostGoesOnAtAnotherByItsPieces) {
    const SignedPackage package;
    const std::int64_t size = static_cast<std::int64_t>(package.bytes.size());
    for (const bool nextRun : {false, true}) {
        SCOPED_TRACE(nextRun ? "in the next run" : "in the same run");
        test::NginxServer first, second;
        package.Publish(first, "/slow/p.zip", package.bytes);
        package.Publish(second, "/p.zip", package.bytes);
        test::ScratchFolder folder;
        const TTrace trace(folder / "trace.log");
        auto client = MakeUpdateClient();
        WireCount wire;
        wire.Attach(*client);
        const auto onWork = client->OnWork;
        bool stopped = false;
        // The first host goes down halfway through the second piece.
        client->OnWork = [&](net::TIdComponent* sender, net::TWorkMode mode, std::int32_t count) {
            onWork(sender, mode, count);
            if (!stopped && wire.Total() > 1500000) {
                stopped = true;
                first.Stop();
            }
        };
        std::vector<std::string> urls = {first.Url("/slow/p.zip")};
        if (!nextRun) urls.push_back(second.Url("/p.zip"));
        TPackageFetchLimits limits = QuickLimits();
        limits.retries = nextRun ? 0 : 1;
        TPackageFetchResult result =
            TPackageFetch(*client, urls, folder / "p.zip", package.Keys(), "p.zip", trace, limits).Run();
        if (nextRun) {
            ASSERT_EQ(result.end, TFetchEnd::Cut);
            EXPECT_TRUE(result.partialKept);
            // Another host, and the partial carries no validator that host could prove.
            result =
                TPackageFetch(*client, second.Url("/p.zip"), folder / "p.zip", package.Keys(), "p.zip", trace, limits)
                    .Run();
        }
        ASSERT_EQ(result.end, TFetchEnd::Stored) << test::ReadFile(folder / "trace.log");
        EXPECT_TRUE(test::ReadFile(folder / "p.zip") == package.bytes);
        EXPECT_NE(second.AccessLog().find("/p.zip 206 "), std::string::npos) << second.AccessLog();
        // The lists' and signatures' bodies are not counted: only the package's bytes.
        EXPECT_LE(static_cast<double>(wire.Total()), 1.02 * static_cast<double>(size));
    }
}

}  // namespace
}  // namespace yeroup::app
