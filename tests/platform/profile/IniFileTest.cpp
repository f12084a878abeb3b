#include "platform/profile/IniFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "tests/support/ExpectThrow.h"
#include "tests/support/ScratchFolder.h"

using namespace yeroup::platform;
using yeroup::test::ReadFile;
using yeroup::test::ScratchFolder;
using yeroup::test::WriteFile;

TEST(IniFile, SectionsAndKeysComeInFileOrder) {
    ScratchFolder dir;
    WriteFile(dir.Path() / "c.ini", "[B]\r\n2.0=x\r\n1.0=y\r\n\r\n; note\r\n[A]\r\nk=v\r\n[b]\r\nlater=z\r\n");
    TIniFile ini(dir.Path() / "c.ini");
    std::vector<std::string> list{"stale"};
    ini.ReadSections(list);
    EXPECT_EQ(list, (std::vector<std::string>{"B", "A", "b"}));
    ini.ReadSection("b", list);
    EXPECT_EQ(list, (std::vector<std::string>{"2.0", "1.0"}));
    ini.ReadSection("", list);
    EXPECT_TRUE(list.empty());
    TIniFile(dir.Path() / "missing.ini").ReadSections(list);
    EXPECT_TRUE(list.empty());
}

TEST(IniFile, DoubleByteSectionNamesKeepTrailBytesThatLookLikeBrackets) {
    ScratchFolder dir;
    // 0xB0 0x5D is one GBK character whose second byte is "]".
    const std::string name =
        "T\xB0\x5D"
        "1";
    WriteFile(dir.Path() / "c.ini", "[" + name + "]\nV1=1\n");
    std::vector<std::string> list;
    TIniFile ini(dir.Path() / "c.ini");
    ini.ReadSections(list);
    EXPECT_EQ(list, std::vector<std::string>{name});
    ini.ReadSection(name, list);
    EXPECT_EQ(list, std::vector<std::string>{"V1"});
}

TEST(IniFile, NamesBeyondTheListBufferAreNotSeen) {
    ScratchFolder dir;
    std::string text;
    // 1,023 names of 15 bytes plus their zeros fill 16,368 bytes; the next one does not fit whole.
    for (int i = 0; i < 1100; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "[section%08d]\n", i);
        text += name;
    }
    WriteFile(dir.Path() / "c.ini", text);
    std::vector<std::string> list;
    TIniFile(dir.Path() / "c.ini").ReadSections(list);
    ASSERT_EQ(list.size(), 16383u / 16u);
    EXPECT_EQ(list.back(), "section00001022");
}

TEST(IniFile, IntegersReadDecimalOrHexAndFallBackToTheDefault) {
    ScratchFolder dir;
    WriteFile(
        dir.Path() / "u.ini",
        "[Main02]\nhex=0x1\nHEX=0X1f\nneg=-3\nbad=12a\nempty=\nzero=0x\nbig=2147483648\nq=\"7\"\nall=0xFFFFFFFF\n");
    TIniFile ini(dir.Path() / "u.ini");
    EXPECT_EQ(ini.ReadInteger("main02", "hex", 0), 1);
    EXPECT_EQ(ini.ReadInteger("Main02", "HEX", 0), 1);  // the first key of that name
    EXPECT_EQ(ini.ReadInteger("Main02", "neg", 0), -3);
    EXPECT_EQ(ini.ReadInteger("Main02", "bad", 5), 5);
    EXPECT_EQ(ini.ReadInteger("Main02", "empty", 5), 5);
    EXPECT_EQ(ini.ReadInteger("Main02", "zero", 5), 5);  // too short to be hexadecimal
    EXPECT_EQ(ini.ReadInteger("Main02", "big", 5), 5);
    EXPECT_EQ(ini.ReadInteger("Main02", "q", 0), 7);
    EXPECT_EQ(ini.ReadInteger("Main02", "all", 0), -1);
    EXPECT_EQ(ini.ReadInteger("Main02", "missing", 9), 9);
    EXPECT_EQ(TIniFile(dir.Path() / "none.ini").ReadInteger("Main02", "ComboBox1", 0), 0);
}

TEST(IniFile, LongValuesAreCutAt2047Bytes) {
    ScratchFolder dir;
    WriteFile(dir.Path() / "u.ini", "[s]\nk=" + std::string(3000, 'v') + "\n");
    EXPECT_EQ(TIniFile(dir.Path() / "u.ini").ReadString("s", "k", "").size(), 2047u);
}

