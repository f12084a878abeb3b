#pragma once
// Reading a registry file line by line within the limits of Limits.h; both forms of the registry stand-in
// (our INI form and Wine's hive form) read their files through it.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace yeroup::platform {

class ERegistryException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TRegistryLines {
public:
    // A missing or unreadable file has no lines. With joinContinuations, a line ending in "\" goes on in the
    // next one, whose leading blanks are dropped (Wine wraps long values so).
    TRegistryLines(const std::filesystem::path& file, bool joinContinuations);

    // The next line without its line end ("\n" or "\r\n"); false at the end of the file. A line longer than
    // kMaxHiveLineBytes comes back cut to that length with overlong set. Raises ERegistryException when the file
    // holds more than kMaxHiveBytes.
    bool Next(std::string& line, bool& overlong);

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };

    bool NextPhysical(std::string& line, bool& overlong, char& lastByte);
    bool Fill();

    std::filesystem::path file_;
    std::unique_ptr<std::FILE, FileCloser> in_;
    bool join_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    std::uintmax_t read_ = 0;
};

}  // namespace yeroup::platform
