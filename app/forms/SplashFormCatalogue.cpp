// The catalogue fetch, with its signature when a trusted key is configured.
#include "app/core/CatalogueCheck.h"
#include "app/core/SignedFetch.h"
#include "app/forms/SplashForm.h"
#include "platform/files/AtomicWrite.h"

namespace yeroup::app {

bool TForm1::FetchCatalogue() {
    const TAppFiles& files = services_.Files;
    const trust::TTrustedKeys& keys = services_.TrustedKeys;
    if (!keys.Configured()) return FetchToFile(files.CatalogueUrl(), files.CatalogueFile(), ReadsAsCatalogue);

    platform::TMemoryStream catalogue;
    std::string signature;
    if (!FetchToStream(files.CatalogueUrl(), catalogue)) return false;
    if (!ReadsAsCatalogue(StreamBytes(catalogue))) {
        services_.Trace.Line("error", "the fetched catalogue does not read as one; the stored copy stays");
        return false;
    }
    if (!FetchSignature(*IdHTTP1, files.CatalogueUrl(), signature, services_.Trace)) return false;
    const std::string name = TAppFiles::CatalogueName();
    const std::string signatureFile = TAppFiles::SignatureOf(files.CatalogueFile());
    try {
        const trust::TSignedFacts facts = keys.Verify(StreamBytes(catalogue), signature, name);
        // An older catalogue than the one accepted last is a replayed copy: it could bring back withdrawn firmware.
        if (facts.Timestamp < keys.AcceptedTimestamp(ReadSignatureFile(signatureFile), name)) {
            services_.Trace.Line("error",
                                 "the fetched catalogue is older than the one accepted last; the stored copy stays");
            return false;
        }
    } catch (const trust::ESignatureError& e) {
        services_.Trace.Line(
            "error", std::string("the catalogue's signature is refused: ") + e.what() + "; the stored copy stays");
        return false;
    }
    platform::ReplaceFileAtomically(files.CatalogueFile(), catalogue.Memory(),
                                    static_cast<std::size_t>(catalogue.Size()));
    platform::ReplaceFileAtomically(signatureFile, signature.data(), signature.size());
    return true;
}

}  // namespace yeroup::app
