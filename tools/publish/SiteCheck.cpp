#include "tools/publish/SiteCheck.h"

#include <fstream>
#include <stdexcept>
#include <vector>

#include "app/core/AppFiles.h"
#include "app/core/CatalogueCheck.h"
#include "app/download/MirrorList.h"
#include "app/download/PackageFetch.h"
#include "app/download/PieceList.h"
#include "app/download/SignedFetch.h"
#include "app/download/UpdateClient.h"
#include "app/trust/TrustedKeys.h"
#include "platform/profile/IniFile.h"
#include "platform/text/CodePages.h"
#include "tools/publish/CatalogueValue.h"
#include "tools/publish/MirrorCheck.h"
#include "tools/publish/PackageCheck.h"
#include "tools/publish/SiteFetch.h"
#include "tools/publish/SiteSign.h"
#include "tools/publish/TempFolder.h"

namespace yeroup::tools {

namespace fs = std::filesystem;
using app::TAppFiles;

namespace {

class TChecker {
public:
    TChecker(const std::string& host, const app::trust::TTrustedKeys& keys, std::int64_t now, std::FILE* out)
        : files_(work_.Path().string(), host),
          keys_(keys),
          now_(now),
          out_(out),
          client_(app::MakeFetchClient(files_.SecureHost(), app::ExtraCAFileFromEnvironment())),
          packageClient_(MakePackageClient(files_)) {}

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
        primary_.push_back({TAppFiles::CataloguePath(), std::string(app::StreamBytes(catalogue)), {}, {}});
        if (keys_.Configured())
            CheckExpiringSignature("catalogue " + url, url, app::StreamBytes(catalogue), TAppFiles::CatalogueName(),
                                   true);
        const std::vector<std::string> mirrors = ReadMirrors();
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
        // sign writes a piece list for every package: one missing where others are there is an upload cut short.
        if (pieceListsFound_ > 0)
            for (const std::string& missing : pieceListsMissing_) Problem(missing);
        for (const std::string& mirror : mirrors)
            CompareMirror(mirror, primary_, work_.Path(), [this](const std::string& line) { Problem(line); });
        summary_.mirrors = static_cast<int>(mirrors.size());
        return summary_;
    }

private:
    // One line each, whatever the messages inside hold (a socket error's is two, ended in CR LF).
    void Problem(const std::string& text) {
        std::string line;
        for (const char c : text) {
            if (c != '\r' && c != '\n')
                line += c;
            else if (line.empty() || line.back() != ' ')
                line += ' ';
        }
        std::fprintf(out_, "%s\n", line.c_str());
        std::fflush(out_);
        ++summary_.problems;
    }

    bool Fetch(const std::string& url, platform::TMemoryStream& stream, std::string& why) {
        return FetchWhole(*client_, url, stream, why);
    }

    // A file of the primary host the mirrors must serve alike; url on the primary.
    void Keep(const std::string& url, std::string bytes) {
        primary_.push_back({url.substr(HostUrlOf(files_).size()), std::move(bytes), {}, {}});
    }

    // The signature of the file at url over data, for the file name; its facts when it is good. With compared, a
    // signature that came is one the mirrors must serve alike.
    std::optional<app::trust::TSignedFacts> CheckSignature(const std::string& what, const std::string& url,
                                                           std::string_view data, const std::string& name,
                                                           bool compared) {
        std::string signature;
        if (!app::FetchSignature(*client_, url, signature, app::TTrace())) {
            const int status = client_->Response().StatusCode();
            Problem(what + ": no signature at " + TAppFiles::SignatureOf(url) +
                    (status > 0 ? " (" + client_->Response().StatusLine + ")" : std::string()));
            return std::nullopt;
        }
        if (compared) Keep(TAppFiles::SignatureOf(url), signature);
        try {
            return keys_.Verify(data, signature, name);
        } catch (const app::trust::ESignatureError& e) {
            Problem(what + ": the signature " + TAppFiles::SignatureOf(url) + " is refused: " + e.what());
            return std::nullopt;
        }
    }

    // The catalogue's or the mirror list's signature, and its expiry.
    void CheckExpiringSignature(const std::string& what, const std::string& url, std::string_view data,
                                const std::string& name, bool compared) {
        const auto facts = CheckSignature(what, url, data, name, compared);
        if (!facts || !facts->Expires) return;
        if (*facts->Expires <= now_)
            Problem(what + ": expired on " + UtcText(*facts->Expires) + ": sign it again");
        else if (*facts->Expires - now_ < kExpiryWarningSeconds)
            Problem(what + ": expires within a week, on " + UtcText(*facts->Expires) + ": sign it again");
    }

