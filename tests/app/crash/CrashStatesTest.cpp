// Every state a power cut may leave of the program's file work (see CrashStates.h for the model), each followed
// by the program's start-up: the player's files, the catalogue copy and user.ini are the old ones or the new ones,
// and a recovery cut short and run again ends where it would have.
// The quick tier explores a sample; YEROUP_CRASH_STATES=all (tools/run-tests.sh --full) explores every cut.
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>

#include "app/core/Texts.h"
#include "app/download/PartialDownload.h"
#include "app/download/ResumeRecord.h"
#include "app/upgrade/StartupRecovery.h"
#include "app/upgrade/UpgradeJournal.h"
#include "platform/files/AtomicWrite.h"
#include "platform/profile/IniFile.h"
#include "tests/app/crash/CrashLayout.h"
#include "tests/app/crash/CrashStates.h"
#include "tests/app/upgrade/UpgradeSnapshot.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/ScratchFolder.h"

namespace yeroup::test::crash {
namespace {

namespace fs = std::filesystem;
using app::upgrade::TRecovery;
using app::upgrade::TRecoveryOutcome;

// Bounds of a run: at most this many states drawn at one cut when the model allows more (all of them when fewer),
// every this many cuts in the quick tier, and the crashed upgrades whose recovery is itself cut.
struct TTier {
    std::size_t statesPerCut, cutStride, recoveriesCut;
};
constexpr TTier kQuickTier{8, 3, 2};
constexpr TTier kFullTier{1024, 1, 12};

const TTier& Tier() {
    const char* states = std::getenv("YEROUP_CRASH_STATES");
    return states && std::string(states) == "all" ? kFullTier : kQuickTier;
}

// The part of a tree below a folder, named relative to it.
TTree Below(const TTree& tree, const std::string& folder) {
    TTree part;
    const std::string prefix = folder + "/";
    for (const auto& [name, node] : tree)
        if (name.rfind(prefix, 0) == 0) part[name.substr(prefix.size())] = node;
    return part;
}

TTree WithoutStaging(TTree tree) {
    std::erase_if(tree, [](const auto& entry) { return entry.first.rfind(".yeroup-staging", 0) == 0; });
    return tree;
}

// The entries of a mix that are in neither set as they are.
std::string MixOf(const TTree& now, const TTree& oldSet, const TTree& newSet) {
    std::string names;
    for (const auto& [name, node] : now) {
        const auto inOld = oldSet.find(name), inNew = newSet.find(name);
        const bool old = inOld != oldSet.end() && inOld->second == node,
                   fresh = inNew != newSet.end() && inNew->second == node;
        names += old ? "" : fresh ? " new:" + name : " neither:" + name;
    }
    for (const auto& [name, node] : oldSet)
        if (!now.contains(name)) names += " missing:" + name;
    return names;
}

class CrashStates : public ::testing::Test {
protected:
    void SetUp() override {
#if defined(__SANITIZE_ADDRESS__)
        // The recorder would have to come before the sanitizer's run-time, which refuses that; the file work is
        // the same in the optimised build, where every state is explored.
        GTEST_SKIP() << "the recorder cannot be preloaded into a sanitizer build";
#endif
    }

    // Runs the scenario in a child with the recorder loaded; the operations it made, and the tree it left.
    std::vector<TOp> Record(const std::string& scenario, TTree* after = nullptr) {
        const fs::path log = scratch_.Path() / "ops.log";
        fs::remove(log);
        const std::string command = "LD_PRELOAD='" + std::string(YEROUP_FILE_OP_RECORDER) + "' YEROUP_RECORD_ROOT='" +
                                    layout_.root.string() + "' YEROUP_RECORD_LOG='" + log.string() + "' '" +
                                    YEROUP_CRASH_CHILD + "' " + scenario + " '" + layout_.root.string() +
                                    "' >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << scenario;
        if (after) *after = ReadTree(layout_.root);
        return fs::exists(log) ? ReadOpLog(log.string(), layout_.root.string()) : std::vector<TOp>{};
    }

