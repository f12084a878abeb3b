#include "tools/publish/SiteSign.h"

#include <ctime>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "app/core/AppFiles.h"
#include "app/download/PieceList.h"
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
    const auto sign = [&](const fs::path& file, bool expiring) {
        // Names as the program compares them: the host's bytes (code page 936) read as UTF-8 text.
        std::string comment =
            "timestamp:" + std::to_string(now) + "\tfile:" + platform::AnsiToUtf8(file.filename().string());
        if (expiring) comment += "\texpires:" + std::to_string(expires);
        SignFile(key, file, comment, app::TAppFiles::SignatureOf(file.string()));
    };
    // Each piece list before any signature: a signature never stands beside a list that is not yet written.
    std::vector<fs::path> pieceLists;
    for (const fs::path& package : packages) {
        pieceLists.emplace_back(app::TAppFiles::PieceListOf(package.string()));
        const std::string text = app::PieceListText(app::MakePieceList(package.string()));
        platform::ReplaceFileAtomically(pieceLists.back(), text.data(), text.size());
    }
    sign(catalogue, true);
    const fs::path mirrors = site.string() + app::TAppFiles::MirrorListPath();
    std::error_code error;
    const bool hasMirrors = fs::is_regular_file(mirrors, error);
    if (hasMirrors) sign(mirrors, true);
    for (std::size_t i = 0; i < packages.size(); ++i) {
        sign(packages[i], false);
        sign(pieceLists[i], false);
    }
    const std::string count = std::to_string(packages.size());
    return std::string("signed the catalogue, ") + (hasMirrors ? "the mirror list, " : "") + count +
           " packages and their " + count + " piece lists with key " + app::trust::KeyIdText(key.Id) + "; the " +
           (hasMirrors ? "catalogue and the mirror list expire" : "catalogue expires") + " on " + UtcText(expires);
}

}  // namespace yeroup::tools
