#include "tools/publish/MirrorCheck.h"

#include "app/download/SignedFetch.h"
#include "app/download/UpdateClient.h"
#include "platform/text/CodePages.h"
#include "tools/publish/SiteFetch.h"

namespace yeroup::tools {

namespace {

// Whether the mirror's copy holds the primary's bytes; none when it cannot be had (why then says so).
std::optional<bool> SameSmallFile(http::TIdHTTP& client, const std::string& url, const TPrimaryFile& file,
                                  std::string& why) {
    platform::TMemoryStream stream;
    if (!FetchWhole(client, url, stream, why)) return std::nullopt;
    return app::StreamBytes(stream) == file.bytes;
}

// The mirror's package through the program's download and bounds, into a file, compared by its pieces.
std::optional<bool> SamePackage(http::TIdHTTP& client, const std::string& url, const TPrimaryFile& file,
                                const std::filesystem::path& work, std::string& why) {
    const std::string local = (work / "mirror.zip").string();
    const app::TTrace noTrace;
    // No key: the signature is compared as a file of its own.
    app::TPackageFetch fetch(client, url, local, app::trust::TTrustedKeys(), "", noTrace, PackageBounds(file.listed));
    const app::TPackageFetchResult result = fetch.Run();
    std::optional<bool> same;
    if (result.end == app::TFetchEnd::Stored)
        same = app::MakePieceList(local, file.pieces->PieceSize) == *file.pieces;
    else
        why = FetchEndText(result);
    RemoveFetched(local);
    return same;
}

}  // namespace

void CompareMirror(const std::string& mirror, const std::vector<TPrimaryFile>& files, const std::filesystem::path& work,
                   const std::function<void(const std::string&)>& problem) {
    const app::TAppFiles mirrorFiles(work.string(), mirror);
    const std::string host = HostUrlOf(mirrorFiles);
    const std::unique_ptr<http::TIdHTTP> client =
        app::MakeFetchClient(mirrorFiles.SecureHost(), app::ExtraCAFileFromEnvironment());
    const std::unique_ptr<http::TIdHTTP> packageClient = MakePackageClient(mirrorFiles);
    for (const TPrimaryFile& file : files) {
        const std::string what = "mirror " + mirror + ": " + platform::AnsiToUtf8(file.path.substr(1));
        http::TIdHTTP& used = file.pieces ? *packageClient : *client;
        std::string why;
        const std::optional<bool> same = file.pieces ? SamePackage(used, host + file.path, file, work, why)
                                                     : SameSmallFile(used, host + file.path, file, why);
        if (same == false) {
            problem(what + " differs from the primary's");
        } else if (!same && AnsweredMissing(used)) {
            problem(what + " is missing (" + used.Response().StatusLine + ")");
        } else if (!same && used.Response().StatusCode() <= 0 && &file == &files.front()) {
            // No answer at all: every other file would tell the same.
            problem("mirror " + mirror + ": cannot be read: " + why);
            return;
        } else if (!same) {
            problem(what + " cannot be read: " + why);
        }
    }
}

}  // namespace yeroup::tools
