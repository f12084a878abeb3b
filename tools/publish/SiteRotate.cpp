#include "tools/publish/SiteRotate.h"

#include <stdexcept>

#include "app/core/AppFiles.h"
#include "app/trust/KeyRotation.h"
#include "platform/files/AtomicWrite.h"
#include "tools/publish/SiteSign.h"

namespace yeroup::tools {

namespace fs = std::filesystem;

std::string RotateKey(const fs::path& site, const fs::path& oldKeyFile, const fs::path& newKeyFile, bool retireOld,
                      std::int64_t now, const std::function<app::trust::TSecretText()>& oldPassword,
                      const std::function<app::trust::TSecretText()>& newPassword) {
    const fs::path catalogue = site.string() + app::TAppFiles::CataloguePath();
    std::error_code error;
    if (!fs::is_regular_file(catalogue, error))
        throw std::runtime_error("no catalogue at " + catalogue.string() + ": build the site first");
    const app::trust::TSecretKey oldKey = LoadSecretKey(oldKeyFile, oldPassword);
    const app::trust::TSecretKey newKey = LoadSecretKey(newKeyFile, newPassword);
    if (oldKey.Id == newKey.Id)
        throw std::runtime_error("the old and the new key are the same key (" + app::trust::KeyIdText(oldKey.Id) + ")");

    const fs::path statement = site.string() + app::TAppFiles::RotationPath();
    const std::string text = app::trust::RotationStatementText({now, oldKey.Id, newKey.PublicKey, retireOld});
    platform::ReplaceFileAtomically(statement, text.data(), text.size());
    const std::string comment = "timestamp:" + std::to_string(now) + "\tfile:" + statement.filename().string();
    SignFile(oldKey, statement, comment, app::TAppFiles::SignatureOf(statement.string()));
    SignFile(newKey, statement, comment,
             app::TAppFiles::SignatureOf(statement.string() + app::trust::kNewKeySignatureSuffix));
    return "the site moves from key " + app::trust::KeyIdText(oldKey.Id) + " to key " +
           app::trust::KeyIdText(newKey.Id) + (retireOld ? ", which retires the old one" : "") +
           "; sign the site with the new key now";
}

}  // namespace yeroup::tools
