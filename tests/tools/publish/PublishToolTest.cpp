// yeroup-publish as a whole process: a site built from a source, signed with keys minisign made and verified by
// minisign, read over nginx as the program reads it; then broken one way at a time, and sources it must refuse.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <functional>

#include "tests/http/support/RealServers.h"
#include "tests/support/ScratchFolder.h"
#include "tests/zip/ZipTestSupport.h"

namespace yeroup::test {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// The model names in code page 936, as the site's paths spell them.
const std::string kModel = "播放器T30";
const std::string kModelOnSite = "\xB2\xA5\xB7\xC5\xC6\xF7T30";

class PublishToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteSource(work.Path() / "source");
        ASSERT_EQ(Shell("minisign -G -W -p key.pub -s key.sec >/dev/null"), 0);
    }

    int Shell(const std::string& command) {
        const int status = std::system(("cd " + Quoted(work.Path().string()) + " && " + command).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // The tool with arguments (quoted already), bounded in time; environment is put before it.
    ToolRun Publish(const std::string& arguments, const std::string& environment = "") {
        ToolRun run;
        run.status = Shell(environment + " timeout 120 " + Quoted(YEROUP_PUBLISH_TOOL) + " " + arguments +
                           " >tool.out 2>tool.err");
        run.out = ReadFile(work.Path() / "tool.out");
        run.err = ReadFile(work.Path() / "tool.err");
        return run;
    }

    // A package made by Info-ZIP's zip from files (relative name -> bytes).
    void Zip(const fs::path& package, const std::map<std::string, std::string>& files,
             const std::string& options = "") {
        ScratchFolder folder;
        for (const auto& [name, bytes] : files) WriteFile(folder.Path() / name, bytes);
        fs::remove(package);
        ASSERT_EQ(RunTool("zip -q -r -X " + options + " " + Quoted(package.string()) + " .", folder.Path()), 0);
    }

    void WriteSource(const fs::path& source) {
        WriteFile(source / "site.txt", "# a test site\ncomment: 测试站点\nmodel: YERO-T10\nmodel: " + kModel + "\n");
        WriteFile(source / "YERO-T10" / "model.txt", "title: YERO T10\nfirmware: V1.05\nfirmware: V1.02\n");
        WriteFile(source / kModel / "model.txt", "title: 彩屏播放器\nfirmware: 版本1.0\n");
        for (const auto& [model, version] :
             {std::pair<std::string, std::string>{"YERO-T10", "V1.05"}, {"YERO-T10", "V1.02"}, {kModel, "版本1.0"}}) {
            WriteFile(source / model / (version + ".txt"),
                      "date: 2005-09-12\nsummary: 修正歌词显示 " + version + "\nchange: 一\nchange: 二\n");
            Zip(source / model / (version + ".zip"),
                {{"firmware.sb", NoiseBytes(70000, 7)}, {"Resource/lang_chs.txt", "语言包 " + version}});
        }
    }

    ScratchFolder work;
};

TEST_F(PublishToolTest, BuildsSignsAndReadsASiteCleanThenTellsEachBreak) {
    NginxServer nginx;
    const fs::path site = nginx.Root();
    const std::string host = "127.0.0.1:" + std::to_string(nginx.Port());
    const std::string firmware = site.string() + "/YEROMP3LiveUpdate/Firmware/";
    const std::string package = firmware + "YERO-T10/YERO-T10_V1.02.zip";
    const std::string packageUrl = "http://" + host + "/YEROMP3LiveUpdate/Firmware/YERO-T10/YERO-T10_V1.02.zip";
    const auto resign = [&] { ASSERT_EQ(Publish("sign " + Quoted(site.string()) + " key.sec").status, 0); };
    // The host its own mirror: every file the same, so the mirror list is read and compared without a fault.
    const auto rebuild = [&] {
        ASSERT_EQ(Publish("build --mirror http://" + host + " source " + Quoted(site.string())).status, 0);
        resign();
    };
    rebuild();
    // What the program asks for, in code page 936; every signature as minisign itself verifies it.
    ASSERT_TRUE(fs::exists(firmware + kModelOnSite + "/" + kModelOnSite +
                           "_\xB0\xE6\xB1\xBE"
                           "1.0.zip"));
    for (const auto& file : fs::recursive_directory_iterator(site)) {
        if (file.path().extension() != ".minisig") continue;
        const std::string signedFile = fs::path(file.path()).replace_extension().string();
        EXPECT_EQ(Shell("minisign -Vq -p key.pub -m " + Quoted(signedFile)), 0) << signedFile;
    }
    // The option after the host, as after the command: both orders are read alike.
    const ToolRun clean = Publish("check " + host + " --key key.pub");
    ASSERT_EQ(clean.status, 0) << clean.out << clean.err;
    EXPECT_EQ(clean.out, "");
    EXPECT_NE(clean.err.find("clean: 2 models, 3 firmware, 1 mirror; signatures checked"), std::string::npos);

    // minisign signs with a trusted comment of our choosing, as an operator by hand would.
    const auto signByHand = [&](const std::string& file, const std::string& comment) {
        ASSERT_EQ(Shell("minisign -S -s key.sec -m " + Quoted(file) + " -t " + Quoted(comment) + " >/dev/null"), 0);
    };
    const std::int64_t now = std::time(nullptr);
    // The last hash of the package's piece list other digits: the list then tells of other bytes.
    const auto spoilLastHash = [&] {
        std::string list = ReadFile(package + ".pieces");
        WriteFile(package + ".pieces", list.replace(list.size() - 9, 8, "0f0f0f0f"));
    };
    const std::string catalogue = site.string() + "/YEROMP3LiveUpdate/YEROMP3LiveUpdate.ini";
    const std::string v102 = "model \"YERO-T10\" firmware \"V1.02\": ";
    struct Break {
        const char* what;
        std::function<void()> apply;
        std::string expected;
    } breaks[] = {
        {"missing package", [&] { fs::remove(package); }, v102 + "no package at " + packageUrl + ": HTTP/1.1 404"},
        {"missing page", [&] { fs::remove(fs::path(package).replace_extension(".asp")); },
         v102 + "no firmware page at http://" + host},
        {"wrong size",
         [&] {
             std::ofstream(package, std::ios::app) << "more";
             signByHand(package, "timestamp:" + std::to_string(now) + "\tfile:YERO-T10_V1.02.zip");
         },
         v102 + "no package at " + packageUrl + ": Response body exceeds 70362 bytes."},
        {"tampered package",
         [&] {
             std::string bytes = ReadFile(package);
             bytes[bytes.size() / 2] ^= 0x55;
             WriteFile(package, bytes);
         },
         v102 + "the package " + packageUrl + " does not match its signed piece list: piece 1 "},
        {"damaged archive",
         [&] {
             // Signed whole, and no piece list to tell it short before the archive is read.
             WriteFile(package, ReadFile(package).substr(0, 5000));
             signByHand(package, "timestamp:" + std::to_string(now) + "\tfile:YERO-T10_V1.02.zip");
             fs::remove(package + ".pieces");
         },
         v102 + "the package " + packageUrl + ": "},
        {"expired catalogue",
         [&] {
             signByHand(catalogue, "timestamp:" + std::to_string(now - 7200) +
                                       "\tfile:YEROMP3LiveUpdate.ini\texpires:" + std::to_string(now - 3600));
         },
         ".ini: expired on "},
        {"catalogue expiring in six days",
         [&] { ASSERT_EQ(Publish("sign " + Quoted(site.string()) + " key.sec --expires-days=6").status, 0); },
         ".ini: expires within a week, on "},
        {"signature naming another file",
         [&] { signByHand(package, "timestamp:" + std::to_string(now) + "\tfile:YERO-T10_V1.05.zip"); },
         "refused: the signature names the file YERO-T10_V1.05.zip, not YERO-T10_V1.02.zip"},
        {"signature missing", [&] { fs::remove(package + ".minisig"); },
         v102 + "no signature at " + packageUrl + ".minisig (HTTP/1.1 404 Not Found)"},
        {"not a catalogue", [&] { WriteFile(catalogue, "<html><form>Hotel Wi-Fi</form></html>"); },
         ".ini: not a catalogue"},
        {"mirror list changed since signed",
         [&] { std::ofstream(site / "YEROMP3LiveUpdate" / "mirrors.txt", std::ios::app) << "127.0.0.1:1\n"; },
         "mirror list http://" + host + "/YEROMP3LiveUpdate/mirrors.txt: the signature http://" + host +
             "/YEROMP3LiveUpdate/mirrors.txt.minisig is refused"},
        {"mirror that cannot be reached, signed",
         [&] {
             const fs::path mirrors = site / "YEROMP3LiveUpdate" / "mirrors.txt";
             std::ofstream(mirrors, std::ios::app) << "127.0.0.1:1\n";
             signByHand(mirrors.string(), "timestamp:" + std::to_string(now) +
                                              "\tfile:mirrors.txt\texpires:" + std::to_string(now + 86400 * 9));
         },
         "mirror 127.0.0.1:1: cannot be read: Socket Error # 10061 Connection refused.\n"},
        {"piece list missing", [&] { fs::remove(package + ".pieces"); },
         v102 + "no piece list at " + packageUrl + ".pieces, where the site's other packages have one"},
        {"piece list changed since signed", [&] { spoilLastHash(); },
         v102 + "the signature " + packageUrl + ".pieces.minisig is refused"},
        {"piece list of other bytes, signed",
         [&] {
             spoilLastHash();
             signByHand(package + ".pieces", "timestamp:" + std::to_string(now) + "\tfile:YERO-T10_V1.02.zip.pieces");
         },
         v102 + "the package " + packageUrl + " does not match its signed piece list"},
    };
    for (const Break& b : breaks) {
        SCOPED_TRACE(b.what);
        rebuild();
        b.apply();
        const ToolRun run = Publish("check --key key.pub " + host);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.out.find(b.expected), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(" problems ("), std::string::npos) << run.err;
    }
}

