#pragma once
// A process as the system knows it across this program's runs: its number and the time it started (in clock ticks
// after boot, from /proc/<pid>/stat), so a later process given the same number is never taken for it.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace yeroup::platform {

struct TProcessIdentity {
    std::int64_t pid = 0;
    std::uint64_t startTicks = 0;
    bool operator==(const TProcessIdentity&) const = default;
};

// The process numbered pid now; none when there is none, or only its zombie (it ended).
std::optional<TProcessIdentity> IdentityOf(std::int64_t pid, const std::filesystem::path& proc = "/proc");
// Whether that very process still runs.
bool StillRuns(const TProcessIdentity& process, const std::filesystem::path& proc = "/proc");

// "pid startTicks", and back; none for any other text.
std::string IdentityText(const TProcessIdentity& process);
std::optional<TProcessIdentity> ParseIdentity(std::string_view text);

}  // namespace yeroup::platform
