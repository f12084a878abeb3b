#include "app/core/Trace.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <type_traits>

#include "platform/text/AddressText.h"
#include "platform/text/CodePages.h"

namespace yeroup::app {

namespace {

// "2026-12-08T16:40:01.123Z" (or without the milliseconds): UTC, so that lines from machines in any time zone
// compare.
template <typename Duration>
std::string UtcText(std::chrono::sys_time<Duration> at) {
    using namespace std::chrono;
    const auto day = floor<days>(at);
    const year_month_day date(day);
    const hh_mm_ss<Duration> time(at - day);
    char text[48];
    const int written = std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d", static_cast<int>(date.year()),
                                      static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                                      static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                                      static_cast<int>(time.seconds().count()));
    if constexpr (std::is_same_v<Duration, milliseconds>)
        std::snprintf(text + written, sizeof text - static_cast<std::size_t>(written), ".%03dZ",
                      static_cast<int>(time.subseconds().count()));
    else
        std::snprintf(text + written, sizeof text - static_cast<std::size_t>(written), "Z");
    return text;
}

std::string TimeStamp() {
    return UtcText(std::chrono::time_point_cast<std::chrono::milliseconds>(std::chrono::system_clock::now()));
}

std::string CountText(std::int64_t count) { return count < 0 ? std::string("-") : std::to_string(count); }

}  // namespace

std::string UtcTimeText(std::int64_t unixSeconds) {
    // Beyond the years a calendar date is written with, the number itself says more.
    constexpr std::int64_t kEndOfYear9999 = 253402300799;
    if (unixSeconds < 0 || unixSeconds > kEndOfYear9999) return std::to_string(unixSeconds) + " s since 1970";
    return UtcText(std::chrono::sys_seconds(std::chrono::seconds(unixSeconds)));
}

TTrace TTrace::InFolder(const std::string& folder) {
    std::string file = folder;
    if (!file.empty() && file.back() != '/') file += '/';
    return TTrace(file + kFileName);
}

TTrace TTrace::FromEnvironment(const std::string& folder) {
    const char* setting = std::getenv("YEROUP_TRACE");
    if (!setting || std::string_view(setting) != "1") return {};
    return InFolder(folder);
}

void TTrace::Line(std::string_view kind, std::string_view text) const noexcept {
    if (!On()) return;
    try {
        std::string line = TimeStamp();
        line += ' ';
        line += kind;
        line += ' ';
        // UTF-8 throughout: a byte that starts no sequence (a host's reason phrase in another code page) is a '?',
        // and a cut never splits a character.
        // The trace is what users send to support: passwords in addresses and proxy settings stay out of it.
        const std::string shown = platform::AddressesForMessage(text);
        text = shown;
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t length = platform::Utf8SequenceAt(text, at);
            if (at + std::max<std::size_t>(length, 1) > kMaxTraceLineBytes) break;
            const char c = text[at];
            if (length == 0 || (length == 1 && (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)))
                line += '?';
            else
                line.append(text.substr(at, length));
            at += std::max<std::size_t>(length, 1);
        }
        if (at < text.size()) line += "...";
        line += '\n';
        std::error_code error;
        const auto size = std::filesystem::file_size(file_, error);
        if (!error && size >= static_cast<std::uintmax_t>(kMaxTraceFileBytes))
            std::filesystem::rename(file_, file_ + ".1", error);
        // One write in append mode: lines of two copies of the program do not mix.
        std::FILE* out = std::fopen(file_.c_str(), "ab");
        if (!out) return;
        std::fwrite(line.data(), 1, line.size(), out);
        std::fclose(out);
    } catch (...) {
        // The trace is for support; the program goes on without it.
    }
}

void TTrace::Fetch(std::string_view url, std::int32_t status, std::int64_t announced, std::int64_t received,
                   std::string_view failure) const noexcept {
    if (!On()) return;
    try {
        std::string text(url);
        text +=
            " status=" + CountText(status) + " announced=" + CountText(announced) + " received=" + CountText(received);
        text += failure.empty() ? std::string(" ok") : " failed: " + std::string(failure);
        Line("fetch", text);
    } catch (...) {
        // As for any line.
    }
}

std::string CurrentErrorText() {
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "an error of unknown kind";
    }
}

std::string ErrorText(const std::exception_ptr& error, const std::string& none) {
    if (!error) return none;
    try {
        std::rethrow_exception(error);
    } catch (...) {
        return CurrentErrorText();
    }
}

}  // namespace yeroup::app
