#pragma once
// What the download benchmarks share: the 256 MiB file, timing one Get into a memory stream and one curl run of
// the same URL, and the rounds with their best and mean rates printed side by side.
#include <filesystem>
#include <functional>
#include <string>

#include "http/IdHTTP.h"

namespace yeroup::bench {

// Writes the file the benchmarks download.
void WriteBigFile(const std::filesystem::path& path);

// MiB/s of one Get of url into a memory stream with client; exits when the body is not the whole file.
double GetRate(http::TIdHTTP& client, const std::string& url);

// MiB/s of one run of a curl command that downloads the whole file; exits when curl fails.
double CurlRate(const std::string& command);

// A warm-up (shown, not counted: the first download of a process pays for fresh memory), then rounds of both,
// each printed, then the best and the mean of each with their ratio.
void RunRounds(int rounds, const std::function<double()>& get, const std::function<double()>& curl);

}  // namespace yeroup::bench
