// What a response means for the call: follow a redirect, retry with credentials, fail, or finish.
#include "http/IdHTTP.h"
#include "http/IdHTTPExceptions.h"
#include "http/IdURIReference.h"
#include "net/IdException.h"
#include "net/IdGlobal.h"
#include "platform/scope/ScopedValue.h"
#include "platform/text/AddressText.h"

namespace yeroup::http {

void TIdCustomHTTP::RaiseProtocolException() {
    TIdHTTPResponse& response = Response();
    platform::TMemoryStream text;
    {
        const platform::ScopedValue<std::int32_t> timeout(ReadTimeout, limits::kErrorBodyReadTimeout);
        const platform::ScopedValue<platform::TStream*> body(response.BodyStream, &text);
        try {
            ReadBody(limits::kMaxErrorBodyBytes, boCut);
        } catch (const net::EIdTimeLimitExceeded&) {
            throw;  // the call's own time is up
        } catch (const net::EIdReadTimeout&) {
            // A stalled error page is cut where it stopped, as a long one is at its bound: the status is the news.
            Disconnect();
        }
    }
    throw EIdHTTPProtocolException(response.StatusCode(), response.StatusLine, text.ToString());
}

void TIdCustomHTTP::DiscardBody() {
    platform::TMemoryStream scratch;
    const platform::ScopedValue<std::int32_t> timeout(ReadTimeout, limits::kDiscardedBodyReadTimeout);
    const platform::ScopedValue<platform::TStream*> body(Response().BodyStream, &scratch);
    try {
        ReadBody(limits::kMaxDiscardedBodyBytes, boCut);
    } catch (const std::exception&) {
        // Where the next response starts is unknown now, so the connection cannot be used again.
        Disconnect();
    }
}

TIdURI TIdCustomHTTP::RedirectTarget(const std::string& dest) const {
    TIdURI target;
    try {
        target = ResolveReference(url_, dest);
    } catch (const EIdURIReferenceRefused& e) {
        if (!e.Scheme().empty())
            throw EIdHTTPRedirectRefused("Redirect to a \"" + e.Scheme() +
                                         ":\" address refused: only http and https are followed.");
        throw EIdHTTPRedirectRefused("Redirect to \"" + platform::AddressForMessage(dest) + "\" refused: " + e.what() +
                                     ".");
    }
    if (target.Protocol == "http" && SameText(url_.Protocol, "https"))
        throw EIdHTTPRedirectRefused("Redirect from https to http refused: " + platform::AddressForMessage(dest));
    return target;
}

TIdCustomHTTP::NextStep TIdCustomHTTP::RedirectStep() {
    TIdHTTPRequest& request = Request();
    TIdHTTPResponse& response = Response();
    std::string dest = response.Location;
    std::int32_t numRedirect = redirectCount_;
    TIdHTTPMethod method = request.Method;
    NextStep result = nsDone;
    if (HandleRedirects && redirectCount_ < RedirectMaximum) {
        bool handled = true;
        if (OnRedirect) OnRedirect(this, dest, numRedirect, handled, method);
        if (!handled) RaiseProtocolException();
        redirectTarget_ = RedirectTarget(dest);
        result = nsFollow;
        request.Target = dest;
        request.Method = method;
    } else {
        // Redirects were to be followed and no handler takes the one not followed: the call has not reached
        // what it asked for.
        if (HandleRedirects && !OnRedirect)
            throw EIdHTTPTooManyRedirects(net::FormatNumbers("Redirect limit of %d reached.", {RedirectMaximum}));
        bool handled = HandleRedirects;
        if (OnRedirect) OnRedirect(this, dest, numRedirect, handled, method);
        if (!handled) RaiseProtocolException();
        response.Location = dest;
    }
    if (IsConnected()) DiscardBody();
    return result;
}

bool TIdCustomHTTP::ChallengeAnswered(bool proxy) {
    const std::int32_t attempts = proxy ? proxyAuthRetries_ : authRetries_;
    if (attempts >= AuthRetries || !AuthorizationStep(proxy)) {
        TIdAuthentication* authenticator = proxy ? ProxyParams.Authenticator() : Request().Authenticator();
        if (authenticator) authenticator->Restart();
        RaiseProtocolException();
    }
    return HTTPOptions.Contains(hoInProcessAuth);
}

TIdCustomHTTP::NextStep TIdCustomHTTP::DecideNextStep() {
    const std::int32_t code = Response().StatusCode();
    const std::int32_t kind = code / 100;
    if ((kind == 3 && code != 304) || !Response().Location.empty()) return RedirectStep();

    NextStep result = nsUnknown;
    bool resend = false;
    if (kind != 2) {
        if (code != 401 && code != 407) RaiseProtocolException();
        result = nsFollow;
        resend = ChallengeAnswered(code == 407);
    }
    if (IsConnected()) {
        if (resend) {
            DiscardBody();
            result = nsAuthRetry;
        } else {
            ReadBody(MaxBodySize, boRaise);
            result = nsDone;
        }
    }
    return result;
}

}  // namespace yeroup::http