TEST_F(PublishToolTest, BuildRefusesWhatWouldNotReachThePlayerNamingItAndLeavesTheSiteAsItWas) {
    const fs::path site = work.Path() / "site";
    ASSERT_EQ(Publish("build source site").status, 0);
    const std::string built = ReadFile(site / "YEROMP3LiveUpdate" / "YEROMP3LiveUpdate.ini");
    const fs::path source = work.Path() / "source";
    const fs::path package = source / "YERO-T10" / "V1.02.zip";
    const auto handMade = [&](const std::vector<HandEntry>& entries) { WriteFile(package, BuildArchive(entries)); };
    const std::string inPackage = "source/YERO-T10/V1.02.zip: ";
    struct Fault {
        const char* what;
        std::function<void()> apply;
        std::string expected;
    } faults[] = {
        {"a model name outside code page 936",
         [&] {
             fs::rename(source / "YERO-T10", source / "YERO-한국");
             WriteFile(source / "site.txt", "model: YERO-한국\nmodel: " + kModel + "\n");
         },
         "model \"YERO-한국\": the name cannot be written in code page 936"},
        {"a name that cannot stand in a URL", [&] { WriteFile(source / "YERO-T10" / "model.txt", "firmware: V1?\n"); },
         "firmware \"V1?\" of model \"YERO-T10\": the name holds \"?\""},
        {"two models the catalogue cannot tell apart",
         [&] {
             fs::copy(source / "YERO-T10", source / "yero-t10");
             WriteFile(source / "site.txt", "model: YERO-T10\nmodel: yero-t10\n");
         },
         "firmware \"V1.05\" of model \"yero-t10\" and firmware \"V1.05\" of model \"YERO-T10\" share the program's "
         "local package file"},
        {"a date that is none", [&] { WriteFile(source / "YERO-T10" / "V1.02.txt", "date: 2005-13-01\nsummary: x\n"); },
         "source/YERO-T10/V1.02.txt:1: \"2005-13-01\" is not a date written YYYY-MM-DD"},
        {"a field the firmware file has not",
         [&] { WriteFile(source / "YERO-T10" / "V1.02.txt", "date: 2005-12-01\nsummary: x\ncolor: red\n"); },
         "source/YERO-T10/V1.02.txt:3: \"color\" is not a field of this file"},
        {"a package without its file", [&] { fs::remove(package); }, inPackage + "the package is missing"},
        {"a damaged entry",
         [&] {
             handMade({{"firmware.sb", "image", false, 0x20, 0x6000, 0x5A21, 0xFFFF, 20, 0, true}});
         },
         inPackage + "entry \"firmware.sb\": Invalid size or check sum of file"},
        {"an entry outside the player's folder",
         [&] {
             handMade({{"../evil.dll", "x"}});
         },
         inPackage + "entry \"../evil.dll\": Unsafe file name"},
        {"entries that differ only in case",
         [&] {
             Zip(package, {{"Player.dll", "1"}, {"player.dll", "2"}});
         },
         inPackage + "entries \"Player.dll\" and \"player.dll\" land on the same file"},
        {"an entry into the staging folder",
         [&] {
             Zip(package, {{".yeroup-staging/a.dll", "1"}});
         },
         inPackage + "the entry \".yeroup-staging/"},
        {"an entry into the upgrade's backup",
         [&] {
             Zip(package, {{"FirmwareBack/upgrade-backup/a.dll", "1"}});
         },
         inPackage + "the entry \"FirmwareBack/upgrade-backup/"},
        {"an encrypted entry",
         [&] {
             Zip(package, {{"firmware.sb", "image"}}, "-P secret");
         },
         inPackage + "entry \"firmware.sb\" is encrypted"},
        {"a package without files",
         [&] {
             handMade({{"Resource/", "", false, 0x10}});
         },
         inPackage + "the package holds no files"},
        {"a placeholder no page has",
         [&] {
             WriteFile(source / "page.htm", "<p>{{model}} {{colour}}</p>");
             std::ofstream(source / "site.txt", std::ios::app) << "page: page.htm\n";
         },
         "page.htm: \"{{colour}}\" is not a value a page can show"},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.what);
        fs::remove_all(source);
        WriteSource(source);
        fault.apply();
        const ToolRun run = Publish("build source site");
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.out.find(fault.expected), std::string::npos) << run.out;
        EXPECT_EQ(ReadFile(site / "YEROMP3LiveUpdate" / "YEROMP3LiveUpdate.ini"), built);
    }
    // A folder that is not a site is never replaced.
    WriteFile(work.Path() / "home" / "notes.txt", "mine");
    WriteSource(source);
    EXPECT_EQ(Publish("build source home").status, 1);
    EXPECT_EQ(ReadFile(work.Path() / "home" / "notes.txt"), "mine");
}

