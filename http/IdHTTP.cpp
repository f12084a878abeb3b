#include "http/IdHTTP.h"

namespace yeroup::http {

TIdCustomHTTP::TIdCustomHTTP() : protocol_(std::make_unique<TIdHTTPProtocol>(*this)) { TIdTCPClient::SetPort(80); }

TIdCustomHTTP::~TIdCustomHTTP() = default;

void TIdCustomHTTP::SetHost(const std::string& host) {
    TIdTCPClient::SetHost(host);
    url_.Host = host;
}

void TIdCustomHTTP::SetPort(std::int32_t port) {
    TIdTCPClient::SetPort(port);
    url_.Port = std::to_string(port);
}

void TIdCustomHTTP::SetCookieManager(TIdCookieManager* manager) {
    if (manager == cookieManager_) return;
    if (watchedCookieManager_) watchedCookieManager_->RemoveFreeNotification(this);
    watchedCookieManager_ = nullptr;
    ownCookieManager_.reset();
    cookieManager_ = manager;
    if (manager) {
        watchedCookieManager_ = manager;
        manager->FreeNotification(this);
    }
}

void TIdCustomHTTP::Notification(net::TIdBaseComponent* destroyed) {
    if (destroyed && destroyed == watchedCookieManager_) {
        watchedCookieManager_ = nullptr;
        cookieManager_ = nullptr;
    }
    TIdTCPClient::Notification(destroyed);
}

void TIdCustomHTTP::Get(const std::string& url, platform::TStream& stream) { RunRequest(hmGet, url, nullptr, &stream); }

void TIdCustomHTTP::RunRequest(TIdHTTPMethod method, const std::string& url, platform::TStream* uploadStream,
                               platform::TStream* bodyStream) {
    TIdHTTPRequest& request = Request();
    TIdHTTPResponse& response = Response();
    const std::int64_t start = bodyStream ? bodyStream->Position() : 0;
    // Every call has its own redirect count, whatever became of the one before.
    redirectCount_ = 0;
    redirectTarget_.reset();
    authRetries_ = 0;
    proxyAuthRetries_ = 0;
    closeAfterResponse_ = false;
    request.Target = url;
    request.Method = method;
    request.UploadStream = uploadStream;
    response.BodyStream = bodyStream;
    SetTimeLimit(CallTimeout);
    struct LiftTimeLimit {
        TIdCustomHTTP& client;
        ~LiftTimeLimit() { client.SetTimeLimit(0); }
    } lift{*this};
    // A connection is used again only when its last response was read to the end and said it may be.
    const auto closeIfSpent = [&] {
        if (!messageComplete_ || closeAfterResponse_ || !response.KeepConnection()) Disconnect();
    };
    try {
        for (bool done = false; !done;) {
            ++redirectCount_;
            PrepareRequest();
            messageComplete_ = false;
            ConnectAndSend();
            ReadResponseHead();
            switch (DecideNextStep()) {
            case nsFollow:
                if (bodyStream) {
                    bodyStream->SetPosition(start);
                    bodyStream->SetSize(start);
                }
                // A challenge answered on a connection that closed is re-sent with its attempts still
                // counted, so a server that keeps closing cannot keep the call going for ever.
                if (response.StatusCode() == 401 || response.StatusCode() == 407) {
                    redirectTarget_ = url_;
                } else {
                    authRetries_ = 0;
                    proxyAuthRetries_ = 0;
                }
                break;
            case nsAuthRetry:
                --redirectCount_;
                request.Target = url;
                redirectTarget_.reset();
                break;
            case nsUnknown: throw net::EIdException("Undefined situation");
            case nsDone: done = true; break;
            }
            if (!done && (!messageComplete_ || closeAfterResponse_)) {
                Disconnect();
                closeAfterResponse_ = false;
            }
        }
    } catch (...) {
        closeIfSpent();
        throw;
    }
    closeIfSpent();
}

void TIdCustomHTTP::ProcessCookies() {
    if (!cookieManager_ && AllowCookies) {
        ownCookieManager_ = std::make_unique<TIdCookieManager>();
        cookieManager_ = ownCookieManager_.get();
    }
    if (!cookieManager_) return;
    const TIdHeaderList& headers = Response().HeaderLines;
    TStringList cookies;
    headers.CollectValues("Set-cookie", cookies);
    for (const auto& cookie : cookies) cookieManager_->AddServerCookie(cookie, url_.Host);
    TStringList cookies2;
    headers.CollectValues("Set-cookie2", cookies2);
    for (const auto& cookie : cookies2) cookieManager_->AddServerCookie2(cookie, url_.Host);
}

void TIdCustomHTTP::NotifyDisconnected() {
    TIdHTTPRequest& request = Request();
    if (request.Authenticator() && request.Authenticator()->Step == request.Authenticator()->StepCount())
        request.FreeAuthenticator();
    if (ProxyParams.Authenticator()) ProxyParams.Authenticator()->Restart();
    TIdTCPClient::NotifyDisconnected();
}

}  // namespace yeroup::http
