#pragma once
// Initialization-file object on a full path, with the semantics of the Windows profile services: every call
// sees the file as it is on disk (or rewrites it); names are 8-bit ANSI text compared without regard to ASCII case;
// section and key lists come in file order through a buffer of 16,384 bytes, and names that do not fit
// whole in it are not seen; a missing file reads as empty. The file is read and indexed once per change (its
// identity, size and modification time), and the index takes a few bytes per section or key line, so memory stays
// a small multiple of the file's size whatever it holds.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace yeroup::platform {

class EIniFileException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TIniFile {
public:
    static constexpr std::size_t kListBufferSize = 16384;
    static constexpr std::size_t kValueBufferSize = 2048;

    explicit TIniFile(std::filesystem::path fileName);
    ~TIniFile();

    const std::filesystem::path& FileName() const { return fileName_; }

    // Both clear the list first.
    void ReadSections(std::vector<std::string>& sections) const;
    void ReadSection(const std::string& section, std::vector<std::string>& keys) const;

    // The value text, at most 2,047 bytes; the default when the key is missing.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    // Decimal, or hexadecimal after "0x"/"0X" when the text is longer than two characters; else the default.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;

    // Creates the file and the section when needed; raises EIniFileException "Unable to write to <file>".
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    // Several keys of a section in one write of the file, so a cut leaves all of them changed or none.
    void WriteStrings(const std::string& section, const std::vector<std::pair<std::string, std::string>>& entries);

    struct TIndex;

private:
    // The file's index, read again only when the file changed.
    const TIndex& Index() const;

    std::filesystem::path fileName_;
    mutable std::shared_ptr<const TIndex> index_;  // a cache: reads stay const
};

// Reads a 32-bit integer as the profile services' callers do; false when the text is not one.
bool ParseProfileInteger(const std::string& text, int& value);

}  // namespace yeroup::platform
