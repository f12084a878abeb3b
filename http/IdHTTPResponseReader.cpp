// Reading a response: the status line, the header block and the body by length, chunks or close.
#include <charconv>

#include "http/IdHTTP.h"
#include "http/IdStrToInt.h"
#include "http/IdTextUtils.h"

namespace yeroup::http {

std::int32_t TIdHTTPResponse::StatusCode() {
    std::string rest = StatusLine;
    TakeUntil(rest, " ");
    rest = Trim(rest);
    statusCode_ = StrToIntDef(TakeUntil(rest, " "), -1);
    return statusCode_;
}

bool TIdHTTPResponse::KeepConnection() {
    if (StatusLine.size() >= 8) {
        std::string_view version = std::string_view(StatusLine).substr(5, 3);
        if (SameText(version, "1.0"))
            StatusVersion = pv1_0;
        else if (SameText(version, "1.1"))
            StatusVersion = pv1_1;
    }
    client_.CheckClosed(false, false);
    if (!client_.IsConnected()) return false;
    const bool keepAlive = SameText(Trim(Connection), "KEEP-ALIVE") || SameText(Trim(ProxyConnection), "KEEP-ALIVE");
    // An HTTP/1.0 server closes after its response unless it said otherwise, whatever version we spoke.
    if (client_.ProtocolVersion == pv1_0 || StatusVersion == pv1_0) return keepAlive;
    return !(SameText(Trim(Connection), "CLOSE") || SameText(Trim(ProxyConnection), "CLOSE"));
}

void TIdCustomHTTP::ReadStatusAndHeaders() {
    TIdHTTPResponse& response = Response();
    response.StatusLine = ReadLine("\n", net::TimeoutUseDefault, -1);
    TIdHeaderList& headers = response.HeaderLines;
    headers.Clear();
    try {
        for (;;) {
            std::string line = ReadLine("\n", net::TimeoutUseDefault, -1);
            if (line.empty()) break;
            headers.Add(line);
        }
    } catch (const net::EIdConnClosedGracefully&) {
        Disconnect();
    }
    response.ReadHeaders();
    response.StatusCode();
}

void TIdCustomHTTP::ReadResponseHead() {
    do {
        ReadStatusAndHeaders();
        ProcessCookies();
    } while (Response().StatusCode() == 100);
}

void TIdCustomHTTP::ReadBody() {
    TIdHTTPResponse& response = Response();
    platform::TStream* body = response.BodyStream;
    if (!body || Request().Method == hmHead) return;
    // These statuses never carry a body; waiting for one would stall a kept connection until it times out.
    const std::int32_t code = response.StatusCode();
    if (code == 204 || code == 304 || (code >= 100 && code < 200)) return;
    if (response.ContentLength() > 0) {
        // A short body is what a cancel leaves; the caller compares the counts.
        try {
            ReadToStream(*body, response.ContentLength(), false);
        } catch (const net::EIdConnClosedGracefully&) {
        } catch (const net::EIdNotConnected&) {}
    } else if (response.HeaderLines.HeaderValue("Transfer-Encoding").find("chunked") != std::string::npos) {
        ReadChunkedBody();
    } else if (!response.LengthGiven()) {
        ReadToStream(*body, -1, true);
    }
}

namespace {

// The size of a chunk-size line: hexadecimal digits before any extension; unreadable reads as 0.
std::int32_t ChunkSize(const std::string& line) {
    std::string text = line.substr(0, line.find_first_of("; \t"));
    text = Trim(text);
    std::uint32_t size = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size, 16);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || size > 0x7FFFFFFFu) return 0;
    return static_cast<std::int32_t>(size);
}

}  // namespace

void TIdCustomHTTP::ReadChunkedBody() {
    platform::TStream& body = *Response().BodyStream;
    NotifyStatus(net::hsStatusText, {"Chunk Started"});
    std::int32_t size = ChunkSize(ReadLine("\n", net::TimeoutUseDefault, -1));
    while (size > 0) {
        ReadToStream(body, size, false);
        ReadLine("\n", net::TimeoutUseDefault, -1);
        size = ChunkSize(ReadLine("\n", net::TimeoutUseDefault, -1));
    }
    // Trailer lines, if any, up to the blank line that ends the body, so a kept connection stays in step.
    while (!ReadLine("\n", net::TimeoutUseDefault, -1).empty()) {}
}

}  // namespace yeroup::http
