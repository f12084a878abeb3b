// yeroup-publish build|sign|check: the vendor's side of the update site. See Usage().
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "http/IdStrToInt.h"
#include "tools/publish/SiteBuild.h"
#include "tools/publish/SiteCheck.h"
#include "tools/publish/SiteSign.h"

using namespace yeroup;

namespace {

constexpr const char* kPasswordVariable = "YEROUP_PUBLISH_PASSWORD";
constexpr int kDefaultExpiryDays = 30;
constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;

int Usage() {
    std::fprintf(
        stderr,
        "usage: yeroup-publish build SOURCE SITE\n"
        "       yeroup-publish sign [--expires-days N] SITE KEY\n"
        "       yeroup-publish check [--key PUB] HOST\n"
        "build  writes the update site from its source folder into SITE (replaced whole): the catalogue\n"
        "       YEROMP3LiveUpdate/YEROMP3LiveUpdate.ini in code page 936, the home page, and each firmware's page\n"
        "       (.asp) and package (.zip) at YEROMP3LiveUpdate/Firmware/<model>/<model>_<firmware>, names in code\n"
        "       page 936 as the program asks for them. Every package is extracted as the program would; a name that\n"
        "       code page 936 cannot hold, a damaged package or an entry that would not land as it should is an\n"
        "       error, and then nothing is written. The source: see man yeroup-publish.\n"
        "sign   signs the catalogue and every package of SITE with the minisign secret key KEY (as `minisign -G`\n"
        "       writes it), beside each file as <file>.minisig; the catalogue's signature expires after N days\n"
        "       (default %d). The password of an encrypted key comes from $%s, else a line of the standard\n"
        "       input (asked for on a terminal); a wrong one is told by the public key the seed gives, as OpenSSL 3.0\n"
        "       cannot compute the key's own BLAKE2b-256 checksum.\n"
        "check  reads the live site at HOST (host[:port], http://host[:port] or https://host[:port]) as the\n"
        "       program does, through the environment's proxy and with $YEROUP_CA_FILE, and prints each problem on a\n"
        "       line; with --key, signatures are checked with the minisign public keys in PUB.\n"
        "Exit status: 0 done (check: the site is clean), 1 faults found, 2 wrong arguments or the check could not run.\n",
        kDefaultExpiryDays, kPasswordVariable);
    return 2;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "yeroup-publish: %s\n", message.c_str());
    return 1;
}

// A line of the standard input, without echo on a terminal.
std::string PasswordFromInput() {
    if (const char* given = std::getenv(kPasswordVariable)) return given;
    const bool terminal = ::isatty(STDIN_FILENO) != 0;
    termios saved{};
    if (terminal) {
        std::fprintf(stderr, "Password: ");
        ::tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fprintf(stderr, "\n");
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

int Build(const std::vector<std::string>& args) {
    if (args.size() != 2) return Usage();
    const std::vector<std::string> problems = tools::BuildSite(args[0], args[1]);
    for (const std::string& problem : problems) std::printf("%s\n", problem.c_str());
    if (!problems.empty()) return Fail(std::to_string(problems.size()) + " faults; " + args[1] + " is left as it was");
    std::fprintf(stderr, "built %s from %s\n", args[1].c_str(), args[0].c_str());
    return 0;
}

int Sign(std::vector<std::string> args) {
    std::int32_t days = kDefaultExpiryDays;
    if (args.size() == 4 && args[0] == "--expires-days") {
        if (!http::TryStrToInt(args[1], days) || days < 1) return Usage();
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() != 2) return Usage();
    const std::string done =
        tools::SignSite(args[0], args[1], days * kSecondsPerDay, std::time(nullptr), PasswordFromInput);
    std::fprintf(stderr, "%s\n", done.c_str());
    return 0;
}

int Check(std::vector<std::string> args) {
    std::string key;
    if (args.size() == 3 && args[0] == "--key") {
        key = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() != 1) return Usage();
    tools::TCheckSummary summary;
    try {
        summary = tools::CheckSite(args[0], key, std::time(nullptr), stdout);
    } catch (const std::exception& e) {
        Fail(e.what());
        return 2;
    }
    const std::string checked = std::to_string(summary.models) + " models, " + std::to_string(summary.firmware) +
                                " firmware; " +
                                (key.empty() ? "signatures not checked (no --key)" : "signatures checked");
    if (summary.problems != 0) return Fail(std::to_string(summary.problems) + " problems (" + checked + ")");
    std::fprintf(stderr, "clean: %s\n", checked.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    try {
        if (command == "build") return Build(args);
        if (command == "sign") return Sign(args);
        if (command == "check") return Check(args);
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
    return Usage();
}
