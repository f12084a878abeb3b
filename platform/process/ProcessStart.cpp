#include "platform/process/ProcessStart.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "platform/text/AsciiText.h"

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

bool EndsWithExe(const std::string& path) {
    return path.size() >= 4 && SameText(std::string_view(path).substr(path.size() - 4), ".exe");
}

// This process's environment with the "NAME=value" entries of changes put in.
std::vector<std::string> ChangedEnvironment(const std::vector<std::string>& changes) {
    std::vector<std::string> result;
    for (char** entry = ::environ; entry && *entry; ++entry) {
        const std::string_view text(*entry);
        const bool replaced = std::any_of(changes.begin(), changes.end(), [&](const std::string& change) {
            const std::size_t eq = change.find('=');
            return text.size() > eq && text.substr(0, eq + 1) == std::string_view(change).substr(0, eq + 1);
        });
        if (!replaced) result.emplace_back(text);
    }
    result.insert(result.end(), changes.begin(), changes.end());
    return result;
}

}  // namespace

TProgramKind ProgramKind(const std::string& path) {
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) return TProgramKind::None;
    char head[4] = {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ssize_t n = 0;
    if (fd >= 0) {
        n = ::read(fd, head, sizeof head);
        ::close(fd);
    }
    const std::string_view start(head, n > 0 ? static_cast<std::size_t>(n) : 0);
    if (start.substr(0, 2) == "MZ") return TProgramKind::Windows;
    const bool executable = ::access(path.c_str(), X_OK) == 0;
    if (executable && (start == "\x7f"
                                "ELF" ||
                       start.substr(0, 2) == "#!"))
        return TProgramKind::Native;
    if (EndsWithExe(path)) return TProgramKind::Windows;
    return executable ? TProgramKind::Native : TProgramKind::None;
}

std::string FindProgram(const std::string& program, const std::vector<std::string>& folders) {
    if (program.empty()) return {};
    if (program.find('/') != std::string::npos)
        return ProgramKind(program) != TProgramKind::None ? program : std::string();
    for (const std::string& folder : folders) {
        if (folder.empty()) continue;
        std::string local = (std::filesystem::path(folder) / program).string();
        if (ProgramKind(local) != TProgramKind::None) return local;
    }
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string dir = dirs.substr(start, end - start);
        if (!dir.empty()) {
            std::string candidate = (std::filesystem::path(dir) / program).string();
            if (ProgramKind(candidate) != TProgramKind::None) return candidate;
        }
        start = end + 1;
    }
    return {};
}

TProcessHandle& TProcessHandle::operator=(TProcessHandle&& other) noexcept {
    if (this != &other) {
        if (pidfd_ >= 0) ::close(pidfd_);
        pidfd_ = other.pidfd_;
        identity_ = other.identity_;
        other.pidfd_ = -1;
    }
    return *this;
}

TProcessHandle::~TProcessHandle() {
    if (pidfd_ >= 0) ::close(pidfd_);
}

bool TProcessHandle::Running() const {
    if (pidfd_ < 0) return false;
    pollfd ended{pidfd_, POLLIN, 0};
    return ::poll(&ended, 1, 0) == 0;
}

namespace {

// The NULL-ended array of pointers execve takes, into texts that outlive it.
std::vector<char*> PointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// The middle child: a session of its own, then the grandchild, whose number it reports before it ends. The
// grandchild waits for go to close, then runs the program; only a failed exec writes its errno to report.
[[noreturn]] void RunDetachedChild(const std::string& path, char* const* argv, char* const* envp,
                                   const std::string& directory, int report, int goRead, int goWrite) {
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild != 0) {
        [[maybe_unused]] const ssize_t n = ::write(report, &grandchild, sizeof grandchild);
        ::_exit(grandchild < 0 ? 1 : 0);
    }
    ::close(goWrite);
    char byte;
    while (::read(goRead, &byte, 1) < 0 && errno == EINTR) {}
    int error = 0;
    if (!directory.empty() && ::chdir(directory.c_str()) != 0) {
        error = errno;
    } else {
        ::execve(path.c_str(), argv, envp);
        error = errno;
    }
    [[maybe_unused]] const ssize_t n = ::write(report, &error, sizeof error);
    ::_exit(127);
}

}  // namespace

