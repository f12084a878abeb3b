#pragma once
// yeroup-publish sign: a minisign signature beside the catalogue, the mirror list, every package of a built site
// and each package's piece list, written here ("<file>.minisig"), made with the operator's minisign secret key. The
// trusted comment carries the time of signing and the file's name, and for the catalogue and the mirror list an
// expiry, past which the program refuses that copy.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/trust/SecretKey.h"

namespace yeroup::tools {

// The site is not as `build` left it: nothing was signed. problems: one line per fault, naming the package.
class ESiteFaults : public std::runtime_error {
public:
    explicit ESiteFaults(std::vector<std::string> faults)
        : std::runtime_error(std::to_string(faults.size()) + " faults; nothing was signed"),
          problems(std::move(faults)) {}
    std::vector<std::string> problems;
};

// Checks site as CheckBuiltSite does (raising ESiteFaults, before the password is asked for), writes the piece list
// of each package the catalogue lists, then signs the catalogue, the mirror list when there is one, the packages and
// their piece lists with the secret key in keyFile (password asked for only when the key is encrypted); the
// catalogue and the mirror list expire expiresSeconds after now. Returns what was done, one line; raises
// std::runtime_error on another fault.
std::string SignSite(const std::filesystem::path& site, const std::filesystem::path& keyFile,
                     std::int64_t expiresSeconds, std::int64_t now,
                     const std::function<app::trust::TSecretText()>& password);

// The minisign secret key in keyFile (password asked for only when it is encrypted). Raises on a fault.
app::trust::TSecretKey LoadSecretKey(const std::filesystem::path& keyFile,
                                     const std::function<app::trust::TSecretText()>& password);
// A signature of file with the trusted comment given, checked, written to signatureFile.
void SignFile(const app::trust::TSecretKey& key, const std::filesystem::path& file, const std::string& comment,
              const std::filesystem::path& signatureFile);

// A time in seconds since 1970 as "YYYY-MM-DD HH:MM UTC".
std::string UtcText(std::int64_t time);

}  // namespace yeroup::tools
