#pragma once
// The hosts a package is fetched from, in the order to try them (the primary first, then its mirrors): the one in
// use, and which are still worth asking in this fetch.
#include <cstddef>
#include <string>
#include <vector>

namespace yeroup::app {

class THostRotation {
public:
    // urls: the same file on each host; at least one.
    explicit THostRotation(std::vector<std::string> urls);

    const std::string& Url() const { return urls_[current_]; }
    std::size_t Count() const { return urls_.size(); }
    // Another host than the one in use may still be asked.
    bool OthersLeft() const;
    // Leaves the host in use for the next one still worth asking (dropping it first when drop: it refused, or sends
    // another file); true when it came round to the start of the list again, or stayed on the only one left.
    bool Next(bool drop);

private:
    std::vector<std::string> urls_;
    std::vector<bool> dropped_;
    std::size_t current_ = 0;
};

// The host part of url ("http://host:port"), for the trace and the window.
std::string HostOfUrl(const std::string& url);

}  // namespace yeroup::app
