#include "app/download/HostRotation.h"

#include <algorithm>

namespace yeroup::app {

THostRotation::THostRotation(std::vector<std::string> urls) : urls_(std::move(urls)), dropped_(urls_.size(), false) {}

bool THostRotation::OthersLeft() const {
    for (std::size_t i = 0; i < urls_.size(); ++i)
        if (i != current_ && !dropped_[i]) return true;
    return false;
}

bool THostRotation::Next(bool drop) {
    // The last host left is never dropped: it is retried as a single host would be.
    if (drop && OthersLeft()) dropped_[current_] = true;
    const std::size_t from = current_;
    do current_ = (current_ + 1) % urls_.size();
    while (dropped_[current_]);
    return current_ <= from;
}

std::string HostOfUrl(const std::string& url) {
    const std::size_t scheme = url.find("://");
    const std::size_t start = scheme == std::string::npos ? 0 : scheme + 3;
    return url.substr(0, std::min(url.find('/', start), url.size()));
}

}  // namespace yeroup::app
