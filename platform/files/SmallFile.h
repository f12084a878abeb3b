#pragma once
// A small file of the program's own (a journal, a record, a history) read whole, with a bound on its size, so that a
// wrong or damaged file is never read into memory past what the program could have written.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace yeroup::platform {

// Why such a file could not be read: the system's text, or that it is larger than the bound.
class EFileReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The whole file, or nothing when there is none; raises EFileReadError for one that cannot be read or holds more
// than limit bytes.
std::optional<std::string> ReadSmallFile(const std::filesystem::path& file, std::uint64_t limit);

}  // namespace yeroup::platform
