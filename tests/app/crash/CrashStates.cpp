#include "tests/app/crash/CrashStates.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <unordered_set>

#include "tests/support/ScratchFolder.h"

namespace yeroup::test::crash {

namespace fs = std::filesystem;

TTree ReadTree(const fs::path& folder) {
    TTree tree;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat st {};
        ::lstat(entry.path().c_str(), &st);
        TNode node;
        node.mode = st.st_mode & 07777;
        node.inode = st.st_ino;
        if (S_ISDIR(st.st_mode)) {
            node.folder = true;
        } else if (S_ISLNK(st.st_mode)) {
            node.link = true;
            node.bytes = fs::read_symlink(entry.path()).string();
        } else {
            node.bytes = ReadFile(entry.path());
        }
        tree[fs::relative(entry.path(), folder).string()] = node;
    }
    return tree;
}

std::map<std::uint64_t, std::uint64_t> Materialise(const TTree& tree, const fs::path& folder) {
    fs::create_directories(folder);
    for (const auto& entry : fs::directory_iterator(folder)) fs::remove_all(entry.path());
    std::map<std::uint64_t, std::uint64_t> numbers;
    std::map<std::uint64_t, fs::path> made;
    for (const auto& [name, node] : tree) {
        const fs::path path = folder / name;
        if (const auto other = made.find(node.inode); other != made.end() && node.inode != 0 && !node.folder) {
            fs::create_hard_link(other->second, path);
            continue;
        }
        if (node.folder)
            fs::create_directories(path);
        else if (node.link)
            fs::create_symlink(node.bytes, path);
        else
            WriteFile(path, node.bytes);
        if (!node.link) fs::permissions(path, static_cast<fs::perms>(node.mode));
        struct stat st {};
        ::lstat(path.c_str(), &st);
        made[node.inode] = path;
        numbers[node.inode] = st.st_ino;
    }
    return numbers;
}

