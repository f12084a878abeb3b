#include "app/download/PartialDownload.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <vector>

#include "app/core/Limits.h"
#include "app/download/ResumeRecord.h"
#include "http/IdConvertError.h"
#include "http/IdHTTPExceptions.h"
#include "http/IdHTTPFraming.h"
#include "http/IdTextUtils.h"
#include "platform/files/AtomicWrite.h"

namespace yeroup::app {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPartialSuffix = ".yeroup-partial";
constexpr const char* kRecordSuffix = ".resume";

[[noreturn]] void FileFailure(const std::string& path, int error) { throw platform::EFileCreateError(path, error); }

// The host sent something other than exactly the rest of the file the partial holds.
class ERestartFromZero : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::optional<TResumeRecord> ReadRecord(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text(static_cast<std::size_t>(limits::kMaxResumeRecordBytes) + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (static_cast<std::int64_t>(text.size()) > limits::kMaxResumeRecordBytes) return std::nullopt;
    return ParseResumeRecord(text);
}

// Plain decimal digits only.
bool ReadNumber(std::string_view text, std::int64_t& value) {
    if (text.empty() || text.size() > 18) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// "bytes first-last/length" of a 206, strictly.
bool ReadContentRange(const std::string& value, std::int64_t& first, std::int64_t& last, std::int64_t& length) {
    std::string_view text = value;
    constexpr std::string_view unit = "bytes ";
    if (!http::StartsText(unit, text)) return false;
    text.remove_prefix(unit.size());
    const std::size_t dash = text.find('-'), slash = text.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash) return false;
    return ReadNumber(text.substr(0, dash), first) && ReadNumber(text.substr(dash + 1, slash - dash - 1), last) &&
           ReadNumber(text.substr(slash + 1), length);
}

// A weak tag ("W/...") says only that two versions mean the same; a resume needs the same bytes.
std::string StrongETag(const std::string& value) {
    const std::string tag = http::Trim(value);
    return http::StartsText("W/", tag) ? std::string() : tag;
}

}  // namespace

std::string PartialFileOf(const std::string& file) { return file + kPartialSuffix; }
std::string ResumeRecordOf(const std::string& file) { return PartialFileOf(file) + kRecordSuffix; }

// The body's way into the partial file: appended after what was there, grown only by what is written (so its size
// on the disk is always what came), handed on to the disk as it goes.
class TPartialDownload::TSink : public platform::TStream {
public:
    TSink(TPartialDownload& download, http::TIdHTTP& client) : download_(download), client_(client) {}

