#include "tools/publish/SiteCheck.h"

#include <fstream>
#include <stdexcept>
#include <vector>

#include "app/core/AppFiles.h"
#include "app/core/CatalogueCheck.h"
#include "app/download/PartialDownload.h"
#include "app/download/SignedFetch.h"
#include "app/download/UpdateClient.h"
#include "app/trust/TrustedKeys.h"
#include "platform/files/MappedFile.h"
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
        const std::string file = (work_.Path() / "package.zip").string();
        app::TPartialDownload download(file, url);
        try {
            download.Get(*packageClient_);
        } catch (const std::exception& e) {
            download.Discard();
            Problem(what + ": no package at " + url + ": " + e.what());
            return;
        }
        if (!download.Whole()) {
            Problem(what + ": the package " + url + " is cut short: " + std::to_string(download.Size()) + " of " +
                    (download.Total() < 0 ? std::string("an unknown number of") : std::to_string(download.Total())) +
                    " bytes came");
            download.Discard();
            return;
        }
        download.Promote();
        const std::uintmax_t size = fs::file_size(file);
        const std::optional<std::uintmax_t> listed = CatalogueSize(value);
        if (!listed)
            Problem(what + ": the catalogue gives no package size (a value \"DATE SIZE SUMMARY\")");
        else if (*listed != size)
            Problem(what + ": the package " + url + " has " + std::to_string(size) + " bytes, the catalogue says " +
                    std::to_string(*listed));
        if (keys_.Configured()) {
            const platform::TMappedFile bytes(file);
            CheckSignature(what, url, bytes.Bytes(), TAppFiles::PackageName(m, f));
        }
        for (const std::string& problem : PackageProblems(file, work_.Path() / "scratch"))
            Problem(what + ": the package " + url + ": " + problem);
        fs::remove(file);
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
