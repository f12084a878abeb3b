#include "app/core/Message.h"

#include <string_view>

namespace yeroup::app {

std::string Format(const char* text, const std::vector<std::string>& args) {
    const std::string_view pattern(text);
    std::string result;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        const auto index = static_cast<std::size_t>(next - '1');
        if (pattern[i] == '%' && next >= '1' && next <= '9' && index < args.size()) {
            result += args[index];
            ++i;
        } else {
            result += pattern[i];
        }
    }
    return result;
}

}  // namespace yeroup::app
