#include "tools/publish/SiteFetch.h"

#include <filesystem>

#include "app/core/Trace.h"
#include "app/download/UpdateClient.h"

namespace yeroup::tools {

std::unique_ptr<http::TIdHTTP> MakePackageClient(const app::TAppFiles& files) {
    std::unique_ptr<http::TIdHTTP> client =
        app::MakeUpdateClient(files.SecureHost(), app::ExtraCAFileFromEnvironment());
    client->RecvBufferSize = app::kDownloadReceiveBytes;
    client->ReadTimeout = kPackageReadTimeout;
    return client;
}

app::TPackageFetchLimits PackageBounds(std::optional<std::uintmax_t> listed) {
    app::TPackageFetchLimits bounds;
    if (listed) bounds.maxLength = static_cast<std::int64_t>(*listed) + app::limits::kPackageSizeMargin;
    bounds.deadlineMs = app::limits::kPackageCheckDeadlineMs;
    return bounds;
}

bool FetchWhole(http::TIdHTTP& client, const std::string& url, platform::TMemoryStream& stream, std::string& why) {
    try {
        client.Get(url, stream);
    } catch (const std::exception& e) {
        why = e.what();
        return false;
    }
    const http::TIdHTTPResponse& response = client.Response();
    if (response.LengthGiven() && response.ContentLength() > 0 && stream.Size() < response.ContentLength()) {
        why = "the body ended before its announced length";
        return false;
    }
    return true;
}

bool AnsweredMissing(http::TIdHTTP& client) {
    const int status = client.Response().StatusCode();
    return status == 404 || status == 410;
}

void RemoveFetched(const std::string& file) {
    std::error_code ec;
    for (const std::string& path :
         {file, app::TAppFiles::SignatureOf(file), app::PartialFileOf(file), app::ResumeRecordOf(file)})
        std::filesystem::remove(path, ec);
}

std::string FetchEndText(const app::TPackageFetchResult& result) {
    switch (result.end) {
    case app::TFetchEnd::Cut:
        return "cut short: " + std::to_string(result.size) + " of " +
               (result.total < 0 ? std::string("an unknown number of") : std::to_string(result.total)) + " bytes came";
    case app::TFetchEnd::NotWhole:
        return result.size == 0 ? "its body is empty" : "it came without a length and without chunks";
    default: return app::ErrorText(result.error, "failed");
    }
}

std::string HostUrlOf(const app::TAppFiles& files) {
    const std::string catalogue = files.CatalogueUrl();
    return catalogue.substr(0, catalogue.size() - app::TAppFiles::CataloguePath().size());
}

}  // namespace yeroup::tools
