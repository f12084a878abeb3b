// The whole workflow over real loopback HTTP against the demo update host and its content: start-up checks,
// catalogue, page, download, extraction and the updater started in the player software's folder; once over
// plain http without signatures, once over https with the demo host's signatures and a trusted key.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <thread>

#include "app/Startup.h"
#include "app/forms/MainForm.h"
#include "app/forms/SplashForm.h"
#include "platform/process/ProcessStart.h"
#include "tests/app/support/FakeServices.h"
#include "tests/http/support/TlsServers.h"
#include "tests/support/ScratchFolder.h"

using namespace yeroup::app;
using namespace yeroup::test;

namespace {

const std::string kDemo = std::string(YEROUP_SOURCE_DIR) + "/tools/demo";

// The demo host on a free loopback port, stopped with the object.
class DemoHost {
public:
    // tlsFiles: the certificate and key files stem for https (empty for plain http).
    DemoHost(const std::filesystem::path& site, const std::string& tlsFiles) {
        int out[2];
        if (::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::dup2(out[1], 1);
            ::close(out[0]);
            const std::string script = kDemo + "/update_host.py";
            const std::string cert = tlsFiles + ".pem", key = tlsFiles + ".key";
            if (tlsFiles.empty())
                ::execlp("python3", "python3", script.c_str(), "--root", site.c_str(), "--port", "0", "--quiet",
                         static_cast<char*>(nullptr));
            else
                ::execlp("python3", "python3", script.c_str(), "--root", site.c_str(), "--port", "0", "--quiet",
                         "--tls-cert", cert.c_str(), "--tls-key", key.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        std::string line;
        char c;
        while (line.find('\n') == std::string::npos && ::read(out[0], &c, 1) == 1) line += c;
        ::close(out[0]);
        // "listening on 127.0.0.1:<port>"
        const auto at = line.find("listening on ");
        if (at != std::string::npos) host_ = line.substr(at + 13, line.find('\n') - at - 13);
    }
    ~DemoHost() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& Host() const { return host_; }

private:
    pid_t pid_ = -1;
    std::string host_;
};

void RunDemoWorkflow(bool secure) {
    ScratchFolder work;
    const auto site = work.Path() / "site";
    const std::string publish = YEROUP_PUBLISH_TOOL;
    ASSERT_EQ(
        std::system(("'" + publish + "' build '" + kDemo + "/source' '" + site.string() + "' 2>/dev/null").c_str()), 0);
    const auto keys = work.Path() / "keys";
    if (secure) {
        std::filesystem::create_directories(keys);
        ASSERT_EQ(std::system(("minisign -G -W -p '" + (keys / "demo.pub").string() + "' -s '" +
                               (keys / "demo.key").string() + "' >/dev/null && '" + publish + "' sign '" +
                               site.string() + "' '" + (keys / "demo.key").string() + "' 2>/dev/null")
                                  .c_str()),
                  0);
    }
    DemoHost host(site, secure ? (yeroup::test::TestPki() / "server").string() : "");
    ASSERT_FALSE(host.Host().empty());
    // The certificate names localhost, which needs no name lookup.
    const std::string updateHost =
        secure ? "https://localhost:" + host.Host().substr(host.Host().find(':') + 1) : host.Host();

    const auto exe = work.Path() / "exe";
    const auto player = work.Path() / "player";
    std::filesystem::create_directories(exe);
    std::filesystem::create_directories(player);
    for (const char* program : {"stupdaterapp.exe", "SigmaTelSetup.exe"})
        std::filesystem::copy_file(kDemo + "/player/" + program, player / program);
    WriteFile(work.Path() / "registry.ini",
              "[software\\SigmaTel\\SigmaTel MSCN Audio Player\\Params]\nInstall Folder=" + player.string() + "\n");

    FakeMessageBoxes boxes;
    yeroup::platform::TProcessStarter processes({exe.string() + "/"});
    const TAppServices services{
        boxes,
        processes,
        TAppFiles(exe.string(), updateHost),
        work.Path() / "registry.ini",
        secure ? trust::TTrustedKeys::FromFile((keys / "demo.pub").string(), true) : trust::TTrustedKeys(),
        secure ? yeroup::test::TestCAFile() : ""};

    QStringList models;
    bool ready = false, homeShown = false;
    std::string model, firmware;
    TStartupHooks hooks;
    hooks.mainWindowShown = [&](TForm1&, TForm2& form) {
        QTimer::singleShot(0, &form, [&] {
            // The home page view fetches on its own, over the same transport security as the update client.
            QElapsedTimer waited;
            waited.start();
            while (form.WebBrowser1->LoadCount() == 0 && waited.elapsed() < 10000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            homeShown = form.WebBrowser1->ShowsPage();
            for (int i = 0; i < form.ComboBox1->count(); ++i) models << form.ComboBox1->itemText(i);
            model = form.SelectedModel();
            firmware = form.SelectedFirmware();
            form.Button1->click();  // the download runs to its end inside
            ready = form.Panel3->isVisible();
            form.Button2->click();  // extraction, the question (answered OK), the updater
            form.close();
        });
    };
    EXPECT_EQ(RunStartup(services, hooks), 0);

    EXPECT_EQ(models, (QStringList{"YERO-T10", "YERO-T20"}));
    ASSERT_EQ(model, "YERO-T10");
    ASSERT_EQ(firmware, "V1.05");
    const std::string served = site.string() + "/YEROMP3LiveUpdate/Firmware/YERO-T10/YERO-T10_V1.05";
    EXPECT_EQ(ReadFile(exe / "YEROMP3LiveUpdate.ini"), ReadFile(site / "YEROMP3LiveUpdate" / "YEROMP3LiveUpdate.ini"));
    EXPECT_EQ(ReadFile(exe / "FirmwareBack" / "YERO-T10_V1.05.htm"), ReadFile(served + ".asp"));
    EXPECT_EQ(ReadFile(exe / "FirmwareBack" / "YERO-T10_V1.05.zip"), ReadFile(served + ".zip"));
    EXPECT_EQ(std::filesystem::exists(exe / "FirmwareBack" / "YERO-T10_V1.05.zip.minisig"), secure);
    EXPECT_EQ(std::filesystem::exists(exe / "YEROMP3LiveUpdate.ini.minisig"), secure);
    EXPECT_TRUE(ready);
    EXPECT_TRUE(homeShown);
    EXPECT_TRUE(std::filesystem::exists(player / "firmware.sb"));
    ASSERT_EQ(boxes.shown.size(), 1u) << (boxes.shown.empty() ? "" : boxes.shown[0].text);

    // The updater runs detached; it records how it was started.
    const auto log = player / "updater-invocations.log";
    for (int i = 0; i < 500 && (!std::filesystem::exists(log) || ReadFile(log).find('\n') == std::string::npos); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::string entry = ReadFile(log);
    EXPECT_NE(entry.find("cwd=" + std::filesystem::canonical(player).string() + " args=[-s] firmware.sb=present"),
              std::string::npos)
        << entry;
    EXPECT_EQ(ReadFile(exe / "user.ini"), "[Main02]\r\nComboBox1=0\r\nComboBox2=0\r\n");
}

}  // namespace

TEST(EndToEnd, DemoHostFromCatalogueToUpdater) { RunDemoWorkflow(false); }

TEST(EndToEnd, DemoHostOverHttpsWithSignatures) { RunDemoWorkflow(true); }
