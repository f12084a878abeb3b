// Feeds arbitrary text to the URI parser, the builder and the path resolver.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "http/IdURI.h"

using yeroup::http::EIdURIException;
using yeroup::http::TIdURI;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TIdURI uri(text);
    if (!uri.Protocol.empty() && (uri.DirPath.empty() || uri.DirPath.front() != '/')) std::abort();
    try {
        uri.FullURI();
        uri.FullURI(false, false);
        uri.PlainURI();
    } catch (const EIdURIException&) {}

    // The first line is the base, the rest the path.
    const std::size_t split = text.find('\n');
    const std::string base = text.substr(0, split);
    const std::string path = split == std::string::npos ? std::string() : text.substr(split + 1);
    const std::string resolved = TIdURI::ResolvePath(base, path);
    if ((path.empty() || path.front() != '/') && resolved.find("//") != std::string::npos) std::abort();
    return 0;
}
