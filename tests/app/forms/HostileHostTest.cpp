// A broken or hostile update host against the windows: a host that never answers or trickles must not keep the
// program behind its splash window, a page fetch from a trickling host must not hold the main window, and a
// bloated catalogue must not be taken.
#include <gtest/gtest.h>

#include <QTimer>
#include <chrono>

#include "app/core/Limits.h"
#include "app/core/Texts.h"
#include "app/forms/MainForm.h"
#include "app/forms/SplashForm.h"
#include "tests/app/support/AppHarness.h"
#include "tests/http/support/ScriptedServer.h"

using namespace yeroup::app;
using namespace yeroup::test;
using yeroup::test::ConnectionScript;
using yeroup::test::HttpResponse;
using yeroup::test::ScriptedServer;

namespace {

const std::string kCatalogue = "[A]\r\n1.0=x\r\n";

// The harness's files and boxes, with the scripted host as the update host.
TAppServices ServicesFor(AppHarness& h, const ScriptedServer& server) {
    return TAppServices{h.boxes, h.processes, TAppFiles(h.exe.Slash(), "127.0.0.1:" + std::to_string(server.Port())),
                        h.services.RegistryFile};
}

}  // namespace

TEST(HostileHost, TheSplashCheckEndsInTimeAndFallsBackWhenTheHostNeverAnswersOrTrickles) {
    const ConnectionScript scripts[] = {
        ConnectionScript().ReadRequest().WaitForPeerClose(),
        ConnectionScript().ReadRequest().Trickle("HTTP/1.1 200 OK\r\nX-Slow: " + std::string(100, 's'), 100),
    };
    for (const ConnectionScript& script : scripts) {
        AppHarness h;
        ScriptedServer server;
        server.AddConnection(script);
        const TAppServices services = ServicesFor(h, server);
        WriteFile(services.Files.CatalogueFile(), kCatalogue);
        TForm1 splash(services);
        splash.Timer1->stop();
        EXPECT_EQ(splash.IdHTTP1->ReadTimeout, limits::kFetchReadTimeout);
        EXPECT_EQ(splash.IdHTTP1->CallTimeout, limits::kFetchCallTimeout);
        // The same bounds, shortened so the test stays short.
        splash.IdHTTP1->ReadTimeout = 300;
        splash.IdHTTP1->CallTimeout = 1000;
        const auto start = std::chrono::steady_clock::now();
        splash.FormAc();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        ASSERT_EQ(h.boxes.shown.size(), 1u);
        EXPECT_EQ(h.boxes.shown[0].text, texts::kCatalogueKept);
        EXPECT_EQ(ReadFile(services.Files.CatalogueFile()), kCatalogue);
        EXPECT_FALSE(splash.TerminateRequested());
    }
}

TEST(HostileHost, AFetchToFileTakesAtMostItsLimit) {
    AppHarness h;
    ScriptedServer server;
    const std::string fits(limits::kMaxFetchToFileBytes, 'c');
    server.AddConnection(
        ConnectionScript().Respond(HttpResponse("200 OK", {}, fits)).Respond(HttpResponse("200 OK", {}, fits + "!")));
    const TAppServices services = ServicesFor(h, server);
    TForm1 splash(services);
    splash.Timer1->stop();
    const std::string file = services.Files.CatalogueFile();
    EXPECT_TRUE(splash.FetchToFile(services.Files.CatalogueUrl(), file));
    EXPECT_EQ(std::filesystem::file_size(file), fits.size());
    EXPECT_FALSE(splash.FetchToFile(services.Files.CatalogueUrl(), file));
    EXPECT_EQ(std::filesystem::file_size(file), fits.size());
}

TEST(HostileHost, APageFetchFromATricklingHostKeepsTheMainWindowServed) {
    AppHarness h;
    ScriptedServer server;
    // The home page view may connect first; every connection gets the same slow page.
    for (int i = 0; i < 3; ++i)
        server.AddConnection(
            ConnectionScript().ReadRequest().Trickle("HTTP/1.1 200 OK\r\n\r\n<html>slow page</html>", 40).Close());
    const TAppServices services = ServicesFor(h, server);
    WriteFile(services.Files.CatalogueFile(), kCatalogue);
    TForm1 splash(services);
    splash.Timer1->stop();
    int ticks = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();
    // Creating the main window fetches the first page while the window's messages are pumped.
    TForm2 form(services, splash);
    EXPECT_EQ(ReadFile(services.Files.PageFile("A", "1.0")), "<html>slow page</html>");
    // About 1.7 s of trickling; a window served after every slice sees its timer many times.
    EXPECT_GE(ticks, 10);
}
