// Reading a response: the status line, the header block and the body by length, chunks or close.
#include <algorithm>
#include <limits>

#include "http/IdHTTP.h"
#include "http/IdHTTPExceptions.h"
#include "http/IdHTTPFraming.h"
#include "http/IdStrToInt.h"
#include "http/IdTextUtils.h"

namespace yeroup::http {

namespace {

// count bytes of the body into stream, in work spans of at most 2 GiB less a byte (the work events count in 32
// bits), so that a body past 2 GiB is read whole.
void ReadBodyBytes(net::TIdTCPConnection& connection, platform::TStream& stream, std::int64_t count) {
    for (std::int64_t left = count; left > 0;) {
        const std::int64_t piece = std::min<std::int64_t>(left, std::numeric_limits<std::int32_t>::max());
        connection.ReadToStream(stream, static_cast<std::int32_t>(piece), /*untilClose=*/false);
        left -= piece;
    }
}

}  // namespace

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
    client_.CheckClosed(/*raiseIfClosed=*/false, /*ignoreBuffer=*/false);
    if (!client_.IsConnected()) return false;
    const bool keepAlive = SameText(Trim(Connection), "KEEP-ALIVE") || SameText(Trim(ProxyConnection), "KEEP-ALIVE");
    // An HTTP/1.0 server closes after its response unless it said otherwise, whatever version we spoke.
    if (client_.ProtocolVersion == pv1_0 || StatusVersion == pv1_0) return keepAlive;
    return !(SameText(Trim(Connection), "CLOSE") || SameText(Trim(ProxyConnection), "CLOSE"));
}

void TIdCustomHTTP::ReadHeaderLine(std::string& line, THeaderBudget& budget, bool headerLine) {
    line = ReadLine("\n", net::TimeoutUseDefault, -1);
    budget.bytes += static_cast<std::int64_t>(line.size());
    if (budget.bytes > limits::kMaxHeaderBlockBytes)
        throw EIdHTTPHeaderTooLarge(
            net::FormatNumbers("Response header exceeds %d bytes.", {limits::kMaxHeaderBlockBytes}));
    if (headerLine && !line.empty() && ++budget.lines > limits::kMaxHeaderLines)
        throw EIdHTTPHeaderTooLarge(net::FormatNumbers("Response header exceeds %d lines.", {limits::kMaxHeaderLines}));
}

void TIdCustomHTTP::ReadStatusAndHeaders(THeaderBudget& budget) {
    TIdHTTPResponse& response = Response();
    ReadHeaderLine(response.StatusLine, budget, /*headerLine=*/false);
    TIdHeaderList& headers = response.HeaderLines;
    headers.Clear();
    try {
        for (;;) {
            std::string line;
            ReadHeaderLine(line, budget, /*headerLine=*/true);
            if (line.empty()) break;
            headers.Add(std::move(line));
        }
    } catch (const net::EIdConnClosedGracefully&) {
        Disconnect();
    }
    response.ReadHeaders();
    response.StatusCode();
}

void TIdCustomHTTP::ReadResponseHead() {
    // One budget for the whole head, so a server cannot go on for ever with interim responses either.
    THeaderBudget budget;
    do {
        ReadStatusAndHeaders(budget);
        ProcessCookies();
    } while (Response().StatusCode() == 100);
}

void TIdCustomHTTP::ReadBody(std::int64_t limit, TBodyOverflow overflow) {
    TIdHTTPResponse& response = Response();
    platform::TStream* body = response.BodyStream;
    // Without a stream nothing is read, and the connection cannot carry another request.
    if (!body) return;
    // These never carry a body; waiting for one would stall a kept connection until it times out.
    const std::int32_t code = response.StatusCode();
    if (Request().Method == hmHead || code == 204 || code == 304 || (code >= 100 && code < 200)) {
        messageComplete_ = true;
        return;
    }
    // A length above what may be kept is an error for the body asked for; an unwanted body is cut instead.
    const TIdBodyFraming framing =
        ResponseFraming(response.HeaderLines, overflow == boRaise ? limit : std::numeric_limits<std::int64_t>::max());
    if (framing.lengthIgnored) closeAfterResponse_ = true;
    switch (framing.kind) {
    case TIdBodyFraming::bfChunked:
        response.SetContentLength(-1);
        ReadChunkedBody(limit, overflow);
        break;
    case TIdBodyFraming::bfLength: {
        response.SetContentLength(static_cast<std::int32_t>(std::min<std::int64_t>(framing.length, INT32_MAX)));
        if (framing.length == 0) break;
        const std::int64_t wanted = std::min(framing.length, limit);
        // A short body is what a cancel leaves; the caller compares the counts.
        try {
            ReadBodyBytes(*this, *body, wanted);
        } catch (const net::EIdConnClosedGracefully&) {}
        if (wanted < framing.length) Disconnect();  // the rest of the cut body is not read
        break;
    }
    case TIdBodyFraming::bfUntilClose: {
        const std::int64_t start = body->Position();
        // One byte more than the limit tells a body that is too long from one that just fits.
        const std::int64_t cap = overflow == boRaise ? limit + 1 : limit;
        ReadToStream(*body, static_cast<std::int32_t>(std::min<std::int64_t>(cap, INT32_MAX)), /*untilClose=*/true);
        if (IsConnected() || body->Position() - start > limit) {
            if (overflow == boRaise && body->Position() - start > limit) RaiseBodyTooLarge(limit);
            Disconnect();
        }
        break;
    }
    }
    messageComplete_ = true;
}

void TIdCustomHTTP::ReadChunkedBody(std::int64_t limit, TBodyOverflow overflow) {
    platform::TStream& body = *Response().BodyStream;
    NotifyStatus(net::hsStatusText, {"Chunk Started"});
    std::int64_t total = 0;
    for (std::int64_t size = ChunkSize(ReadLine("\n", net::TimeoutUseDefault, -1)); size > 0;
         size = ChunkSize(ReadLine("\n", net::TimeoutUseDefault, -1))) {
        if (size > limit - total) {
            if (overflow == boRaise) RaiseBodyTooLarge(limit);
            ReadBodyBytes(*this, body, limit - total);
            Disconnect();  // the rest of the cut body is not read
            return;
        }
        ReadBodyBytes(*this, body, size);
        total += size;
        if (!ReadLine("\n", net::TimeoutUseDefault, -1).empty())
            throw EIdHTTPFramingError("Chunk data is not followed by a line end.");
    }
    // Trailer lines, if any, up to the blank line that ends the body, so a kept connection stays in step; they
    // get a header budget of their own.
    THeaderBudget budget;
    for (std::string line;;) {
        ReadHeaderLine(line, budget, /*headerLine=*/true);
        if (line.empty()) break;
    }
}

}  // namespace yeroup::http
