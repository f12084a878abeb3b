// yeroup-fetch URL FILE: fetches URL with the program's HTTP client, as the program fetches a package (the whole
// body in memory, then the file replaced in one step), with progress on the terminal. A failure, a body cut short
// included, leaves FILE as it was and ends with exit status 1.
#include <cstdio>
#include <exception>
#include <string>

#include "http/IdHTTP.h"
#include "http/IdHTTPExceptions.h"
#include "platform/files/AtomicWrite.h"
#include "platform/streams/Stream.h"
#include "tools/fetch/FetchProgress.h"

using namespace yeroup;

namespace {

// A server that stops sending fails the fetch after this many milliseconds of silence.
constexpr std::int32_t kReadTimeout = 30000;

int Fail(const std::string& message) {
    std::fprintf(stderr, "yeroup-fetch: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: yeroup-fetch URL FILE\n");
        return 2;
    }
    const std::string url = argv[1];
    const std::string file = argv[2];
    http::TIdHTTP client;
    client.ReadTimeout = kReadTimeout;
    client.HandleRedirects = true;
    client.Request().UserAgent = "Mozilla/3.0 (compatible; YERO LiveUpdate)";
    tools::TFetchProgress progress(stderr);
    progress.Attach(client);
    platform::TMemoryStream body;
    try {
        client.Get(url, body);
    } catch (const std::exception& e) {
        progress.Finish();
        return Fail(e.what());
    }
    progress.Finish();
    const http::TIdHTTPResponse& response = client.Response();
    if (response.LengthGiven() && body.Size() < response.ContentLength())
        return Fail("body cut short: " + std::to_string(body.Size()) + " of " +
                    std::to_string(response.ContentLength()) + " bytes came");
    try {
        platform::ReplaceFileAtomically(file, body.Memory(), static_cast<std::size_t>(body.Size()));
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
    return 0;
}
