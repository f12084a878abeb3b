#include "http/IdURI.h"

#include "http/IdHostName.h"
#include "http/IdTextUtils.h"
#include "platform/text/CodePages.h"

namespace yeroup::http {

namespace {

// Backslashes become slashes, but a backslash byte that trails a double-byte lead byte is part of
// the character and stays.
std::string SlashesForBackslashes(std::string text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (platform::IsAnsiLeadByte(b))
            ++i;
        else if (b == '\\')
            text[i] = '/';
    }
    return text;
}

// Splits a path-and-query text into directory, document and query. The query starts at the first
// "?", or at the first "=" when there is no "?".
void SplitPath(const std::string& s, std::string& dir, std::string& doc, std::string& query) {
    std::size_t q = s.find('?');
    if (q == std::string::npos) q = s.find('=');
    const int qPos = q == std::string::npos ? 0 : static_cast<int>(q) + 1;
    const int slash = PosFromRight("/", s, qPos == 0 ? -1 : qPos);
    const auto dirLength = static_cast<std::size_t>(slash);
    dir = s.substr(0, dirLength);
    if (qPos == 0) {
        doc = s;
    } else {
        doc = s.substr(0, q);
        query = s.substr(q);
    }
    doc.erase(0, dirLength);
}

}  // namespace

TIdURI::TIdURI(const std::string& text) {
    if (!text.empty()) SetText(text);
}

void TIdURI::SetText(const std::string& text) {
    FullText = text;
    Protocol.clear();
    Host.clear();
    Port.clear();
    DirPath.clear();
    DocName.clear();
    Query.clear();
    Fragment.clear();
    Username.clear();
    Password.clear();

    std::string s = SlashesForBackslashes(text);
    const std::size_t scheme = s.find("://");
    if (scheme == std::string::npos) {
        SplitPath(s, DirPath, DocName, Query);
    } else {
        Protocol = s.substr(0, scheme);
        s.erase(0, scheme + 3);
        std::string authority = TakeUntil(s, "/");
        if (authority.find('@') != std::string::npos) {
            std::string userInfo = TakeUntil(authority, "@");
            Username = TakeUntil(userInfo, ":");
            Password = Username.empty() ? std::string() : userInfo;
        }
        // An IPv6 literal is written in brackets, its colons inside them.
        if (!authority.empty() && authority.front() == '[' && authority.find(']') != std::string::npos) {
            authority.erase(0, 1);
            Host = TakeUntil(authority, "]");
            if (!authority.empty() && authority.front() == ':') authority.erase(0, 1);
        } else {
            Host = TakeUntil(authority, ":");
        }
        Port = authority;
        std::string dir;
        SplitPath(s, dir, DocName, Query);
        DirPath = "/" + dir;
        Fragment = DocName;
        DocName = TakeUntil(Fragment, "#");
    }
    if (Fragment.empty()) {
        Fragment = Query;
        Query = TakeUntil(Fragment, "#");
    }
}

std::string TIdURI::FullURI(bool includeCredentials, bool includeFragment) const {
    if (Protocol.empty()) throw EIdURIException("Protocol field is empty");
    std::string result = Protocol + "://";
    if (includeCredentials && !Username.empty()) {
        result += Username;
        if (!Password.empty()) result += ":" + Password;
        result += "@";
    }
    if (Host.empty()) throw EIdURIException("Host field is empty");
    result += HostInAddress(Host);
    if (!Port.empty()) result += ":" + Port;
    result += DirPath + DocName + Query;
    if (includeFragment && !Fragment.empty()) result += "#" + Fragment;
    return result;
}

std::string TIdURI::PlainURI() {
    FullText = FullURI(/*includeCredentials=*/true, /*includeFragment=*/true);
    return FullURI(/*includeCredentials=*/false, /*includeFragment=*/false);
}

std::string UriScheme(std::string_view reference) {
    const auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (reference.empty() || !alpha(reference[0])) return {};
    std::string scheme;
    for (const char c : reference) {
        if (c == ':') return scheme;
        if (!alpha(c) && !digit(c) && c != '+' && c != '-' && c != '.') return {};
        scheme += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return {};
}

std::string EncodeRequestTarget(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        const bool unsafe = b <= 0x20 || b == 0x7F || std::string_view("\"<>\\^`{|}").find(c) != std::string_view::npos;
        if (unsafe) {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

std::string TIdURI::ResolvePath(const std::string& base, const std::string& path, char delimiter) {
    if (!path.empty() && path.front() == delimiter) return path;
    const bool keepTrailing = path.empty() || path.back() == delimiter;

    std::string work = base;
    if (!work.empty() && work.back() != delimiter) work += delimiter;
    work += path;

    std::string result;
    for (std::size_t i = 0; i < work.size(); ++i) {
        const char c = work[i];
        if (c == delimiter) {
            if (i == 0)
                result.assign(1, delimiter);
            else if (result.empty() || result.back() != delimiter)
                result += delimiter;
        } else if (c == '.' && !result.empty() && result.back() == delimiter && i + 1 < work.size() &&
                   work[i + 1] == '.') {
            result.pop_back();
            while (!result.empty() && result.back() != delimiter) result.pop_back();
            ++i;
        } else {
            result += c;
        }
    }
    if (result.size() > 1 && result.back() == delimiter && !keepTrailing) result.pop_back();
    return result;
}

}  // namespace yeroup::http