bool SpawnDetached(const std::string& path, const std::vector<std::string>& args, const std::string& directory,
                   const std::vector<std::string>& environment, TProcessHandle* handle) {
    std::vector<std::string> argvText{path};
    argvText.insert(argvText.end(), args.begin(), args.end());
    const std::vector<char*> argv = PointersTo(argvText);
    // Built before the fork: the child of a threaded process may only make async-signal-safe calls.
    std::vector<std::string> envText = ChangedEnvironment(environment);
    const std::vector<char*> envp = PointersTo(envText);

    // The middle child reports the grandchild's number through report, then the grandchild a failed exec (a
    // successful one closes it unwritten). The grandchild waits for go to close before it runs the program, so
    // its number cannot have gone to another process when this one takes its pidfd.
    int report[2], go[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;
    if (::pipe2(go, O_CLOEXEC) != 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        for (const int fd : {report[0], report[1], go[0], go[1]}) ::close(fd);
        return false;
    }
    if (child == 0) RunDetachedChild(path, argv.data(), envp.data(), directory, report[1], go[0], go[1]);
    ::close(report[1]);
    ::close(go[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    pid_t grandchild = -1;
    ssize_t n;
    while ((n = ::read(report[0], &grandchild, sizeof grandchild)) < 0 && errno == EINTR) {}
    const bool forked = WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == sizeof grandchild;
    // The grandchild waits for go, so its number and start time are its own here.
    if (forked && handle)
        *handle = TProcessHandle(static_cast<int>(::syscall(SYS_pidfd_open, grandchild, 0)), IdentityOf(grandchild));
    ::close(go[1]);
    int error = 0;
    while ((n = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {}
    ::close(report[0]);
    return forked && n == 0;
}

TStartResult TProcessStarter::Start(const std::string& path, const std::vector<std::string>& args,
                                    const std::string& directory, TProcessHandle* handle) {
    std::error_code error;
    if (!directory.empty() && !std::filesystem::is_directory(directory, error)) return TStartResult::NotFound;
    switch (ProgramKind(path)) {
    case TProgramKind::None: return TStartResult::NotFound;
    case TProgramKind::Native:
        return SpawnDetached(path, args, directory, {}, handle) ? TStartResult::Started : TStartResult::Failed;
    case TProgramKind::Windows: break;
    }
    const std::string wine = FindProgram("wine", {});
    if (wine.empty()) return TStartResult::NoWine;
    std::vector<std::string> wineArgs{path};
    wineArgs.insert(wineArgs.end(), args.begin(), args.end());
    std::vector<std::string> environment;
    if (!winePrefix_.empty()) environment.push_back("WINEPREFIX=" + winePrefix_.string());
    // wine runs the program in the process it starts as (its launcher script execs the loader).
    return SpawnDetached(wine, wineArgs, directory, environment, handle) ? TStartResult::Started : TStartResult::Failed;
}

TStartResult TProcessStarter::WinExec(const std::string& commandLine, int /*showFlag*/) {
    std::vector<std::string> parts = SplitCommandLine(commandLine);
    if (parts.empty()) return TStartResult::NotFound;
    const std::string program = FindProgram(parts.front(), folders_);
    if (program.empty()) return TStartResult::NotFound;
    parts.erase(parts.begin());
    return Start(program, parts, {});
}

TStartResult TProcessStarter::ShellExecute(const std::string& /*operation*/, const std::string& file,
                                           const std::string& parameters, const std::string& directory,
                                           int /*showCommand*/) {
    TProcessHandle handle;
    const TStartResult result = Start(file, SplitCommandLine(parameters), directory, &handle);
    if (result == TStartResult::Started) started_[file] = std::move(handle);
    return result;
}

bool TProcessStarter::StillRunning(const std::string& file) {
    const auto found = started_.find(file);
    if (found == started_.end()) return false;
    if (found->second.Running()) return true;
    started_.erase(found);
    return false;
}

std::optional<TProcessIdentity> TProcessStarter::StartedIdentity(const std::string& file) {
    if (!StillRunning(file)) return std::nullopt;
    return started_.at(file).Identity();
}

}  // namespace yeroup::platform
