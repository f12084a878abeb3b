#include "app/download/UpdateClient.h"

#include "app/core/DesktopProxy.h"
#include "app/core/Limits.h"
#include "net/tls/IdSSLIOHandlerSocket.h"

namespace yeroup::app {

namespace {

// A client that owns its TLS transport.
class TSecureUpdateClient : public http::TIdHTTP {
public:
    explicit TSecureUpdateClient(const std::string& extraCAFile) {
        tls_.ExtraCAFile = extraCAFile;
        SetIOHandler(&tls_);
    }
    ~TSecureUpdateClient() override { SetIOHandler(nullptr); }

private:
    net::TIdSSLIOHandlerSocket tls_;
};

}  // namespace

std::unique_ptr<http::TIdHTTP> MakeUpdateClient(bool secureHost, const std::string& extraCAFile) {
    std::unique_ptr<http::TIdHTTP> client;
    if (secureHost)
        client = std::make_unique<TSecureUpdateClient>(extraCAFile);
    else
        client = std::make_unique<http::TIdHTTP>();
    client->AllowCookies = true;
    client->HTTPOptions = {http::hoForceEncodeParams};
    client->MaxLineAction = net::maException;
    // No read time-out: a download waits for a stalled server until the user cancels.
    client->ReadTimeout = 0;
    client->ProxyParams.SetProxyPort(0);
    client->ProxyParams.BasicAuthentication = false;
    // No proxy is set in the program, so the one the user's environment or desktop names is used.
    client->EnvironmentProxy = ProxyEnvironment();
    http::TIdHTTPRequest& request = client->Request();
    request.ContentType = "text/html";
    request.Accept = "text/html, */*";
    request.UserAgent = "Mozilla/3.0 (compatible; YERO LiveUpdate)";
    request.BasicAuthentication = false;
    request.SetContentLength(-1);
    request.ContentRangeStart = 0;
    request.ContentRangeEnd = 0;
    return client;
}

std::unique_ptr<http::TIdHTTP> MakeFetchClient(bool secureHost, const std::string& extraCAFile) {
    auto client = MakeUpdateClient(secureHost, extraCAFile);
    client->ReadTimeout = limits::kFetchReadTimeout;  // also the connect time-out
    client->CallTimeout = limits::kFetchCallTimeout;
    client->MaxBodySize = limits::kMaxFetchToFileBytes;
    return client;
}

}  // namespace yeroup::app
