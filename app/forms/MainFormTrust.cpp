// The signature checks of packages when a trusted key is configured: on download, and again before an upgrade.
#include <filesystem>

#include "app/core/Texts.h"
#include "app/download/SignedFetch.h"
#include "app/forms/MainForm.h"
#include "app/ui/Translation.h"
#include "platform/files/MappedFile.h"

namespace yeroup::app {

bool TForm2::DownloadedPackageVerified(const std::string& m, const std::string& f, const std::string& packageFile,
                                       std::string& signature) {
    const trust::TTrustedKeys& keys = services_.TrustedKeys;
    if (!keys.Configured()) return true;
    try {
        if (!FetchSignature(*IdHTTP1, services_.Files.PackageUrl(m, f), signature, services_.Trace))
            throw trust::ESignatureError("the signature file is missing");
        const platform::TMappedFile package(packageFile);
        keys.Verify(package.Bytes(), signature, TAppFiles::PackageName(m, f));
        return true;
    } catch (const trust::ESignatureError& e) {
        services_.Trace.Line(
            "error", std::string("the package's signature is refused: ") + e.what() + "; the package is not stored");
        signature.clear();
        if (!closing_)
            services_.MessageBoxes.MessageBox(this, Tr(texts::kPackageNotVerified), Tr(texts::kDownloadFailedCaption),
                                              MB_OK | MB_ICONWARNING);
        return false;
    }
}

bool TForm2::StoredPackageVerified(const std::string& m, const std::string& f) {
    const trust::TTrustedKeys& keys = services_.TrustedKeys;
    if (!keys.Configured()) return true;
    const std::string file = services_.Files.PackageFile(m, f);
    // A missing package is the upgrade's own case to tell.
    std::error_code missing;
    if (!std::filesystem::exists(file, missing)) return true;
    try {
        const platform::TMappedFile package(file);
        keys.Verify(package.Bytes(), ReadSignatureFile(TAppFiles::SignatureOf(file)), TAppFiles::PackageName(m, f));
        return true;
    } catch (const std::exception& e) {
        services_.Trace.Line("error",
                             std::string("the stored package's signature is refused: ") + e.what() + "; no upgrade");
        services_.MessageBoxes.MessageBox(this, Tr(texts::kStoredPackageNotVerified), Tr(texts::kHintCaption),
                                          MB_OK | MB_ICONWARNING);
        return false;
    }
}

}  // namespace yeroup::app
