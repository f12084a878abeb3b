// yeroup-fetch [options] URL FILE: fetches URL with the program's HTTP client as the program fetches a package, with
// progress on the terminal. See Usage() for what it does and the options.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "app/core/AppFiles.h"
#include "app/download/PartialDownload.h"
#include "app/download/UpdateClient.h"
#include "http/IdHTTP.h"
#include "http/IdStrToInt.h"
#include "net/IdException.h"
#include "tools/fetch/FetchPace.h"
#include "tools/fetch/FetchProgress.h"

using namespace yeroup;

namespace {

// A server that stops sending fails the fetch after this many milliseconds of silence.
constexpr std::int32_t kReadTimeout = 30000;

void Usage() {
    const tools::TFetchPaceLimits defaults;
    std::fprintf(stderr,
                 "usage: yeroup-fetch [--header-deadline S] [--speed-limit B] [--speed-time S] URL FILE\n"
                 "Fetches URL (http or https; https is verified against the system's certificate authorities and\n"
                 "YEROUP_CA_FILE) into FILE as the program fetches a package: the body goes into FILE.yeroup-partial\n"
                 "as it arrives and becomes FILE, flushed to the disk, only once it is whole. A fetch cut short keeps\n"
                 "the partial file and its record (FILE.yeroup-partial.resume); run the same command again to fetch\n"
                 "only the rest, which the host must send from the same version of the file (else it starts again).\n"
                 "The proxy comes from http_proxy, https_proxy and no_proxy. Any failure leaves FILE as it was and\n"
                 "ends with status 1.\n"
                 "  --header-deadline S  the status line and headers must arrive within S seconds (default %d)\n"
                 "  --speed-limit B      the body must move at least B bytes per second over each span (default %lld)\n"
                 "  --speed-time S       ... of S seconds (default %d); a host trickling a byte every few seconds\n"
                 "                       is given up within a minute, a slow download that keeps moving never is\n",
                 defaults.headerDeadline, static_cast<long long>(defaults.speedLimit), defaults.speedTime);
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "yeroup-fetch: %s\n", message.c_str());
    return 1;
}

// A whole number of at least 1 for an option, or false.
template <typename Number>
bool OptionValue(const char* text, Number& value) {
    std::int32_t number = 0;
    if (!http::TryStrToInt(text, number) || number < 1) return false;
    value = number;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    tools::TFetchPaceLimits pace;
    int at = 1;
    for (; at + 1 < argc && std::strncmp(argv[at], "--", 2) == 0; at += 2) {
        const std::string option = argv[at];
        bool good = false;
        if (option == "--header-deadline")
            good = OptionValue(argv[at + 1], pace.headerDeadline);
        else if (option == "--speed-limit")
            good = OptionValue(argv[at + 1], pace.speedLimit);
        else if (option == "--speed-time")
            good = OptionValue(argv[at + 1], pace.speedTime);
        if (!good) {
            Usage();
            return 2;
        }
    }
    if (argc - at != 2) {
        Usage();
        return 2;
    }
    const std::string url = argv[at];
    const std::string file = argv[at + 1];
    // Always with the TLS transport (clear text for http), so that a redirect to https is followed as well.
    const auto client = app::MakeUpdateClient(/*secureHost=*/true, app::ExtraCAFileFromEnvironment());
    client->ReadTimeout = kReadTimeout;
    client->HandleRedirects = true;
    client->RecvBufferSize = app::kDownloadReceiveBytes;
    app::TPartialDownload download(file, url);
    tools::TFetchProgress progress(stderr);
    progress.Attach(*client, download);
    tools::TFetchPace paceCheck(pace);
    paceCheck.Attach(*client);
    const std::string kept = "; the partial file is kept to be resumed";
    try {
        download.Get(*client);
    } catch (const net::EIdTimeLimitExceeded&) {
        progress.Finish();
        return Fail("no status line and headers within " + std::to_string(pace.headerDeadline) +
                    " s (--header-deadline)" + kept);
    } catch (const std::exception& e) {
        progress.Finish();
        return Fail(e.what() + kept);
    }
    progress.Finish();
    if (!download.Whole()) {
        if (download.Size() == 0) return Fail("the host sent an empty body");
        if (download.Total() >= 0)
            return Fail("body cut short: " + std::to_string(download.Size()) + " of " +
                        std::to_string(download.Total()) + " bytes came" + kept);
        return Fail("the body came without a length and without chunks, so it cannot be told whole");
    }
    try {
        download.Promote();
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
    return 0;
}
