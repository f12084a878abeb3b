#include "platform/files/AtomicWrite.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "tests/support/ExpectThrow.h"
#include "tests/support/ScratchFolder.h"

using namespace yeroup::platform;
using yeroup::test::ReadFile;
using yeroup::test::ScratchFolder;
using yeroup::test::Thrown;
using yeroup::test::WriteFile;

TEST(AtomicWrite, ReplacesContentsAndLeavesNoTemporaryFile) {
    ScratchFolder dir;
    const auto file = dir.Path() / "page.htm";
    WriteFile(file, "old and longer contents");
    ReplaceFileAtomically(file, "new", 3);
    EXPECT_EQ(ReadFile(file), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    EXPECT_EQ(::access(file.c_str(), R_OK | W_OK), 0);
}

TEST(AtomicWrite, FullDiskNamesTheTargetAndKeepsTheOldFile) {
    ScratchFolder dir;
    const auto file = dir.Path() / "pkg.zip";
    WriteFile(file, "good package");
    // A file size limit makes the write fail as a full disk would.
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const auto e = Thrown<EFileCreateError>([&] { ReplaceFileAtomically(file, std::string(1000, 'x').data(), 1000); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    if (e) {
        EXPECT_EQ(std::string(e->what()).rfind("Cannot create file \"" + file.string() + "\". ", 0), 0u) << e->what();
    }
    EXPECT_EQ(ReadFile(file), "good package");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(AtomicWrite, MissingFolderFails) {
    ScratchFolder dir;
    EXPECT_THROW(ReplaceFileAtomically(dir.Path() / "no" / "file", "x", 1), EFileCreateError);
}

TEST(AtomicWrite, LeftoversOfAKilledRunAreRecognisedAndRemoved) {
    ScratchFolder dir;
    WriteFile(dir.Path() / "pkg.zip.~yeroup-a1B2c3", "half a package");
    WriteFile(dir.Path() / "user.ini.~yeroup-zzzzzz", "");
    const char* kept[] = {"pkg.zip", "pkg.zip.~yeroup-", "pkg.zip.~yeroup-1234567", ".~yeroup-abcdef", "a.XXXXXX"};
    for (const char* name : kept) WriteFile(dir.Path() / name, "keep");
    std::filesystem::create_directory(dir.Path() / "sub.~yeroup-qwerty");
    EXPECT_EQ(RemoveReplacementTemporaries(dir.Path()), 2);
    for (const char* name : kept) EXPECT_TRUE(std::filesystem::exists(dir.Path() / name)) << name;
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "sub.~yeroup-qwerty"));
    // A replacement's own temporary carries the recognised name while it exists.
    EXPECT_TRUE(IsReplacementTemporary("page.htm.~yeroup-Ab12Cd"));
}

// The states a power cut in the middle of saving a file and its signature may leave (the catalogue copy's pair):
// the next start makes them a pair of the same age again.
TEST(AtomicWrite, FilesReplacedTogetherAreSettledIntoAPairOfOneAge) {
    const struct {
        const char* cut;
        const char* file;
        const char* fileNext;  // nullptr: none pending
        const char* signatureNext;
        const char* settled;  // "old" or "new"
    } cases[] = {
        {"while the file's new content was written", "old", "new", nullptr, "old"},
        {"before the file was put in place", "old", "new", "new", "old"},
        {"after the file was put in place", "new", nullptr, "new", "new"},
        {"after both were put in place", "new", nullptr, nullptr, "new"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cut);
        ScratchFolder dir;
        const auto file = dir.Path() / "YEROMP3LiveUpdate.ini",
                   signature = dir.Path() / "YEROMP3LiveUpdate.ini.minisig";
        WriteFile(file, c.file);
        WriteFile(signature, std::string(c.file) == "new" && !c.signatureNext ? "new" : "old");
        if (c.fileNext) WriteFile(file.string() + ".yeroup-next", c.fileNext);
        if (c.signatureNext) WriteFile(signature.string() + ".yeroup-next", c.signatureNext);
        EXPECT_TRUE(SettleFilesReplacedTogether(file, signature));
        EXPECT_EQ(ReadFile(file), c.settled);
        EXPECT_EQ(ReadFile(signature), c.settled);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
    }
    ScratchFolder dir;
    ReplaceFilesTogether(dir.Path() / "a", "first", dir.Path() / "a.minisig", "second");
    EXPECT_EQ(ReadFile(dir.Path() / "a") + ReadFile(dir.Path() / "a.minisig"), "firstsecond");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}

// The reasons the program translates read, untranslated, as the C library's own texts, so the message of a
// process without a language stays the system's.
TEST(FileErrors, UsualReasonsReadAsTheCLibrarySaysThem) {
    for (const int error : {ENOSPC, EDQUOT, EACCES, EPERM, EROFS, ENOENT, ENOTDIR, EISDIR, EIO, ENAMETOOLONG, EBUSY})
        EXPECT_EQ(FileErrorText(error), std::strerror(error)) << error;
    ScratchFolder dir;
    const EFileCreateError error((dir.Path() / "FirmwareBack" / "A_1.zip").string(), ENOSPC);
    EXPECT_EQ(error.Path(), (dir.Path() / "FirmwareBack" / "A_1.zip").string());
    EXPECT_EQ(error.Error(), ENOSPC);
    EXPECT_STREQ(error.what(), ("Cannot create file \"" + error.Path() + "\". No space left on device").c_str());
}