    std::int64_t Read(void*, std::int64_t) override { return 0; }
    std::int64_t Write(const void* buffer, std::int64_t count) override {
        download_.Decide(client_);
        const char* in = static_cast<const char*>(buffer);
        for (std::int64_t done = 0; done < count;) {
            const ssize_t n = ::pwrite(download_.fd_, in + done, static_cast<std::size_t>(count - done),
                                       static_cast<off_t>(download_.offset_ + position_ + done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) FileFailure(download_.partial_, n < 0 ? errno : EIO);
            done += n;
        }
        position_ += count;
        size_ = std::max(size_, position_);
        download_.writeBehind_.Wrote(count);
        download_.writeBehind_.HandOn(download_.fd_);
        return count;
    }
    std::int64_t Seek(std::int64_t offset, platform::SeekOrigin origin) override {
        if (origin == platform::SeekOrigin::soCurrent) offset += position_;
        if (origin == platform::SeekOrigin::soEnd) offset += size_;
        position_ = std::clamp<std::int64_t>(offset, 0, size_);
        return position_;
    }
    void SetSize(std::int64_t newSize) override {
        if (newSize >= size_) return;
        if (::ftruncate(download_.fd_, static_cast<off_t>(download_.offset_ + newSize)) != 0)
            FileFailure(download_.partial_, errno);
        size_ = newSize;
        position_ = std::min(position_, size_);
    }
    std::int64_t Size() override { return size_; }

private:
    TPartialDownload& download_;
    http::TIdHTTP& client_;
    std::int64_t position_ = 0;
    std::int64_t size_ = 0;
};

TPartialDownload::TPartialDownload(std::string file, std::string url)
    : file_(std::move(file)), url_(std::move(url)), partial_(PartialFileOf(file_)), record_(ResumeRecordOf(file_)) {}

TPartialDownload::~TPartialDownload() {
    if (fd_ >= 0) ::close(fd_);
}

std::int64_t TPartialDownload::Size() const {
    struct stat st {};
    if (fd_ >= 0 ? ::fstat(fd_, &st) != 0 : ::stat(partial_.c_str(), &st) != 0) return 0;
    return static_cast<std::int64_t>(st.st_size);
}

void TPartialDownload::Prepare() {
    offset_ = 0;
    validator_.clear();
    recordLength_ = -1;
    if (fd_ < 0) {
        fd_ = ::open(partial_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd_ < 0) FileFailure(partial_, errno);
    }
    const std::int64_t size = Size();
    const std::optional<TResumeRecord> record = ReadRecord(record_);
    // Only the rest of the same URL's same version, and only when some of it is missing.
    if (record && record->Url == url_ && !record->Validator().empty() && size > 0 &&
        (record->Length < 0 || size < record->Length)) {
        offset_ = size;
        validator_ = record->Validator();
        recordLength_ = record->Length;
        return;
    }
    StartFromZero();
}

void TPartialDownload::StartFromZero() {
    RemoveRecord();
    if (::ftruncate(fd_, 0) != 0) FileFailure(partial_, errno);
    offset_ = 0;
    validator_.clear();
    recordLength_ = -1;
    writeBehind_ = {};
}

void TPartialDownload::Decide(http::TIdHTTP& client) {
    if (decided_) return;
    http::TIdHTTPResponse& response = client.Response();
    const http::TIdHeaderList& headers = response.HeaderLines;
    const http::TIdBodyFraming framing = http::ResponseFraming(headers, INT64_MAX);
    chunked_ = framing.kind == http::TIdBodyFraming::bfChunked;
    const std::string etag = StrongETag(headers.HeaderValue("ETag"));
    const std::string lastModified = http::Trim(headers.HeaderValue("Last-Modified"));
    if (response.StatusCode() == 206) {
        std::int64_t first = 0, last = 0, length = 0;
        // Validators are compared as sent: a resume asked with an entity tag must get that very tag back.
        const std::string& answered = etag.empty() ? lastModified : etag;
        if (!ReadContentRange(headers.HeaderValue("Content-Range"), first, last, length) || first != offset_ ||
            last != length - 1 || (recordLength_ >= 0 && length != recordLength_) ||
            (framing.kind == http::TIdBodyFraming::bfLength && framing.length != length - first) ||
            (offset_ > 0 && !answered.empty() && answered != validator_))
            throw ERestartFromZero("the host did not send the rest of the same file");
        total_ = length;
        lengthKnown_ = true;
        if (recordLength_ < 0) WriteRecord(etag, lastModified, length);
    } else {
        StartFromZero();
        lengthKnown_ = framing.kind == http::TIdBodyFraming::bfLength;
        total_ = lengthKnown_ ? framing.length : -1;
        if (!etag.empty() || !lastModified.empty()) WriteRecord(etag, lastModified, total_);
    }
    decided_ = true;
}

void TPartialDownload::WriteRecord(const std::string& etag, const std::string& lastModified, std::int64_t length) {
    // Not flushed: a record lost with a crash only means starting from zero, and a torn one fails its check.
    const std::string text = ResumeRecordText({url_, etag, lastModified, length});
    const std::string temp = record_ + ".new";
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out || std::rename(temp.c_str(), record_.c_str()) != 0) {
        const int error = errno ? errno : EIO;
        ::unlink(temp.c_str());
        FileFailure(record_, error);
    }
}

void TPartialDownload::RemoveRecord() { ::unlink(record_.c_str()); }

void TPartialDownload::Get(http::TIdHTTP& client) {
    http::TIdHTTPRequest& request = client.Request();
    // The range asked for belongs to this call only; the client's next fetch (the signature) asks for everything.
    struct RequestScope {
        http::TIdHTTPRequest& request;
        net::TWorkBeginEvent& handler;
        net::TWorkBeginEvent saved;
        ~RequestScope() {
            request.ContentRangeStart = 0;
            request.ContentRangeEnd = 0;
            const int ifRange = request.CustomHeaders.FindHeader("If-Range");
            if (ifRange >= 0) request.CustomHeaders.Delete(ifRange);
            handler = saved;
        }
    } scope{request, client.OnWorkBegin, client.OnWorkBegin};
    // The decision comes before the window is told of the body, so its display can count what is already there.
    client.OnWorkBegin = [this, &client, saved = scope.saved](net::TIdComponent* sender, net::TWorkMode mode,
                                                              std::int32_t countMax) {
        // Only the body asked for counts (not an error page's or a redirect's). A body that does not fit is
        // refused at its first byte, where the client closes its work span on the way out.
        if (mode == net::wmRead && client.Response().StatusCode() / 100 == 2) {
            try {
                Decide(client);
            } catch (const ERestartFromZero&) {}
        }
        if (saved) saved(sender, mode, countMax);
    };
    completed_ = false;
    Prepare();
    // A download that got nothing (a 404, no connection, an empty body) leaves no empty partial behind.
    struct DropEmpty {
        TPartialDownload& download;
        ~DropEmpty() {
            if (download.Size() == 0) download.Discard();
        }
    } dropEmpty{*this};
    for (int attempt = 0; !Fetch(client, attempt); ++attempt) {}
    completed_ = decided_;
}

bool TPartialDownload::Fetch(http::TIdHTTP& client, int attempt) {
    http::TIdHTTPRequest& request = client.Request();
    decided_ = false;
    total_ = -1;
    const bool ranged = offset_ > 0;
    request.ContentRangeStart = static_cast<std::uint32_t>(ranged ? offset_ : 0);
    request.ContentRangeEnd = 0;
    if (ranged)
        request.CustomHeaders.SetHeader("If-Range", validator_);
    else if (const int at = request.CustomHeaders.FindHeader("If-Range"); at >= 0)
        request.CustomHeaders.Delete(at);
    client.Response().StatusLine.clear();
    TSink sink(*this, client);
    try {
        client.Get(url_, sink);
        // A response without a body (an empty 200) still says what the partial now is.
        if (!decided_ && client.Response().StatusCode() / 100 == 2) Decide(client);
        return true;
    } catch (const ERestartFromZero&) {
        if (attempt > 0) throw;
    } catch (const http::EIdHTTPProtocolException& e) {
        // The range no longer fits the file on the host.
        if (!ranged || e.ErrorCode() != 416 || attempt > 0) throw;
    } catch (const http::EConvertError&) {
        // A 416's Content-Range gives "*" for the range, which the header record cannot read.
        if (!ranged || client.Response().StatusCode() != 416 || attempt > 0) throw;
    }
    StartFromZero();
    return false;
}

bool TPartialDownload::Whole() const {
    if (!completed_) return false;
    const std::int64_t size = Size();
    if (size <= 0) return false;
    if (lengthKnown_) return size == total_;
    return chunked_;
}

void TPartialDownload::Promote() {
    if (::fsync(fd_) != 0) FileFailure(file_, errno);
    ::close(fd_);
    fd_ = -1;
    if (std::rename(partial_.c_str(), file_.c_str()) != 0) FileFailure(file_, errno);
    RemoveRecord();
    const fs::path folder = fs::path(file_).has_parent_path() ? fs::path(file_).parent_path() : fs::path(".");
    if (!platform::SyncFolder(folder.string())) FileFailure(file_, errno);
}

void TPartialDownload::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    ::unlink(partial_.c_str());
    RemoveRecord();
}