    // Explores the states of the recorded run from initial; check returns what is wrong with a state after the
    // start-up ran on it, empty when nothing is.
    void Explore(const std::string& scenario, const TTree& initial, const std::vector<TOp>& ops,
                 const std::function<std::string(const TCrashState&)>& check) {
        ASSERT_FALSE(ops.empty()) << scenario << ": nothing recorded";
        // YEROUP_CRASH_OPS=1 lists the operations, to follow a state's "cut after N operations".
        if (std::getenv("YEROUP_CRASH_OPS"))
            for (std::size_t i = 0; i < ops.size(); ++i)
                std::cout << i + 1 << " " << OpName(ops[i].kind) << " " << ops[i].path << " " << ops[i].other << " "
                          << ops[i].offset << " " << ops[i].size << "\n";
        std::size_t vulnerabilities = 0;
        const TExploration seen =
            ExploreCrashStates(initial, ops, Tier().statesPerCut, Tier().cutStride, [&](const TCrashState& state) {
                Put(state.tree);
                const std::string wrong = check(state);
                if (!wrong.empty() && ++vulnerabilities <= 3)
                    ADD_FAILURE() << scenario << ": " << state.how << ": " << wrong;
                return true;
            });
        std::cout << "[ CRASH    ] " << scenario << ": " << ops.size() << " operations recorded, " << seen.cuts
                  << " cuts (" << seen.sampledCuts << " sampled), " << seen.combinations << " combinations, "
                  << seen.states << " distinct states, " << vulnerabilities << " vulnerabilities" << std::endl;
        RecordProperty(scenario + "_states", static_cast<int>(seen.states));
        total_ += seen.states;
        EXPECT_EQ(vulnerabilities, 0u) << scenario;
    }

    // Materialises a state. Its files are new, so the file numbers the upgrade's list of changes notes become those
    // the same files got now, as a disk keeps them; the journal then names the list as it is.
    void Put(const TTree& tree) {
        const auto numbers = Materialise(tree, layout_.root);
        const app::upgrade::TUpgradePaths paths(layout_.store);
        std::optional<app::upgrade::TUpgradeJournal> journal;
        try {
            journal = app::upgrade::ReadJournal(paths.journal);
        } catch (const app::upgrade::EUpgradeStateError&) {}
        for (const fs::path& folder : {paths.newBackup, paths.backup}) {
            const fs::path list = folder / app::upgrade::kManifestName;
            if (!fs::is_regular_file(list)) continue;
            const std::string bytes = ReadFile(list);
            std::vector<app::upgrade::TManifestLine> lines;
            try {
                lines = app::upgrade::ParseManifest(bytes);
            } catch (const app::upgrade::EUpgradeStateError&) {
                continue;  // a torn list stays torn
            }
            if (app::upgrade::ManifestBytes(lines) != bytes) continue;
            const std::uint32_t before = app::upgrade::WriteManifest(scratch_.Path() / "list", lines);
            for (auto& line : lines)
                if (const auto number = numbers.find(line.staged); number != numbers.end())
                    line.staged = number->second;
            const std::uint32_t after = app::upgrade::WriteManifest(list, lines);
            if (journal && journal->changesCrc == before) {
                journal->changesCrc = after;
                app::upgrade::WriteJournal(paths.journal, *journal);
            }
        }
    }

    // The start-up's file work, as the program's start does it.
    TRecovery StartUp() {
        const TRecovery recovery = app::upgrade::RecoverAtStartup(layout_.files, layout_.store, layout_.install);
        platform::SettleFilesReplacedTogether(layout_.catalogue, layout_.signature);
        return recovery;
    }

