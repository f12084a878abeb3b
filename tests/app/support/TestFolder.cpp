#include "tests/app/support/TestFolder.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>

namespace yeroup::app::test {

TestFolder::TestFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "yeroup-app-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
}

TestFolder::~TestFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::filesystem::path& file, const std::string& bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace yeroup::app::test
