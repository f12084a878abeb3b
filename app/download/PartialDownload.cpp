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
#include "app/download/PieceCheck.h"
#include "app/download/ResumeRecord.h"
#include "http/IdContentRange.h"
#include "http/IdConvertError.h"
#include "http/IdHTTPExceptions.h"
#include "http/IdHTTPFraming.h"
#include "http/IdTextUtils.h"
#include "platform/files/AtomicWrite.h"
#include "platform/scope/ScopeExit.h"
#include "platform/scope/ScopedValue.h"

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

// A weak tag ("W/...") says only that two versions mean the same; a resume needs the same bytes.
std::string StrongETag(const std::string& value) {
    const std::string tag = http::Trim(value);
    return http::StartsText("W/", tag) ? std::string() : tag;
}

// The validator a resume was asked with is an entity tag (quoted), else a date.
bool IsEntityTag(const std::string& validator) { return !validator.empty() && validator.front() == '"'; }

// Opens the partial for writing without following a link, and only when it is a regular file: a link planted in
// the package store must not make the download overwrite what it points to.
int OpenPartial(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) FileFailure(path, errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        FileFailure(path, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    }
    return fd;
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
        // Checked before it is written: nothing of a bad piece's last bytes, or past the signed size, reaches the disk.
        download_.CheckPieces(download_.offset_ + position_, std::string_view(in, static_cast<std::size_t>(count)));
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
        if (download_.pieces_) download_.CatchUpPieces(download_.offset_ + size_);
    }
    std::int64_t Size() override { return size_; }

private:
    TPartialDownload& download_;
    http::TIdHTTP& client_;
    std::int64_t position_ = 0;
    std::int64_t size_ = 0;
};

TPartialDownload::TPartialDownload(std::string file, std::string url, std::int64_t maxLength)
    : file_(std::move(file)),
      url_(std::move(url)),
      partial_(PartialFileOf(file_)),
      record_(ResumeRecordOf(file_)),
      maxLength_(maxLength) {}

TPartialDownload::~TPartialDownload() {
    if (fd_ >= 0) ::close(fd_);
}

