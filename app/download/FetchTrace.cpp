#include "app/download/FetchTrace.h"

#include "platform/text/CodePages.h"

namespace yeroup::app {

TFetchTrace::TFetchTrace(const TTrace& trace, http::TIdHTTP& client, const std::string& url, platform::TStream& body)
    : TFetchTrace(trace, client, url, [&body] { return body.Size(); }) {}

TFetchTrace::TFetchTrace(const TTrace& trace, http::TIdHTTP& client, const std::string& url,
                         std::function<std::int64_t()> received)
    // The URL holds the catalogue's names in the ANSI code page; the trace is UTF-8.
    : trace_(trace), client_(client), url_(platform::AnsiToUtf8(url)), received_(std::move(received)) {
    client_.Response().StatusLine.clear();
}

void TFetchTrace::Write(std::string_view failure) const {
    if (!trace_.On()) return;
    http::TIdHTTPResponse& response = client_.Response();
    const bool answered = !response.StatusLine.empty();
    const std::int64_t announced = answered && response.LengthGiven() ? response.ContentLength() : -1;
    trace_.Fetch(url_, answered ? response.StatusCode() : -1, announced, received_(), failure);
}

}  // namespace yeroup::app
