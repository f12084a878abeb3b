#pragma once
// yeroup-publish check: reads a live update site as the program reads it (its client, limits and proxy, the
// catalogue in code page 936, the paths it builds) and tells each problem on a line of its own: a catalogue that
// cannot be had or is none, a firmware without page or package, a package of another size than the catalogue
// says or one the program would refuse, and with a key a signature missing, refused or naming another file, a
// catalogue or mirror list that expires within a week, or a piece list that is refused or does not match its
// package. Then each mirror the site lists is read alike, and each file it serves otherwise than the primary named.
#include <cstdint>
#include <cstdio>
#include <string>

namespace yeroup::tools {

// A catalogue that expires sooner than this is reported: the operator has this long to sign it again.
inline constexpr std::int64_t kExpiryWarningSeconds = 7 * 24 * 60 * 60;

struct TCheckSummary {
    int problems = 0;
    int models = 0;
    int firmware = 0;
    int mirrors = 0;
};

// host as the program takes it ("host[:port]", "http://..." or "https://..."); keyFile: minisign public keys to
// check signatures with, or empty for none. Problems go to out as they are found. Raises std::runtime_error when
// the key file cannot be used.
TCheckSummary CheckSite(const std::string& host, const std::string& keyFile, std::int64_t now, std::FILE* out);

}  // namespace yeroup::tools
