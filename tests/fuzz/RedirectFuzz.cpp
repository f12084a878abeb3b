// Feeds a base address (the first line) and a redirect's Location (the rest) to the resolution a redirect goes
// through. Whatever it yields is an http or https address with a host that the reading of addresses elsewhere
// takes the same way; clear text from an https base, or another host, comes only from a Location that names it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "http/IdURIReference.h"
#include "platform/text/AsciiText.h"

using yeroup::http::EIdURIReferenceRefused;
using yeroup::http::ResolveReference;
using yeroup::http::TIdURI;

namespace {

void Check(bool holds) {
    if (!holds) std::abort();
}

std::string PathAndQuery(const TIdURI& uri) { return uri.DirPath + uri.DocName + uri.Query; }

bool SameAddress(const TIdURI& a, const TIdURI& b) {
    return a.Protocol == b.Protocol && a.Host == b.Host && a.Port == b.Port && PathAndQuery(a) == PathAndQuery(b);
}

void CheckTarget(const TIdURI& base, const std::string& location, const TIdURI& target) {
    Check(target.Protocol == "http" || target.Protocol == "https");
    Check(!target.Host.empty() && target.Host.find_first_of("/?#@[] \\") == std::string::npos);
    Check(!target.Port.empty() && target.Port.size() <= 5 && target.Port.front() != '0');
    Check(!target.DirPath.empty() && target.DirPath.front() == '/');
    Check(PathAndQuery(target).find('#') == std::string::npos);
    const std::string lower = yeroup::platform::AsciiLowerCase(location);
    // Clear text from TLS only when the Location says "http:" itself; another host only with an authority.
    if (base.Protocol == "https" && target.Protocol == "http") Check(lower.rfind("http:", 0) == 0);
    if (target.Host != yeroup::platform::AsciiLowerCase(base.Host)) Check(location.find("//") != std::string::npos);
    // The address written out reads back the same with the parser every other address goes through...
    const std::string text = target.FullURI(/*includeCredentials=*/false, /*includeFragment=*/false);
    Check(SameAddress(TIdURI(text), target));
    // ...and resolving it again changes nothing.
    Check(SameAddress(ResolveReference(base, text), target));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::size_t split = text.find('\n');
    if (split == std::string::npos) return 0;
    TIdURI base;
    try {
        // Bases are addresses the client dialled, so resolved ones.
        base = ResolveReference(TIdURI("https://update.test:8443/dir/page.htm?q=1"), text.substr(0, split));
    } catch (const EIdURIReferenceRefused&) {
        return 0;
    }
    const std::string location = text.substr(split + 1);
    try {
        CheckTarget(base, location, ResolveReference(base, location));
    } catch (const EIdURIReferenceRefused&) {}
    return 0;
}
