// Runs a fuzz target over saved inputs without libFuzzer, so the seed corpus and every saved crash input
// replay as ordinary tests in the gcc and sanitizer builds. Arguments are files or folders (all regular
// files below a folder, in name order); a folder that does not exist has no inputs yet. Each input's name
// is printed before it runs, so a crash or a sanitizer report names the file that caused it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> InputsBelow(const fs::path& argument) {
    std::vector<fs::path> inputs;
    if (fs::is_regular_file(argument)) {
        inputs.push_back(argument);
    } else if (fs::is_directory(argument)) {
        for (const auto& entry : fs::recursive_directory_iterator(argument))
            if (entry.is_regular_file()) inputs.push_back(entry.path());
        std::sort(inputs.begin(), inputs.end());
    }
    return inputs;
}

// The input goes into a heap block of exactly its size, as libFuzzer passes it, so a read past the end is
// caught by the address sanitizer.
int Replay(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return 1;
    }
    const auto block = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), block.get());
    try {
        LLVMFuzzerTestOneInput(block.get(), bytes.size());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "FAILED %s: uncaught exception: %s\n", file.c_str(), e.what());
        return 1;
    } catch (...) {
        std::fprintf(stderr, "FAILED %s: uncaught exception\n", file.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n", argv[0]);
        return 2;
    }
    int replayed = 0;
    int failed = 0;
    for (int i = 1; i < argc; ++i) {
        const std::vector<fs::path> inputs = InputsBelow(argv[i]);
        for (const fs::path& file : inputs) {
            std::fprintf(stderr, "replay %s\n", file.c_str());
            std::fflush(stderr);
            failed += Replay(file);
            ++replayed;
        }
        std::printf("%s: %zu inputs\n", argv[i], inputs.size());
    }
    if (replayed == 0) {
        std::fprintf(stderr, "no inputs found\n");
        return 1;
    }
    std::printf("%d replayed, %d failed\n", replayed, failed);
    return failed == 0 ? 0 : 1;
}
