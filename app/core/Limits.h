#pragma once
// Limits the application puts on what it reads from the update host, each with the reason for its value.
#include <cstddef>

namespace yeroup::app::limits {

// How far into a page its charset declaration is looked for: the distance browsers look before they fall
// back to their default, so a page reads here as it would in a browser.
inline constexpr std::size_t kCharsetSniffBytes = 1024;

}  // namespace yeroup::app::limits
