#include "app/download/MirrorList.h"

#include <algorithm>

#include "app/core/AppFiles.h"
#include "app/core/Limits.h"
#include "platform/text/AsciiText.h"

namespace yeroup::app {

std::string MirrorHostFault(std::string_view host) {
    if (std::any_of(host.begin(), host.end(), [](char c) { return platform::IsBlank(c) || c == 0x7f; }))
        return "it holds a blank or a control character";
    const std::size_t scheme = host.find("://");
    std::string_view rest = host;
    if (scheme != std::string_view::npos) {
        const std::string_view name = host.substr(0, scheme);
        if (!platform::SameText(name, "http") && !platform::SameText(name, "https"))
            return "only http and https hosts can be mirrors";
        rest = host.substr(scheme + 3);
    }
    while (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
    if (rest.empty() || rest.front() == ':') return "it names no host";
    if (rest.find('@') != std::string_view::npos) return "a mirror carries no user name or password";
    if (!UpdateHostPath(std::string(host)).empty() || rest.find_first_of("/?#\\") != std::string_view::npos)
        return "a mirror is a host, without a path";
    return {};
}

std::string MirrorListText(const std::vector<std::string>& hosts) {
    std::string text;
    for (const std::string& host : hosts) text += host + "\n";
    return text;
}

std::vector<std::string> ReadMirrorList(std::string_view text) {
    if (static_cast<std::int64_t>(text.size()) > limits::kMaxMirrorListBytes)
        throw EMirrorListError("the mirror list is too long");
    std::vector<std::string> hosts;
    for (int number = 1; !text.empty(); ++number) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        const std::string fault = MirrorHostFault(line);
        if (!fault.empty()) throw EMirrorListError("line " + std::to_string(number) + " of the mirror list: " + fault);
        if (hosts.size() == limits::kMaxMirrors) throw EMirrorListError("the mirror list names too many hosts");
        hosts.emplace_back(line);
    }
    return hosts;
}

}  // namespace yeroup::app
