// The catalogue fetch, with its signature when a trusted key is configured.
#include "app/core/CatalogueCheck.h"
#include "app/download/SignedFetch.h"
#include "app/forms/SplashForm.h"
#include "app/trust/CatalogueFreshness.h"
#include "platform/files/AtomicWrite.h"

namespace yeroup::app {

TCatalogueFetch TForm1::FetchCatalogue() {
    const TAppFiles& files = services_.Files;
    const trust::TTrustedKeys& keys = services_.TrustedKeys;
    const auto unreachable = [this] {
        return hostNotTrusted_ ? TCatalogueFetch::HostNotTrusted : TCatalogueFetch::Unreachable;
    };
    if (!keys.Configured())
        return FetchToFile(files.CatalogueUrl(), files.CatalogueFile(), ReadsAsCatalogue) ? TCatalogueFetch::Taken
                                                                                          : unreachable();

    platform::TMemoryStream catalogue;
    std::string signature;
    if (!FetchToStream(files.CatalogueUrl(), catalogue)) return unreachable();
    if (!ReadsAsCatalogue(StreamBytes(catalogue))) {
        services_.Trace.Line("error", "the fetched catalogue does not read as one; the stored copy stays");
        return TCatalogueFetch::Unreachable;
    }
    if (!FetchSignature(*IdHTTP1, files.CatalogueUrl(), signature, services_.Trace)) {
        services_.Trace.Line("error", "the catalogue's signature could not be fetched; the stored copy stays");
        return TCatalogueFetch::NotVerified;
    }
    const std::string name = TAppFiles::CatalogueName();
    const std::string signatureFile = TAppFiles::SignatureOf(files.CatalogueFile());
    try {
        const trust::TSignedFacts facts = keys.Verify(StreamBytes(catalogue), signature, name);
        // An older catalogue than the one accepted last is a replayed copy: it could bring back withdrawn firmware.
        const auto accepted = keys.AcceptedFacts(ReadSignatureFile(signatureFile), name);
        if (accepted && facts.Timestamp < accepted->Timestamp) {
            services_.Trace.Line("error",
                                 "the fetched catalogue is older than the one accepted last; the stored copy stays");
            return TCatalogueFetch::NotVerified;
        }
        // One past the expiry its operator signed is a frozen copy, served on to hide newer firmware.
        if (trust::JudgeFreshness(facts, services_.UnixTime()) == trust::TFreshness::Expired) {
            services_.Trace.Line("error", "the fetched catalogue expired at " + UtcTimeText(*facts.Expires) +
                                              " (signed at " + UtcTimeText(facts.Timestamp) +
                                              "); the stored copy stays");
            return TCatalogueFetch::NotVerified;
        }
    } catch (const trust::ESignatureError& e) {
        services_.Trace.Line(
            "error", std::string("the catalogue's signature is refused: ") + e.what() + "; the stored copy stays");
        return TCatalogueFetch::NotVerified;
    }
    platform::ReplaceFileAtomically(files.CatalogueFile(), catalogue.Memory(),
                                    static_cast<std::size_t>(catalogue.Size()));
    platform::ReplaceFileAtomically(signatureFile, signature.data(), signature.size());
    return TCatalogueFetch::Taken;
}

}  // namespace yeroup::app
