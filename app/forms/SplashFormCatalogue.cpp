// The catalogue fetch, with its signature when a trusted key is configured.
#include "app/core/CatalogueCheck.h"
#include "app/core/Limits.h"
#include "app/core/Texts.h"
#include "app/download/MirrorHosts.h"
#include "app/download/SignedFetch.h"
#include "app/forms/SplashForm.h"
#include "app/trust/CatalogueFreshness.h"
#include "app/trust/KeyRotation.h"
#include "platform/files/AtomicWrite.h"

namespace yeroup::app {

TCatalogueFetch TForm1::FetchCatalogue() {
    const TAppFiles& files = services_.Files;
    const auto unreachable = [this] {
        return hostNotTrusted_ ? TCatalogueFetch::HostNotTrusted : TCatalogueFetch::Unreachable;
    };
    if (!services_.TrustedKeys.Configured())
        return FetchToFile(files.CatalogueUrl(), files.CatalogueFile(), ReadsAsCatalogue) ? TCatalogueFetch::Taken
                                                                                          : unreachable();

    platform::TMemoryStream catalogue;
    std::string signature;
    if (!FetchToStream(files.CatalogueUrl(), catalogue)) return unreachable();
    if (!ReadsAsCatalogue(StreamBytes(catalogue))) {
        services_.Trace.Line("error", "the fetched catalogue does not read as one; the stored copy stays");
        return TCatalogueFetch::Unreachable;
    }
    // A rotation of the signing key comes first: the catalogue may already be signed by the new key.
    TakeKeyRotation();
    const trust::TTrustedKeys keys = trust::KeysInForce(services_.TrustedKeys, files.KeyChangesFile());
    if (!FetchSignature(*IdHTTP1, files.CatalogueUrl(), signature, services_.Trace)) {
        services_.Trace.Line("error", "the catalogue's signature could not be fetched; the stored copy stays");
        return TCatalogueFetch::NotVerified;
    }
    const std::string name = TAppFiles::CatalogueName();
    const std::string signatureFile = TAppFiles::SignatureOf(files.CatalogueFile());
    try {
        const trust::TSignedFacts facts = keys.Verify(StreamBytes(catalogue), signature, name);
        const std::int64_t now = services_.UnixTime();
        // Taken, one from the future would make every correctly dated catalogue after it look replayed.
        if (trust::SignedTooFarAhead(facts, now)) {
            services_.Trace.Line("error", "the fetched catalogue is signed at " + UtcTimeText(facts.Timestamp) +
                                              ", more than " + std::to_string(limits::kMaxSignedAheadSeconds / 3600) +
                                              " hours after this computer's clock (" + UtcTimeText(now) +
                                              "); the stored copy stays");
            signedAhead_ = {texts::kCatalogueSignedAhead, {UtcTimeText(facts.Timestamp)}};
            return TCatalogueFetch::NotVerified;
        }
        // An older catalogue than the one accepted last is a replayed copy: it could bring back withdrawn firmware.
        // One accepted from the future (before it was refused) is no measure.
        const auto accepted = keys.AcceptedFacts(ReadSignatureFile(signatureFile), name);
        if (accepted && !trust::SignedTooFarAhead(*accepted, now) && facts.Timestamp < accepted->Timestamp) {
            services_.Trace.Line("error",
                                 "the fetched catalogue is older than the one accepted last; the stored copy stays");
            return TCatalogueFetch::NotVerified;
        }
        // One past the expiry its operator signed is a frozen copy, served on to hide newer firmware.
        if (trust::JudgeFreshness(facts, now) == trust::TFreshness::Expired) {
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
    // A cut between the two must not leave the copy with another copy's signature (its age, the replay check).
    platform::ReplaceFilesTogether(files.CatalogueFile(),
                                   std::string_view(catalogue.Memory(), static_cast<std::size_t>(catalogue.Size())),
                                   signatureFile, signature);
    // From the host that just proved itself; kept for a download made while it is down.
    TakeMirrorList(*IdHTTP1, files, keys, services_.UnixTime(), services_.Trace);
    return TCatalogueFetch::Taken;
}

void TForm1::TakeKeyRotation() {
    const TAppFiles& files = services_.Files;
    platform::TMemoryStream statement;
    std::string oldSignature, newSignature;
    if (!FetchToStream(files.RotationUrl(), statement)) return;  // the site rotates no key
    if (!FetchSignature(*IdHTTP1, files.RotationUrl(), oldSignature, services_.Trace) ||
        !FetchSignature(*IdHTTP1, files.RotationUrl() + trust::kNewKeySignatureSuffix, newSignature, services_.Trace)) {
        services_.Trace.Line("error", "the key rotation statement's signatures could not be fetched; it is not taken");
        return;
    }
    try {
        const trust::TKeyChanges changes = trust::ReadKeyChanges(files.KeyChangesFile());
        const trust::TKeyChanges next =
            trust::TakeRotation(services_.TrustedKeys, changes, StreamBytes(statement), oldSignature, newSignature);
        if (next.taken == changes.taken) return;
        const std::string text = trust::KeyChangesText(next);
        platform::ReplaceFileAtomically(files.KeyChangesFile(), text.data(), text.size());
        const trust::TRotationStatement taken = trust::ParseRotationStatement(StreamBytes(statement));
        services_.Trace.Line(
            "notice", "the key rotation statement of " + UtcTimeText(taken.timestamp) + " is taken: key " +
                          trust::KeyIdText(taken.newKey.Id) + " is trusted" +
                          (taken.retireOld ? ", key " + trust::KeyIdText(taken.oldKey) + " retired" : std::string()));
    } catch (const trust::ESignatureError& e) {
        services_.Trace.Line("error", std::string(e.what()) + "; the trusted keys stay as they were");
    }
}

}  // namespace yeroup::app
