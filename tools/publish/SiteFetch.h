#pragma once
// How the check reads a live site's files, the primary host's and each mirror's alike: as the program fetches
// them, with the bounds a check run by a machine needs.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/core/AppFiles.h"
#include "app/download/PackageFetch.h"
#include "http/IdHTTP.h"
#include "platform/streams/Stream.h"

namespace yeroup::tools {

// Milliseconds a package download may wait for each read: the program waits without end for its user to cancel,
// which a check run by a machine cannot.
inline constexpr std::int32_t kPackageReadTimeout = 30000;

// The client for the host's packages, as the program's, with the check's read timeout.
std::unique_ptr<http::TIdHTTP> MakePackageClient(const app::TAppFiles& files);
// As much as the catalogue lists and a margin, within a deadline: a host cannot fill the disk or hold the check.
app::TPackageFetchLimits PackageBounds(std::optional<std::uintmax_t> listed);

// As the program fetches its catalogue and pages; why when it cannot be had.
bool FetchWhole(http::TIdHTTP& client, const std::string& url, platform::TMemoryStream& stream, std::string& why);
// The last answer said the file is not there (404 or 410): a file the site may lack, or a mirror does.
bool AnsweredMissing(http::TIdHTTP& client);

// A fetched package, its signature and what a fetch of it left, so that the next one starts afresh.
void RemoveFetched(const std::string& file);
// Why a package fetch brought no whole body, in a few words.
std::string FetchEndText(const app::TPackageFetchResult& result);

// The host's URLs start with this: the scheme and the host[:port].
std::string HostUrlOf(const app::TAppFiles& files);

}  // namespace yeroup::tools
