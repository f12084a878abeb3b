#pragma once
// The progress line of the fetch tool: bytes so far, the share of the announced size and the average rate, redrawn
// on one terminal line at most ten times a second.
#include <chrono>
#include <cstdint>
#include <cstdio>

#include "http/IdHTTP.h"

namespace yeroup::tools {

class TFetchProgress {
public:
    // Draws on out only when it is a terminal.
    explicit TFetchProgress(std::FILE* out);
    // Hooks the client's work events (each chunk of a chunked body is a span of its own; the line counts on).
    void Attach(http::TIdHTTP& client);
    // Draws the last state and ends the line.
    void Finish();

private:
    void Draw(bool force);

    std::FILE* out_;
    bool terminal_;
    std::int64_t announced_ = 0;  // 0 when the size is not known
    std::int64_t before_ = 0;     // bytes of the spans that have ended
    std::int64_t current_ = 0;    // bytes of the open span
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point drawn_;
    bool began_ = false;
};

}  // namespace yeroup::tools
