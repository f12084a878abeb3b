#include "platform/process/ProcessIdentity.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace yeroup::platform {

namespace {

// Fields of /proc/<pid>/stat after the command name (which may hold blanks and parentheses): the state is the
// first, the start time the twentieth (the 22nd of the whole line).
constexpr std::size_t kStateField = 0;
constexpr std::size_t kStartTimeField = 19;

template <typename Number>
bool ReadNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::optional<TProcessIdentity> IdentityOf(std::int64_t pid, const std::filesystem::path& proc) {
    if (pid <= 0) return std::nullopt;
    std::ifstream in(proc / std::to_string(pid) / "stat");
    const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t nameEnd = line.rfind(')');
    if (nameEnd == std::string::npos) return std::nullopt;
    std::istringstream rest(line.substr(nameEnd + 1));
    const std::vector<std::string> fields((std::istream_iterator<std::string>(rest)),
                                          std::istream_iterator<std::string>());
    TProcessIdentity identity{pid, 0};
    if (fields.size() <= kStartTimeField || !ReadNumber(fields[kStartTimeField], identity.startTicks))
        return std::nullopt;
    if (fields[kStateField] == "Z" || fields[kStateField] == "X") return std::nullopt;
    return identity;
}

bool StillRuns(const TProcessIdentity& process, const std::filesystem::path& proc) {
    return IdentityOf(process.pid, proc) == process;
}

std::string IdentityText(const TProcessIdentity& process) {
    return std::to_string(process.pid) + " " + std::to_string(process.startTicks);
}

std::optional<TProcessIdentity> ParseIdentity(std::string_view text) {
    const std::size_t blank = text.find(' ');
    TProcessIdentity identity;
    if (blank == std::string_view::npos || !ReadNumber(text.substr(0, blank), identity.pid) || identity.pid <= 0 ||
        !ReadNumber(text.substr(blank + 1), identity.startTicks))
        return std::nullopt;
    return identity;
}

}  // namespace yeroup::platform
