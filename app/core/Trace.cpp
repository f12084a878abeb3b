#include "app/core/Trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>

namespace yeroup::app {

namespace {

// "2026-12-08T16:40:01.123Z": UTC, so that lines from machines in any time zone compare.
std::string TimeStamp() {
    using namespace std::chrono;
    const auto now = time_point_cast<milliseconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date(day);
    const hh_mm_ss<milliseconds> time(now - day);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()), static_cast<int>(time.subseconds().count()));
    return text;
}

std::string CountText(std::int64_t count) { return count < 0 ? std::string("-") : std::to_string(count); }

}  // namespace

TTrace TTrace::FromEnvironment(const std::string& folder) {
    const char* setting = std::getenv("YEROUP_TRACE");
    if (!setting || std::string_view(setting) != "1") return {};
    std::string file = folder;
    if (!file.empty() && file.back() != '/') file += '/';
    return TTrace(file + kFileName);
}

void TTrace::Line(std::string_view kind, std::string_view text) const noexcept {
    if (!On()) return;
    try {
        std::string line = TimeStamp();
        line += ' ';
        line += kind;
        line += ' ';
        const std::string_view shown = text.substr(0, kMaxTraceLineBytes);
        for (const char c : shown) line += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
        if (shown.size() < text.size()) line += "...";
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

}  // namespace yeroup::app
