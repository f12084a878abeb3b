#include "platform/registry/RegistryLines.h"

#include <cstring>

#include "platform/registry/Limits.h"

namespace yeroup::platform {

namespace {

constexpr std::size_t kChunk = 64 * 1024;

ERegistryException TooLarge(const std::filesystem::path& file) {
    return ERegistryException("The registry file " + file.string() + " is larger than " +
                              std::to_string(kMaxHiveBytes >> 20) + " MiB");
}

// Appends bytes to line up to the line limit; whatever goes past it marks the line overlong.
void AppendBounded(std::string& line, const char* bytes, std::size_t count, bool& overlong) {
    const std::size_t room = kMaxHiveLineBytes - std::min(line.size(), kMaxHiveLineBytes);
    if (count > room) overlong = true;
    line.append(bytes, std::min(count, room));
}

}  // namespace

TRegistryLines::TRegistryLines(const std::filesystem::path& file, bool joinContinuations)
    : file_(file), join_(joinContinuations) {
    std::error_code error;
    if (std::filesystem::is_regular_file(file, error) && std::filesystem::file_size(file, error) > kMaxHiveBytes &&
        !error)
        throw TooLarge(file);
    in_.reset(std::fopen(file.c_str(), "rb"));
    buffer_.resize(kChunk);
}

bool TRegistryLines::Fill() {
    if (!in_) return false;
    begin_ = 0;
    end_ = std::fread(buffer_.data(), 1, buffer_.size(), in_.get());
    read_ += end_;
    // A file that grows while read, or one that is no regular file, is held to the same limit.
    if (read_ > kMaxHiveBytes) throw TooLarge(file_);
    return end_ > 0;
}

bool TRegistryLines::NextPhysical(std::string& line, bool& overlong, char& lastByte) {
    bool any = false;
    bool pendingReturn = false;  // a "\r" at the end of a chunk: part of the line unless "\n" follows
    lastByte = '\0';
    for (;;) {
        if (begin_ == end_ && !Fill()) break;
        any = true;
        const char* start = buffer_.data() + begin_;
        const auto* newline = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
        std::size_t count = newline ? static_cast<std::size_t>(newline - start) : end_ - begin_;
        begin_ += newline ? count + 1 : count;
        if (pendingReturn && count > 0) {
            AppendBounded(line, "\r", 1, overlong);
            lastByte = '\r';
        }
        pendingReturn = count > 0 && start[count - 1] == '\r';
        if (pendingReturn) --count;
        if (count > 0) {
            AppendBounded(line, start, count, overlong);
            lastByte = start[count - 1];
        }
        if (newline) break;
    }
    return any;
}

bool TRegistryLines::Next(std::string& line, bool& overlong) {
    line.clear();
    overlong = false;
    char last = '\0';
    if (!NextPhysical(line, overlong, last)) return false;
    while (join_ && last == '\\') {
        if (!overlong) line.pop_back();
        std::string next;
        bool nextOverlong = false;
        if (!NextPhysical(next, nextOverlong, last)) break;
        const std::size_t blanks = next.find_first_not_of(" \t");
        if (blanks != std::string::npos) AppendBounded(line, next.data() + blanks, next.size() - blanks, overlong);
        overlong = overlong || nextOverlong;
    }
    return true;
}

}  // namespace yeroup::platform
