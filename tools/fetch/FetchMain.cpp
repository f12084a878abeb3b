// yeroup-fetch [options] URL FILE: fetches URL with the program's HTTP client as the program fetches a package, with
// progress on the terminal. See Usage() for what it does and the options.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/AppFiles.h"
#include "app/core/Texts.h"
#include "app/download/HostPace.h"
#include "app/download/PackageFetch.h"
#include "app/download/ProxyFailure.h"
#include "app/download/UpdateClient.h"
#include "http/IdHTTP.h"
#include "http/IdStrToInt.h"
#include "net/IdException.h"
#include "tools/fetch/FetchProgress.h"

using namespace yeroup;

namespace {

// A server that stops sending fails the fetch after this many milliseconds of silence.
constexpr std::int32_t kReadTimeout = 30000;

void Usage() {
    const app::THostPaceLimits defaults;
    std::fprintf(
        stderr,
        "usage: yeroup-fetch [--header-deadline S] [--speed-limit B] [--speed-time S] [--retries N]\n"
        "                    [--mirror URL]... [--pubkey FILE] URL FILE\n"
        "Fetches URL (http or https; https is verified against the system's certificate authorities and\n"
        "YEROUP_CA_FILE) into FILE as the program fetches a package: the body goes into FILE.yeroup-partial\n"
        "as it arrives and becomes FILE, flushed to the disk, only once it is whole. A cut (the connection\n"
        "closed or reset, a read time-out, a stall) is resumed by itself with a growing pause. A fetch that\n"
        "ends short keeps the partial file and its record (FILE.yeroup-partial.resume) when the host gave a\n"
        "validator and a length; run the same command again to fetch only the rest, which the host must send\n"
        "from the same version of the file (else it starts again). The proxy comes from http_proxy,\n"
        "https_proxy and no_proxy. Any failure leaves FILE as it was and ends with status 1.\n"
        "  --header-deadline S  the status line and headers must arrive within S seconds (default %d)\n"
        "  --speed-limit B      the body must move at least B bytes per second over each span (default %lld)\n"
        "  --speed-time S       ... of S seconds (default %d); a host trickling a byte every few seconds\n"
        "                       is given up within a minute, a slow download that keeps moving never is\n"
        "  --retries N          resumes in a row that may bring nothing before a cut is given up\n"
        "                       (default %d; 0: none)\n"
        "  --mirror URL         the same file on another host, asked in turn when the hosts before it\n"
        "                       cannot be reached, refuse, fail or trickle (repeatable)\n"
        "  --pubkey FILE        a minisign public key: URL.minisig must verify the file, and URL.pieces\n"
        "                       (signed beside itself), when the host has one, checks each piece as it\n"
        "                       comes, so that a cut goes on from any mirror and a bad piece is fetched again\n",
        defaults.headerDeadline, static_cast<long long>(defaults.speedLimit), defaults.speedTime,
        app::limits::kDownloadRetries);
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "yeroup-fetch: %s\n", message.c_str());
    return 1;
}

// A whole number of at least least for an option, or false.
template <typename Number>
bool OptionValue(const char* text, Number& value, std::int32_t least = 1) {
    std::int32_t number = 0;
    if (!http::TryStrToInt(text, number) || number < least) return false;
    value = number;
    return true;
}

// A stall names the options that set its floor.
std::string CutText(const std::exception& e) {
    const bool slow = dynamic_cast<const app::EHostTooSlow*>(&e) != nullptr;
    return std::string(e.what()) + (slow ? " (--speed-limit, --speed-time)" : "");
}

// The last part of the URL's path: the file name its signatures name.
std::string FileNameOf(const std::string& url) {
    const std::string path = url.substr(0, url.find_first_of("?#"));
    return path.substr(path.rfind('/') + 1);
}

// Why the fetch failed, naming the proxy when it was the proxy's doing, as the program does.
std::string FailureText(http::TIdHTTP& client, const std::exception& e, const app::THostPaceLimits& pace) {
    const app::TMessage proxy = app::ProxyFailureText(client, e);
    // By content: a text's address may differ between the units that use it (the linker need not merge them).
    const auto is = [&proxy](const char* text) { return !proxy.Empty() && std::string_view(proxy.text) == text; };
    if (is(app::texts::kProxyUnreachable))
        return "the proxy " + proxy.args.at(0) + " could not be reached (" + e.what() + ")";
    if (is(app::texts::kProxyRefused))
        return "the proxy " + proxy.args.at(0) + " refused the request (" + e.what() + ")";
    if (is(app::texts::kProxySettingUnusable)) return std::string("the proxy setting is unusable: ") + e.what();
    if (dynamic_cast<const net::EIdTimeLimitExceeded*>(&e))
        return "no status line and headers within " + std::to_string(pace.headerDeadline) + " s (--header-deadline)";
    return CutText(e);
}

