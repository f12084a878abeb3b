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

std::pair<std::int32_t, std::int64_t> TFetchTrace::Answer() const {
    http::TIdHTTPResponse& response = client_.Response();
    if (response.StatusLine.empty()) return {-1, -1};
    return {response.StatusCode(), response.LengthGiven() ? response.ContentLength() : -1};
}

void TFetchTrace::Settle() { settled_ = Answer(); }

void TFetchTrace::Write(std::string_view failure) const {
    if (!trace_.On()) return;
    const auto [status, announced] = settled_ ? *settled_ : Answer();
    trace_.Fetch(url_, status, announced, received_(), failure);
}

}  // namespace yeroup::app
