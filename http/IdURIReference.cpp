#include "http/IdURIReference.h"

#include <optional>

#include "http/IdHostName.h"
#include "http/IdStrToInt.h"
#include "platform/text/AsciiText.h"

namespace yeroup::http {

namespace {

// A reference split as RFC 3986 appendix B splits it; an absent part is empty and not "given".
struct TReferenceParts {
    std::string scheme;
    std::optional<std::string> authority;
    std::string path;
    std::optional<std::string> query;
};

bool SchemeCharacter(char c, bool first) {
    const bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    return first ? alpha : alpha || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// The bytes readers treat differently: control bytes (dropped by browsers and Python), a backslash (a slash to a
// browser) and blanks at either end (stripped by some).
void CheckBytes(std::string_view reference) {
    for (const char c : reference)
        if (static_cast<unsigned char>(c) < 0x20 || c == '\x7F' || c == '\\')
            throw EIdURIReferenceRefused("it holds a control character or a backslash");
    if (!reference.empty() && (reference.front() == ' ' || reference.back() == ' '))
        throw EIdURIReferenceRefused("it begins or ends with a blank");
}

TReferenceParts SplitReference(std::string_view text) {
    TReferenceParts parts;
    const std::size_t firstSegmentEnd = text.find_first_of("/?#");
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos && colon < firstSegmentEnd) {
        for (std::size_t i = 0; i < colon; ++i)
            if (!SchemeCharacter(text[i], i == 0))
                // Not a scheme and not a relative path either: "h%74tp://", "1http://", "x_y://".
                throw EIdURIReferenceRefused("its scheme cannot be read");
        parts.scheme = platform::AsciiLowerCase(std::string(text.substr(0, colon)));
        text.remove_prefix(colon + 1);
    }
    text = text.substr(0, text.find('#'));
    if (const std::size_t question = text.find('?'); question != std::string_view::npos) {
        parts.query = std::string(text.substr(question + 1));
        text = text.substr(0, question);
    }
    if (text.substr(0, 2) == "//") {
        const std::size_t end = text.find('/', 2);
        parts.authority = std::string(text.substr(2, end == std::string_view::npos ? end : end - 2));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end);
    }
    parts.path = std::string(text);
    return parts;
}

// RFC 3986 section 5.2.4.
std::string RemoveDotSegments(std::string_view input) {
    std::string output;
    const auto dropLastSegment = [&output] {
        const std::size_t slash = output.rfind('/');
        output.erase(slash == std::string::npos ? 0 : slash);
    };
    while (!input.empty()) {
        if (input.substr(0, 3) == "../") {
            input.remove_prefix(3);
        } else if (input.substr(0, 2) == "./") {
            input.remove_prefix(2);
        } else if (input.substr(0, 3) == "/./") {
            input.remove_prefix(2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.substr(0, 4) == "/../") {
            input.remove_prefix(3);
            dropLastSegment();
        } else if (input == "/..") {
            input = "/";
            dropLastSegment();
        } else if (input == "." || input == "..") {
            input = {};
        } else {
            const std::size_t next = input.find('/', 1);
            const std::size_t length = next == std::string_view::npos ? input.size() : next;
            output += input.substr(0, length);
            input.remove_prefix(length);
        }
    }
    return output;
}

bool HasDotSegment(std::string_view path) {
    for (std::string_view rest = path; !rest.empty();) {
        const std::size_t slash = rest.find('/');
        const std::string_view segment = rest.substr(0, slash);
        if (segment == "." || segment == "..") return true;
        if (slash == std::string_view::npos) break;
        rest.remove_prefix(slash + 1);
    }
    return false;
}

std::string DefaultPort(const std::string& scheme) { return scheme == "https" ? "443" : "80"; }

bool HostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("-._~").find(c) != std::string_view::npos;
}

// Takes the user information off an authority into the address.
void ReadUserInfo(std::string& authority, TIdURI& address) {
    const std::size_t at = authority.find('@');
    if (at == std::string::npos) return;
    if (authority.find('@', at + 1) != std::string::npos)
        throw EIdURIReferenceRefused("its user information holds an \"@\"");
    const std::string userInfo = authority.substr(0, at);
    const std::size_t colon = userInfo.find(':');
    address.Username = userInfo.substr(0, colon);
    address.Password = colon == std::string::npos ? std::string() : userInfo.substr(colon + 1);
    authority.erase(0, at + 1);
}

// Host and port text of an authority without user information; an IPv6 address loses its brackets.
void SplitHostAndPort(const std::string& authority, std::string& host, std::string& port) {
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        const std::string after = close == std::string::npos ? std::string() : authority.substr(close + 1);
        if (close == std::string::npos || !IsIpv6Literal(authority.substr(1, close - 1)) ||
            (!after.empty() && after.front() != ':'))
            throw EIdURIReferenceRefused("its host is not a valid IPv6 address");
        host = authority.substr(1, close - 1);
        if (!after.empty()) port = after.substr(1);
        return;
    }
    const std::size_t colon = authority.find(':');
    host = authority.substr(0, colon);
    if (colon != std::string::npos) port = authority.substr(colon + 1);
    for (const char c : host)
        if (!HostCharacter(c)) throw EIdURIReferenceRefused("its host name holds characters a host name cannot");
}

