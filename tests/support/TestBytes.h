#pragma once
// Bytes of every value for test bodies, the same on every run for one seed.
#include <cstddef>
#include <cstdint>
#include <string>

namespace yeroup::test {

inline std::string Binary(std::size_t size, std::uint32_t seed) {
    std::string bytes(size, '\0');
    for (auto& byte : bytes) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<char>(seed >> 24);
    }
    return bytes;
}

}  // namespace yeroup::test
