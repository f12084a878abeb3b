// The signature check of a stored package when a trusted key is configured, before an upgrade.
#include <filesystem>

#include "app/core/Texts.h"
#include "app/download/SignedFetch.h"
#include "app/forms/MainForm.h"
#include "app/trust/KeyRotation.h"
#include "app/ui/Translation.h"
#include "platform/files/MappedFile.h"

namespace yeroup::app {

std::string TForm2::StoredPackageRefusal(const std::string& m, const std::string& f) {
    const trust::TTrustedKeys keys = trust::KeysInForce(services_.TrustedKeys, services_.Files.KeyChangesFile());
    if (!keys.Configured()) return {};
    const std::string file = services_.Files.PackageFile(m, f);
    // A missing package is the upgrade's own case to tell.
    std::error_code missing;
    if (!std::filesystem::exists(file, missing)) return {};
    try {
        const platform::TMappedFile package(file);
        keys.Verify(package.Bytes(), ReadSignatureFile(TAppFiles::SignatureOf(file)), TAppFiles::PackageName(m, f));
        return {};
    } catch (const std::exception& e) {
        std::string refusal = std::string("the stored package's signature is refused: ") + e.what();
        services_.Trace.Line("error", refusal + "; no upgrade");
        services_.MessageBoxes.MessageBox(this, Tr(texts::kStoredPackageNotVerified), Tr(texts::kHintCaption),
                                          MB_OK | MB_ICONWARNING);
        return refusal;
    }
}

}  // namespace yeroup::app
