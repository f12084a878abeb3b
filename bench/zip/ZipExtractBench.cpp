// Builds a ~200 MiB archive of mixed compressible and incompressible files with Info-ZIP, then
// extracts it with our engine and with "unzip -o -q", several rounds each, and prints the times.
// Usage: zip_extract_bench [scratch folder] [MiB]
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "zip/Archiver.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Text(std::size_t size, std::mt19937& rng) {
    static const char* words[] = {"firmware ", "player ", "update ", "sigma ",  "audio ",  "volume ",
                                  "track ",    "album ",  "radio\n", "record ", "0x1F3A ", "menu "};
    std::string out;
    out.reserve(size + 16);
    while (out.size() < size) out += words[rng() % 12];
    out.resize(size);
    return out;
}

std::string Noise(std::size_t size, std::mt19937& rng) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i + 4 <= size; i += 4) {
        const auto v = static_cast<std::uint32_t>(rng());
        std::copy_n(reinterpret_cast<const char*>(&v), 4, out.data() + i);
    }
    return out;
}

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double RunEngine(const fs::path& archive, const fs::path& out, bool flush) {
    fs::remove_all(out);
    const auto start = Clock::now();
    yeroup::zip::TZFZipArchiver archiver;
    archiver.Options.FlushBuffers = flush;
    archiver.FileName = archive.string();
    archiver.OpenArchive(yeroup::zip::kOpenReadDenyWrite);
    archiver.BaseDir = out.string();
    archiver.ExtractFiles("*.*", yeroup::zip::kSearchAllAttributes, "");
    archiver.CloseArchive();
    return Seconds(start);
}

double RunUnzip(const fs::path& archive, const fs::path& out) {
    fs::remove_all(out);
    fs::create_directories(out);
    const auto start = Clock::now();
    if (Shell("unzip -o -q '" + archive.string() + "' -d '" + out.string() + "'") != 0) std::exit(1);
    return Seconds(start);
}

bool SameTree(const fs::path& a, const fs::path& b) {
    return Shell("diff -r -q '" + a.string() + "' '" + b.string() + "' >/dev/null") == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path root = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "yeroup-zip-bench";
    const std::size_t mib = argc > 2 ? std::stoul(argv[2]) : 200;
    fs::remove_all(root);
    const fs::path src = root / "src";
    std::mt19937 rng(2026);
    std::size_t total = 0;
    for (int i = 0; total < mib << 20; ++i) {
        // Sizes from 1 KiB to 8 MiB; two of every three files compress well.
        const std::size_t size = std::size_t{1024} << (rng() % 14);
        const bool compressible = i % 3 != 2;
        WriteFile(
            src / ("dir" + std::to_string(i % 7)) / ("file" + std::to_string(i) + (compressible ? ".txt" : ".bin")),
            compressible ? Text(size, rng) : Noise(size, rng));
        total += size;
    }
    const fs::path archive = root / "bench.zip";
    std::printf("source: %.1f MiB; building the archive with zip...\n", static_cast<double>(total) / 1048576.0);
    if (Shell("cd '" + src.string() + "' && zip -q -r '" + archive.string() + "' .") != 0) return 1;
    std::printf("archive: %.1f MiB\n", static_cast<double>(fs::file_size(archive)) / 1048576.0);

    std::vector<double> engine, engineFlush, unzip;
    for (int round = 0; round < 3; ++round) {
        unzip.push_back(RunUnzip(archive, root / "out-unzip"));
        engine.push_back(RunEngine(archive, root / "out-engine", false));
        engineFlush.push_back(RunEngine(archive, root / "out-engine-flush", true));
    }
    const bool same = SameTree(src, root / "out-engine") && SameTree(src, root / "out-engine-flush");
    auto best = [](std::vector<double> v) { return *std::min_element(v.begin(), v.end()); };
    std::printf("unzip -o -q:                 %.3f s (best of 3)\n", best(unzip));
    std::printf("engine, no flush:            %.3f s (best of 3), ratio %.2f\n", best(engine),
                best(engine) / best(unzip));
    std::printf("engine, FlushBuffers (app):  %.3f s (best of 3), ratio %.2f\n", best(engineFlush),
                best(engineFlush) / best(unzip));
    std::printf("extracted trees equal the source: %s\n", same ? "yes" : "NO");
    fs::remove_all(root);
    return same ? 0 : 1;
}
