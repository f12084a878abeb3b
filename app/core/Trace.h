#pragma once
// The opt-in trace for support: with YEROUP_TRACE=1 in the environment the program appends one timestamped line
// per fetch, archive entry, process start and error it went on after to yeroup-trace.log beside its other files.
// Off (the default) it writes nothing at all. Writing never fails the program: a line that cannot be written is
// dropped.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace yeroup::app {

// Bytes past which the trace file is moved to "<name>.1" (replacing the older one) and begun afresh: a megabyte
// holds thousands of fetches and entries, enough for the runs a support case looks at, and the two files
// together can never fill a disk.
inline constexpr std::int64_t kMaxTraceFileBytes = 1 << 20;

// Bytes of one line's text; the rest is cut. A URL or an error text built from what a host sent can be long,
// and one line must not take the file past its bound.
inline constexpr std::size_t kMaxTraceLineBytes = 2048;

class TTrace {
public:
    static constexpr const char* kFileName = "yeroup-trace.log";

    // Off.
    TTrace() = default;
    // On, into file.
    explicit TTrace(std::string file) : file_(std::move(file)) {}
    // On into folder's kFileName.
    static TTrace InFolder(const std::string& folder);
    // The same when $YEROUP_TRACE is "1", else off.
    static TTrace FromEnvironment(const std::string& folder);

    bool On() const { return !file_.empty(); }
    const std::string& File() const { return file_; }

    // Appends "<UTC time> <kind> <text>": control characters become '?' so that every event stays one line.
    void Line(std::string_view kind, std::string_view text) const noexcept;
    // A fetch: the HTTP status (-1 when no response came), the byte count the response announced (-1 when none),
    // the bytes received, and failure (empty when the body was taken).
    void Fetch(std::string_view url, std::int32_t status, std::int64_t announced, std::int64_t received,
               std::string_view failure) const noexcept;

private:
    std::string file_;
};

// The text of the exception being handled, for the trace line of a catch (...).
std::string CurrentErrorText();
// The text of a failure kept for later, or none when there was no failure.
std::string ErrorText(const std::exception_ptr& error, const std::string& none);

// A time in seconds since 1970 as the trace writes times, to the second: "2026-12-08T16:40:01Z" (a time outside
// the years 1970 to 9999 as its number).
std::string UtcTimeText(std::int64_t unixSeconds);

}  // namespace yeroup::app
