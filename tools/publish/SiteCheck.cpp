#include "tools/publish/SiteCheck.h"

#include <fstream>
#include <stdexcept>
#include <vector>

#include "app/core/AppFiles.h"
#include "app/core/CatalogueCheck.h"
#include "app/download/PackageFetch.h"
#include "app/download/SignedFetch.h"
#include "app/download/UpdateClient.h"
#include "app/trust/TrustedKeys.h"
#include "platform/profile/IniFile.h"
#include "platform/text/CodePages.h"
#include "tools/publish/CatalogueValue.h"
#include "tools/publish/PackageCheck.h"
#include "tools/publish/SiteSign.h"
#include "tools/publish/TempFolder.h"

namespace yeroup::tools {

namespace fs = std::filesystem;
using app::TAppFiles;

namespace {

// Milliseconds a package download may wait for each read: the program waits without end for its user to cancel,
// which a check run by a machine cannot.
constexpr std::int32_t kPackageReadTimeout = 30000;

class TChecker {
public:
    TChecker(const std::string& host, const app::trust::TTrustedKeys& keys, std::int64_t now, std::FILE* out)
        : files_(work_.Path().string(), host),
          keys_(keys),
          now_(now),
          out_(out),
          client_(app::MakeFetchClient(files_.SecureHost(), app::ExtraCAFileFromEnvironment())),
          packageClient_(app::MakeUpdateClient(files_.SecureHost(), app::ExtraCAFileFromEnvironment())) {
        packageClient_->RecvBufferSize = app::kDownloadReceiveBytes;
        packageClient_->ReadTimeout = kPackageReadTimeout;
    }

    TCheckSummary Run() {
        platform::TMemoryStream catalogue;
        const std::string url = files_.CatalogueUrl();
        std::string why;
        if (!Fetch(url, catalogue, why)) {
            Problem("catalogue " + url + ": cannot be read: " + why);
            return summary_;
        }
        if (!app::ReadsAsCatalogue(app::StreamBytes(catalogue))) {
            Problem("catalogue " + url + ": not a catalogue (no model with a firmware in it, read in code page 936)");
            return summary_;
        }
        if (keys_.Configured()) CheckCatalogueSignature(url, app::StreamBytes(catalogue));
        const fs::path copy = work_.Path() / TAppFiles::CatalogueName();
        std::ofstream(copy, std::ios::binary).write(catalogue.Memory(), static_cast<std::streamsize>(catalogue.Size()));
        // The lists as the program reads them from its copy.
        const platform::TIniFile ini(copy);
        std::vector<std::string> models;
        ini.ReadSections(models);
        for (const std::string& m : models) {
            std::vector<std::string> firmware;
            ini.ReadSection(m, firmware);
            ++summary_.models;
            for (const std::string& f : firmware) {
                ++summary_.firmware;
                CheckFirmware(m, f, ini.ReadString(m, f, ""));
            }
        }
        return summary_;
    }

private:
    void Problem(const std::string& line) {
        std::fprintf(out_, "%s\n", line.c_str());
        std::fflush(out_);
        ++summary_.problems;
    }

    // As the program fetches its catalogue and pages; why not when it cannot be had.
    bool Fetch(const std::string& url, platform::TMemoryStream& stream, std::string& why) {
        try {
            client_->Get(url, stream);
        } catch (const std::exception& e) {
            why = e.what();
            return false;
        }
        const http::TIdHTTPResponse& response = client_->Response();
        if (response.LengthGiven() && response.ContentLength() > 0 && stream.Size() < response.ContentLength()) {
            why = "the body ended before its announced length";
            return false;
        }
        return true;
    }

    // The signature of the file at url over data, for the file name; its facts when it is good.
    std::optional<app::trust::TSignedFacts> CheckSignature(const std::string& what, const std::string& url,
                                                           std::string_view data, const std::string& name) {
        std::string signature;
        if (!app::FetchSignature(*client_, url, signature, app::TTrace())) {
            const int status = client_->Response().StatusCode();
            Problem(what + ": no signature at " + TAppFiles::SignatureOf(url) +
                    (status > 0 ? " (" + client_->Response().StatusLine + ")" : std::string()));
            return std::nullopt;
        }
        try {
            return keys_.Verify(data, signature, name);
        } catch (const app::trust::ESignatureError& e) {
            Problem(what + ": the signature " + TAppFiles::SignatureOf(url) + " is refused: " + e.what());
            return std::nullopt;
        }
    }

    void CheckCatalogueSignature(const std::string& url, std::string_view data) {
        const std::string what = "catalogue " + url;
        const auto facts = CheckSignature(what, url, data, TAppFiles::CatalogueName());
        if (!facts || !facts->Expires) return;
        if (*facts->Expires <= now_)
            Problem(what + ": expired on " + UtcText(*facts->Expires) + ": sign it again");
        else if (*facts->Expires - now_ < kExpiryWarningSeconds)
            Problem(what + ": expires within a week, on " + UtcText(*facts->Expires) + ": sign it again");
    }

