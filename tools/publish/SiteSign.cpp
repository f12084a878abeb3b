#include "tools/publish/SiteSign.h"

#include <ctime>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "app/core/AppFiles.h"
#include "app/trust/SecretKey.h"
#include "platform/files/AtomicWrite.h"
#include "platform/files/MappedFile.h"
#include "platform/text/CodePages.h"
#include "tools/publish/BuiltSite.h"

namespace yeroup::tools {

namespace fs = std::filesystem;

std::string UtcText(std::int64_t time) {
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm parts{};
    char text[32] = "";
    if (::gmtime_r(&t, &parts)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &parts);
    return text;
}

app::trust::TSecretKey LoadSecretKey(const fs::path& keyFile,
                                     const std::function<app::trust::TSecretText()>& password) {
    std::ifstream in(keyFile, std::ios::binary);
    if (!in) throw std::runtime_error("the secret key " + keyFile.string() + " cannot be read");
    const std::string keyText((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return app::trust::ReadSecretKey(keyText, password);
}

void SignFile(const app::trust::TSecretKey& key, const fs::path& file, const std::string& comment,
              const fs::path& signatureFile) {
    const platform::TMappedFile bytes(file.string());
    const app::trust::TSignature signature = app::trust::SignData(key, bytes.Bytes(), comment);
    app::trust::VerifySignature({key.PublicKey}, signature, bytes.Bytes());
    const std::string text = app::trust::SignatureText(
        signature, "signature from yeroup-publish secret key " + app::trust::KeyIdText(key.Id));
    platform::ReplaceFileAtomically(signatureFile, text.data(), text.size());
}

std::string SignSite(const fs::path& site, const fs::path& keyFile, std::int64_t expiresSeconds, std::int64_t now,
                     const std::function<app::trust::TSecretText()>& password) {
    std::vector<std::string> problems;
    const std::vector<fs::path> packages = CheckBuiltSite(site, problems);
    if (!problems.empty()) throw ESiteFaults(std::move(problems));
    const fs::path catalogue = site.string() + app::TAppFiles::CataloguePath();
    const app::trust::TSecretKey key = LoadSecretKey(keyFile, password);

    const std::int64_t expires = now + expiresSeconds;
    const auto sign = [&](const fs::path& file, bool isCatalogue) {
        // Names as the program compares them: the host's bytes (code page 936) read as UTF-8 text.
        std::string comment =
            "timestamp:" + std::to_string(now) + "\tfile:" + platform::AnsiToUtf8(file.filename().string());
        if (isCatalogue) comment += "\texpires:" + std::to_string(expires);
        SignFile(key, file, comment, app::TAppFiles::SignatureOf(file.string()));
    };
    sign(catalogue, true);
    for (const fs::path& package : packages) sign(package, false);
    return "signed the catalogue and " + std::to_string(packages.size()) + " packages with key " +
           app::trust::KeyIdText(key.Id) + "; the catalogue expires on " + UtcText(expires);
}

}  // namespace yeroup::tools
