#pragma once
// Starting other programs: the setup program by command line, the updater with parameters and a working folder.
// The program never waits for them nor looks at how they end.
#include <string>
#include <vector>

namespace yeroup::platform {

class IProcessStarter {
public:
    virtual ~IProcessStarter() = default;
    // Starts a command line (program and arguments split at blanks, double quotes group); the program is
    // looked up in the executable's folder first, then on the PATH. showFlag 0 asks for no window.
    virtual bool WinExec(const std::string& commandLine, int showFlag) = 0;
    // Starts file with the parameter text (split as a command line) in the given working folder.
    virtual bool ShellExecute(const std::string& operation, const std::string& file, const std::string& parameters,
                              const std::string& directory, int showCommand) = 0;
};

// Splits a command line at blanks; double quotes group blanks into one argument and are dropped.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// The full path of program: as given when it holds a "/", else from exeFolder, else from the PATH; empty when
// no executable file of that name is found.
std::string FindProgram(const std::string& program, const std::string& exeFolder);

// Starts path with args in directory as a detached process (it outlives this one and is never a zombie of it);
// false when it could not be started.
bool SpawnDetached(const std::string& path, const std::vector<std::string>& args, const std::string& directory);

class TProcessStarter final : public IProcessStarter {
public:
    explicit TProcessStarter(std::string exeFolder) : exeFolder_(std::move(exeFolder)) {}
    bool WinExec(const std::string& commandLine, int showFlag) override;
    bool ShellExecute(const std::string& operation, const std::string& file, const std::string& parameters,
                      const std::string& directory, int showCommand) override;

private:
    std::string exeFolder_;
};

}  // namespace yeroup::platform
