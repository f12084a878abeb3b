#include "app/core/FetchTrace.h"

namespace yeroup::app {

TFetchTrace::TFetchTrace(const TTrace& trace, http::TIdHTTP& client, std::string url, platform::TStream& body)
    : trace_(trace), client_(client), url_(std::move(url)), body_(body) {
    client_.Response().StatusLine.clear();
}

void TFetchTrace::Write(std::string_view failure) const {
    if (!trace_.On()) return;
    http::TIdHTTPResponse& response = client_.Response();
    const bool answered = !response.StatusLine.empty();
    const std::int64_t announced = answered && response.LengthGiven() ? response.ContentLength() : -1;
    trace_.Fetch(url_, answered ? response.StatusCode() : -1, announced, body_.Size(), failure);
}

}  // namespace yeroup::app
