// A process recorded by one run is known to the next by its number and start time: a later process given the same
// number, or the zombie of the one recorded, is not taken for it.
#include "platform/process/ProcessIdentity.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/support/ScratchFolder.h"

namespace yeroup::platform {
namespace {

using yeroup::test::ScratchFolder;
using yeroup::test::WriteFile;

// A /proc/<pid>/stat line: the command name, then state, ..., the start time as the 22nd field.
std::string StatLine(const std::string& name, char state, std::uint64_t start) {
    std::string line = "4242 (" + name + ") " + state;
    for (int field = 4; field < 22; ++field) line += " " + std::to_string(field);
    return line + " " + std::to_string(start) + " 23 24\n";
}

TEST(ProcessIdentity, NumberAndStartTimeTellTheRecordedProcessFromAnother) {
    ScratchFolder proc;
    const struct {
        const char* what;
        std::string stat;  // empty: no such process
        std::optional<TProcessIdentity> identity;
    } cases[] = {
        {"running", StatLine("stupdaterapp.ex", 'S', 9000), TProcessIdentity{4242, 9000}},
        {"a name with blanks and parentheses", StatLine("a) (b c", 'R', 9000), TProcessIdentity{4242, 9000}},
        {"its zombie", StatLine("stupdaterapp.ex", 'Z', 9000), std::nullopt},
        {"gone", "", std::nullopt},
        {"a cut line", "4242 (sleep) S 1 2 3", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(proc.Path() / "4242");
        if (!c.stat.empty()) WriteFile(proc.Path() / "4242" / "stat", c.stat);
        EXPECT_EQ(IdentityOf(4242, proc.Path()), c.identity);
        EXPECT_EQ(StillRuns({4242, 9000}, proc.Path()), c.identity.has_value());
    }
    WriteFile(proc.Path() / "4242" / "stat", StatLine("sleep", 'S', 9001));
    EXPECT_FALSE(StillRuns({4242, 9000}, proc.Path())) << "a later process with the recorded number";

    const TProcessIdentity self = IdentityOf(::getpid()).value();
    EXPECT_TRUE(StillRuns(self));
    EXPECT_EQ(ParseIdentity(IdentityText(self)), self);
    for (const char* bad : {"", "12", "12 ", "0 5", "-3 5", "12 5x", "12  5", "x 5"})
        EXPECT_FALSE(ParseIdentity(bad)) << bad;
}

}  // namespace
}  // namespace yeroup::platform
