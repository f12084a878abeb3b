#pragma once
// A package download written to disk as it arrives and resumed after a cut. The body goes into the partial file
// "<file>.yeroup-partial" beside the file it is to become (handed on to the disk as it goes), and the resume record
// "<file>.yeroup-partial.resume" keeps the URL, the host's validator and the whole length. The next download of
// the same URL asks for the rest (Range and If-Range) and goes on only when the host proves it sends exactly the
// rest of the same file (the strong entity tag or the date the request named, a Content-Range from the partial's end
// to the recorded length); anything else starts again from zero. A body without a validator and a length gets no
// record and is never kept. A body checked by its signed piece list (CheckPieces) needs no validator: its record names
// the list, and the rest may come from any host that sends the file of the signed length. Only a whole body becomes
// the file: flushed, renamed, the folder flushed. No other part of the program takes a name ending in
// ".yeroup-partial" or ".resume" for a package.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>

#include "app/download/PieceCheck.h"
#include "app/download/ResumeRecord.h"
#include "http/IdHTTP.h"
#include "http/IdHTTPFraming.h"
#include "platform/files/Files.h"

namespace yeroup::app {

std::string PartialFileOf(const std::string& file);
std::string ResumeRecordOf(const std::string& file);

class TPartialDownload {
public:
    // maxLength: the most bytes the whole file may have (-1: no bound beyond the client's own).
    TPartialDownload(std::string file, std::string url, std::int64_t maxLength = -1);
    ~TPartialDownload();
    TPartialDownload(const TPartialDownload&) = delete;
    TPartialDownload& operator=(const TPartialDownload&) = delete;

    // Fetches the URL with client into the partial file, going on from what an earlier run left when the host can
    // continue it. The client's work events, while it runs, count this response's bytes; Offset() says how many were
    // there before. A failure of the client propagates and leaves the partial, with its record, to be resumed.
    // Raises platform::EFileCreateError when the partial file cannot be written, or is a link or not a regular
    // file (named, and left as it is). A partial marked whole (MarkWhole) is not fetched again: Get returns at once.
    void Get(http::TIdHTTP& client);

    // The host to ask from the next Get on (the same file on another host).
    void SetUrl(std::string url) { url_ = std::move(url); }
    const std::string& Url() const { return url_; }

    // Known from the first work event of the body on: the bytes already there from an earlier run, and the whole
    // length (-1 when the host does not say).
    std::int64_t Offset() const { return offset_; }
    std::int64_t Total() const { return total_; }
    // Bytes in the partial file.
    std::int64_t Size() const;
    // The whole body is there: as long as announced, or a chunked body ended by its last chunk; never empty.
    bool Whole() const;
    const std::string& PartialFile() const { return partial_; }

    // A resume record stands beside the partial: a later Get can continue it.
    bool Resumable() const { return resumable_; }
    // The partial was whole before this Get: none of its body moved.
    bool AlreadyWhole() const { return alreadyWhole_; }
    // Keeps the whole partial as "whole, not yet verified": the next Get fetches nothing.
    void MarkWhole();

    // Checks the body by its signed pieces from the next Get on (check outlives this download): a bad piece cuts the
    // partial back to its start and raises EBadPiece, a body past the signed size or of another length is refused at
    // once, and the partial goes on from any host by its pieces instead of by a validator.
    void CheckPieces(TPieceCheck* check) { pieces_ = check; }
    // Writes how much of the partial is known good into its record, so the next run need not hash it again.
    void KeepVerified();

    // Makes the whole partial the file (replacing one that was there). Raises platform::EFileCreateError.
    void Promote();
    // Removes the partial and its record: a body that must not be resumed (damaged, unverified).
    void Discard();

private:
    class TSink;

    // Sets the offset from the record and the partial left by an earlier run, or starts afresh.
    void Prepare();
    // Once the response's head is read: goes on (206 with the rest of the same file), or starts from zero (200).
    void Decide(http::TIdHTTP& client);
    // One request for what is missing: all of it, or the rest with If-Range. False when the host's answer means
    // starting again from zero, which it has done; a second such answer (attempt 1) raises.
    bool Fetch(http::TIdHTTP& client, int attempt);
    void StartFromZero();
    // A 206 goes on from where the partial ends, of the same version and the recorded length.
    bool ContinuesPartial(const http::TIdHeaderList& headers, const http::TIdBodyFraming& framing,
                          const std::string& etag, const std::string& lastModified) const;
    void KeepRecordIfResumable(const std::string& etag, const std::string& lastModified);
    // The partial's size bytes go on by the pieces: those after verified (or after what this run checked) are read
    // back and hashed, and the partial is cut back to the first bad piece among them.
    void ResumeCheckedPieces(std::int64_t size, std::int64_t verified);
    // Hashes the partial's bytes from where the check stands up to end.
    void CatchUpPieces(std::int64_t end);
    // The body's next bytes at offset at, before they are written.
    void CheckPieces(std::int64_t at, std::string_view bytes);
    void CutBack(std::int64_t end);
    void WriteRecord();
    void RemoveRecord();

    std::string file_;
    std::string url_;
    std::string partial_;
    std::string record_;
    std::int64_t maxLength_;
    int fd_ = -1;
    TResumeRecord recordData_;
    std::string validator_;  // of the record the resume was asked with
    std::int64_t recordLength_ = -1;
    std::int64_t offset_ = 0;
    std::int64_t total_ = -1;
    bool decided_ = false;
    bool chunked_ = false;
    bool lengthKnown_ = false;
    bool completed_ = false;
    bool resumable_ = false;
    bool alreadyWhole_ = false;
    bool byPieces_ = false;  // resumed by the pieces, not by a validator
    TPieceCheck* pieces_ = nullptr;
    platform::TWriteBehind writeBehind_;
};

// Removes from the package store the partial downloads that are not to be kept: those of packages not in listed
// (file names of the packages the catalogue lists), those older than limits::kMaxPartialAgeSeconds at now, the
// oldest beyond limits::kMaxPartialDownloads, and records without their partial. Returns how many partials went.
int PrunePartialDownloads(const std::filesystem::path& store, const std::set<std::string>& listed, std::time_t now);

}  // namespace yeroup::app
