#include "tools/fetch/FetchProgress.h"

#include <unistd.h>

#include <algorithm>

namespace yeroup::tools {

TFetchProgress::TFetchProgress(std::FILE* out) : out_(out), terminal_(::isatty(::fileno(out)) == 1) {}

void TFetchProgress::Attach(http::TIdHTTP& client, const app::TPartialDownload& download) {
    download_ = &download;
    client.OnWorkBegin = [this](net::TIdComponent*, net::TWorkMode mode, std::int32_t) {
        if (mode != net::wmRead) return;
        if (!began_ || download_->Offset() != resumed_) {
            began_ = true;
            start_ = std::chrono::steady_clock::now();
            announced_ = std::max<std::int64_t>(download_->Total(), 0);
            resumed_ = download_->Offset();
            before_ = 0;
        }
        current_ = 0;
    };
    client.OnWork = [this](net::TIdComponent*, net::TWorkMode mode, std::int32_t count) {
        if (mode != net::wmRead) return;
        current_ = count;
        Draw(false);
    };
    client.OnWorkEnd = [this](net::TIdComponent*, net::TWorkMode mode) {
        if (mode != net::wmRead) return;
        before_ += current_;
        current_ = 0;
    };
}

void TFetchProgress::Draw(bool force) {
    if (!terminal_ || !began_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - drawn_ < std::chrono::milliseconds(100)) return;
    drawn_ = now;
    const std::int64_t moved = before_ + current_;
    const std::int64_t done = resumed_ + moved;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(moved) / (1024.0 * 1024.0) / seconds : 0.0;
    if (announced_ > 0)
        std::fprintf(out_, "\r%lld of %lld KiB  %3lld%%  %.1f MiB/s", static_cast<long long>(done / 1024),
                     static_cast<long long>(announced_ / 1024), static_cast<long long>(done * 100 / announced_), rate);
    else
        std::fprintf(out_, "\r%lld KiB  %.1f MiB/s", static_cast<long long>(done / 1024), rate);
    // The rate is this run's; the count includes what an earlier run left, and says so.
    if (resumed_ > 0) std::fprintf(out_, "  (resumed after %lld KiB)", static_cast<long long>(resumed_ / 1024));
    std::fputs("   ", out_);
    std::fflush(out_);
}

void TFetchProgress::Finish() {
    if (!terminal_ || !began_) return;
    Draw(true);
    std::fputc('\n', out_);
}

}  // namespace yeroup::tools
