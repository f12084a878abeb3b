// The same hostile answers to a package download, sent to the window, yeroup-fetch and yeroup-publish check: what
// each shows differs, what each accepts does not. A cut is followed by a resume answer that does not prove it
// continues the same file, and every caller must start again and take the new file whole, never a splice of two.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <map>
#include <mutex>

#include "app/core/Texts.h"
#include "app/forms/MainForm.h"
#include "app/forms/SplashForm.h"
#include "tests/app/support/AppHarness.h"
#include "tests/http/support/FetchToolRun.h"
#include "tests/http/support/ScriptedServer.h"
#include "tests/support/LoopbackServer.h"
#include "tests/zip/ZipTestSupport.h"

using namespace yeroup::app;
using namespace yeroup::test;

namespace {

const std::string kPackagePath = "/YEROMP3LiveUpdate/Firmware/A/A_1.0.zip";

// An update host whose package answers are queued by the test, one per request; everything else is served from
// fixed bodies, or 404.
class QueuedPackageHost {
public:
    explicit QueuedPackageHost(std::map<std::string, std::string> fixed)
        : fixed_(std::move(fixed)), server_([this](PeerSocket& peer, int) { Handle(peer); }) {}

    void Queue(std::vector<std::string> answers) {
        std::lock_guard lock(mutex_);
        answers_.assign(answers.begin(), answers.end());
        asked_ = 0;
    }
    int PackageRequests() {
        std::lock_guard lock(mutex_);
        return asked_;
    }
    std::string Host() const { return "127.0.0.1:" + std::to_string(server_.Port()); }

private:
    void Handle(PeerSocket& peer) {
        std::string head;
        while (head.find("\r\n\r\n") == std::string::npos && peer.ReceiveSome(head)) {}
        const std::size_t from = head.find(' ') + 1;
        const std::string target = head.substr(from, head.find(' ', from) - from);
        std::string answer = HttpResponse("404 Not Found", {}, "no");
        {
            std::lock_guard lock(mutex_);
            if (target == kPackagePath) {
                ++asked_;
                if (!answers_.empty()) {
                    answer = answers_.front();
                    answers_.pop_front();
                }
            } else if (const auto it = fixed_.find(target); it != fixed_.end()) {
                answer = HttpResponse("200 OK", {}, it->second);
            }
        }
        peer.Send(answer);
        peer.ShutdownWrite();
        peer.ReceiveUntilClose();
    }

    std::map<std::string, std::string> fixed_;
    std::mutex mutex_;
    std::deque<std::string> answers_;
    int asked_ = 0;
    LoopbackServer server_;
};

std::string CheckOutput(const std::string& host, const ScratchFolder& folder) {
    const std::string out = folder / "check.txt";
    const std::string command =
        std::string(YEROUP_PUBLISH_TOOL) + " check " + host + " > '" + out + "' 2> '" + out + ".err'";
    EXPECT_GE(std::system(command.c_str()), 0);
    return ReadFile(out);
}

}  // namespace

TEST(SameOutcome, HostileResumeAnswersAreJudgedAlikeByTheWindowAndBothTools) {
    const std::string package = BuildArchive({{"firmware.bin", NoiseBytes(100000, 3)}});
    const std::string size = std::to_string(package.size());
    const std::string last = std::to_string(package.size() - 1);
    const std::string catalogue = "[A]\r\n1.0=2025-01-01 " + size + " summary\r\n";
    QueuedPackageHost host({{"/YEROMP3LiveUpdate/YEROMP3LiveUpdate.ini", catalogue},
                            {"/YEROMP3LiveUpdate/Firmware/A/A_1.0.asp", "<html>1.0</html>"}});
    const std::string tag = "ETag: \"v1\"";
    const std::string cut =
        HttpResponse("200 OK", {tag, "Content-Length: " + size}, package.substr(0, 40000), /*withLength=*/false);
    const auto rest = [&](const std::vector<std::string>& headers, std::size_t first = 40000) {
        return HttpResponse("206 Partial Content", headers, package.substr(first));
    };
    const std::string whole = HttpResponse("200 OK", {"ETag: \"v2\""}, package);
    const std::string range = "Content-Range: bytes 40000-" + last + "/" + size;
    struct Case {
        const char* what;
        std::vector<std::string> answers;
        bool accepted;  // the package is taken, byte for byte
    };
    const std::vector<Case> cases = {
        {"the rest of the same file", {cut, rest({tag, range})}, true},
        {"206 without a validator", {cut, rest({range}), whole}, true},
        {"a weak tag", {cut, rest({"ETag: W/\"v1\"", range}), whole}, true},
        {"another tag", {cut, rest({"ETag: \"v2\"", range}), whole}, true},
        {"another start", {cut, rest({tag, "Content-Range: bytes 30000-" + last + "/" + size}, 30000), whole}, true},
        {"another total", {cut, rest({tag, "Content-Range: bytes 40000-" + last + "/" + size + "1"}), whole}, true},
        {"multipart",
         {cut,
          HttpResponse("206 Partial Content", {tag, "Content-Type: multipart/byteranges; boundary=B"},
                       "--B\r\n" + range + "\r\n\r\n" + package.substr(40000) + "\r\n--B--\r\n"),
          whole},
         true},
        {"not found", {HttpResponse("404 Not Found", {}, "no")}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The window: one press of the download button.
        {
            host.Queue(c.answers);
            AppHarness h;
            const TAppServices services{h.boxes, h.processes, TAppFiles(h.exe.Slash(), host.Host()),
                                        h.services.RegistryFile};
            WriteFile(services.Files.CatalogueFile(), catalogue);
            TForm1 splash(services);
            splash.Timer1->stop();
            TForm2 form(services, splash);
            form.Button1->click();
            const std::string file = services.Files.PackageFile("A", "1.0");
            EXPECT_EQ(std::filesystem::exists(file) && ReadFile(file) == package, c.accepted);
            EXPECT_EQ(h.boxes.shown.empty(), c.accepted);
            EXPECT_EQ(host.PackageRequests(), static_cast<int>(c.answers.size()));
        }
        // The fetch tool.
        {
            host.Queue(c.answers);
            ScratchFolder folder;
            const std::string file = folder / "p.zip";
            const FetchToolRun run = RunFetchTool("http://" + host.Host() + kPackagePath, file);
            EXPECT_EQ(run.exitStatus == 0 && ReadFile(file) == package, c.accepted) << run.errorOutput;
            EXPECT_EQ(run.exitStatus == 0, c.accepted);
            EXPECT_EQ(host.PackageRequests(), static_cast<int>(c.answers.size()));
        }
        // The site check: clean only when it took the very package the catalogue lists.
        {
            host.Queue(c.answers);
            ScratchFolder folder;
            const std::string output = CheckOutput(host.Host(), folder);
            EXPECT_EQ(output.empty(), c.accepted) << output;
            EXPECT_EQ(host.PackageRequests(), static_cast<int>(c.answers.size()));
        }
    }
}