    // The package store's temporaries and journal that a settled start-up leaves none of.
    static std::string Leftovers(const TTree& tree) {
        for (const auto& [name, node] : tree)
            if (name.find(".~yeroup-") != std::string::npos) return "a temporary file is left: " + name;
        return {};
    }

    // States are made and flushed by the thousand: in memory, where a flush costs nothing, when there is such a place.
    static std::optional<std::string> MemoryFolder() {
        struct statfs fs {};
        if (::statfs("/dev/shm", &fs) == 0 && fs.f_type == TMPFS_MAGIC && ::access("/dev/shm", W_OK) == 0)
            return "/dev/shm";
        const char* tmp = std::getenv("TMPDIR");
        return tmp ? std::optional<std::string>(tmp) : std::nullopt;
    }

    const ScopedEnvironment inMemory_{"TMPDIR", MemoryFolder()};
    ScratchFolder scratch_;
    const TCrashLayout layout_{scratch_.Path() / "root"};
    std::size_t total_ = 0;
};

// The old player software with the backup of an earlier upgrade in the store; the upgrade replaces its files, adds
// others and a folder, and drops the earlier backup. Each state a cut leaves then goes through the start-up.
TEST_F(CrashStates, UpgradeAndItsRecovery) {
    fs::create_directories(layout_.store);
    MakeNewPackage(scratch_.Path(), layout_.package);
    MakeOldInstall(layout_.install);
    Record("upgrade");
    MakeOldInstall(layout_.install);
    const TTree initial = ReadTree(layout_.root);
    TTree after;
    const std::vector<TOp> ops = Record("upgrade", &after);
    const TTree oldSet = Below(initial, "player"), newSet = Below(after, "player");
    ASSERT_NE(oldSet, newSet);
    const app::upgrade::TUpgradePaths paths(layout_.store);
    std::vector<TTree> toRecover;  // states whose recovery has work to do, spread over the run
    std::size_t lastCut = 0;
    Explore("upgrade", initial, ops, [&](const TCrashState& state) -> std::string {
        const TRecovery recovery = StartUp();
        const TTree now = ReadTree(layout_.root), install = Below(now, "player");
        if (recovery.outcome == TRecoveryOutcome::LeftAsItIs) return "recovery refused: " + recovery.why;
        if (WithoutStaging(install) != oldSet && install != newSet)
            return "the player's files are a mix:" + MixOf(WithoutStaging(install), oldSet, newSet);
        if (fs::exists(paths.journal)) return "the journal is left";
        if (!fs::exists(layout_.package) || now.at(fs::relative(layout_.package, layout_.root).string()) !=
                                                initial.at(fs::relative(layout_.package, layout_.root).string()))
            return "the package changed";
        if (recovery.outcome != TRecoveryOutcome::Nothing &&
            state.cut >= lastCut + ops.size() / (Tier().recoveriesCut + 1)) {
            toRecover.push_back(state.tree);
            lastCut = state.cut;
        }
        return Leftovers(now);
    });

    // Recovery cut short in turn: after a second start the player's files are what one whole recovery makes.
    toRecover.resize(std::min(toRecover.size(), Tier().recoveriesCut));
    ASSERT_FALSE(toRecover.empty());
    for (std::size_t r = 0; r < toRecover.size(); ++r) {
        Put(toRecover[r]);
        const TTree crashed = ReadTree(layout_.root);
        TTree recovered;
        const std::vector<TOp> recoveryOps = Record("recover", &recovered);
        Explore("recovery " + std::to_string(r + 1), crashed, recoveryOps, [&](const TCrashState&) -> std::string {
            const TRecovery again = StartUp();
            if (again.outcome == TRecoveryOutcome::LeftAsItIs) return "recovery refused: " + again.why;
            if (WithoutStaging(Below(ReadTree(layout_.root), "player")) != WithoutStaging(Below(recovered, "player")))
                return "the second start ends elsewhere than one whole recovery";
            return fs::exists(paths.journal) ? "the journal is left" : "";
        });
    }
}

// The catalogue copy and its signature, saved as the splash window saves a verified catalogue.
TEST_F(CrashStates, CatalogueSaved) {
    WriteFile(layout_.catalogue, OldCatalogue());
    WriteFile(layout_.signature, OldSignature());
    fs::create_directories(layout_.store);
    const TTree initial = ReadTree(layout_.root);
    Explore("catalogue", initial, Record("catalogue"), [&](const TCrashState&) -> std::string {
        StartUp();
        const std::string catalogue = ReadFile(layout_.catalogue), signature = ReadFile(layout_.signature);
        const bool oldCopy = catalogue == OldCatalogue(), newCopy = catalogue == NewCatalogue();
        if (!oldCopy && !newCopy) return "the catalogue copy is torn (" + std::to_string(catalogue.size()) + " bytes)";
        if (signature != (oldCopy ? OldSignature() : NewSignature()))
            return std::string("the catalogue copy is ") + (oldCopy ? "old" : "new") + " and its signature is not";
        return Leftovers(ReadTree(layout_.root));
    });
}

// user.ini saved as the main window saves the selection.
TEST_F(CrashStates, SelectionSaved) {
    fs::create_directories(layout_.store);
    {
        platform::TIniFile selection(layout_.selection);
        selection.WriteInteger(app::texts::kSelectionSection, app::texts::kModelKey, kOldModel);
        selection.WriteInteger(app::texts::kSelectionSection, app::texts::kFirmwareKey, kOldFirmware);
    }
    const TTree initial = ReadTree(layout_.root);
    Explore("user.ini", initial, Record("selection"), [&](const TCrashState&) -> std::string {
        StartUp();
        const platform::TIniFile selection(layout_.selection);
        const int model = selection.ReadInteger(app::texts::kSelectionSection, app::texts::kModelKey, -1);
        const int firmware = selection.ReadInteger(app::texts::kSelectionSection, app::texts::kFirmwareKey, -1);
        if (!(model == kOldModel && firmware == kOldFirmware) && !(model == kNewModel && firmware == kNewFirmware))
            return "the selection read is model " + std::to_string(model) + ", firmware " + std::to_string(firmware);
        return Leftovers(ReadTree(layout_.root));
    });
}

// A package download its host cuts half-way, then resumed and renamed into the package; the start-up prunes the
// store as the main window does. The package is whole or absent, the record one that reads, the partial a prefix.
TEST_F(CrashStates, PackageDownloadedAndResumed) {
    fs::create_directories(layout_.store);
    const TTree initial = ReadTree(layout_.root);
    TTree after;
    const std::vector<TOp> ops = Record("download", &after);
    const std::string body = PackageBody(), package = layout_.download.string();
    ASSERT_EQ(after.at(fs::relative(layout_.download, layout_.root).string()).bytes, body);
    Explore("download", initial, ops, [&](const TCrashState&) -> std::string {
        StartUp();
        app::PrunePartialDownloads(layout_.store, {layout_.download.filename().string()}, std::time(nullptr));
        if (fs::exists(package) && ReadFile(package) != body) return "a partial was taken for the package";
        if (const fs::path record = app::ResumeRecordOf(package); fs::exists(record)) {
            const auto read = app::ParseResumeRecord(ReadFile(record));
            if (!read) return "the resume record is torn (" + std::to_string(fs::file_size(record)) + " bytes)";
            if (read->Length != static_cast<std::int64_t>(body.size())) return "the resume record is another's";
        }
        if (const fs::path partial = app::PartialFileOf(package); fs::exists(partial)) {
            const std::string bytes = ReadFile(partial);
            if (body.compare(0, bytes.size(), bytes) != 0) return "the partial is not the start of the package";
        }
        return Leftovers(ReadTree(layout_.root));
    });
}

}  // namespace
}  // namespace yeroup::test::crash
