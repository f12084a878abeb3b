#pragma once
// yeroup-publish sign: a minisign signature beside the catalogue and every package of a built site
// ("<file>.minisig"), made with the operator's minisign secret key. The trusted comment carries the time of
// signing and the file's name, and for the catalogue an expiry, past which the program refuses that copy.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace yeroup::tools {

// Signs site with the secret key in keyFile (password asked for only when the key is encrypted); the catalogue
// expires expiresSeconds after now. Returns what was done, one line; raises std::runtime_error on a fault.
std::string SignSite(const std::filesystem::path& site, const std::filesystem::path& keyFile,
                     std::int64_t expiresSeconds, std::int64_t now, const std::function<std::string()>& password);

// A time in seconds since 1970 as "YYYY-MM-DD HH:MM UTC".
std::string UtcText(std::int64_t time);

}  // namespace yeroup::tools