std::int64_t TPartialDownload::Size() const {
    struct stat st {};
    if (fd_ >= 0 ? ::fstat(fd_, &st) != 0 : ::lstat(partial_.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    return static_cast<std::int64_t>(st.st_size);
}

void TPartialDownload::Prepare() {
    offset_ = 0;
    validator_.clear();
    recordLength_ = -1;
    alreadyWhole_ = false;
    byPieces_ = false;
    if (fd_ < 0) fd_ = OpenPartial(partial_);
    const std::int64_t size = Size();
    const std::optional<TResumeRecord> record = ReadRecord(record_);
    if (record && pieces_ && record->Pieces == pieces_->Digest() && record->Length == pieces_->List().Size &&
        size > 0 && size <= record->Length) {
        // Known good by its pieces, whichever host sent them: it goes on from any host serving the same list.
        recordData_ = *record;
        recordLength_ = record->Length;
        byPieces_ = true;
        resumable_ = true;
        ResumeCheckedPieces(size, record->Verified);
        return;
    }
    // Only the rest of the same URL's same version, of a known length, and only when some of it is missing; or
    // a body that came whole and waits only for its signature.
    if (record && record->Url == url_ && !record->Validator().empty() && record->Length > 0 && size > 0 &&
        (record->Whole ? size == record->Length : size < record->Length)) {
        recordData_ = *record;
        offset_ = size;
        validator_ = record->Validator();
        recordLength_ = record->Length;
        resumable_ = true;
        alreadyWhole_ = record->Whole;
        if (pieces_) ResumeCheckedPieces(size, 0);
        return;
    }
    StartFromZero();
}

void TPartialDownload::ResumeCheckedPieces(std::int64_t size, std::int64_t verified) {
    // What this run checked itself is known good too; only the pieces after it are read back and hashed.
    const std::int64_t known = std::min(size, std::max(verified, pieces_->Verified()));
    pieces_->StartAt(known);
    CatchUpPieces(size);
    offset_ = Size();
    if (offset_ == 0) return StartFromZero();
    alreadyWhole_ = alreadyWhole_ || offset_ == recordLength_;
}

void TPartialDownload::CatchUpPieces(std::int64_t end) {
    if (pieces_->Position() > end) pieces_->StartAt(end);
    std::string bytes;
    while (pieces_->Position() < end) {
        const std::int64_t at = pieces_->Position();
        bytes.resize(static_cast<std::size_t>(std::min<std::int64_t>(end - at, std::int64_t{1} << 20)));
        const ssize_t n = ::pread(fd_, bytes.data(), bytes.size(), static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) FileFailure(partial_, n < 0 ? errno : EIO);
        bytes.resize(static_cast<std::size_t>(n));
        try {
            pieces_->Take(bytes);
        } catch (const EBadPiece& e) {
            CutBack(e.Start());
            return;
        }
    }
}

void TPartialDownload::CheckPieces(std::int64_t at, std::string_view bytes) {
    if (!pieces_) return;
    if (at != pieces_->Position()) CatchUpPieces(at);
    try {
        pieces_->Take(bytes);
    } catch (const EBadPiece& e) {
        CutBack(e.Start());
        throw;
    }
}

void TPartialDownload::CutBack(std::int64_t end) {
    if (::ftruncate(fd_, static_cast<off_t>(end)) != 0) FileFailure(partial_, errno);
    pieces_->StartAt(end);
}

void TPartialDownload::KeepVerified() {
    if (!pieces_ || !resumable_ || fd_ < 0) return;
    // The bytes the record vouches for are on the disk before the record says so.
    if (::fdatasync(fd_) != 0) FileFailure(partial_, errno);
    recordData_.Verified = std::min(pieces_->Verified(), Size());
    WriteRecord();
}

void TPartialDownload::StartFromZero() {
    RemoveRecord();
    resumable_ = false;
    if (::ftruncate(fd_, 0) != 0) FileFailure(partial_, errno);
    offset_ = 0;
    validator_.clear();
    recordLength_ = -1;
    byPieces_ = false;
    writeBehind_ = {};
    if (pieces_) pieces_->StartAt(0);
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
        if (!ContinuesPartial(headers, framing, etag, lastModified))
            throw ERestartFromZero("the host did not send the rest of the same file");
        total_ = http::ReadContentRange(headers.HeaderValue("Content-Range"))->length;
        lengthKnown_ = true;
        if (offset_ == 0) KeepRecordIfResumable(etag, lastModified);
    } else {
        StartFromZero();
        lengthKnown_ = framing.kind == http::TIdBodyFraming::bfLength;
        total_ = lengthKnown_ ? framing.length : -1;
        KeepRecordIfResumable(etag, lastModified);
    }
    if (maxLength_ >= 0 && total_ > maxLength_) http::RaiseBodyTooLarge(maxLength_);
    if (pieces_ && lengthKnown_) pieces_->CheckLength(total_);
    decided_ = true;
}

bool TPartialDownload::ContinuesPartial(const http::TIdHeaderList& headers, const http::TIdBodyFraming& framing,
                                        const std::string& etag, const std::string& lastModified) const {
    // A multipart answer carries no Content-Range of its own and so never continues a partial.
    const std::optional<http::TIdContentRange> range = http::ReadContentRange(headers.HeaderValue("Content-Range"));
    if (!range || range->first != offset_ || range->last != range->length - 1) return false;
    if (framing.kind == http::TIdBodyFraming::bfLength && framing.length != range->Count()) return false;
    // Not asked for a range: only the whole file from its first byte.
    if (offset_ == 0) return true;
    // Pieces prove themselves as they come: the rest of a file of the signed length is all a resume needs.
    if (byPieces_) return range->length == recordLength_;
    // The same version proves itself with the very validator the request named: the strong tag, or the date.
    const bool sameVersion = IsEntityTag(validator_) ? etag == validator_ : lastModified == validator_;
    return sameVersion && range->length == recordLength_;
}

void TPartialDownload::KeepRecordIfResumable(const std::string& etag, const std::string& lastModified) {
    // Without a validator (or a piece list) and a length no later answer could prove it continues this body.
    if ((etag.empty() && lastModified.empty() && !pieces_) || !lengthKnown_ || total_ <= 0) return;
    recordData_ = {url_, etag, lastModified, total_, false, pieces_ ? pieces_->Digest() : std::string(), 0};
    WriteRecord();
    resumable_ = true;
}

void TPartialDownload::WriteRecord() {
    // Flushed before it takes the old one's place: a power cut leaves the old record or the new, never an empty or
    // torn one that would throw away what the partial holds.
    const std::string text = ResumeRecordText(recordData_);
    platform::ReplaceFileAtomically(record_, text.data(), text.size());
}

void TPartialDownload::MarkWhole() {
    recordData_.Whole = true;
    WriteRecord();
}

void TPartialDownload::RemoveRecord() { ::unlink(record_.c_str()); }

void TPartialDownload::Get(http::TIdHTTP& client) {
    http::TIdHTTPRequest& request = client.Request();
    // The range asked for belongs to this call only; the client's next fetch (the signature) asks for everything.
    const platform::ScopedValue<net::TWorkBeginEvent> workBegin(client.OnWorkBegin);
    const platform::ScopeExit rangeOff([&request] {
        request.ContentRangeStart = 0;
        request.ContentRangeEnd = 0;
        const int ifRange = request.CustomHeaders.FindHeader("If-Range");
        if (ifRange >= 0) request.CustomHeaders.Delete(ifRange);
    });
    // The decision comes before the window is told of the body, so its display can count what is already there.
    client.OnWorkBegin = [this, &client, saved = client.OnWorkBegin](net::TIdComponent* sender, net::TWorkMode mode,
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
    if (alreadyWhole_) {
        total_ = recordLength_;
        completed_ = true;
        return;
    }
    // A download that got nothing (a 404, no connection, an empty body) leaves no empty partial behind.
    const platform::ScopeExit dropEmpty([this] {
        if (Size() == 0) Discard();
    });
    for (int attempt = 0; !Fetch(client, attempt); ++attempt) {}
    completed_ = decided_;
}

bool TPartialDownload::Fetch(http::TIdHTTP& client, int attempt) {
    http::TIdHTTPRequest& request = client.Request();
    decided_ = false;
    total_ = -1;
    const bool ranged = offset_ > 0;
    request.ContentRangeStart = ranged ? offset_ : 0;
    request.ContentRangeEnd = 0;
    if (ranged && !byPieces_)
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
    if (alreadyWhole_) return size == recordLength_;
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
    resumable_ = false;
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
        // A partial without its record can never be resumed.
        if (::stat(it->path().c_str(), &st) != 0 || !listed.contains(package) ||
            now - st.st_mtime > limits::kMaxPartialAgeSeconds || !fs::exists(it->path().string() + kRecordSuffix, ec))
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
