#pragma once
// Runs the fetch tool (the program's client in a process of its own) and reports how it ended and the peak memory
// the process used, so memory bounds are checked on a whole process and not on the test's own heap.
#include <filesystem>
#include <string>

namespace yeroup::test {

struct FetchToolRun {
    int exitStatus = -1;      // -1 when it had to be killed
    long peakKiB = 0;         // the process's peak resident memory
    std::string errorOutput;  // what it wrote to its error output
};

// Fetches url into file; the process is killed after timeoutMs.
FetchToolRun RunFetchTool(const std::string& url, const std::filesystem::path& file, int timeoutMs = 20000);

}  // namespace yeroup::test
