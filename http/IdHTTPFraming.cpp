#include "http/IdHTTPFraming.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "http/IdHTTPExceptions.h"
#include "http/IdTextUtils.h"
#include "net/IdGlobal.h"

namespace yeroup::http {

namespace {

// Every comma-separated element of every line of that name, trimmed, empty ones left out.
std::vector<std::string> ListElements(const TIdHeaderList& headers, std::string_view name) {
    TStringList values;
    headers.CollectValues(name, values);
    std::vector<std::string> elements;
    for (const std::string& value : values) {
        for (std::size_t start = 0;;) {
            const std::size_t comma = value.find(',', start);
            std::string element = Trim(std::string_view(value).substr(start, comma - std::min(comma, start)));
            if (!element.empty()) elements.push_back(element);
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
    }
    return elements;
}

// Plain decimal digits; more than 18 of them saturate, which any limit rejects.
bool ReadLength(const std::string& text, std::int64_t& length) {
    if (text.empty()) return false;
    length = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        if (length < 100000000000000000) length = length * 10 + (c - '0');
    }
    return true;
}

}  // namespace

void RaiseBodyTooLarge(std::int64_t limit) {
    throw EIdHTTPBodyTooLarge(net::FormatNumbers("Response body exceeds %d bytes.", {limit}));
}

TIdBodyFraming ResponseFraming(const TIdHeaderList& headers, std::int64_t limit) {
    TIdBodyFraming framing;
    const std::vector<std::string> codings = ListElements(headers, "Transfer-Encoding");
    const std::vector<std::string> lengths = ListElements(headers, "Content-Length");
    if (!codings.empty()) {
        // Only a final "chunked" frames the body; any other coding runs until the server closes.
        std::string last = codings.back();
        last = Trim(TakeUntil(last, ";"));
        framing.kind = SameText(last, "chunked") ? TIdBodyFraming::bfChunked : TIdBodyFraming::bfUntilClose;
        framing.lengthIgnored = !lengths.empty();
        return framing;
    }
    if (headers.FindHeader("Content-Length") < 0) return framing;
    if (lengths.empty()) throw EIdHTTPFramingError("Invalid Content-Length \"\".");
    std::int64_t length = 0;
    for (const std::string& text : lengths) {
        std::int64_t value = 0;
        if (!ReadLength(text, value)) throw EIdHTTPFramingError("Invalid Content-Length \"" + text + "\".");
        if (&text != &lengths.front() && value != length)
            throw EIdHTTPFramingError("Conflicting Content-Length values \"" + lengths.front() + "\" and \"" + text +
                                      "\".");
        length = value;
    }
    if (length > limit) RaiseBodyTooLarge(limit);
    framing.kind = TIdBodyFraming::bfLength;
    framing.length = length;
    return framing;
}

std::int64_t ChunkSize(const std::string& line) {
    std::string text = line;
    text = Trim(TakeUntil(text, ";"));
    if (text.empty() || text.size() > 16) throw EIdHTTPFramingError("Invalid chunk size \"" + line + "\".");
    std::uint64_t size = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            throw EIdHTTPFramingError("Invalid chunk size \"" + line + "\".");
        size = size * 16 + static_cast<std::uint64_t>(digit);
    }
    // Sixteen digits may pass the signed range; no limit is that large, so saturating is enough.
    return size > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<std::int64_t>(size);
}

}  // namespace yeroup::http
