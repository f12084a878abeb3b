#pragma once
// A scratch folder for one test, removed with everything in it, and small whole-file helpers.
#include <filesystem>
#include <string>

namespace yeroup::test {

class ScratchFolder {
public:
    // Creates a fresh folder below the system's temporary folder; throws when it cannot.
    ScratchFolder();
    // Removes the folder and everything below it, read-only entries included.
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // The folder as the program names folders: ending in "/".
    std::string Slash() const { return path_.string() + "/"; }
    // The full name of an entry, as the string the code under test takes.
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Writes bytes as the whole file, creating its folders; throws when it cannot.
void WriteFile(const std::filesystem::path& file, const std::string& bytes);
// The whole file; throws when it cannot be read.
std::string ReadFile(const std::filesystem::path& file);

}  // namespace yeroup::test