namespace {

struct TInode {
    TNode node;                     // as it was before the run, or as made
    std::vector<std::size_t> data;  // its writes and truncations, by operation
};

enum class TBarrier { None, Folders, File, Everything };

// The run taken apart: which inode every operation touched, and what each flush forces.
struct TRun {
    std::map<std::string, std::size_t> names;  // before the run
    std::vector<TInode> inodes;
    std::vector<std::size_t> metadata;  // operations that change folders or modes, in order
    std::vector<std::size_t> inodeOf;   // per operation: the inode it made, changed or flushed
    std::vector<TBarrier> barrier;      // per operation
};

bool IsMetadata(TOpKind kind) {
    return kind != TOpKind::Write && kind != TOpKind::Truncate && kind != TOpKind::Fsync && kind != TOpKind::SyncFs;
}

constexpr std::size_t kNoInode = static_cast<std::size_t>(-1);

// Renames a name and, for a folder, every name below it.
void Move(std::map<std::string, std::size_t>& names, const std::string& from, const std::string& to) {
    const auto it = names.find(from);
    if (it == names.end()) return;
    std::vector<std::pair<std::string, std::size_t>> moved{{to, it->second}};
    const std::string below = from + "/";
    for (auto child = names.lower_bound(below); child != names.end() && child->first.rfind(below, 0) == 0; ++child)
        moved.emplace_back(to + "/" + child->first.substr(below.size()), child->second);
    const std::string targetBelow = to + "/";
    std::erase_if(names, [&](const auto& name) {
        return name.first == from || name.first.rfind(below, 0) == 0 || name.first == to ||
               name.first.rfind(targetBelow, 0) == 0;
    });
    names.insert(moved.begin(), moved.end());
}

void Forget(std::map<std::string, std::size_t>& names, const std::string& path) {
    const std::string below = path + "/";
    std::erase_if(names, [&](const auto& name) { return name.first == path || name.first.rfind(below, 0) == 0; });
}

std::size_t Lookup(const std::map<std::string, std::size_t>& names, const std::string& path) {
    const auto it = names.find(path);
    return it == names.end() ? kNoInode : it->second;
}

// Applies one change of folders or modes to the names (and, for chmod, the modes).
void ApplyMetadata(const TOp& op, std::size_t inode, std::map<std::string, std::size_t>& names,
                   std::vector<unsigned>& modes) {
    switch (op.kind) {
    case TOpKind::Create:
    case TOpKind::Mkdir:
    case TOpKind::Symlink:
    case TOpKind::Link:
        if (inode != kNoInode) names[op.path] = inode;
        break;
    case TOpKind::Rename: Move(names, op.path, op.other); break;
    case TOpKind::Unlink:
    case TOpKind::Rmdir: Forget(names, op.path); break;
    case TOpKind::Chmod:
        if (inode != kNoInode) modes[inode] = static_cast<unsigned>(op.size);
        break;
    default: break;
    }
}

TRun TakeApart(const TTree& initial, const std::vector<TOp>& ops) {
    TRun run;
    for (const auto& [name, node] : initial) {
        run.names[name] = run.inodes.size();
        run.inodes.push_back({node, {}});
    }
    std::map<std::string, std::size_t> names = run.names;
    std::vector<unsigned> modes;
    for (std::size_t i = 0; i < ops.size(); ++i) {
        const TOp& op = ops[i];
        std::size_t inode = Lookup(names, op.path);
        TBarrier barrier = TBarrier::None;
        if (op.kind == TOpKind::Create || op.kind == TOpKind::Mkdir || op.kind == TOpKind::Symlink) {
            TNode node;
            node.folder = op.kind == TOpKind::Mkdir;
            node.link = op.kind == TOpKind::Symlink;
            node.bytes = node.link ? op.other : "";
            node.mode = node.link ? 0777 : static_cast<unsigned>(op.size);
            node.inode = static_cast<std::uint64_t>(op.offset);
            inode = run.inodes.size();
            run.inodes.push_back({node, {}});
        } else if (op.kind == TOpKind::Link) {
            inode = Lookup(names, op.other);
        } else if ((op.kind == TOpKind::Write || op.kind == TOpKind::Truncate) && inode != kNoInode) {
            run.inodes[inode].data.push_back(i);
        } else if (op.kind == TOpKind::Fsync && inode != kNoInode) {
            barrier = run.inodes[inode].node.folder ? TBarrier::Folders : TBarrier::File;
        } else if (op.kind == TOpKind::SyncFs) {
            barrier = TBarrier::Everything;
        }
        if (IsMetadata(op.kind)) run.metadata.push_back(i);
        modes.resize(run.inodes.size());
        ApplyMetadata(op, inode, names, modes);
        run.inodeOf.push_back(inode);
        run.barrier.push_back(barrier);
    }
    return run;
}

// What the model leaves open at a cut: how many changes of folders may be lost, and for each file with unflushed
// data, which of its writes.
struct TOpenAtCut {
    std::size_t metadataDone = 0, metadataForced = 0;
    struct TFile {
        std::size_t inode, forced, done;  // counts of its data operations
    };
    std::vector<TFile> files;
};

TOpenAtCut OpenAt(const TRun& run, std::size_t cut) {
    TOpenAtCut open;
    std::vector<std::size_t> forcedUpTo(run.inodes.size(), 0);  // operations before the last flush of each inode
    std::size_t everything = 0;
    for (std::size_t i = 0; i < cut; ++i) {
        if (run.barrier[i] == TBarrier::Everything || run.barrier[i] == TBarrier::Folders)
            open.metadataForced = static_cast<std::size_t>(
                std::lower_bound(run.metadata.begin(), run.metadata.end(), i) - run.metadata.begin());
        if (run.barrier[i] == TBarrier::Everything) everything = i;
        if (run.barrier[i] == TBarrier::File) forcedUpTo[run.inodeOf[i]] = i;
    }
    open.metadataDone = static_cast<std::size_t>(std::lower_bound(run.metadata.begin(), run.metadata.end(), cut) -
                                                 run.metadata.begin());
    for (std::size_t inode = 0; inode < run.inodes.size(); ++inode) {
        const auto& data = run.inodes[inode].data;
        const auto before = [&](std::size_t op) {
            return static_cast<std::size_t>(std::lower_bound(data.begin(), data.end(), op) - data.begin());
        };
        const std::size_t done = before(cut), forced = before(std::max(forcedUpTo[inode], everything));
        if (done > forced) open.files.push_back({inode, forced, done});
    }
    return open;
}

void ApplyData(const TOp& op, std::string& bytes, bool partly) {
    if (op.kind == TOpKind::Truncate) {
        bytes.resize(static_cast<std::size_t>(op.size));
        return;
    }
    std::size_t size = op.data.size();
    // A write cut short keeps whole pages of a large one, half of a small one.
    if (partly) size = size > 8192 ? (size / 2) & ~std::size_t{4095} : size / 2;
    const auto at = static_cast<std::size_t>(op.offset);
    if (bytes.size() < at + size) bytes.resize(at + size);
    std::copy_n(op.data.begin(), size, bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

// choice[0]: changes of folders kept beyond the forced ones; choice[1 + f]: for open file f, 2 * writes kept
// whole, plus one when the next is kept partly.
TCrashState Build(const TRun& run, const std::vector<TOp>& ops, std::size_t cut, const TOpenAtCut& open,
                  const std::vector<std::size_t>& choice) {
    std::map<std::string, std::size_t> names = run.names;
    std::vector<unsigned> modes;
    for (const TInode& inode : run.inodes) modes.push_back(inode.node.mode);
    const std::size_t keptMetadata = open.metadataForced + choice[0];
    for (std::size_t m = 0; m < keptMetadata; ++m) {
        const std::size_t op = run.metadata[m];
        ApplyMetadata(ops[op], run.inodeOf[op], names, modes);
    }
    std::vector<std::size_t> dataKept(run.inodes.size(), 0);
    std::vector<bool> partly(run.inodes.size(), false);
    std::string how = "cut after " + std::to_string(cut) + " operations, " + std::to_string(keptMetadata) + " of " +
                      std::to_string(open.metadataDone) + " folder changes kept";
    for (std::size_t inode = 0; inode < run.inodes.size(); ++inode)
        dataKept[inode] = static_cast<std::size_t>(
            std::lower_bound(run.inodes[inode].data.begin(), run.inodes[inode].data.end(), cut) -
            run.inodes[inode].data.begin());
    for (std::size_t f = 0; f < open.files.size(); ++f) {
        const auto& file = open.files[f];
        dataKept[file.inode] = file.forced + choice[1 + f] / 2;
        partly[file.inode] = choice[1 + f] % 2 == 1;
        how += "; " + std::to_string(dataKept[file.inode] - file.forced) + (partly[file.inode] ? "+half" : "") +
               " of " + std::to_string(file.done - file.forced) + " unflushed writes to what was " +
               ops[run.inodes[file.inode].data[file.forced]].path;
    }
    TCrashState state{cut, how, {}};
    for (const auto& [name, inode] : names) {
        TNode node = run.inodes[inode].node;
        node.mode = modes[inode];
        const auto& data = run.inodes[inode].data;
        for (std::size_t d = 0; d < dataKept[inode]; ++d) ApplyData(ops[data[d]], node.bytes, false);
        if (partly[inode] && dataKept[inode] < data.size()) ApplyData(ops[data[dataKept[inode]]], node.bytes, true);
        state.tree[name] = std::move(node);
    }
    return state;
}

// Names, contents, modes, and which names are one file (by the order files are first met, the same every run).
std::size_t Digest(const TTree& tree) {
    std::size_t digest = 0;
    std::map<std::uint64_t, std::size_t> files;
    const auto mix = [&](std::size_t value) {
        digest ^= value + 0x9e3779b97f4a7c15ULL + (digest << 6) + (digest >> 2);
    };
    for (const auto& [name, node] : tree) {
        mix(std::hash<std::string>{}(name));
        mix(std::hash<std::string>{}(node.bytes));
        mix(node.mode * 4u + (node.folder ? 2u : 0u) + (node.link ? 1u : 0u));
        mix(files.emplace(node.inode, files.size()).first->second);
    }
    return digest;
}

}  // namespace

TExploration ExploreCrashStates(const TTree& initial, const std::vector<TOp>& ops, std::size_t maxPerCut,
                                std::size_t cutStride, const std::function<bool(const TCrashState&)>& visit) {
    const TRun run = TakeApart(initial, ops);
    TExploration exploration;
    std::unordered_set<std::size_t> seen;
    for (std::size_t cut = 0; cut <= ops.size(); ++cut) {
        if (cut % cutStride != 0 && cut != ops.size()) continue;
        ++exploration.cuts;
        const TOpenAtCut open = OpenAt(run, cut);
        std::vector<std::size_t> radix{open.metadataDone - open.metadataForced + 1};
        double combinations = static_cast<double>(radix[0]);
        for (const auto& file : open.files) {
            radix.push_back(2 * (file.done - file.forced) + 1);
            combinations *= static_cast<double>(radix.back());
        }
        const bool all = combinations <= static_cast<double>(maxPerCut);
        if (!all) ++exploration.sampledCuts;
        const std::size_t count = all ? static_cast<std::size_t>(combinations) : maxPerCut;
        std::mt19937_64 random(cut);
        std::vector<std::size_t> choice(radix.size());
        for (std::size_t n = 0; n < count; ++n) {
            std::size_t rest = n;
            for (std::size_t r = 0; r < radix.size(); ++r) {
                // The first draw keeps everything, the second loses all that may be lost; then any at random.
                if (all)
                    choice[r] = rest % radix[r], rest /= radix[r];
                else
                    choice[r] = n == 0 ? radix[r] - 1 : n == 1 ? 0 : random() % radix[r];
            }
            ++exploration.combinations;
            TCrashState state = Build(run, ops, cut, open, choice);
            if (!seen.insert(Digest(state.tree)).second) continue;
            ++exploration.states;
            if (!visit(state)) return exploration;
        }
    }
    return exploration;
}

std::vector<TOp> ReadOpLog(const std::string& logFile, const std::string& root) {
    const std::string bytes = ReadFile(logFile);
    const std::string base = fs::canonical(root).string() + "/";
    const auto relative = [&](const std::string& path) {
        if (path + "/" == base) return std::string();
        return path.rfind(base, 0) == 0 ? path.substr(base.size()) : "/" + path;  // outside: a name of its own
    };
    std::vector<TOp> ops;
    for (std::size_t at = 0; at < bytes.size();) {
        TOpHeader header{};
        if (bytes.size() - at < sizeof header) throw std::runtime_error("torn operation log");
        std::copy_n(bytes.data() + at, sizeof header, reinterpret_cast<char*>(&header));
        at += sizeof header;
        const std::size_t data = header.kind == TOpKind::Write ? static_cast<std::size_t>(header.size) : 0;
        if (bytes.size() - at < header.pathSize + header.otherSize + data)
            throw std::runtime_error("torn operation log");
        TOp op{header.kind, relative(bytes.substr(at, header.pathSize)), "", header.offset, header.size, ""};
        at += header.pathSize;
        if (header.otherSize) op.other = bytes.substr(at, header.otherSize);
        if (header.kind == TOpKind::Rename || header.kind == TOpKind::Link) op.other = relative(op.other);
        at += header.otherSize;
        op.data = bytes.substr(at, data);
        at += data;
        ops.push_back(std::move(op));
    }
    return ops;
}

const char* OpName(TOpKind kind) {
    static const char* const names[] = {"create", "truncate", "write", "fsync", "syncfs",  "rename",
                                        "unlink", "mkdir",    "rmdir", "link",  "symlink", "chmod"};
    return names[static_cast<std::size_t>(kind)];
}

}  // namespace yeroup::test::crash
