#pragma once
// Splits a URL into the parts a request needs and builds URL text back from them. Every part is
// carried byte for byte: nothing is percent-encoded or decoded.
#include <string>
#include <string_view>

#include "net/IdException.h"

namespace yeroup::http {

class EIdURIException : public net::EIdException {
public:
    using net::EIdException::EIdException;
};

class TIdURI {
public:
    TIdURI() = default;
    explicit TIdURI(const std::string& text);

    // Parses text; every part is replaced.
    void SetText(const std::string& text);

    // Raises EIdURIException when the protocol or the host is empty.
    std::string FullURI(bool includeCredentials = true, bool includeFragment = true) const;
    // Keeps the full text (with credentials and fragment) in FullText and returns it without them.
    std::string PlainURI();

    // Merges path into base as a browser does with relative links: "..", runs of delimiters.
    static std::string ResolvePath(const std::string& base, const std::string& path, char delimiter = '/');

    std::string FullText;
    std::string Protocol;
    std::string Host;
    std::string Port;
    std::string DirPath;
    std::string DocName;
    std::string Query;
    std::string Fragment;
    std::string Username;
    std::string Password;
};

// The scheme of a URI reference as RFC 3986 reads it, in lower case ("file" for "file:///x", "javascript" for
// "javascript:void(0)"); empty for a relative reference.
std::string UriScheme(std::string_view reference);

// The text as it may stand in a request line: blanks, control bytes, DEL and the bytes " < > \\ ^ ` { | } are
// percent-encoded; everything else, "%" and bytes of 0x80 and above included, is kept as it is (the update host
// expects the code page's bytes).
std::string EncodeRequestTarget(std::string_view text);

}  // namespace yeroup::http
