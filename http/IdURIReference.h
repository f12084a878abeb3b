#pragma once
// A redirect's address resolved against the one it came from as RFC 3986 section 5 reads references, into the
// parts that are then dialled, so that what is checked is what is used. A reference that readers take differently
// (a colon before any slash without a valid scheme, a backslash, a control byte, a percent sign in the host, two
// "@") is refused rather than guessed at.
#include <string>
#include <string_view>

#include "http/IdURI.h"

namespace yeroup::http {

// The reference cannot be resolved into an http or https address; the message says why, without the address.
class EIdURIReferenceRefused : public EIdURIException {
public:
    explicit EIdURIReferenceRefused(const std::string& reason, std::string scheme = {})
        : EIdURIException(reason), scheme_(std::move(scheme)) {}
    // The scheme the reference named when that scheme is what is refused ("file", "ftp"); empty otherwise.
    const std::string& Scheme() const { return scheme_; }

private:
    std::string scheme_;
};

// base: an http or https address with a host (its Protocol, Host, Port, DirPath, DocName and Query are read).
// The result has Protocol "http" or "https" in lower case, Host in lower case (an IPv6 literal without its
// brackets), Port as a decimal number (the scheme's default when none is given), DirPath beginning with "/",
// DocName, Query with its "?" when there is one, and the user information the reference names. Raises
// EIdURIReferenceRefused.
TIdURI ResolveReference(const TIdURI& base, std::string_view reference);

}  // namespace yeroup::http
