#include "http/IdTextUtils.h"

#include <algorithm>

namespace yeroup::http {

std::string UpperCase(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), platform::AsciiUpper);
    return result;
}

bool StartsText(std::string_view prefix, std::string_view text) {
    return text.size() >= prefix.size() && SameText(prefix, text.substr(0, prefix.size()));
}

std::string TakeUntil(std::string& text, std::string_view delimiter, bool remove) {
    const std::size_t at = delimiter.empty() ? std::string::npos : text.find(delimiter);
    if (at == std::string::npos) {
        std::string whole = text;
        if (remove) text.clear();
        return whole;
    }
    std::string head = text.substr(0, at);
    if (remove) text.erase(0, at + delimiter.size());
    return head;
}

int PosFromRight(std::string_view sub, std::string_view text, int start) {
    if (sub.empty() || sub.size() > text.size()) return 0;
    const int last = static_cast<int>(text.size() - sub.size()) + 1;  // last 1-based start that fits
    if (start < 0 || start > last) start = last;
    for (int pos = start; pos >= 1; --pos)
        if (SameText(sub, text.substr(static_cast<std::size_t>(pos - 1), sub.size()))) return pos;
    return 0;
}

}  // namespace yeroup::http
