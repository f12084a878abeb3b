#include "http/IdBasicAuthentication.h"
#include "http/IdHeaderRecords.h"
#include "http/IdTextUtils.h"

namespace yeroup::http {

void TIdProxyConnectionInfo::Clear() {
    SetProxyServer("");
    ProxyUsername.clear();
    ProxyPassword.clear();
    SetProxyPort(0);
}

void TIdProxyConnectionInfo::Assign(const TIdProxyConnectionInfo& source) {
    BasicAuthentication = source.BasicAuthentication;
    ProxyPassword = source.ProxyPassword;
    SetProxyPort(source.proxyPort_);
    SetProxyServer(source.proxyServer_);
    ProxyUsername = source.ProxyUsername;
}

void TIdProxyConnectionInfo::SetProxyPort(std::int32_t port) {
    if (port != proxyPort_) authenticator_.reset();
    proxyPort_ = port;
}

void TIdProxyConnectionInfo::SetProxyServer(const std::string& server) {
    if (!SameText(server, proxyServer_)) authenticator_.reset();
    proxyServer_ = server;
}

void TIdProxyConnectionInfo::WriteHeaders(TIdHeaderList& headers) {
    if (!authenticator_) {
        if (!BasicAuthentication) return;
        authenticator_ = std::make_unique<TIdBasicAuthentication>();
        authenticator_->StoreUsername(ProxyUsername);
        authenticator_->StorePassword(ProxyPassword);
    }
    const std::string credentials = authenticator_->CredentialsText();
    if (!credentials.empty()) headers.SetHeader("Proxy-Authorization", credentials);
}

}  // namespace yeroup::http
