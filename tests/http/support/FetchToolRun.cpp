#include "tests/http/support/FetchToolRun.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace yeroup::test {

FetchToolRun RunFetchTool(const std::string& url, const std::filesystem::path& file, int timeoutMs) {
    return RunFetchTool({url, file.string()}, file.string() + ".stderr", timeoutMs);
}

FetchToolRun RunFetchTool(const std::vector<std::string>& arguments, const std::filesystem::path& errorFile,
                          int timeoutMs, const std::function<bool()>& killWhen) {
    std::vector<char*> argv{const_cast<char*>(YEROUP_FETCH_TOOL)};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int log = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (log >= 0) ::dup2(log, STDERR_FILENO);
        ::execv(YEROUP_FETCH_TOOL, argv.data());
        ::_exit(127);
    }
    FetchToolRun run;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    rusage usage{};
    for (;;) {
        const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) break;
        if (std::chrono::steady_clock::now() > deadline || (killWhen && killWhen())) {
            ::kill(pid, SIGKILL);
            ::wait4(pid, &status, 0, &usage);
            status = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (status != -1 && WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
    run.peakKiB = usage.ru_maxrss;
    std::ifstream in(errorFile);
    std::ostringstream text;
    text << in.rdbuf();
    run.errorOutput = text.str();
    return run;
}

}  // namespace yeroup::test