// Three mirrors beside the primary, each a copy of its signed site: one the same, one with a byte of a package
// changed, one without a piece list. The check names each file that differs, by mirror, and nothing of the good one.
TEST_F(PublishToolTest, SignsPieceListsAndTheMirrorListThenCheckNamesEachMirrorThatDiffers) {
    NginxServer primary, same, changed, lacking;
    const auto hostOf = [](const NginxServer& nginx) { return "http://127.0.0.1:" + std::to_string(nginx.Port()); };
    const fs::path site = primary.Root();
    ASSERT_EQ(Publish("build source " + Quoted(site.string()) + " --mirror " + hostOf(same) + " --mirror " +
                      hostOf(changed) + " --mirror " + hostOf(lacking))
                  .status,
              0);
    const ToolRun signing = Publish("sign " + Quoted(site.string()) + " key.sec");
    ASSERT_EQ(signing.status, 0) << signing.out << signing.err;
    EXPECT_NE(signing.err.find("signed the catalogue, the mirror list, 3 packages and their 3 piece lists with key "),
              std::string::npos)
        << signing.err;
    const std::string top = "YEROMP3LiveUpdate/";
    EXPECT_EQ(ReadFile(site / top / "mirrors.txt"),
              hostOf(same) + "\n" + hostOf(changed) + "\n" + hostOf(lacking) + "\n");
    EXPECT_EQ(Shell("minisign -Vq -p key.pub -m " + Quoted((site / top / "mirrors.txt").string())), 0);
    // A package smaller than a piece: its list holds its size and its SHA-256 as sha256sum has it.
    const std::string v102 = top + "Firmware/YERO-T10/YERO-T10_V1.02.zip";
    const std::string package = Quoted((site / v102).string());
    EXPECT_EQ(Shell("{ printf 'yeroup-pieces 1\\nsize %s\\npiece-size 1048576\\n' $(stat -c %s " + package +
                    "); sha256sum <" + package + " | cut -c1-64; } | cmp -s - " + package + ".pieces"),
              0);

    for (const NginxServer* mirror : {&same, &changed, &lacking})
        fs::copy(site, mirror->Root(), fs::copy_options::recursive);
    std::string bytes = ReadFile(changed.Root() / v102);
    bytes[bytes.size() / 2] ^= 0x01;
    WriteFile(changed.Root() / v102, bytes);
    const std::string v105 = top + "Firmware/YERO-T10/YERO-T10_V1.05.zip";
    fs::remove(lacking.Root() / (v105 + ".pieces"));
    const ToolRun run = Publish("check --key key.pub 127.0.0.1:" + std::to_string(primary.Port()));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "mirror " + hostOf(changed) + ": " + v102 + " differs from the primary's\nmirror " +
                           hostOf(lacking) + ": " + v105 + ".pieces is missing (HTTP/1.1 404 Not Found)\n");
    EXPECT_NE(run.err.find("2 problems (2 models, 3 firmware, 3 mirrors; signatures checked)"), std::string::npos)
        << run.err;
}

