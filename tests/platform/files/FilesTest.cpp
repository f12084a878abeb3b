#include "platform/files/Files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/support/ScratchFolder.h"

namespace yeroup::platform {
namespace {

namespace fs = std::filesystem;

class Files : public ::testing::Test {
protected:
    std::string At(const std::string& name) const { return scratch_ / name; }
    test::ScratchFolder scratch_;
    const fs::path& root_ = scratch_.Path();
};

TEST_F(Files, ForceDirectoriesCreatesParentsAndFailsOnFiles) {
    EXPECT_TRUE(ForceDirectories(At("a/b/c/")));
    EXPECT_TRUE(DirectoryExists(At("a/b/c")));
    EXPECT_TRUE(ForceDirectories(At("a/b")));
    EXPECT_FALSE(ForceDirectories(""));
    std::ofstream(At("file")) << "x";
    EXPECT_TRUE(FileExists(At("file")));
    EXPECT_FALSE(FileExists(At("a")));
    EXPECT_FALSE(ForceDirectories(At("file/sub")));
}

TEST_F(Files, ReadOnlyAttributeAndFolderBit) {
    std::ofstream(At("f")) << "x";
    EXPECT_EQ(GetFileAttributes(At("f")), faArchive);
    EXPECT_TRUE(SetFileAttributes(At("f"), faReadOnly | faHidden));
    EXPECT_EQ(GetFileAttributes(At("f")), faArchive | faReadOnly);
    EXPECT_TRUE(SetFileAttributes(At("f"), 0));
    EXPECT_EQ(GetFileAttributes(At("f")), faArchive);
    EXPECT_EQ(GetFileAttributes(root_.string()), faDirectory);
    EXPECT_EQ(GetFileAttributes(At("missing")), kInvalidFileAttributes);
}

TEST_F(Files, DosDateTimesRoundTripThroughTheFileTime) {
    // 2019-06-30 23:59:58 and 1980-01-01 00:00:00 (two-second resolution).
    for (std::uint32_t dos : {(39u << 9 | 6u << 5 | 30u) << 16 | (23u << 11 | 59u << 5 | 29u), (1u << 5 | 1u) << 16}) {
        TLockedFile f = TLockedFile::CreateNew(At("t"));
        ASSERT_TRUE(f.IsOpen());
        ASSERT_TRUE(f.Write("abc", 3));
        ASSERT_TRUE(f.SetDosDateTime(dos));
        f.Close();
        std::uint32_t read = 0;
        ASSERT_TRUE(GetFileDosDateTime(At("t"), read));
        EXPECT_EQ(read, dos);
        EXPECT_TRUE(DeleteFile(At("t")));
    }
}

TEST_F(Files, CreateNewIsExclusiveAndLocksShowToOthers) {
    TLockedFile f = TLockedFile::CreateNew(At("x"));
    ASSERT_TRUE(f.IsOpen());
    EXPECT_FALSE(TLockedFile::CreateNew(At("x")).IsOpen());
    EXPECT_TRUE(IsFileLockedByOther(At("x")));
    f.Close();
    EXPECT_FALSE(IsFileLockedByOther(At("x")));
    const int fd = ::open(At("x").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_SH), 0);
    EXPECT_FALSE(IsFileLockedByOther(At("x")));  // a reader that shares does not hold it
    ::close(fd);
}

}  // namespace
}  // namespace yeroup::platform
