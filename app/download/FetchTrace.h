#pragma once
// The trace line of one fetch through an HTTP client of the program.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "app/core/Trace.h"
#include "http/IdHTTP.h"
#include "platform/streams/Stream.h"

namespace yeroup::app {

class TFetchTrace {
public:
    // Made just before the Get. The client's last status line is forgotten, so that a call that fails before its
    // own response arrives shows no status of the call before (the connection's reuse does not depend on it).
    TFetchTrace(const TTrace& trace, http::TIdHTTP& client, const std::string& url, platform::TStream& body);
    // For a body that goes elsewhere than a stream: received tells its bytes when the line is written.
    TFetchTrace(const TTrace& trace, http::TIdHTTP& client, const std::string& url,
                std::function<std::int64_t()> received);

    // Keeps the client's status and announced length as they are now, for a line written after the client has made
    // another call (a package's line after its signature's fetch).
    void Settle();

    // Writes the line: the body was taken, or why the fetch failed or its body was not taken.
    void Taken() const { Write({}); }
    void Failed(std::string_view why) const { Write(why.empty() ? std::string_view("failed") : why); }

private:
    // The client's status and announced length now; -1 for what it did not get.
    std::pair<std::int32_t, std::int64_t> Answer() const;
    void Write(std::string_view failure) const;

    const TTrace& trace_;
    http::TIdHTTP& client_;
    std::string url_;
    std::function<std::int64_t()> received_;
    std::optional<std::pair<std::int32_t, std::int64_t>> settled_;  // status and announced length
};

}  // namespace yeroup::app