    void CheckFirmware(const std::string& m, const std::string& f, const std::string& value) {
        const std::string what =
            "model \"" + platform::AnsiToUtf8(m) + "\" firmware \"" + platform::AnsiToUtf8(f) + "\"";
        platform::TMemoryStream page;
        std::string why;
        const std::string pageUrl = files_.PageUrl(m, f);
        if (!Fetch(pageUrl, page, why)) Problem(what + ": no firmware page at " + pageUrl + ": " + why);

        const std::string url = files_.PackageUrl(m, f);
        const std::optional<std::uintmax_t> listed = CatalogueSize(value);
        if (!listed) Problem(what + ": the catalogue gives no package size (a value \"DATE SIZE SUMMARY\")");
        const std::string file = (work_.Path() / "package.zip").string();
        // As much as the catalogue lists and a margin, within a deadline: a host cannot fill the disk or hold
        // the check.
        app::TPackageFetchLimits bounds;
        if (listed) bounds.maxLength = static_cast<std::int64_t>(*listed) + app::limits::kPackageSizeMargin;
        bounds.deadlineMs = app::limits::kPackageCheckDeadlineMs;
        const app::TTrace noTrace;
        app::TPackageFetch fetch(*packageClient_, url, file, keys_, TAppFiles::PackageName(m, f), noTrace, bounds);
        const app::TPackageFetchResult result = fetch.Run();
        std::string body = file;
        switch (result.end) {
        case app::TFetchEnd::Stored: break;
        case app::TFetchEnd::SignatureMissing:
            Problem(what + ": no signature at " + TAppFiles::SignatureOf(url) +
                    (result.signatureWhy.empty() ? std::string() : " (" + result.signatureWhy + ")"));
            body = fetch.Download().PartialFile();
            break;
        case app::TFetchEnd::SignatureRefused:
            Problem(what + ": the signature " + TAppFiles::SignatureOf(url) + " is refused: " + result.signatureWhy);
            return;
        case app::TFetchEnd::Cut:
            Problem(what + ": the package " + url + " is cut short: " + std::to_string(result.size) + " of " +
                    (result.total < 0 ? std::string("an unknown number of") : std::to_string(result.total)) +
                    " bytes came");
            RemovePackage(file);
            return;
        case app::TFetchEnd::NotWhole:
            Problem(what + ": the package " + url + " cannot be told whole: " +
                    (result.size == 0 ? "its body is empty" : "it came without a length and without chunks"));
            RemovePackage(file);
            return;
        case app::TFetchEnd::Failed:
        case app::TFetchEnd::Cancelled:
            Problem(what + ": no package at " + url + ": " + ErrorText(result.error));
            RemovePackage(file);
            return;
        }
        std::error_code ec;
        const std::uintmax_t size = fs::file_size(body, ec);
        if (listed && *listed != size)
            Problem(what + ": the package " + url + " has " + std::to_string(size) + " bytes, the catalogue says " +
                    std::to_string(*listed));
        for (const std::string& problem : PackageProblems(body, work_.Path() / "scratch"))
            Problem(what + ": the package " + url + ": " + problem);
        RemovePackage(file);
    }

    // The package, its signature and what a fetch of it left, so that the next firmware starts afresh.
    static void RemovePackage(const std::string& file) {
        std::error_code ec;
        for (const std::string& path :
             {file, TAppFiles::SignatureOf(file), app::PartialFileOf(file), app::ResumeRecordOf(file)})
            fs::remove(path, ec);
    }

    static std::string ErrorText(const std::exception_ptr& error) {
        try {
            if (error) std::rethrow_exception(error);
        } catch (const std::exception& e) {
            return e.what();
        }
        return "failed";
    }

    TTempFolder work_{"yeroup-check-"};
    TAppFiles files_;
    const app::trust::TTrustedKeys& keys_;
    std::int64_t now_;
    std::FILE* out_;
    std::unique_ptr<http::TIdHTTP> client_;
    std::unique_ptr<http::TIdHTTP> packageClient_;
    TCheckSummary summary_;
};

}  // namespace

TCheckSummary CheckSite(const std::string& host, const std::string& keyFile, std::int64_t now, std::FILE* out) {
    app::trust::TTrustedKeys keys;
    if (!keyFile.empty()) {
        keys = app::trust::TTrustedKeys::FromFile(keyFile, true);
        if (!keys.Problem().empty()) throw std::runtime_error(keys.Problem());
    }
    return TChecker(host, keys, now, out).Run();
}

}  // namespace yeroup::tools
