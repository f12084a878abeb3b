// The fetch tool as a whole process: killed during a download and run again, https through the environment's
// proxy, the memory a 1 GiB download takes, hosts too slow to wait for, and mirrors checked by a key.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "app/core/Limits.h"
#include "app/download/HostRotation.h"
#include "app/download/PartialDownload.h"
#include "app/download/PieceList.h"
#include "tests/app/support/MinisignTool.h"
#include "tests/http/support/FetchToolRun.h"
#include "tests/http/support/ProxyServer.h"
#include "tests/http/support/ScriptedServer.h"
#include "tests/http/support/TlsServers.h"
#include "tests/support/LoopbackSocket.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/TestBytes.h"

namespace yeroup::test {
namespace {

std::int64_t SizeOf(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::int64_t>(size);
}

TEST(FetchTool, KilledDuringADownloadThenRunAgainFetchesOnlyTheRest) {
    NginxServer server;
    const std::string package = Binary(3 << 20, 7);
    server.WriteFile("slow/p.zip", package);  // sent at 1 MiB/s
    ScratchFolder folder;
    const std::string file = folder / "p.zip";
    const std::string partial = app::PartialFileOf(file);
    const FetchToolRun killed = RunFetchTool({server.Url("/slow/p.zip"), file}, folder / "err1", 20000,
                                             [&] { return SizeOf(partial) >= (1 << 20); });
    EXPECT_EQ(killed.exitStatus, -1);
    const std::int64_t left = SizeOf(partial);
    ASSERT_GE(left, 1 << 20);
    const FetchToolRun again = RunFetchTool({server.Url("/slow/p.zip"), file}, folder / "err2", 20000);
    EXPECT_EQ(again.exitStatus, 0) << again.errorOutput;
    EXPECT_TRUE(ReadFile(file) == package);
    EXPECT_FALSE(std::filesystem::exists(partial));
    EXPECT_NE(server.AccessLog().find("/slow/p.zip 206 "), std::string::npos) << server.AccessLog();
    EXPECT_NE(server.AccessLog().find("\"bytes=" + std::to_string(left) + "-\""), std::string::npos);
}

TEST(FetchTool, SpeaksHttpsThroughTheEnvironmentsProxyTrustingTheExtraAuthorities) {
    TlsNginxServer server;
    const std::string package = Binary(500000, 8);
    server.WriteFile("p.zip", package);
    TinyProxyServer proxy("user", "s3cret");
    ScratchFolder folder;
    // The proxy looks the name up; the tool only dials the proxy.
    const std::string url = "https://localhost:" + std::to_string(server.TlsPort()) + "/p.zip";
    const ScopedEnvironment httpsProxy("https_proxy", proxy.ProxyUrl("user", "s3cret")),
        authorities("YEROUP_CA_FILE", TestCAFile());
    const FetchToolRun run = RunFetchTool({url, folder / "p.zip"}, folder / "err", 20000);
    authorities.Set(std::nullopt);
    const FetchToolRun untrusted = RunFetchTool({url, folder / "q.zip"}, folder / "err2", 20000);
    // The proxy is named as the program names it, whether it refuses or cannot be reached; nothing was kept.
    httpsProxy.Set(proxy.ProxyUrl("user", "wrong"));
    const FetchToolRun refused = RunFetchTool({url, folder / "r.zip"}, folder / "err3", 20000);
    httpsProxy.Set("http://127.0.0.1:1");
    const FetchToolRun down = RunFetchTool({url, folder / "s.zip"}, folder / "err4", 20000);
    httpsProxy.Set(std::nullopt);
    EXPECT_NE(refused.errorOutput.find("the proxy 127.0.0.1:"), std::string::npos) << refused.errorOutput;
    EXPECT_NE(refused.errorOutput.find("refused the request"), std::string::npos) << refused.errorOutput;
    EXPECT_NE(down.errorOutput.find("the proxy 127.0.0.1:1 could not be reached"), std::string::npos)
        << down.errorOutput;
    for (const FetchToolRun* failed : {&untrusted, &refused, &down}) {
        EXPECT_EQ(failed->exitStatus, 1);
        EXPECT_EQ(failed->errorOutput.find("kept"), std::string::npos) << failed->errorOutput;
    }
    EXPECT_EQ(run.exitStatus, 0) << run.errorOutput;
    EXPECT_TRUE(ReadFile(folder / "p.zip") == package);
    EXPECT_EQ(untrusted.exitStatus, 1);
    EXPECT_FALSE(std::filesystem::exists(folder / "q.zip"));
    EXPECT_NE(proxy.Log().find("CONNECT localhost:" + std::to_string(server.TlsPort())), std::string::npos);
}

TEST(FetchTool, AGibibyteDownloadStaysWithinItsMemoryBound) {
    NginxServer server;
    // A sparse file: nginx sends its zeros at loopback speed, and the scratch disk holds only the download.
    std::ofstream(server.Root() / "big.bin").close();
    std::filesystem::resize_file(server.Root() / "big.bin", std::uintmax_t{1} << 30);
    server.WriteFile("small.bin", "1 KiB or so");
    ScratchFolder folder;
    const FetchToolRun small = RunFetchTool({server.Url("/small.bin"), folder / "small.bin"}, folder / "err0", 20000);
    const FetchToolRun run = RunFetchTool({server.Url("/big.bin"), folder / "big.bin"}, folder / "err", 120000);
    EXPECT_EQ(run.exitStatus, 0) << run.errorOutput;
    EXPECT_EQ(SizeOf(folder / "big.bin"), std::int64_t{1} << 30);
#ifdef __SANITIZE_ADDRESS__
    // The sanitizer's shadow memory comes on top of every process: here the bound holds for what the size adds.
    EXPECT_LE(std::int64_t{run.peakKiB - small.peakKiB} * 1024, app::limits::kMaxDownloadPeakMemoryBytes);
#else
    EXPECT_LE(std::int64_t{run.peakKiB} * 1024, app::limits::kMaxDownloadPeakMemoryBytes);
#endif
}

TEST(FetchTool, AHostTooSlowToWaitForIsGivenUpAndASlowButMovingOneIsNot) {
    NginxServer nginx;
    nginx.WriteFile("slow/p.zip", Binary(1500000, 9));  // 1 MiB/s
    struct Case {
        const char* what;
        std::vector<std::string> options;
        ConnectionScript script;
        bool scripted;
        int status;
        const char* error;
    };
    const Case cases[] = {
        {"a header byte every 300 ms",
         {"--header-deadline", "2"},
         ConnectionScript().ReadRequest().Trickle("HTTP/1.1 200 OK\r\nX-Slow: " + std::string(100, 's'), 300),
         true,
         1,
         "no status line and headers within 2 s (--header-deadline)"},
        {"a body byte every 300 ms",
         {"--speed-limit", "50", "--speed-time", "1"},
         ConnectionScript()
             .Respond("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n")
             .Trickle(std::string(100, 'b'), 300),
         true,
         1,
         "below the floor of 50 bytes/s (--speed-limit, --speed-time)"},
        {"1 MiB/s against a floor of 100 KiB/s",
         {"--speed-limit", "102400", "--speed-time", "1"},
         ConnectionScript(),
         false,
         0,
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedServer server;
        server.AddConnection(c.script);
        ScratchFolder folder;
        std::vector<std::string> arguments = c.options;
        arguments.push_back(c.scripted ? server.Url("/p.zip") : nginx.Url("/slow/p.zip"));
        arguments.push_back(folder / "p.zip");
        // Killed only when it does not end by itself.
        const FetchToolRun run = RunFetchTool(arguments, folder / "err", 20000);
        EXPECT_EQ(run.exitStatus, c.status) << run.errorOutput;
        EXPECT_NE(run.errorOutput.find(c.error), std::string::npos) << run.errorOutput;
        EXPECT_EQ(std::filesystem::exists(folder / "p.zip"), c.status == 0);
    }
}

TEST(FetchTool, TakesThePackageFromTheMirrorsWithPiecesCheckedByItsKey) {
    MinisignTool tool, stranger;
    ScratchFolder folder;
    const std::string package = Binary(2500000, 10);
    WriteFile(folder / "p.zip", package);
    const std::string pieces = app::PieceListText(app::MakePieceList(folder / "p.zip"));
    std::string changed = package;
    changed[1500000] ^= 1;
    NginxServer changedHost, goodHost;
    for (const NginxServer* host : {&changedHost, &goodHost}) {
        host->WriteFile("p.zip", host == &changedHost ? changed : package);
        host->WriteFile("p.zip.minisig", tool.Sign("p.zip", package));
        host->WriteFile("p.zip.pieces", pieces);
        host->WriteFile("p.zip.pieces.minisig", tool.Sign("p.zip.pieces", pieces));
    }
    const std::string down = LoopbackUrl(FreeLoopbackPort(), "/p.zip");
    WriteFile(folder / "stranger.pub", stranger.PublicKeyText());
    struct Case {
        const char* what;
        std::string key;
        int status;
    };
    const Case cases[] = {
        {"the key that signed", tool.PublicKeyFile().string(), 0},
        {"another key", folder / "stranger.pub", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = folder / ("out-" + std::to_string(c.status) + ".zip");
        const FetchToolRun run = RunFetchTool(
            {"--pubkey", c.key, "--mirror", changedHost.Url("/p.zip"), "--mirror", goodHost.Url("/p.zip"), down, file},
            folder / "err", 20000);
        EXPECT_EQ(run.exitStatus, c.status) << run.errorOutput;
        EXPECT_EQ(std::filesystem::exists(file), c.status == 0);
        if (c.status != 0) continue;
        EXPECT_TRUE(ReadFile(file) == package);
        // The bad second piece alone comes again, from the next mirror.
        EXPECT_NE(goodHost.AccessLog().find("\"bytes=1048576-\""), std::string::npos) << goodHost.AccessLog();
        EXPECT_NE(run.errorOutput.find("fetching from " + app::HostOfUrl(goodHost.Url("/p.zip"))), std::string::npos)
            << run.errorOutput;
    }
}

}  // namespace
}  // namespace yeroup::test
