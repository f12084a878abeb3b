// A firmware page and its Content-Type header come from the update host: whatever they hold, the charset found
// is one of the labels the sniffer names itself or a label the header or the page's head spells out, and never
// carries the characters that end a label. The first byte is the length of the header value, the rest the page.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/core/Limits.h"
#include "app/core/PageCharset.h"

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t typeLength = std::min<std::size_t>(data[0], rest.size());
    const std::string_view contentType = rest.substr(0, typeLength);
    const std::string_view page = rest.substr(typeLength);

    const std::string label = yeroup::app::PageCharset(page, contentType);
    if (label.empty() || label == "UTF-8" || label == "UTF-16LE" || label == "UTF-16BE" || label == "GB18030") return 0;
    for (const char c : label)
        if (static_cast<unsigned char>(c) <= ' ' || std::string_view(";\"'>/,").find(c) != std::string_view::npos)
            __builtin_trap();
    const std::string head = Lower(page.substr(0, yeroup::app::limits::kCharsetSniffBytes));
    if (Lower(contentType).find(label) == std::string::npos && head.find(label) == std::string::npos) __builtin_trap();
    return 0;
}
