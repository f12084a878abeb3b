#pragma once
// The states a power cut may leave of a recorded run, under the model of ext4 mounted with data=ordered that ALICE
// (OSDI 2014) gives, made no kinder than it:
// - the cut falls after any operation; nothing after it exists;
// - changes to folders (create, rename, unlink, mkdir, rmdir, link, chmod) reach the disk in the order they were
//   made (the file system's journal), so a cut keeps a prefix of them: every one up to the last flush of a folder
//   or of the whole file system, any number of those after it;
// - the data written to a file (write, truncate) and not yet flushed (fsync, fdatasync of the file, syncfs) may be
//   lost, kept, or the last write kept only partly; files are independent of one another, so any file may have
//   kept more than another, whatever the order of the writes between them. A kept rename of a file whose data was
//   not flushed shows the data as far as it got, down to an empty file.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/app/crash/FileOpLog.h"

namespace yeroup::test::crash {

struct TNode {
    bool folder = false;
    std::string bytes;  // a file's contents, a link's text
    bool link = false;
    unsigned mode = 0644;
    std::uint64_t inode = 0;  // its file number where it was recorded: names with the same one are hard links
    // The same contents, whatever the file number.
    bool operator==(const TNode& other) const {
        return folder == other.folder && bytes == other.bytes && link == other.link && mode == other.mode;
    }
};

// What a folder holds: paths relative to it, each folder's before what it holds.
using TTree = std::map<std::string, TNode>;

TTree ReadTree(const std::filesystem::path& folder);
// Makes folder hold exactly the tree, names of one file as hard links. The files are new, so they have new file
// numbers: returns each recorded number's new one.
std::map<std::uint64_t, std::uint64_t> Materialise(const TTree& tree, const std::filesystem::path& folder);

struct TCrashState {
    std::size_t cut;  // operations done before the cut
    std::string how;  // what the cut kept of the unflushed operations, for a message
    TTree tree;
};

// Every state a cut may leave of a run that started from initial and made the operations: for each cut, every
// combination the model allows, or maxPerCut of them drawn at random (the same each run) when there are more.
// cutStride > 1 takes every cutStride-th cut only (and always the last). visit sees each distinct state once and
// returns false to stop.
struct TExploration {
    std::size_t cuts = 0, combinations = 0, states = 0, sampledCuts = 0;
};
TExploration ExploreCrashStates(const TTree& initial, const std::vector<TOp>& ops, std::size_t maxPerCut,
                                std::size_t cutStride, const std::function<bool(const TCrashState&)>& visit);

}  // namespace yeroup::test::crash
