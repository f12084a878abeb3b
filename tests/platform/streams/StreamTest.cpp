#include "platform/streams/Stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "tests/support/ScratchFolder.h"

using namespace yeroup::platform;

TEST(MemoryStream, WritesGrowAndReadBack) {
    TMemoryStream s;
    std::string big(100000, 'x');
    s.WriteBuffer(big.data(), static_cast<std::int64_t>(big.size()));
    s.WriteBuffer("end", 3);
    EXPECT_EQ(s.Size(), 100003);
    s.SetPosition(99998);
    char out[8] = {};
    EXPECT_EQ(s.Read(out, 8), 5);
    EXPECT_EQ(std::string(out, 5), "xxend");
    EXPECT_EQ(s.Read(out, 8), 0);
}

TEST(MemoryStream, SeekPastEndLeavesZeroGap) {
    TMemoryStream s;
    s.WriteBuffer("ab", 2);
    s.Seek(2, SeekOrigin::soCurrent);
    s.WriteBuffer("c", 1);
    EXPECT_EQ(s.ToString(), std::string("ab\0\0c", 5));
    EXPECT_THROW(s.Seek(-1, SeekOrigin::soBeginning), EStreamError);
}

TEST(MemoryStream, SetSizeTruncatesAndClampsPosition) {
    TMemoryStream s;
    s.WriteBuffer("abcdef", 6);
    s.SetSize(3);
    EXPECT_EQ(s.Position(), 3);
    EXPECT_EQ(s.ToString(), "abc");
    s.SetSize(5);
    EXPECT_EQ(s.ToString(), std::string("abc\0\0", 5));
}

TEST(MemoryStream, LargeBuffersKeepTheirBytesWhileGrowing) {
    // Buffers of a megabyte and more take another allocation path (mapped, huge-page hint); contents must survive it.
    TMemoryStream s;
    std::string block(1 << 20, '\0');
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7 + 3);
    s.SetSize(4 << 20);
    s.SetPosition(0);
    for (int i = 0; i < 20; ++i) s.WriteBuffer(block.data(), static_cast<std::int64_t>(block.size()));
    EXPECT_EQ(s.Size(), 20 << 20);
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(std::memcmp(s.Memory() + (static_cast<std::size_t>(i) << 20), block.data(), block.size()), 0) << i;
    s.SetSize(40 << 20);
    EXPECT_EQ(s.Memory()[(40 << 20) - 1], 0);

    // Bytes written straight into the memory come back as zeros after a shrink and a regrowth.
    TMemoryStream direct;
    direct.SetSize(16 << 20);
    std::memset(direct.Memory(), 0xAB, 16 << 20);
    direct.SetSize(1);
    direct.SetSize(16 << 20);
    EXPECT_EQ(direct.Memory()[0], static_cast<char>(0xAB));
    EXPECT_EQ(direct.Memory()[1], 0);
    EXPECT_EQ(direct.Memory()[(16 << 20) - 1], 0);

    // The same across the move from a heap buffer to a mapped one, and a cleared stream starts afresh.
    TMemoryStream moved;
    moved.SetSize(512 << 10);
    std::memset(moved.Memory(), 0xCD, 512 << 10);
    moved.SetSize(1);
    moved.SetSize(3 << 20);
    EXPECT_EQ(moved.Memory()[0], static_cast<char>(0xCD));
    EXPECT_EQ(moved.Memory()[(512 << 10) - 1], 0);
    moved.Clear();
    moved.WriteBuffer("x", 1);
    EXPECT_EQ(moved.ToString(), "x");
}

TEST(MemoryStream, ShortReadBufferRaises) {
    TMemoryStream s;
    s.WriteBuffer("ab", 2);
    s.SetPosition(0);
    char out[4];
    EXPECT_THROW(s.ReadBuffer(out, 4), EStreamError);
}

TEST(FileStream, SaveLoadAndCopy) {
    const yeroup::test::ScratchFolder scratch;
    const auto& dir = scratch.Path();
    TMemoryStream s;
    s.WriteBuffer("hello world", 11);
    s.SaveToFile(dir / "a.bin");
    TMemoryStream back;
    back.LoadFromFile(dir / "a.bin");
    EXPECT_EQ(back.ToString(), "hello world");
    {
        TFileStream f(dir / "b.bin", FileMode::fmCreate);
        EXPECT_EQ(f.CopyFrom(back, 0), 11);
        EXPECT_EQ(f.Size(), 11);
        f.SetSize(5);
    }
    EXPECT_EQ(std::filesystem::file_size(dir / "b.bin"), 5u);
    EXPECT_THROW(TFileStream(dir / "missing", FileMode::fmOpenRead), EStreamError);
}
