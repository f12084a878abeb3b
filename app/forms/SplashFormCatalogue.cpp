// The catalogue fetch, with its signature when a trusted key is configured.
#include "app/core/CatalogueCheck.h"
#include "app/forms/SignedFetch.h"
#include "app/forms/SplashForm.h"
#include "platform/desktop/AtomicWrite.h"

namespace yeroup::app {

bool TForm1::FetchCatalogue() {
    const TAppFiles& files = services_.Files;
    const trust::TTrustedKeys& keys = services_.TrustedKeys;
    if (!keys.Configured()) return FetchToFile(files.CatalogueUrl(), files.CatalogueFile(), ReadsAsCatalogue);

    platform::TMemoryStream catalogue;
    std::string signature;
    if (!FetchToStream(files.CatalogueUrl(), catalogue) || !ReadsAsCatalogue(StreamBytes(catalogue)) ||
        !FetchSignature(*IdHTTP1, files.CatalogueUrl(), signature))
        return false;
    const std::string name = TAppFiles::CatalogueName();
    const std::string signatureFile = TAppFiles::SignatureOf(files.CatalogueFile());
    try {
        const trust::TSignedFacts facts = keys.Verify(StreamBytes(catalogue), signature, name);
        // An older catalogue than the one accepted last is a replayed copy: it could bring back withdrawn firmware.
        if (facts.Timestamp < keys.AcceptedTimestamp(ReadSignatureFile(signatureFile), name)) return false;
    } catch (const trust::ESignatureError&) {
        return false;
    }
    platform::ReplaceFileAtomically(files.CatalogueFile(), catalogue.Memory(),
                                    static_cast<std::size_t>(catalogue.Size()));
    platform::ReplaceFileAtomically(signatureFile, signature.data(), signature.size());
    return true;
}

}  // namespace yeroup::app
