#pragma once
// yeroup-publish rotate: the statement that moves the site from one signing key to the next, beside the catalogue.
// It names the new public key (and whether the old one is retired) and is signed by the old key and by the new
// one; the program, trusting the old key, takes the new one from it at its next catalogue refresh.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "app/trust/SecretKey.h"

namespace yeroup::tools {

// Writes the statement and its two signatures into the built site; returns what was done, one line. Raises
// std::runtime_error on a fault (no site, a key that cannot be read, the same key twice).
std::string RotateKey(const std::filesystem::path& site, const std::filesystem::path& oldKeyFile,
                      const std::filesystem::path& newKeyFile, bool retireOld, std::int64_t now,
                      const std::function<app::trust::TSecretText()>& oldPassword,
                      const std::function<app::trust::TSecretText()>& newPassword);

}  // namespace yeroup::tools
