// The package fetch transaction against scripted hosts: resumes by itself after cuts within its limit, never
// retries a refusal, tells a signature that could not be fetched from one that fails, does not follow a planted
// link, and asks for offsets past 4 GiB.
#include "app/download/PackageFetch.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "app/download/UpdateClient.h"
#include "platform/files/FileErrors.h"
#include "tests/app/support/MinisignTool.h"
#include "tests/http/support/ScriptedServer.h"
#include "tests/http/support/TlsServers.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/TestBytes.h"

namespace yeroup::app {
namespace {

namespace fs = std::filesystem;
using test::ConnectionScript;
using test::HttpResponse;

const std::string kTag = "ETag: \"v1\"";

// What one Run did: how it ended, the pauses it asked for and the tries it announced.
struct Ran {
    TPackageFetchResult result;
    std::vector<std::int32_t> pauses;
    std::vector<int> resumes;
};

Ran RunFetch(http::TIdHTTP& client, const std::string& url, const std::string& file, int retries = 3,
             const trust::TTrustedKeys& keys = {}, const TTrace& trace = {}) {
    TPackageFetchLimits limits;
    limits.retries = retries;
    limits.firstPauseMs = 10;
    TPackageFetch fetch(client, url, file, keys, "p.zip", trace, limits);
    Ran ran;
    fetch.Wait = [&](std::int32_t ms) {
        ran.pauses.push_back(ms);
        return true;
    };
    fetch.OnResume = [&](int attempt, const std::exception*) { ran.resumes.push_back(attempt); };
    ran.result = fetch.Run();
    return ran;
}

// A host without piece lists: with a key, the fetch asks for one first.
ConnectionScript NoPieceList() { return ConnectionScript().Respond(HttpResponse("404 Not Found", {}, "no")).Close(); }

// The first part of a 200 of the whole body, then the connection closes.
ConnectionScript CutWhole(const std::string& body, std::size_t sent) {
    return ConnectionScript()
        .ReadRequest()
        .Send(HttpResponse("200 OK", {kTag, "Content-Length: " + std::to_string(body.size())}, body.substr(0, sent),
                           /*withLength=*/false))
        .Close();
}

// A 206 of the rest from first on, cut after sent bytes of it.
ConnectionScript CutRest(const std::string& body, std::size_t first, std::size_t sent) {
    const std::string range =
        std::to_string(first) + "-" + std::to_string(body.size() - 1) + "/" + std::to_string(body.size());
    return ConnectionScript()
        .ReadRequest()
        .Send(HttpResponse(
            "206 Partial Content",
            {kTag, "Content-Range: bytes " + range, "Content-Length: " + std::to_string(body.size() - first)},
            body.substr(first, sent), /*withLength=*/false))
        .Close();
}

TEST(PackageFetch, CutsAreResumedByThemselvesWithAGrowingPauseUntilTriesInARowBringNothing) {
    const std::string body = test::Binary(100000, 5);
    struct Case {
        const char* what;
        std::vector<ConnectionScript> scripts;
        int retries;
        TFetchEnd end;
        std::vector<std::int32_t> pauses;
    };
    const Case cases[] = {
        {"three cuts that each bring bytes, then the rest",
         {CutWhole(body, 30000), CutRest(body, 30000, 30000), CutRest(body, 60000, 30000), CutRest(body, 90000, 10000)},
         1,
         TFetchEnd::Stored,
         {10, 10, 10}},
        {"tries that bring nothing, one past the limit",
         {CutWhole(body, 30000), CutRest(body, 30000, 0), CutRest(body, 30000, 0), CutRest(body, 30000, 0)},
         2,
         TFetchEnd::Cut,
         {10, 20, 40}},
        {"a try that brings bytes starts the count again",
         {CutWhole(body, 30000), CutRest(body, 30000, 0), CutRest(body, 30000, 1000), CutRest(body, 31000, 0),
          CutRest(body, 31000, 69000)},
         1,
         TFetchEnd::Stored,
         {10, 20, 10, 20}},
        {"no retries", {CutWhole(body, 30000)}, 0, TFetchEnd::Cut, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::ScratchFolder folder;
        test::ScriptedServer server;
        for (const ConnectionScript& script : c.scripts) server.AddConnection(script);
        auto client = MakeUpdateClient();
        const std::string file = folder / "p.zip";
        const Ran ran = RunFetch(*client, server.Url("/p.zip"), file, c.retries);
        EXPECT_EQ(ran.result.end, c.end);
        EXPECT_EQ(ran.pauses, c.pauses);
        EXPECT_EQ(ran.result.tries, static_cast<int>(c.scripts.size()));
        EXPECT_EQ(ran.resumes.size(), c.pauses.size());
        if (c.end == TFetchEnd::Stored) {
            EXPECT_TRUE(test::ReadFile(file) == body);
        } else {
            // The cut keeps what came, to be resumed by the next fetch.
            EXPECT_TRUE(ran.result.partialKept);
            EXPECT_TRUE(test::ReadFile(PartialFileOf(file)) == body.substr(0, 30000));
        }
    }
}

TEST(PackageFetch, RefusalsAreNeverRetried) {
    const std::string body = test::Binary(100000, 6);
    test::MinisignTool stranger;
    test::MinisignTool tool;
    const trust::TTrustedKeys keys = trust::TTrustedKeys::FromFile(tool.PublicKeyFile().string(), true);
    struct Case {
        const char* what;
        std::string answer;
        std::string signature;  // with a key: the .minisig the host sends
        TFetchEnd end;
    };
    const Case cases[] = {
        {"404", HttpResponse("404 Not Found", {}, "no"), "", TFetchEnd::Failed},
        {"403", HttpResponse("403 Forbidden", {}, "no"), "", TFetchEnd::Failed},
        {"a signature that fails", HttpResponse("200 OK", {kTag}, body), stranger.Sign("p.zip", body),
         TFetchEnd::SignatureRefused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::ScratchFolder folder;
        test::ScriptedServer server;
        if (!c.signature.empty()) server.AddConnection(NoPieceList());
        server.AddConnection(ConnectionScript().Respond(c.answer).Close());
        if (!c.signature.empty())
            server.AddConnection(ConnectionScript().Respond(HttpResponse("200 OK", {}, c.signature)).Close());
        auto client = MakeUpdateClient();
        const std::string file = folder / "p.zip";
        const Ran ran =
            RunFetch(*client, server.Url("/p.zip"), file, 3, c.signature.empty() ? trust::TTrustedKeys() : keys);
        EXPECT_EQ(ran.result.end, c.end);
        EXPECT_EQ(ran.result.tries, 1);
        EXPECT_TRUE(ran.pauses.empty());
        EXPECT_FALSE(ran.result.partialKept);
        EXPECT_FALSE(fs::exists(file));
        EXPECT_FALSE(fs::exists(PartialFileOf(file)));
        EXPECT_EQ(server.Requests().size(), c.signature.empty() ? 1u : 3u);
    }
}

TEST(PackageFetch, ARefusedCertificateIsNotRetried) {
    test::UseTestHostNames names;
    test::TlsNginxServer server;
    server.WriteFile("p.zip", test::Binary(1000, 7));
    test::ScratchFolder folder;
    auto client = MakeUpdateClient(true);  // without the test authority
    const Ran ran = RunFetch(*client, server.TlsUrl("/p.zip"), folder / "p.zip");
    EXPECT_EQ(ran.result.end, TFetchEnd::Failed);
    EXPECT_EQ(ran.result.tries, 1);
    EXPECT_TRUE(ran.pauses.empty());
}

TEST(PackageFetch, AFullDiskIsNotRetriedAndKeepsWhatCameToBeResumed) {
    const std::string body = test::Binary(300000, 8);
    test::ScratchFolder folder;
    test::ScriptedServer server;
    server.AddConnection(ConnectionScript().Respond(HttpResponse("200 OK", {kTag}, body)).Close());
    auto client = MakeUpdateClient();
    const std::string file = folder / "p.zip";
    // The file size limit stands in for a full disk: writes past it fail (EFBIG) instead of ending the process.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const rlimit small{100000, old.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    const Ran ran = RunFetch(*client, server.Url("/p.zip"), file);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(ran.result.end, TFetchEnd::Failed);
    EXPECT_THROW(std::rethrow_exception(ran.result.error), platform::EFileCreateError);
    EXPECT_EQ(ran.result.tries, 1);
    EXPECT_TRUE(ran.result.partialKept);
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(PackageFetch, ASignatureThatCouldNotBeFetchedKeepsTheWholeBodyAndOnlyItIsFetchedNextTime) {
    const std::string body = test::Binary(200000, 9);
    test::MinisignTool tool;
    const trust::TTrustedKeys keys = trust::TTrustedKeys::FromFile(tool.PublicKeyFile().string(), true);
    test::ScratchFolder folder;
    test::ScriptedServer server;
    server.AddConnection(NoPieceList());
    server.AddConnection(ConnectionScript().Respond(HttpResponse("200 OK", {kTag}, body)).Close());
    server.AddConnection(ConnectionScript().Respond(HttpResponse("503 Service Unavailable", {}, "busy")).Close());
    const std::string signature = tool.Sign("p.zip", body);
    server.AddConnection(NoPieceList());
    server.AddConnection(ConnectionScript().Respond(HttpResponse("200 OK", {}, signature)).Close());
    auto client = MakeUpdateClient();
    const std::string file = folder / "p.zip";
    const TTrace trace(folder / "trace.log");
    const Ran first = RunFetch(*client, server.Url("/p.zip"), file, 3, keys, trace);
    EXPECT_EQ(first.result.end, TFetchEnd::SignatureMissing);
    // Each file's line carries its own figures: the package's are not the signature's.
    const std::string lines = test::ReadFile(trace.File());
    EXPECT_NE(lines.find("/p.zip status=200 announced=200000 received=200000 failed: whole, not yet verified"),
              std::string::npos)
        << lines;
    EXPECT_NE(lines.find("/p.zip.minisig status=503"), std::string::npos) << lines;
    EXPECT_NE(first.result.signatureWhy.find("503"), std::string::npos);
    EXPECT_TRUE(first.result.partialKept);
    EXPECT_FALSE(fs::exists(file));
    const Ran second = RunFetch(*client, server.Url("/p.zip"), file, 3, keys);
    EXPECT_EQ(second.result.end, TFetchEnd::Stored);
    EXPECT_TRUE(test::ReadFile(file) == body);
    EXPECT_EQ(test::ReadFile(file + ".minisig"), signature);
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[4].rfind("GET /p.zip.minisig ", 0), 0u) << requests[4];
}

TEST(PackageFetch, APartialThatIsALinkOrAFolderIsRefusedByNameAndLeftAlone) {
    test::ScratchFolder folder;
    test::ScriptedServer server;
    const std::string file = folder / "p.zip";
    const std::string victim = folder / "victim.txt";
    for (const bool link : {true, false}) {
        SCOPED_TRACE(link ? "a link" : "a folder");
        test::WriteFile(victim, "precious");
        if (link)
            fs::create_symlink(victim, PartialFileOf(file));
        else
            fs::create_directory(PartialFileOf(file));
        auto client = MakeUpdateClient();
        const Ran ran = RunFetch(*client, server.Url("/p.zip"), file);
        EXPECT_EQ(ran.result.end, TFetchEnd::Failed);
        try {
            std::rethrow_exception(ran.result.error);
        } catch (const platform::EFileCreateError& e) {
            EXPECT_NE(std::string(e.what()).find(PartialFileOf(file)), std::string::npos) << e.what();
        }
        EXPECT_EQ(test::ReadFile(victim), "precious");
        EXPECT_EQ(fs::is_symlink(PartialFileOf(file)), link);
        EXPECT_TRUE(server.Requests().empty());
        fs::remove(PartialFileOf(file));
    }
}

TEST(PackageFetch, OffsetsPast4GiBAreAskedForAndJoined) {
    const std::int64_t have = (std::int64_t{5} << 30) + 7;  // a sparse partial, so no disk is used
    const std::string rest = "0123456789";
    const std::int64_t total = have + static_cast<std::int64_t>(rest.size());
    test::ScratchFolder folder;
    const std::string file = folder / "p.zip";
    test::ScriptedServer server;
    const std::string url = server.Url("/p.zip");
    test::WriteFile(PartialFileOf(file), "");
    fs::resize_file(PartialFileOf(file), static_cast<std::uintmax_t>(have));
    test::WriteFile(ResumeRecordOf(file), ResumeRecordText({url, "\"v1\"", "", total, false, "", 0}));
    server.AddConnection(ConnectionScript()
                             .Respond(HttpResponse("206 Partial Content",
                                                   {kTag, "Content-Range: bytes " + std::to_string(have) + "-" +
                                                              std::to_string(total - 1) + "/" + std::to_string(total)},
                                                   rest))
                             .Close());
    auto client = MakeUpdateClient();
    const Ran ran = RunFetch(*client, url, file);
    EXPECT_EQ(ran.result.end, TFetchEnd::Stored);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_NE(server.Requests()[0].find("\r\nRange: bytes=5368709127-\r\n"), std::string::npos);
    EXPECT_EQ(fs::file_size(file), static_cast<std::uintmax_t>(total));
    std::ifstream in(file, std::ios::binary);
    in.seekg(have);
    std::string tail(rest.size(), '\0');
    in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    EXPECT_EQ(tail, rest);
}

}  // namespace
}  // namespace yeroup::app