TEST(IniFile, WritesReplaceInPlaceAndCreateWhatIsMissing) {
    ScratchFolder dir;
    TIniFile ini(dir.Path() / "user.ini");
    ini.WriteInteger("Main02", "ComboBox1", 1);
    ini.WriteInteger("Main02", "ComboBox2", 3);
    EXPECT_EQ(ReadFile(ini.FileName()), "[Main02]\r\nComboBox1=1\r\nComboBox2=3\r\n");
    WriteFile(ini.FileName(), "; kept\n[Other]\na=b\n\n[Main02]\ncombobox1 = 7\n\n[Tail]\nz=1\n");
    ini.WriteInteger("Main02", "ComboBox1", 2);
    ini.WriteInteger("Main02", "ComboBox2", 0);
    EXPECT_EQ(ReadFile(ini.FileName()),
              "; kept\r\n[Other]\r\na=b\r\n\r\n[Main02]\r\nComboBox1=2\r\nComboBox2=0\r\n\r\n[Tail]\r\nz=1\r\n");
    EXPECT_EQ(ini.ReadInteger("Main02", "ComboBox1", 0), 2);
    // Both keys in one write, as the selection is saved: the text two writes make, in one replacement.
    WriteFile(ini.FileName(), "; kept\n[Main02]\ncombobox2 = 7\n\n[Tail]\nz=1\n");
    ini.WriteStrings("Main02", {{"ComboBox1", "4"}, {"ComboBox2", "5"}});
    EXPECT_EQ(ReadFile(ini.FileName()), "; kept\r\n[Main02]\r\nComboBox2=5\r\nComboBox1=4\r\n\r\n[Tail]\r\nz=1\r\n");
}

TEST(IniFile, UnwritableFileRaisesWithItsPath) {
    ScratchFolder dir;
    // A plain file where the folder should be cannot take the temporary file.
    WriteFile(dir.Path() / "notafolder", "");
    TIniFile ini(dir.Path() / "notafolder" / "user.ini");
    EXPECT_THROW_TEXT(ini.WriteInteger("Main02", "ComboBox1", 1), EIniFileException,
                      "Unable to write to " + ini.FileName().string());
}

namespace {

// Peak resident memory, in bytes, that reading the file's sections and one value adds in a process of its own.
long PeakOfReading(const std::filesystem::path& file) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const auto kib = [](const char* field) {
            std::ifstream status("/proc/self/status");
            for (std::string line; std::getline(status, line);)
                if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
            return 0L;
        };
        std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
        const long before = kib("VmRSS:");
        TIniFile ini(file);
        std::vector<std::string> list;
        ini.ReadSections(list);
        ini.ReadString("Model", "1.0", "");
        const long added = (kib("VmHWM:") - before) * 1024;
        (void)!::write(pipeFds[1], &added, sizeof added);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    long added = -1;
    (void)!::read(pipeFds[0], &added, sizeof added);
    ::close(pipeFds[0]);
    ::waitpid(pid, nullptr, 0);
    return added;
}

}  // namespace

TEST(IniFile, MemoryStaysASmallMultipleOfTheFileWhateverItHolds) {
    ScratchFolder dir;
    const std::string catalogue = "[Model]\r\n1.0=x\r\n";
    const std::size_t size = 8 << 20;
    for (const std::string& filler : {std::string("\n"), std::string("k=\n"), std::string("[]\n")}) {
        std::string text = catalogue;
        text.reserve(size + filler.size());
        while (text.size() < size) text += filler;
        WriteFile(dir.Path() / "c.ini", text);
        text = std::string();
        const long added = PeakOfReading(dir.Path() / "c.ini");
        EXPECT_GT(added, 0) << filler;
        EXPECT_LT(added, static_cast<long>(3 * size + (4 << 20))) << "filler " << filler.size() << " bytes";
    }
}

TEST(IniFile, TheFileIsReadAgainOnlyWhenItChanged) {
    ScratchFolder dir;
    const auto file = dir.Path() / "c.ini";
    WriteFile(file, "[s]\nk=1\n");
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadInteger("s", "k", 0), 1);
    // The same size and time stamp in the same file: the index read before serves.
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    {
        std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
        out.seekp(6);
        out.put('2');
    }
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    EXPECT_EQ(ini.ReadInteger("s", "k", 0), 1);
    // A new time stamp is a change.
    const timespec later[2] = {before.st_atim, {before.st_mtim.tv_sec + 1, before.st_mtim.tv_nsec}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), later, 0), 0);
    EXPECT_EQ(ini.ReadInteger("s", "k", 0), 2);
    // So is a write of its own, and a file replaced by another.
    ini.WriteInteger("s", "k", 3);
    EXPECT_EQ(ini.ReadInteger("s", "k", 0), 3);
    WriteFile(dir.Path() / "other.ini", "[s]\nk=4\n");
    std::filesystem::rename(dir.Path() / "other.ini", file);
    EXPECT_EQ(ini.ReadInteger("s", "k", 0), 4);
}
