#pragma once
// The record kept beside a partial download: what is needed to ask the host for the rest, and to be sure the rest
// belongs to the same file. Its last line is a CRC-32 over the lines before it, so that a torn or damaged record
// reads as none (the download then starts from zero) and never joins two versions of a file.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace yeroup::app {

struct TResumeRecord {
    std::string Url;
    std::string ETag;          // a strong entity tag with its quotes; empty when the host gave none
    std::string LastModified;  // the header's text, the validator when there is no entity tag
    std::int64_t Length = -1;  // the whole file's length; -1 when the host did not say (a chunked body)
    bool Whole = false;        // all of it came, and only its signature is still to be fetched
    // Kept by a download checked by its piece list: the list's SHA-256 (hexadecimal) and the bytes from the start
    // whose pieces matched it. Such a partial goes on from Verified on any host serving the same list.
    std::string Pieces;
    std::int64_t Verified = 0;

    // What If-Range carries; empty when the file cannot be told from another version.
    const std::string& Validator() const { return ETag.empty() ? LastModified : ETag; }
    bool operator==(const TResumeRecord&) const = default;
};

std::string ResumeRecordText(const TResumeRecord& record);
// None when the text is not a whole, undamaged record of this form or of the one before (without the pieces).
std::optional<TResumeRecord> ParseResumeRecord(std::string_view text);

}  // namespace yeroup::app