    // The hosts of the site's mirror list; a site may have none. With a key, its signature must hold.
    std::vector<std::string> ReadMirrors() {
        const std::string url = files_.MirrorListUrl();
        const std::string what = "mirror list " + url;
        platform::TMemoryStream list;
        std::string why;
        if (!Fetch(url, list, why)) {
            if (!AnsweredMissing(*client_)) Problem(what + ": cannot be read: " + why);
            return {};
        }
        if (keys_.Configured())
            CheckExpiringSignature(what, url, app::StreamBytes(list), TAppFiles::MirrorListName(), false);
        try {
            return app::ReadMirrorList(app::StreamBytes(list));
        } catch (const app::EMirrorListError& e) {
            Problem(what + ": " + e.what());
            return {};
        }
    }

    // The package's piece list: there, signed, and read as the program reads it. Whether the package matches it is
    // the fetch's to tell: it took the list and refused any other bytes.
    void CheckPieceList(const std::string& what, const std::string& url, const std::string& signedName) {
        const std::string listUrl = TAppFiles::PieceListOf(url);
        platform::TMemoryStream stream;
        std::string why;
        if (!Fetch(listUrl, stream, why)) {
            if (AnsweredMissing(*client_))
                pieceListsMissing_.push_back(what + ": no piece list at " + listUrl +
                                             ", where the site's other packages have one");
            else
                Problem(what + ": the piece list " + listUrl + " cannot be read: " + why);
            return;
        }
        ++pieceListsFound_;
        const std::string text(app::StreamBytes(stream));
        Keep(listUrl, text);
        CheckSignature(what, listUrl, text, TAppFiles::PieceListOf(signedName), true);
        try {
            app::ReadPieceList(text);
        } catch (const app::EPieceListError& e) {
            Problem(what + ": the piece list " + listUrl + " cannot be read: " + e.what());
        }
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
        const app::TTrace noTrace;
        app::TPackageFetch fetch(*packageClient_, url, file, keys_, TAppFiles::PackageName(m, f), noTrace,
                                 PackageBounds(listed));
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
            if (result.piecesRefused)
                Problem(what + ": the package " + url +
                        " does not match its signed piece list: " + result.signatureWhy);
            else
                Problem(what + ": the signature " + TAppFiles::SignatureOf(url) +
                        " is refused: " + result.signatureWhy);
            return;
        case app::TFetchEnd::Cut:
            Problem(what + ": the package " + url + " is " + FetchEndText(result));
            RemoveFetched(file);
            return;
        case app::TFetchEnd::NotWhole:
            Problem(what + ": the package " + url + " cannot be told whole: " + FetchEndText(result));
            RemoveFetched(file);
            return;
        case app::TFetchEnd::Failed:
        case app::TFetchEnd::Cancelled:
            Problem(what + ": no package at " + url + ": " + FetchEndText(result));
            RemoveFetched(file);
            return;
        }
        const app::TPieceList made = app::MakePieceList(body);
        primary_.push_back({url.substr(HostUrlOf(files_).size()), {}, made, listed});
        if (!result.signature.empty()) Keep(TAppFiles::SignatureOf(url), result.signature);
        if (keys_.Configured()) CheckPieceList(what, url, TAppFiles::PackageName(m, f));
        std::error_code ec;
        const std::uintmax_t size = fs::file_size(body, ec);
        if (listed && *listed != size)
            Problem(what + ": the package " + url + " has " + std::to_string(size) + " bytes, the catalogue says " +
                    std::to_string(*listed));
        for (const std::string& problem : PackageProblems(body, work_.Path() / "scratch"))
            Problem(what + ": the package " + url + ": " + problem);
        RemoveFetched(file);
    }

    TTempFolder work_{"yeroup-check-"};
    TAppFiles files_;
    const app::trust::TTrustedKeys& keys_;
    std::int64_t now_;
    std::FILE* out_;
    std::unique_ptr<http::TIdHTTP> client_;
    std::unique_ptr<http::TIdHTTP> packageClient_;
    TCheckSummary summary_;
    std::vector<TPrimaryFile> primary_;  // in the order read: the catalogue first
    int pieceListsFound_ = 0;
    std::vector<std::string> pieceListsMissing_;  // told only when the site has piece lists
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
