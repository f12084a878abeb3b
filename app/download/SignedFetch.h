#pragma once
// Fetching and reading the signature files that stand beside the catalogue and the packages.
#include <cstdint>
#include <string>
#include <string_view>

#include "app/core/Trace.h"
#include "http/IdHTTP.h"
#include "platform/streams/Stream.h"

namespace yeroup::app {

// The file at url, of at most maxBytes, into text, fetched with client, whose work events are held back meanwhile;
// false when it cannot be had (missing, too long, any failure).
bool FetchBounded(http::TIdHTTP& client, const std::string& url, std::int64_t maxBytes, std::string& text,
                  const TTrace& trace);

// The signature of the file at url (url + ".minisig") fetched with client, whose work events are held back
// meanwhile; false when it cannot be had (missing, larger than a signature can be, any failure).
bool FetchSignature(http::TIdHTTP& client, const std::string& url, std::string& signature, const TTrace& trace);

// A signature file kept beside a local file; empty when missing, and never more than one byte past the limit (so a
// longer one shows).
std::string ReadSignatureFile(const std::string& path);

inline std::string_view StreamBytes(platform::TMemoryStream& stream) {
    return {stream.Memory(), static_cast<std::size_t>(stream.Size())};
}

}  // namespace yeroup::app
