#pragma once
// The progress line of the fetch tool: bytes so far (with the part an earlier run left), the share of the whole
// size and the average rate of this run's bytes, redrawn on one terminal line at most ten times a second.
#include <chrono>
#include <cstdint>
#include <cstdio>

#include "app/download/PartialDownload.h"
#include "http/IdHTTP.h"

namespace yeroup::tools {

class TFetchProgress {
public:
    // Draws on out only when it is a terminal.
    explicit TFetchProgress(std::FILE* out);
    // Hooks the client's work events (each chunk of a chunked body is a span of its own; the line counts on);
    // download says what was already there and the whole size.
    void Attach(http::TIdHTTP& client, const app::TPartialDownload& download);
    // Draws the last state and ends the line.
    void Finish();

private:
    void Draw(bool force);

    std::FILE* out_;
    bool terminal_;
    const app::TPartialDownload* download_ = nullptr;
    std::int64_t announced_ = 0;  // the whole size, 0 when it is not known
    std::int64_t resumed_ = 0;    // bytes an earlier run left
    std::int64_t before_ = 0;     // bytes of the spans that have ended
    std::int64_t current_ = 0;    // bytes of the open span
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point drawn_;
    bool began_ = false;
};

}  // namespace yeroup::tools
