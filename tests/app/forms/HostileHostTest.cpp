// A broken or hostile update host against the windows: a host that never answers or trickles must not keep the
// program behind its splash window, a page fetch from a trickling host must not hold the main window, a
// bloated catalogue must not be taken, and a host whose certificate is refused is named as such.
#include <gtest/gtest.h>

#include <QTimer>
#include <chrono>

#include "app/core/Limits.h"
#include "app/core/Texts.h"
#include "app/forms/MainForm.h"
#include "app/forms/SplashForm.h"
#include "tests/app/support/AppHarness.h"
#include "tests/http/support/ScriptedServer.h"
#include "tests/http/support/TlsServers.h"

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

// nginx over https with the test CA's certificate: trusted only when the test CA is. The messages say the host
// cannot be trusted instead of sending the user to check the network.
TEST(HostileHost, AnUntrustedCertificateIsNamedAndNotBlamedOnTheNetwork) {
    TlsNginxServer host;
    host.WriteFile("YEROMP3LiveUpdate/YEROMP3LiveUpdate.ini", kCatalogue);
    host.WriteFile("YEROMP3LiveUpdate/Firmware/A/A_1.0.zip", "PK\3\4 package");
    const std::string stored = "[A]\r\n1.0=stored\r\n";
    struct Case {
        const char* what;
        bool trusted;
        bool stored;
        const char* catalogueMessage;  // none when the catalogue was taken
    } cases[] = {
        {"test CA trusted", true, true, nullptr},
        {"untrusted, a copy stored", false, true, texts::kHostNotTrustedCatalogueKept},
        {"untrusted, none stored", false, false, texts::kHostNotTrustedNoCatalogue},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AppHarness h;
        // The certificate names localhost, which needs no name lookup.
        const TAppServices services{h.boxes,
                                    h.processes,
                                    TAppFiles(h.exe.Slash(), "https://localhost:" + std::to_string(host.TlsPort())),
                                    h.services.RegistryFile,
                                    {},
                                    c.trusted ? TestCAFile() : ""};
        if (c.stored) WriteFile(services.Files.CatalogueFile(), stored);
        TForm1 splash(services);
        splash.Timer1->stop();
        splash.FormAc();
        EXPECT_EQ(splash.TerminateRequested(), !c.stored);
        if (!c.catalogueMessage) {
            EXPECT_TRUE(h.boxes.shown.empty());
            EXPECT_EQ(ReadFile(services.Files.CatalogueFile()), kCatalogue);
            continue;
        }
        ASSERT_EQ(h.boxes.shown.size(), 1u);
        EXPECT_EQ(h.boxes.shown[0].text, c.catalogueMessage);
        if (!c.stored) continue;
        EXPECT_EQ(ReadFile(services.Files.CatalogueFile()), stored);
        TForm2 form(services, splash);
        form.Button1->click();
        ASSERT_EQ(h.boxes.shown.size(), 2u);
        EXPECT_EQ(h.boxes.shown[1].text, texts::kHostNotTrustedDownload);
        EXPECT_EQ(h.boxes.shown[1].caption, texts::kDownloadFailedCaption);
        EXPECT_FALSE(std::filesystem::exists(services.Files.PackageFile("A", "1.0")));
    }
}
