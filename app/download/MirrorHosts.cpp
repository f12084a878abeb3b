#include "app/download/MirrorHosts.h"

#include <filesystem>
#include <optional>

#include "app/core/Limits.h"
#include "app/download/MirrorList.h"
#include "app/download/SignedFetch.h"
#include "app/trust/CatalogueFreshness.h"
#include "platform/files/AtomicWrite.h"
#include "platform/files/SmallFile.h"

namespace yeroup::app {

namespace {

// The list's hosts when signature verifies it as the mirror list, unexpired at now; raises what says why not.
std::vector<std::string> VerifiedMirrors(const std::string& text, const std::string& signature,
                                         const trust::TTrustedKeys& keys, std::int64_t now) {
    const trust::TSignedFacts facts = keys.Verify(text, signature, TAppFiles::MirrorListName());
    // A list past its expiry may name hosts the vendor gave up, which others may have taken over since.
    if (trust::JudgeFreshness(facts, now) == trust::TFreshness::Expired)
        throw trust::ESignatureError("it expired at " + UtcTimeText(*facts.Expires));
    return ReadMirrorList(text);
}

}  // namespace

void TakeMirrorList(http::TIdHTTP& client, const TAppFiles& files, const trust::TTrustedKeys& keys, std::int64_t now,
                    const TTrace& trace) {
    if (!keys.Configured()) return;
    std::string text, signature;
    if (!FetchBounded(client, files.MirrorListUrl(), limits::kMaxMirrorListBytes, text, trace)) {
        if (client.Response().StatusCode() == 404) {
            std::error_code ignored;
            std::filesystem::remove(files.MirrorListFile(), ignored);
            std::filesystem::remove(TAppFiles::SignatureOf(files.MirrorListFile()), ignored);
        }
        return;
    }
    try {
        if (!FetchSignature(client, files.MirrorListUrl(), signature, trace))
            throw trust::ESignatureError("its signature could not be fetched");
        VerifiedMirrors(text, signature, keys, now);
    } catch (const std::exception& e) {
        trace.Line("error", std::string("the mirror list is ignored: ") + e.what());
        return;
    }
    try {
        platform::ReplaceFilesTogether(files.MirrorListFile(), text, TAppFiles::SignatureOf(files.MirrorListFile()),
                                       signature);
    } catch (const std::exception& e) {
        // Not kept is no loss: the catalogue's own host still serves, and the kept copy stays.
        trace.Line("error", std::string("the mirror list is not kept: ") + e.what());
    }
}

std::vector<std::string> KeptMirrors(const TAppFiles& files, const trust::TTrustedKeys& keys, std::int64_t now,
                                     const TTrace& trace) {
    if (!keys.Configured() || !std::filesystem::exists(files.MirrorListFile())) return {};
    try {
        const std::optional<std::string> text =
            platform::ReadSmallFile(files.MirrorListFile(), limits::kMaxMirrorListBytes);
        return VerifiedMirrors(text.value_or(std::string()),
                               ReadSignatureFile(TAppFiles::SignatureOf(files.MirrorListFile())), keys, now);
    } catch (const std::exception& e) {
        trace.Line("error", std::string("the mirror list is ignored: ") + e.what());
        return {};
    }
}

std::vector<std::string> PackageUrls(const TAppFiles& files, const std::vector<std::string>& mirrors,
                                     const std::string& m, const std::string& f) {
    std::vector<std::string> urls = {files.PackageUrl(m, f)};
    for (const std::string& mirror : mirrors) urls.push_back(TAppFiles(files.ExeFolder(), mirror).PackageUrl(m, f));
    return urls;
}

}  // namespace yeroup::app