// Host and port of an authority; user information goes into the address too.
void ReadAuthority(std::string authority, const std::string& scheme, TIdURI& address) {
    ReadUserInfo(authority, address);
    std::string host;
    std::string port;
    SplitHostAndPort(authority, host, port);
    if (host.empty()) throw EIdURIReferenceRefused("it names no host");
    address.Host = platform::AsciiLowerCase(host);
    if (port.empty()) {
        address.Port = DefaultPort(scheme);
        return;
    }
    std::int32_t number = 0;
    const bool digits = port.size() <= 5 && port.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || !TryStrToInt(port, number) || number < 1 || number > 65535)
        throw EIdURIReferenceRefused("its port is not a number from 1 to 65535");
    address.Port = std::to_string(number);
}

// RFC 3986 section 5.2.3, for a base that has an authority.
std::string MergePaths(const std::string& basePath, const std::string& path) {
    const std::size_t slash = basePath.rfind('/');
    return (slash == std::string::npos ? std::string("/") : basePath.substr(0, slash + 1)) + path;
}

// Readers differ on a merged path with an empty segment (Python drops it) and on dot segments after an authority
// (Python keeps them): neither is dialled.
void CheckPathReading(const TReferenceParts& parts, const std::string& merged) {
    if (parts.authority && HasDotSegment(parts.path)) throw EIdURIReferenceRefused("its path has dot segments");
    if (!parts.authority && !parts.path.empty() && parts.path.front() != '/' && merged.find("//") != std::string::npos)
        throw EIdURIReferenceRefused("its path has an empty segment");
}

// RFC 3986 section 5.2.2 for a reference without an authority: its path against the base's (query may become
// the base's).
std::string RelativePath(const TIdURI& base, const TReferenceParts& parts, std::optional<std::string>& query) {
    // The query of the parser's own reading may begin with "=" (an "=" and no "?"): that is still path.
    const bool baseHasQuery = !base.Query.empty() && base.Query.front() == '?';
    std::string basePath = base.DirPath + base.DocName + (baseHasQuery ? std::string() : base.Query);
    if (!parts.path.empty()) return parts.path.front() == '/' ? parts.path : MergePaths(basePath, parts.path);
    // "?" alone: an empty query to RFC 3986, none (so the base's) to Python.
    if (query && query->empty()) throw EIdURIReferenceRefused("its query is empty");
    if (!query && baseHasQuery) query = base.Query.substr(1);
    return basePath;
}

}  // namespace

TIdURI ResolveReference(const TIdURI& base, std::string_view reference) {
    CheckBytes(reference);
    const TReferenceParts parts = SplitReference(reference);
    TIdURI target;
    if (!parts.scheme.empty()) {
        if (parts.scheme != "http" && parts.scheme != "https")
            throw EIdURIReferenceRefused("only http and https are followed", parts.scheme);
        // "https:x" names no host: a strict reader sees no authority, a lenient one the base's.
        if (!parts.authority) throw EIdURIReferenceRefused("it names no host");
    }
    target.Protocol = parts.scheme.empty() ? platform::AsciiLowerCase(base.Protocol) : parts.scheme;
    std::string path = parts.path;
    std::optional<std::string> query = parts.query;
    if (parts.authority) {
        ReadAuthority(*parts.authority, target.Protocol, target);
    } else {
        target.Host = base.Host;
        target.Port = base.Port.empty() ? DefaultPort(target.Protocol) : base.Port;
        path = RelativePath(base, parts, query);
    }
    CheckPathReading(parts, path);
    path = RemoveDotSegments(path);
    if (path.empty() || path.front() != '/') path.insert(0, "/");
    const std::size_t slash = path.rfind('/');
    target.DirPath = path.substr(0, slash + 1);
    target.DocName = path.substr(slash + 1);
    if (query) target.Query = "?" + *query;
    target.FullText = target.FullURI(/*includeCredentials=*/false, /*includeFragment=*/false);
    return target;
}

}  // namespace yeroup::http