std::string OutcomeText(http::TIdHTTP& client, const app::TPackageFetchResult& result,
                        const app::THostPaceLimits& pace) {
    if (result.end == app::TFetchEnd::Cut) {
        std::string why = "body cut short: " + std::to_string(result.size) + " of " +
                          (result.total < 0 ? std::string("an unknown number of") : std::to_string(result.total)) +
                          " bytes came in " + std::to_string(result.tries) + " tries";
        try {
            if (result.error) std::rethrow_exception(result.error);
        } catch (const std::exception& e) {
            return why + " (" + CutText(e) + ")";
        }
        return why;
    }
    if (result.end == app::TFetchEnd::NotWhole)
        return result.size == 0 ? "the host sent an empty body"
                                : "the body came without a length and without chunks, so it cannot be told whole";
    // A resume that met a refusal says so: the failure is the last try's, not the first's.
    const std::string resumed =
        result.tries > 1 ? "gave up resuming after " + std::to_string(result.tries) + " tries: " : std::string();
    try {
        if (result.error) std::rethrow_exception(result.error);
    } catch (const std::exception& e) {
        return resumed + FailureText(client, e, pace);
    }
    return resumed + "failed";
}

}  // namespace

int main(int argc, char** argv) {
    app::TPackageFetchLimits fetchLimits;
    app::THostPaceLimits& pace = fetchLimits.pace;
    std::vector<std::string> urls(1);
    std::string keyFile;
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
        else if (option == "--retries")
            good = OptionValue(argv[at + 1], fetchLimits.retries, 0);
        else if ((good = option == "--mirror"))
            urls.emplace_back(argv[at + 1]);
        else if ((good = option == "--pubkey" && keyFile.empty()))
            keyFile = argv[at + 1];
        if (!good) {
            Usage();
            return 2;
        }
    }
    if (argc - at != 2) {
        Usage();
        return 2;
    }
    urls[0] = argv[at];
    const std::string file = argv[at + 1];
    // Without a key the tool checks no signature: that is the program's and the site check's part.
    const app::trust::TTrustedKeys keys =
        keyFile.empty() ? app::trust::TTrustedKeys() : app::trust::TTrustedKeys::FromFile(keyFile, true);
    if (!keys.Problem().empty()) return Fail("the key file " + keyFile + " cannot be used: " + keys.Problem());
    // Always with the TLS transport (clear text for http), so that a redirect to https is followed as well.
    const auto client = app::MakeUpdateClient(/*secureHost=*/true, app::ExtraCAFileFromEnvironment());
    client->ReadTimeout = kReadTimeout;
    client->HandleRedirects = true;
    client->RecvBufferSize = app::kDownloadReceiveBytes;
    const app::TTrace noTrace;
    app::TPackageFetch fetch(*client, urls, file, keys, FileNameOf(urls[0]), noTrace, fetchLimits);
    tools::TFetchProgress progress(stderr);
    progress.Attach(*client, fetch.Download());
    fetch.OnResume = [&](int attempt, const std::exception* cut) {
        progress.Finish();
        std::fprintf(stderr, "yeroup-fetch: the connection was lost (%s); resuming, try %d\n",
                     cut ? CutText(*cut).c_str() : "the body stopped short", attempt);
    };
    fetch.OnHost = [&](const std::string& host) {
        progress.Finish();
        std::fprintf(stderr, "yeroup-fetch: fetching from %s\n", host.c_str());
    };
    const app::TPackageFetchResult result = fetch.Run();
    progress.Finish();
    if (result.end == app::TFetchEnd::Stored) return 0;
    if (result.end == app::TFetchEnd::SignatureRefused) return Fail("the signature is refused: " + result.signatureWhy);
    if (result.end == app::TFetchEnd::SignatureMissing)
        return Fail("the signature could not be fetched (" + result.signatureWhy + ")" +
                    (result.partialKept ? "; the whole body is kept to be verified" : std::string()));
    return Fail(OutcomeText(*client, result, pace) +
                (result.partialKept ? "; the partial file is kept to be resumed" : std::string()));
}