// The password comes from a line of the standard input or from the environment. While sign waits for it, the
// process can leave no core file.
TEST_F(PublishToolTest, SignTakesAKeyMinisignEncryptedWithAPassword) {
    ASSERT_EQ(Publish("build source site").status, 0);
    ASSERT_EQ(Shell("printf 'pass word\\npass word\\n' | minisign -G -p locked.pub -s locked.sec >/dev/null 2>&1"), 0);
    int input[2];
    ASSERT_EQ(::pipe(input), 0);
    const pid_t tool = ::fork();
    ASSERT_GE(tool, 0);
    if (tool == 0) {
        ::dup2(input[0], STDIN_FILENO);
        ::close(input[1]);
        if (::chdir(work.Path().c_str()) != 0) ::_exit(127);
        ::dup2(::open("tool.err", O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
        ::execl(YEROUP_PUBLISH_TOOL, "yeroup-publish", "sign", "site", "locked.sec", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(input[0]);
    const fs::path limits = "/proc/" + std::to_string(tool) + "/limits";
    bool noCore = false;
    for (int tries = 0; tries < 600 && !noCore; ++tries) {
        const std::string text = ReadFile(limits);
        const std::size_t line = text.find("Max core file size");
        noCore = line != std::string::npos &&
                 text.substr(line, text.find('\n', line) - line).find_first_of("123456789u") == std::string::npos;
        if (!noCore) ::usleep(100000);
    }
    EXPECT_TRUE(noCore) << ReadFile(limits);
    ASSERT_EQ(::write(input[1], "pass wort\n", 10), 10);
    ::close(input[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(tool, &status, 0), tool);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    const std::string told = ReadFile(work.Path() / "tool.err");
    EXPECT_NE(told.find("the secret key's password is wrong"), std::string::npos) << told;
    EXPECT_FALSE(fs::exists(work.Path() / "site" / "YEROMP3LiveUpdate" / "YEROMP3LiveUpdate.ini.minisig"));
    ASSERT_EQ(Publish("sign site locked.sec", "YEROUP_PUBLISH_PASSWORD='pass word'").status, 0);
    EXPECT_EQ(Shell("minisign -Vq -p locked.pub -m site/YEROMP3LiveUpdate/YEROMP3LiveUpdate.ini"), 0);
    EXPECT_EQ(Shell("minisign -Vq -p locked.pub -m site/YEROMP3LiveUpdate/Firmware/YERO-T10/YERO-T10_V1.05.zip"), 0);
}

// A signature vouches for what build checked: a package changed or dropped in since is named, and then nothing at
// all is signed, before any password is asked for.
TEST_F(PublishToolTest, SignRefusesAChangedOrStrayPackageAndSignsNothing) {
    const fs::path site = work.Path() / "site";
    const fs::path firmware = site / "YEROMP3LiveUpdate" / "Firmware" / "YERO-T10";
    const fs::path package = firmware / "YERO-T10_V1.02.zip";
    const std::string v102 = "YEROMP3LiveUpdate/Firmware/YERO-T10/YERO-T10_V1.02.zip: ";
    ASSERT_EQ(Publish("build source site").status, 0);
    const std::uintmax_t built = fs::file_size(package);
    struct Change {
        const char* what;
        std::function<void()> apply;
        std::vector<std::string> expected;
    } changes[] = {
        {"a byte appended and a stray copy",
         [&] {
             std::ofstream(package, std::ios::app) << "x";
             fs::copy_file(package, firmware / "stray.zip");
         },
         {v102 + "holds " + std::to_string(built + 1) + " bytes where the catalogue says " + std::to_string(built) +
              ": it changed since the build",
          "YEROMP3LiveUpdate/Firmware/YERO-T10/stray.zip: not listed in the catalogue"}},
        {"a byte changed, the size kept",
         [&] {
             std::string bytes = ReadFile(package);
             bytes[bytes.size() / 3] ^= 0x55;
             WriteFile(package, bytes);
         },
         {v102 + "entry \"firmware.sb\""}},
        {"a listed package gone", [&] { fs::remove(package); }, {v102 + "listed in the catalogue but missing"}},
        {"lists that do not read, and a stray piece list",
         [&] {
             WriteFile(fs::path(package.string() + ".pieces"), "yeroup-pieces 2\n");
             WriteFile(firmware / "stray.zip.pieces", "");
             WriteFile(site / "YEROMP3LiveUpdate" / "mirrors.txt", "m1\nftp://m2\n");
         },
         {v102.substr(0, v102.size() - 2) + ".pieces: not a piece list of this version",
          "YEROMP3LiveUpdate/Firmware/YERO-T10/stray.zip.pieces: not listed in the catalogue",
          "YEROMP3LiveUpdate/mirrors.txt: line 2 of the mirror list: only http and https hosts can be mirrors"}},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        ASSERT_EQ(Publish("build source site").status, 0);
        change.apply();
        const ToolRun run = Publish("sign site key.sec", "echo never-asked |");
        EXPECT_EQ(run.status, 1);
        for (const std::string& line : change.expected) EXPECT_NE(run.out.find(line), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(" faults; nothing was signed"), std::string::npos) << run.err;
        for (const auto& file : fs::recursive_directory_iterator(site))
            EXPECT_NE(file.path().extension(), ".minisig") << file.path();
    }
}

// Read as GNU tools read their command lines: help and version on the standard output, options anywhere, and a
// mistake told in one line with a hint to --help.
TEST_F(PublishToolTest, TheCommandLineReadsLikeAGnuToolsAndSaysWhatWasWrong) {
    const ToolRun help = Publish("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: yeroup-publish build [--mirror HOST]... SOURCE SITE\n", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(Publish("sign -h").out, help.out);
    const ToolRun version = Publish("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("yeroup-publish ", 0), 0u) << version.out;
    EXPECT_EQ(version.out.back(), '\n');
    const std::string hint = "\nTry 'yeroup-publish --help' for more information.\n";
    const struct {
        std::string arguments;
        std::string said;
    } mistakes[] = {
        {"", "no command given"},
        {"publish site", "unknown command 'publish'"},
        {"--bogus check 127.0.0.1", "unknown option '--bogus'"},
        {"check 127.0.0.1 --key", "the option '--key' needs a value"},
        {"build --key key.pub source site", "the option --key is not one of build's"},
        {"sign site", "sign needs 2 operands, not 1"},
        {"check a b", "unexpected operand 'b'"},
        {"sign site key.sec --expires-days 0", "--expires-days takes a whole number of days, 1 or more, not '0'"},
        {"check http://127.0.0.1:1/updates/",
         "the host 'http://127.0.0.1:1/updates/' has a path (/updates/); give it as the program's host setting: "
         "host[:port], http://host[:port] or https://host[:port]"},
        {"check 127.0.0.1:1/x --key key.pub", "the host '127.0.0.1:1/x' has a path (/x); give it as"},
        {"build --mirror http://m2/fw source site",
         "the mirror 'http://m2/fw' cannot be used: a mirror is a host, without a path"},
        {"build source site --mirror ftp://m2", "the mirror 'ftp://m2' cannot be used: only http and https hosts"},
        {"build --mirror user@m2 source site", "the mirror 'user@m2' cannot be used: a mirror carries no user name"},
        {"build --mirror m2 --mirror m3 --mirror m2 source site", "the mirror 'm2' is given twice"},
        {"sign --mirror m2 site key.sec", "the option --mirror is not one of sign's"},
    };
    for (const auto& m : mistakes) {
        SCOPED_TRACE(m.arguments);
        const ToolRun run = Publish(m.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("yeroup-publish: " + m.said, 0), 0u) << run.err;
        EXPECT_EQ(run.err.substr(run.err.size() - std::min(run.err.size(), hint.size())), hint) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 2) << run.err;
    }
}

// rotate writes the statement moving the site from one minisign key to the next, signed by both as minisign itself
// verifies; then the site is signed with the new key.
TEST_F(PublishToolTest, RotateWritesAStatementBothKeysSignThatMinisignVerifies) {
    ASSERT_EQ(Publish("build source site").status, 0);
    ASSERT_EQ(Shell("minisign -G -W -p new.pub -s new.sec >/dev/null"), 0);
    const ToolRun run = Publish("rotate site key.sec new.sec --retire-old");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find(", which retires the old one; sign the site with the new key now"), std::string::npos);
    const std::string statement = "site/YEROMP3LiveUpdate/key-rotation.txt";
    const std::string text = ReadFile(work.Path() / statement);
    // A public key file: a comment line ending in the key id, then the key.
    const auto keyId = [](const std::string& pub) {
        const std::string comment = pub.substr(0, pub.find('\n'));
        return comment.substr(comment.rfind(' ') + 1);
    };
    const auto keyLine = [](const std::string& pub) {
        const std::size_t start = pub.find('\n') + 1;
        return pub.substr(start, pub.find('\n', start) - start);
    };
    EXPECT_EQ(text.rfind("yeroup key rotation 1\ntimestamp: ", 0), 0u) << text;
    EXPECT_NE(text.find("\nold: " + keyId(ReadFile(work.Path() / "key.pub")) +
                        "\nnew: " + keyLine(ReadFile(work.Path() / "new.pub")) + "\nretire-old: yes\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(Shell("minisign -Vq -p key.pub -m " + statement), 0);
    EXPECT_EQ(Shell("minisign -Vq -p new.pub -m " + statement + " -x " + statement + ".new.minisig"), 0);
    EXPECT_NE(Shell("minisign -Vq -p key.pub -m " + statement + " -x " + statement + ".new.minisig"), 0);
    ASSERT_EQ(Publish("sign site new.sec").status, 0);
    EXPECT_EQ(Shell("minisign -Vq -p new.pub -m site/YEROMP3LiveUpdate/YEROMP3LiveUpdate.ini"), 0);

    const ToolRun same = Publish("rotate site key.sec key.sec");
    EXPECT_EQ(same.status, 1);
    EXPECT_NE(same.err.find("the old and the new key are the same key"), std::string::npos) << same.err;
    EXPECT_EQ(Publish("rotate --retire-old nowhere key.sec new.sec").status, 1);
}

}  // namespace
}  // namespace yeroup::test
