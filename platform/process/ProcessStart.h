#pragma once
// Starting other programs: the setup program by command line, the updater with parameters and a working folder.
// A Windows program (an "MZ" executable, or a name ending in ".exe" that is no native executable) starts through
// wine from the PATH, in the Wine prefix the starter was given. The program never waits for them nor looks at how
// they end; it learns whether they could be started and, for the last program started from a file, whether it
// still runs and which process it is, so that later runs can tell too.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/process/ProcessIdentity.h"

namespace yeroup::platform {

enum class TStartResult {
    Started,
    NotFound,  // no such program, or no such working folder
    NoWine,    // a Windows program, and no wine on the PATH to run it
    Failed,    // the system refused to start it
};

class IProcessStarter {
public:
    virtual ~IProcessStarter() = default;
    // Starts a command line (program and arguments split at blanks, double quotes group); the program is
    // looked up in the program folders first, then on the PATH. showFlag 0 asks for no window.
    virtual TStartResult WinExec(const std::string& commandLine, int showFlag) = 0;
    // Starts file with the parameter text (split as a command line) in the given working folder.
    virtual TStartResult ShellExecute(const std::string& operation, const std::string& file,
                                      const std::string& parameters, const std::string& directory, int showCommand) = 0;
    // Whether the program last started through ShellExecute from file still runs (a Windows program: the wine
    // process it runs in). False once it has ended, and for a file never started.
    virtual bool StillRunning(const std::string& file) = 0;
    // The process last started through ShellExecute from file, while it runs: to be recorded for later runs.
    virtual std::optional<TProcessIdentity> StartedIdentity(const std::string& file) = 0;
    // Whether a process recorded by this run or an earlier one still runs.
    virtual bool StillRunning(const TProcessIdentity& process) = 0;
};

// A started process as long as it may run: its pidfd, which becomes readable when the process ends, even after
// another process took over its number.
class TProcessHandle {
public:
    explicit TProcessHandle(int pidfd = -1, std::optional<TProcessIdentity> identity = {})
        : pidfd_(pidfd), identity_(identity) {}
    TProcessHandle(TProcessHandle&& other) noexcept : pidfd_(other.pidfd_), identity_(other.identity_) {
        other.pidfd_ = -1;
    }
    TProcessHandle& operator=(TProcessHandle&& other) noexcept;
    TProcessHandle(const TProcessHandle&) = delete;
    TProcessHandle& operator=(const TProcessHandle&) = delete;
    ~TProcessHandle();

    // False for a process that ended, and for none (a system without pidfds cannot tell).
    bool Running() const;
    // The process as later runs of this program can know it; none for none.
    const std::optional<TProcessIdentity>& Identity() const { return identity_; }

private:
    int pidfd_;
    std::optional<TProcessIdentity> identity_;
};

enum class TProgramKind { None, Native, Windows };

// What kind of program a file is: Windows for an "MZ" executable or a ".exe" name that is no native
// executable (ELF or "#!" script with the execute permission), Native for another executable file.
TProgramKind ProgramKind(const std::string& path);

// Splits a command line at blanks; double quotes group blanks into one argument and are dropped.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// The full path of program: as given when it holds a "/", else from the first of folders that has it, else from
// the PATH; empty when no program of that name (of any kind) is found.
std::string FindProgram(const std::string& program, const std::vector<std::string>& folders);

// Starts path with args in directory as a detached process (it outlives this one and is never a zombie of it),
// with the environment of this process changed by the "NAME=value" entries of environment; false when it could
// not be started. handle, when given, is set to the started process.
bool SpawnDetached(const std::string& path, const std::vector<std::string>& args, const std::string& directory,
                   const std::vector<std::string>& environment = {}, TProcessHandle* handle = nullptr);

class TProcessStarter final : public IProcessStarter {
public:
    // programFolders: where WinExec looks before the PATH (the exe folder first). winePrefix: passed on to wine
    // as WINEPREFIX; empty leaves the environment's.
    explicit TProcessStarter(std::vector<std::string> programFolders, std::filesystem::path winePrefix = {})
        : folders_(std::move(programFolders)), winePrefix_(std::move(winePrefix)) {}
    TStartResult WinExec(const std::string& commandLine, int showFlag) override;
    TStartResult ShellExecute(const std::string& operation, const std::string& file, const std::string& parameters,
                              const std::string& directory, int showCommand) override;
    bool StillRunning(const std::string& file) override;
    std::optional<TProcessIdentity> StartedIdentity(const std::string& file) override;
    bool StillRunning(const TProcessIdentity& process) override { return StillRuns(process); }

private:
    TStartResult Start(const std::string& path, const std::vector<std::string>& args, const std::string& directory,
                       TProcessHandle* handle = nullptr);

    std::vector<std::string> folders_;
    std::filesystem::path winePrefix_;
    std::map<std::string, TProcessHandle> started_;  // by the file ShellExecute was given
};

}  // namespace yeroup::platform
