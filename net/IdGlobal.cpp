#include "net/IdGlobal.h"

namespace yeroup::net {

namespace {

template <typename Next>
std::string Substitute(const std::string& pattern, char kind, Next next) {
    std::string out;
    out.reserve(pattern.size() + 16);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size()) {
            if (pattern[i + 1] == kind) {
                out += next();
                ++i;
                continue;
            }
            if (pattern[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

}  // namespace

std::string FormatText(const std::string& pattern, const std::vector<std::string>& args) {
    std::size_t index = 0;
    return Substitute(pattern, 's',
                      [&]() -> std::string { return index < args.size() ? args[index++] : std::string(); });
}

std::string FormatNumbers(const std::string& pattern, std::initializer_list<std::int64_t> numbers) {
    auto it = numbers.begin();
    return Substitute(pattern, 'd',
                      [&]() -> std::string { return it != numbers.end() ? std::to_string(*it++) : std::string(); });
}

}  // namespace yeroup::net
