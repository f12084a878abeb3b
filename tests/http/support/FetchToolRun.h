#pragma once
// Runs the fetch tool (the program's client in a process of its own) and reports how it ended and the peak memory
// the process used, so memory bounds are checked on a whole process and not on the test's own heap.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace yeroup::test {

struct FetchToolRun {
    int exitStatus = -1;      // -1 when it had to be killed
    long peakKiB = 0;         // the process's peak resident memory
    std::string errorOutput;  // what it wrote to its error output
};

// Fetches url into file; the process is killed after timeoutMs.
FetchToolRun RunFetchTool(const std::string& url, const std::filesystem::path& file, int timeoutMs = 20000);
// The tool with these arguments (options, URL, FILE); its error output goes to errorFile. It is killed (SIGKILL)
// after timeoutMs, or as soon as killWhen (asked every few milliseconds) holds, as a crash or a kill -9 would end it.
FetchToolRun RunFetchTool(const std::vector<std::string>& arguments, const std::filesystem::path& errorFile,
                          int timeoutMs, const std::function<bool()>& killWhen = {});

}  // namespace yeroup::test