int PrunePartialDownloads(const fs::path& store, const std::set<std::string>& listed, std::time_t now) {
    struct Partial {
        fs::path path;
        std::time_t changed;
    };
    std::vector<Partial> kept;
    std::vector<fs::path> records;
    int removed = 0;
    const auto remove = [&](const fs::path& partial) {
        std::error_code ec;
        if (fs::remove(partial, ec)) ++removed;
        fs::remove(partial.string() + kRecordSuffix, ec);
    };
    std::error_code ec;
    for (fs::directory_iterator it(store, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::string suffix = kPartialSuffix;
        if (name.size() > suffix.size() + std::strlen(kRecordSuffix) && name.ends_with(suffix + kRecordSuffix)) {
            records.push_back(it->path());
            continue;
        }
        if (!name.ends_with(suffix) || !it->is_regular_file(ec)) continue;
        struct stat st {};
        const std::string package = name.substr(0, name.size() - suffix.size());
        if (::stat(it->path().c_str(), &st) != 0 || !listed.contains(package) ||
            now - st.st_mtime > limits::kMaxPartialAgeSeconds)
            remove(it->path());
        else
            kept.push_back({it->path(), st.st_mtime});
    }
    std::sort(kept.begin(), kept.end(), [](const Partial& a, const Partial& b) { return a.changed > b.changed; });
    for (std::size_t i = static_cast<std::size_t>(limits::kMaxPartialDownloads); i < kept.size(); ++i)
        remove(kept[i].path);
    for (const fs::path& record : records) {
        const std::string text = record.string();
        if (!fs::exists(text.substr(0, text.size() - std::strlen(kRecordSuffix)), ec)) fs::remove(record, ec);
    }
    return removed;
}

}  // namespace yeroup::app
