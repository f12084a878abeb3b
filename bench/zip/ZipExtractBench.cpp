// Extraction speed beside "unzip -o -q", measured in one run on archives made here with Info-ZIP:
//   1. a ~200 MiB archive of mixed compressible and incompressible files;
//   2. an archive of 70,000 small entries;
// each extracted by the upgrade's transaction with durability on (staged, flushed, moved into place, flushed),
// which is what the program does, and by the bare engine without flushing; then
//   3. judging a damaged 8 MiB file (local headers that promise data descriptors and never give one).
// Prints each time with its ratio to unzip. Usage: zip_extract_bench [scratch folder] [MiB] [entries]
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/upgrade/PackageUpgrade.h"
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

// Before each timed run: a file as large as the run's output is written and removed, so that the page cache the
// run fills comes from memory in use before, as on any machine that has run a while (in a fresh virtual machine
// the first touch of memory costs several times the copy into it, whichever contender meets it); then what
// earlier runs left dirty is written out, so that no contender's flush pays for another's data.
void Settle(const fs::path& scratch = {}, std::uint64_t outputBytes = 0) {
    if (outputBytes > 0) {
        const std::string block(1 << 20, 'w');
        {
            std::ofstream warm(scratch, std::ios::binary);
            for (std::uint64_t done = 0; done < outputBytes; done += block.size())
                warm.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
        fs::remove(scratch);
    }
    ::sync();
}

std::uint64_t TreeBytes(const fs::path& folder) {
    std::uint64_t total = 0;
    for (const auto& item : fs::recursive_directory_iterator(folder))
        if (item.is_regular_file()) total += item.file_size();
    return total;
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Best of `rounds` runs of each contender, taken in turns so that load on the machine hits them alike.
std::vector<double> BestOf(int rounds, const std::vector<std::function<double()>>& contenders) {
    std::vector<double> best(contenders.size(), 1e30);
    for (int round = 0; round < rounds; ++round)
        for (std::size_t i = 0; i < contenders.size(); ++i) best[i] = std::min(best[i], contenders[i]());
    return best;
}

// Every run writes into a folder of its own and nothing is removed until all runs are done: this file system
// creates files several times slower right after tens of thousands were removed, and that cost would land on
// whichever contender came next.
double RunUnzip(const fs::path& archive, const fs::path& out, std::uint64_t outputBytes) {
    fs::create_directories(out);
    Settle(out.parent_path() / "warm", outputBytes);
    const auto start = Clock::now();
    if (Shell("unzip -o -q '" + archive.string() + "' -d '" + out.string() + "'") != 0) std::exit(1);
    return Seconds(start);
}

double RunEngine(const fs::path& archive, const fs::path& out, std::uint64_t outputBytes) {
    Settle(out.parent_path() / "warm", outputBytes);
    const auto start = Clock::now();
    yeroup::zip::TZFZipArchiver archiver;
    archiver.Options.FlushBuffers = false;
    archiver.FileName = archive.string();
    archiver.OpenArchive(yeroup::zip::kOpenReadDenyWrite);
    archiver.BaseDir = out.string();
    archiver.ExtractFiles("*.*", yeroup::zip::kSearchAllAttributes, "");
    archiver.CloseArchive();
    return Seconds(start);
}

double RunUpgrade(const fs::path& archive, const fs::path& out, const fs::path& store, std::uint64_t outputBytes) {
    fs::create_directories(out);
    Settle(out.parent_path() / "warm", outputBytes);
    const auto start = Clock::now();
    yeroup::zip::TZFZipArchiver archiver;
    archiver.Name = "Archiver";
    yeroup::app::upgrade::TPackageUpgrade upgrade(store);
    const auto result = upgrade.Run(archiver, archive.string(), out.string());
    const double seconds = Seconds(start);
    if (result.outcome != yeroup::app::upgrade::TUpgradeOutcome::Done) std::exit(1);
    return seconds;
}

bool SameTree(const fs::path& a, const fs::path& b) {
    return Shell("diff -r -q '" + a.string() + "' '" + b.string() + "' >/dev/null") == 0;
}

bool Compare(const char* title, const fs::path& root, const fs::path& src, const fs::path& archive) {
    std::printf("\n%s: archive %.1f MiB\n", title, static_cast<double>(fs::file_size(archive)) / 1048576.0);
    int run = 0;
    fs::path upgraded, extracted;  // the last outputs, compared with the source
    const auto fresh = [&](const std::string& name) { return root / "runs" / (name + std::to_string(++run)); };
    const std::uint64_t bytes = TreeBytes(src);
    const std::vector<double> best = BestOf(3, {[&] { return RunUnzip(archive, fresh("unzip"), bytes); },
                                                [&] {
                                                    upgraded = fresh("upgrade");
                                                    return RunUpgrade(archive, upgraded, fresh("store"), bytes);
                                                },
                                                [&] {
                                                    extracted = fresh("engine");
                                                    return RunEngine(archive, extracted, bytes);
                                                }});
    const bool same = SameTree(src, upgraded) && SameTree(src, extracted);
    std::printf("  unzip -o -q:                              %7.3f s (best of 3)\n", best[0]);
    std::printf("  upgrade transaction, durable (the app):   %7.3f s, ratio %.2f\n", best[1], best[1] / best[0]);
    std::printf("  engine alone, no flush:                   %7.3f s, ratio %.2f\n", best[2], best[2] / best[0]);
    std::printf("  extracted trees equal the source: %s\n", same ? "yes" : "NO");
    fs::remove_all(root / "runs");
    return same;
}

bool MixedArchive(const fs::path& root, std::size_t mib) {
    const fs::path src = root / "mixed";
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
    const fs::path archive = root / "mixed.zip";
    if (Shell("cd '" + src.string() + "' && zip -q -r '" + archive.string() + "' .") != 0) return false;
    const bool same = Compare("mixed files", root, src, archive);
    fs::remove_all(src);
    return same;
}

bool ManySmallEntries(const fs::path& root, int count) {
    const fs::path src = root / "small";
    std::mt19937 rng(7);
    for (int i = 0; i < count; ++i)
        WriteFile(src / ("d" + std::to_string(i % 100)) / ("f" + std::to_string(i) + ".txt"),
                  Text(100 + rng() % 400, rng));
    const fs::path archive = root / "small.zip";
    if (Shell("cd '" + src.string() + "' && zip -q -r '" + archive.string() + "' .") != 0) return false;
    const bool same = Compare((std::to_string(count) + " small entries").c_str(), root, src, archive);
    fs::remove_all(src);
    return same;
}

// Local headers of 4 KiB entries that promise a data descriptor, with none anywhere: what a damaged download
// can look like. The archive must be judged damaged, quickly.
void DamagedFile(const fs::path& root) {
    std::string header("PK\x03\x04\x14\x00\x08\x00\x00\x00\x00\x60\x21\x5A", 14);
    header += std::string(12, '\0');
    header += std::string("\x01\x00\x00\x00", 4) + "f";
    std::string bytes;
    while (bytes.size() < (8u << 20)) bytes += header + std::string(4096, 'q');
    const fs::path file = root / "damaged.zip";
    WriteFile(file, bytes);
    auto judge = [&] {
        Settle();
        const auto start = Clock::now();
        yeroup::zip::TZFZipArchiver archiver;
        archiver.FileName = file.string();
        try {
            archiver.OpenArchive(yeroup::zip::kOpenReadDenyWrite);
            std::printf("damaged file opened\n");
            std::exit(1);
        } catch (const std::exception&) {}
        return Seconds(start);
    };
    const std::vector<double> best = BestOf(
        3, {[&] {
                Settle();
                const auto start = Clock::now();
                Shell("unzip -o -q '" + file.string() + "' -d '" + (root / "out").string() + "' >/dev/null 2>&1");
                return Seconds(start);
            },
            judge});
    std::printf("\ndamaged 8 MiB file judged:\n  unzip -o -q:  %7.3f s\n  engine open:  %7.3f s, ratio %.2f\n", best[0],
                best[1], best[1] / best[0]);
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path root = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "yeroup-zip-bench";
    const std::size_t mib = argc > 2 ? std::stoul(argv[2]) : 200;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    fs::remove_all(root);
    fs::create_directories(root);
    const bool mixed = MixedArchive(root, mib);
    const bool small = ManySmallEntries(root, argc > 3 ? std::stoi(argv[3]) : 70000);
    DamagedFile(root);
    fs::remove_all(root);
    return mixed && small ? 0 : 1;
}
