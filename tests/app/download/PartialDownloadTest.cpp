// Downloads written as they arrive and resumed after a cut, against nginx (which honours Range and If-Range, over
// http and https) and scripted hosts that answer a resume wrongly; and the bounds on what partials are kept.
#include "app/download/PartialDownload.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include "app/core/Limits.h"
#include "app/download/ResumeRecord.h"
#include "app/download/UpdateClient.h"
#include "tests/http/support/ScriptedServer.h"
#include "tests/http/support/TlsServers.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/TestBytes.h"

namespace yeroup::app {
namespace {

using test::ConnectionScript;
using test::HttpResponse;

struct Outcome {
    std::int64_t offset = 0;  // bytes resumed from
    bool whole = false;
    std::int64_t size = 0;  // of the partial
};

// One download of url into file; with cut, the client disconnects (as the cancel button does) once that many bytes
// of the file are there. A whole body becomes the file.
Outcome Download(http::TIdHTTP& client, const std::string& file, const std::string& url, std::int64_t cut = 0) {
    TPartialDownload download(file, url);
    client.OnWork = [&](net::TIdComponent*, net::TWorkMode, std::int32_t count) {
        if (cut > 0 && download.Offset() + count >= cut) client.Disconnect();
    };
    download.Get(client);
    client.OnWork = nullptr;
    const Outcome outcome{download.Offset(), download.Whole(), download.Size()};
    if (outcome.whole) download.Promote();
    return outcome;
}

TEST(PartialDownload, CutAtSeveralPointsThenResumedByteExactOverHttpAndHttps) {
    test::UseTestHostNames names;
    test::TlsNginxServer server;
    const std::string package = test::Binary(3 << 20, 19);
    server.WriteFile("p.zip", package);
    for (const bool tls : {false, true}) {
        for (const std::int64_t cut :
             {std::int64_t{1}, std::int64_t{200001}, std::int64_t{3} << 19, (std::int64_t{3} << 20) - 40000}) {
            SCOPED_TRACE((tls ? "https, cut at " : "http, cut at ") + std::to_string(cut));
            test::ScratchFolder folder;
            const std::string file = folder / "p.zip";
            const std::string url = tls ? server.TlsUrl("/p.zip") : server.Url("/p.zip");
            auto client = MakeUpdateClient(true, test::TestCAFile());
            const Outcome first = Download(*client, file, url, cut);
            EXPECT_FALSE(first.whole);
            EXPECT_GE(first.size, cut);
            EXPECT_FALSE(std::filesystem::exists(file));
            const Outcome second = Download(*client, file, url);
            EXPECT_EQ(second.offset, first.size);
            EXPECT_TRUE(second.whole);
            EXPECT_TRUE(test::ReadFile(file) == package);
            EXPECT_FALSE(std::filesystem::exists(PartialFileOf(file)));
            EXPECT_FALSE(std::filesystem::exists(ResumeRecordOf(file)));
        }
    }
}

TEST(PartialDownload, AFileChangedOnTheHostStartsFromZero) {
    test::NginxServer server;
    server.WriteFile("p.zip", test::Binary(2 << 20, 1));
    test::ScratchFolder folder;
    auto client = MakeUpdateClient();
    const std::string file = folder / "p.zip";
    const Outcome first = Download(*client, file, server.Url("/p.zip"), 500000);
    const std::string changed = test::Binary((2 << 20) + 1, 2);  // a new size, so a new entity tag
    server.WriteFile("p.zip", changed);
    const Outcome second = Download(*client, file, server.Url("/p.zip"));
    EXPECT_EQ(second.offset, 0);
    EXPECT_TRUE(second.whole);
    EXPECT_TRUE(test::ReadFile(file) == changed);
    // The rest was asked for; nginx saw the tag no longer matched and sent the new file whole.
    const std::string log = server.AccessLog();
    const std::size_t asked = log.find(" \"bytes=" + std::to_string(first.size) + "-\"");
    ASSERT_NE(asked, std::string::npos) << log;
    const std::size_t line = log.rfind('\n', asked);
    EXPECT_EQ(log.substr(line == std::string::npos ? 0 : line + 1, 11), "/p.zip 200 ") << log;
}

TEST(PartialDownload, AnswersThatDoNotContinueTheSameFileStartFromZero) {
    const std::string body = test::Binary(100000, 3);
    const std::string half = body.substr(0, 40000);
    const auto ok = [&](const std::string& tag) { return HttpResponse("200 OK", {"ETag: " + tag}, body); };
    const auto rest = [&](const std::string& range, const std::string& tag) {
        return HttpResponse("206 Partial Content", {"ETag: " + tag, "Content-Range: bytes " + range},
                            body.substr(40000));
    };
    struct Case {
        const char* what;
        std::string answer;  // to the request for the rest
        bool restarts;       // a third request, without Range, gets the whole file
        std::int64_t offset;
    };
    const Case cases[] = {
        {"the rest of the same file", rest("40000-99999/100000", "\"v1\""), false, 40000},
        {"the host ignores ranges", ok("\"v1\""), false, 0},
        {"a Content-Range from elsewhere", rest("0-59999/100000", "\"v1\""), true, 0},
        {"a Content-Range of another length", rest("40000-99999/100001", "\"v1\""), true, 0},
        {"a Content-Range that is not one", rest("40000-99999/*", "\"v1\""), true, 0},
        {"another entity tag", rest("40000-99999/100000", "\"v2\""), true, 0},
        {"a weak tag", rest("40000-99999/100000", "W/\"v1\""), true, 0},
        {"a weak tag of another version", rest("40000-99999/100000", "W/\"v2\""), true, 0},
        {"no validator",
         HttpResponse("206 Partial Content", {"Content-Range: bytes 40000-99999/100000"}, body.substr(40000)), true, 0},
        {"multipart ranges",
         HttpResponse("206 Partial Content", {"ETag: \"v1\"", "Content-Type: multipart/byteranges; boundary=B"},
                      "--B\r\nContent-Range: bytes 40000-99999/100000\r\n\r\n" + body.substr(40000) + "\r\n--B--\r\n"),
         true, 0},
        {"416", HttpResponse("416 Range Not Satisfiable", {"Content-Range: bytes */100000"}, ""), true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::ScriptedServer server;
        server.AddConnection(
            ConnectionScript()
                .ReadRequest()
                .Send(HttpResponse("200 OK", {"ETag: \"v1\"", "Content-Length: 100000"}, half, /*withLength=*/false))
                .Close());
        server.AddConnection(ConnectionScript().Respond(c.answer).Close());
        if (c.restarts) server.AddConnection(ConnectionScript().Respond(ok("\"v1\"")).Close());
        test::ScratchFolder folder;
        auto client = MakeUpdateClient();
        const std::string file = folder / "p.zip";
        EXPECT_FALSE(Download(*client, file, server.Url("/p.zip")).whole);
        const Outcome second = Download(*client, file, server.Url("/p.zip"));
        EXPECT_EQ(second.offset, c.offset);
        EXPECT_TRUE(second.whole);
        EXPECT_TRUE(test::ReadFile(file) == body);
        const std::vector<std::string> requests = server.Requests();
        ASSERT_EQ(requests.size(), c.restarts ? 3u : 2u);
        EXPECT_NE(requests[1].find("\r\nRange: bytes=40000-\r\n"), std::string::npos);
        EXPECT_NE(requests[1].find("\r\nIf-Range: \"v1\"\r\n"), std::string::npos);
        if (c.restarts) {
            EXPECT_EQ(requests[2].find("Range:"), std::string::npos);
        }
    }
}

TEST(PartialDownload, OnlyAnUndamagedRecordOfTheSameUrlResumes) {
    const std::string body = test::Binary(50000, 4);
    test::ScriptedServer server;
    const std::string url = server.Url("/p.zip");
    TResumeRecord record{url, "\"v1\"", "", 50000, false, "", 0};
    const std::string good = ResumeRecordText(record);
    std::string damaged = good;
    damaged[damaged.find("50000")] = '6';
    // A record exactly at the size bound (a long URL fills it), and one byte past it.
    const std::size_t room = static_cast<std::size_t>(limits::kMaxResumeRecordBytes) - good.size();
    TResumeRecord atBound = record, pastBound = record;
    atBound.Url = url + "?" + std::string(room - 1, 'q');
    pastBound.Url = url + "?" + std::string(room, 'q');
    record.Url = server.Url("/other.zip");
    const std::string otherUrl = ResumeRecordText(record);
    struct Case {
        const char* what;
        std::string url;
        std::string record;
        bool resumes;
    };
    const Case cases[] = {
        {"a good record", url, good, true},
        {"one changed byte", url, damaged, false},
        {"another URL's record", url, otherUrl, false},
        {"a record at the size bound", atBound.Url, ResumeRecordText(atBound), true},
        {"a record one byte past it", pastBound.Url, ResumeRecordText(pastBound), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server.AddConnection(ConnectionScript().Respond(HttpResponse("200 OK", {"ETag: \"v1\""}, body)).Close());
        test::ScratchFolder folder;
        const std::string file = folder / "p.zip";
        test::WriteFile(PartialFileOf(file), body.substr(0, 10000));
        test::WriteFile(ResumeRecordOf(file), c.record);
        auto client = MakeUpdateClient();
        EXPECT_TRUE(Download(*client, file, c.url).whole);
        EXPECT_TRUE(test::ReadFile(file) == body);
        EXPECT_EQ(server.Requests().back().find("Range: bytes=10000-") != std::string::npos, c.resumes);
    }
    EXPECT_EQ(ResumeRecordText(atBound).size(), static_cast<std::size_t>(limits::kMaxResumeRecordBytes));
}

TEST(PartialDownload, PartialsAreKeptOnlyForListedPackagesWithinTheirBounds) {
    const std::time_t now = 2000000000;
    const std::int64_t limit = limits::kMaxPartialAgeSeconds;
    struct Partial {
        const char* package;
        std::int64_t age;  // seconds since it last grew
        bool kept;
    };
    // Each scenario is one package store at start-up; the catalogue lists A_1 to A_9.
    const std::vector<std::vector<Partial>> scenarios = {
        {{"A_1.zip", limit, true}, {"A_2.zip", limit + 1, false}, {"B_1.zip", 5, false}},
        {{"A_1.zip", 10, true}, {"A_2.zip", 20, true}, {"A_3.zip", 30, true}, {"A_4.zip", 40, true}},
        {{"A_1.zip", 10, true},
         {"A_2.zip", 20, true},
         {"A_3.zip", 30, true},
         {"A_4.zip", 40, true},
         {"A_5.zip", 50, false}},  // one past the bound on the count: the oldest goes
    };
    std::set<std::string> listed;
    for (char n = '1'; n <= '9'; ++n) listed.insert(std::string("A_") + n + ".zip");
    for (const auto& partials : scenarios) {
        SCOPED_TRACE(partials.size());
        test::ScratchFolder store;
        int gone = 0;
        for (const Partial& p : partials) {
            const std::string partial = PartialFileOf(store / p.package);
            test::WriteFile(partial, "part");
            test::WriteFile(ResumeRecordOf(store / p.package), "record");
            const utimbuf times{now - p.age, now - p.age};
            ::utime(partial.c_str(), &times);
            gone += !p.kept;
        }
        test::WriteFile(ResumeRecordOf(store / "A_9.zip"), "a record without its partial");
        test::WriteFile(store / "A_1.zip", "a stored package");
        EXPECT_EQ(PrunePartialDownloads(store.Path(), listed, now), gone);
        for (const Partial& p : partials) {
            SCOPED_TRACE(p.package);
            EXPECT_EQ(std::filesystem::exists(PartialFileOf(store / p.package)), p.kept);
            EXPECT_EQ(std::filesystem::exists(ResumeRecordOf(store / p.package)), p.kept);
        }
        EXPECT_FALSE(std::filesystem::exists(ResumeRecordOf(store / "A_9.zip")));
        EXPECT_EQ(test::ReadFile(store / "A_1.zip"), "a stored package");
    }
}

}  // namespace
}  // namespace yeroup::app
