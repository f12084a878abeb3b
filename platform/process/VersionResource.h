#pragma once
// The fixed file version record of an executable's version resource: four 16-bit numbers in two 32-bit halves.
// Linux executables carry none, so the build embeds the record (see the application's generated version header).
#include <cstdint>

namespace yeroup::platform {

struct TFixedFileInfo {
    std::uint32_t dwFileVersionMS = 0;  // first number in the high 16 bits, second in the low
    std::uint32_t dwFileVersionLS = 0;  // third number in the high 16 bits, fourth in the low

    static constexpr TFixedFileInfo FromNumbers(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d) {
        return {static_cast<std::uint32_t>(a) << 16 | b, static_cast<std::uint32_t>(c) << 16 | d};
    }
};

}  // namespace yeroup::platform
