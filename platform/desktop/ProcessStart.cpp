#include "platform/desktop/ProcessStart.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace yeroup::platform {

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> parts;
    std::string current;
    bool quoted = false;
    bool any = false;
    for (const char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any) parts.push_back(current);
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any) parts.push_back(current);
    return parts;
}

namespace {

bool IsExecutableFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string FindProgram(const std::string& program, const std::string& exeFolder) {
    if (program.empty()) return {};
    if (program.find('/') != std::string::npos) return IsExecutableFile(program) ? program : std::string();
    if (!exeFolder.empty()) {
        const std::string local = (std::filesystem::path(exeFolder) / program).string();
        if (IsExecutableFile(local)) return local;
    }
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string dir = dirs.substr(start, end - start);
        if (!dir.empty()) {
            const std::string candidate = (std::filesystem::path(dir) / program).string();
            if (IsExecutableFile(candidate)) return candidate;
        }
        start = end + 1;
    }
    return {};
}

bool SpawnDetached(const std::string& path, const std::vector<std::string>& args, const std::string& directory) {
    std::vector<std::string> argvText{path};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argvText) argv.push_back(a.data());
    argv.push_back(nullptr);

    // The grandchild reports a failed exec through this pipe; a successful exec closes it unwritten.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
        int error = 0;
        if (!directory.empty() && ::chdir(directory.c_str()) != 0) {
            error = errno;
        } else {
            ::execv(path.c_str(), argv.data());
            error = errno;
        }
        [[maybe_unused]] const ssize_t n = ::write(report[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    int error = 0;
    ssize_t n;
    while ((n = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {}
    ::close(report[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

bool TProcessStarter::WinExec(const std::string& commandLine, int /*showFlag*/) {
    std::vector<std::string> parts = SplitCommandLine(commandLine);
    if (parts.empty()) return false;
    const std::string program = FindProgram(parts.front(), exeFolder_);
    if (program.empty()) return false;
    parts.erase(parts.begin());
    return SpawnDetached(program, parts, {});
}

bool TProcessStarter::ShellExecute(const std::string& /*operation*/, const std::string& file,
                                   const std::string& parameters, const std::string& directory, int /*showCommand*/) {
    if (!IsExecutableFile(file)) return false;
    return SpawnDetached(file, SplitCommandLine(parameters), directory);
}

}  // namespace yeroup::platform
