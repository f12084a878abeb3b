// The authorization step for a 401 (origin server) or a 407 (proxy) challenge.
#include "http/IdAuthSchemes.h"
#include "http/IdHTTP.h"
#include "http/IdTextUtils.h"

namespace yeroup::http {

TIdAuthentication* TIdCustomHTTP::ChallengedAuthenticator(bool proxy, const TIdHeaderList& challenges) {
    TIdAuthenticationClass authClass = nullptr;
    for (const auto& challenge : challenges) {
        std::string text = challenge;
        authClass = FindAuthScheme(TakeUntil(text, " "));
        if (authClass) break;
    }
    if (!authClass) return nullptr;
    auto& select = proxy ? OnSelectProxyAuthorization : OnSelectAuthorization;
    if (select) select(this, authClass, challenges);
    if (!authClass) return nullptr;
    auto created = authClass->Create();
    TIdAuthentication* authenticator = created.get();
    if (proxy)
        ProxyParams.SetAuthenticator(std::move(created));
    else
        Request().SetAuthenticator(std::move(created));
    return authenticator;
}

bool TIdCustomHTTP::AuthorizationStep(bool proxy) {
    TIdHTTPRequest& request = Request();
    TIdHTTPResponse& response = Response();
    ++(proxy ? proxyAuthRetries_ : authRetries_);
    const TIdHeaderList& challenges = proxy ? response.ProxyAuthenticate : response.WWWAuthenticate;
    if (proxy) {
        ProxyParams.ProxyPassword.clear();
        if (ProxyParams.Authenticator()) ProxyParams.Authenticator()->Restart();
    }
    TIdAuthentication* authenticator = proxy ? ProxyParams.Authenticator() : request.Authenticator();
    if (!authenticator) authenticator = ChallengedAuthenticator(proxy, challenges);
    if (!authenticator) return false;
    auto& onAuthorization = proxy ? OnProxyAuthorization : OnAuthorization;
    if (!onAuthorization) return false;
    std::string& username = proxy ? ProxyParams.ProxyUsername : request.Username;
    std::string& password = proxy ? ProxyParams.ProxyPassword : request.Password;
    authenticator->StoreUsername(username);
    authenticator->StorePassword(password);
    authenticator->Values.SetHeader("Authorization", authenticator->CredentialsText());
    authenticator->SetChallenges(challenges);
    // A handler that claims to have answered but leaves the credentials unusable must not loop forever.
    for (std::int32_t asked = 0;; ++asked) {
        const TIdAuthStep step = authenticator->NextStep();
        if (step != asAskCaller) return step == asSendRequest;
        if (asked > AuthRetries) return false;
        authenticator->StoreUsername(username);
        authenticator->StorePassword(password);
        bool handled = false;
        onAuthorization(this, authenticator, handled);
        if (!handled) return false;
        (proxy ? ProxyParams.BasicAuthentication : request.BasicAuthentication) = true;
        username = authenticator->Username();
        password = authenticator->Password();
    }
}

}  // namespace yeroup::http
