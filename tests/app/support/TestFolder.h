#pragma once
// A scratch folder for one test, removed with everything in it, and small file helpers.
#include <filesystem>
#include <string>

namespace yeroup::app::test {

class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    // The folder as the program names folders: ending in "/".
    std::string Slash() const { return path_.string() + "/"; }

private:
    std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& file, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& file);

}  // namespace yeroup::app::test
