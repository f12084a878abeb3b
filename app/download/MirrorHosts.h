#pragma once
// The hosts a package is fetched from: the one the user set, then the vendor's mirrors. The mirror list is taken
// from the user's host after the catalogue and kept beside it, so that it is at hand when that host is down later;
// it is used only while its signature verifies with the keys in force and its expiry has not passed. Without a
// key no mirror is used: only a signature makes another host's bytes safe.
#include <cstdint>
#include <string>
#include <vector>

#include "app/core/AppFiles.h"
#include "app/core/Trace.h"
#include "app/trust/TrustedKeys.h"
#include "http/IdHTTP.h"

namespace yeroup::app {

// Fetches the mirror list and its signature from the user's host and keeps them when they verify; a host that has
// none (404) has its kept copy removed. What is not taken is traced; the kept copy then stays.
void TakeMirrorList(http::TIdHTTP& client, const TAppFiles& files, const trust::TTrustedKeys& keys, std::int64_t now,
                    const TTrace& trace);

// The kept mirror list's hosts when it verifies at now; none otherwise (traced when it is there and refused).
std::vector<std::string> KeptMirrors(const TAppFiles& files, const trust::TTrustedKeys& keys, std::int64_t now,
                                     const TTrace& trace);

// The package's URL on the user's host, then on each mirror.
std::vector<std::string> PackageUrls(const TAppFiles& files, const std::vector<std::string>& mirrors,
                                     const std::string& m, const std::string& f);

}  // namespace yeroup::app
