// yeroup-publish build|sign|check|rotate: the vendor's side of the update site. See PublishHelpText().
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <string>
#include <vector>

#include "app/core/AppFiles.h"
#include "http/IdStrToInt.h"
#include "platform/process/CoreDumps.h"
#include "tools/publish/PublishCommandLine.h"
#include "tools/publish/SiteBuild.h"
#include "tools/publish/SiteCheck.h"
#include "tools/publish/SiteRotate.h"
#include "tools/publish/SiteSign.h"

using namespace yeroup;

namespace {

constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;

int Fail(const std::string& message) {
    std::fprintf(stderr, "yeroup-publish: %s\n", message.c_str());
    return 1;
}

int UsageError(const std::string& what) {
    std::fprintf(stderr, "yeroup-publish: %s\n%s\n", what.c_str(), tools::kTryHelp);
    return 2;
}

// The password from the environment variable (wiped there once taken), else a line of the standard input, without
// echo on a terminal. Read with read(2) into the secret's own buffer: a stream's buffer would keep a copy.
app::trust::TSecretText PasswordFrom(const char* variable, const char* prompt) {
    if (char* given = std::getenv(variable)) {
        app::trust::TSecretText password(given);
        std::fill(given, given + std::strlen(given), '\0');
        return password;
    }
    const bool terminal = ::isatty(STDIN_FILENO) != 0;
    termios saved{};
    if (terminal) {
        std::fprintf(stderr, "%s: ", prompt);
        ::tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    app::trust::TSecretText line;
    char c = 0;
    bool fits = true;
    while (fits) {
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 || c == '\n') break;
        fits = line.Append(c);
    }
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fprintf(stderr, "\n");
    }
    if (!fits)
        throw std::runtime_error("the password is longer than " + std::to_string(app::trust::TSecretText::kCapacity) +
                                 " bytes");
    if (!line.Text().empty() && line.Text().back() == '\r') line.PopBack();
    return line;
}

app::trust::TSecretText PasswordFromInput() { return PasswordFrom(tools::kPasswordVariable, "Password"); }

int Build(const tools::TPublishCommandLine& line) {
    const std::vector<std::string>& args = line.operands;
    const std::vector<std::string> problems = tools::BuildSite(args[0], args[1], line.mirrors);
    for (const std::string& problem : problems) std::printf("%s\n", problem.c_str());
    if (!problems.empty()) return Fail(std::to_string(problems.size()) + " faults; " + args[1] + " is left as it was");
    std::fprintf(stderr, "built %s from %s\n", args[1].c_str(), args[0].c_str());
    return 0;
}

int Sign(const tools::TPublishCommandLine& line) {
    std::int32_t days = tools::kDefaultExpiryDays;
    if (line.expiresDays && (!http::TryStrToInt(*line.expiresDays, days) || days < 1))
        return UsageError("--expires-days takes a whole number of days, 1 or more, not '" + *line.expiresDays + "'");
    // The password and the decrypted key must not reach a core file.
    if (!platform::ForbidCoreDumps())
        return Fail("core dumps cannot be turned off: " + std::string(std::strerror(errno)));
    std::string done;
    try {
        done = tools::SignSite(line.operands[0], line.operands[1], days * kSecondsPerDay, std::time(nullptr),
                               PasswordFromInput);
    } catch (const tools::ESiteFaults& e) {
        for (const std::string& problem : e.problems) std::printf("%s\n", problem.c_str());
        return Fail(e.what());
    }
    std::fprintf(stderr, "%s\n", done.c_str());
    return 0;
}

int Check(const tools::TPublishCommandLine& line) {
    const std::string& host = line.operands[0];
    if (const std::string path = app::UpdateHostPath(host); !path.empty())
        return UsageError("the host '" + host + "' has a path (" + path +
                          "); give it as the program's host setting: host[:port], http://host[:port] or "
                          "https://host[:port]");
    const std::string key = line.key.value_or("");
    tools::TCheckSummary summary;
    try {
        summary = tools::CheckSite(host, key, std::time(nullptr), stdout);
    } catch (const std::exception& e) {
        Fail(e.what());
        return 2;
    }
    const std::string checked =
        std::to_string(summary.models) + " models, " + std::to_string(summary.firmware) + " firmware" +
        (summary.mirrors > 0 ? ", " + std::to_string(summary.mirrors) + (summary.mirrors == 1 ? " mirror" : " mirrors")
                             : "") +
        "; " + (key.empty() ? "signatures not checked (no --key)" : "signatures checked");
    if (summary.problems != 0) return Fail(std::to_string(summary.problems) + " problems (" + checked + ")");
    std::fprintf(stderr, "clean: %s\n", checked.c_str());
    return 0;
}

int Rotate(const tools::TPublishCommandLine& line) {
    // The passwords and the decrypted keys must not reach a core file.
    if (!platform::ForbidCoreDumps())
        return Fail("core dumps cannot be turned off: " + std::string(std::strerror(errno)));
    const std::string done = tools::RotateKey(
        line.operands[0], line.operands[1], line.operands[2], line.retireOld, std::time(nullptr),
        [] { return PasswordFrom(tools::kPasswordVariable, "Password of the old key"); },
        [] { return PasswordFrom(tools::kNewPasswordVariable, "Password of the new key"); });
    std::fprintf(stderr, "%s\n", done.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    tools::TPublishCommandLine line;
    try {
        line = tools::ParsePublishCommandLine(std::vector<std::string>(argv, argv + argc));
    } catch (const tools::EUsageError& e) {
        return UsageError(e.what());
    }
    if (line.help) {
        std::fputs(tools::PublishHelpText().c_str(), stdout);
        return 0;
    }
    if (line.version) {
        std::printf("yeroup-publish %s\n", YEROUP_VERSION);
        return 0;
    }
    try {
        if (line.command == "build") return Build(line);
        if (line.command == "sign") return Sign(line);
        if (line.command == "rotate") return Rotate(line);
        return Check(line);
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}
