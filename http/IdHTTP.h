#pragma once
// The HTTP client: one call becomes one or more request/response exchanges over one TCP connection, and the
// body of the final response ends up in the caller's stream.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "http/IdAuthentication.h"
#include "http/IdCookieManager.h"
#include "http/IdHTTPMessages.h"
#include "http/IdProxyEnvironment.h"
#include "http/IdURI.h"
#include "http/Limits.h"
#include "net/IdTCPClient.h"

namespace yeroup::http {

enum TIdHTTPOption { hoInProcessAuth, hoKeepOrigProtocol, hoForceEncodeParams };

// A set of options.
class TIdHTTPOptions {
public:
    TIdHTTPOptions() = default;
    TIdHTTPOptions(std::initializer_list<TIdHTTPOption> options) {
        for (auto option : options) bits_ |= Bit(option);
    }
    bool Contains(TIdHTTPOption option) const { return (bits_ & Bit(option)) != 0; }
    bool operator==(const TIdHTTPOptions&) const = default;

private:
    static unsigned Bit(TIdHTTPOption option) { return 1u << static_cast<unsigned>(option); }
    unsigned bits_ = 0;
};

class TIdCustomHTTP;

using TIdHTTPOnRedirectEvent = std::function<void(TIdCustomHTTP* Sender, std::string& dest, std::int32_t& NumRedirect,
                                                  bool& Handled, TIdHTTPMethod& VMethod)>;
using TIdOnSelectAuthorization = std::function<void(TIdCustomHTTP* Sender, TIdAuthenticationClass& AuthenticationClass,
                                                    const TIdHeaderList& AuthInfo)>;
using TIdOnAuthorization = std::function<void(TIdCustomHTTP* Sender, TIdAuthentication* Authentication, bool& Handled)>;

class TIdCustomHTTP : public net::TIdTCPClient {
public:
    TIdCustomHTTP();
    ~TIdCustomHTTP() override;

    // Fetches url; the final response's body is written into stream from its current position on.
    void Get(const std::string& url, platform::TStream& stream);
    void RunRequest(TIdHTTPMethod method, const std::string& url, platform::TStream* uploadStream,
                    platform::TStream* bodyStream);

    TIdHTTPRequest& Request() { return protocol_->Request; }
    // Copies the request fields a request record copies.
    void SetRequest(const TIdHTTPRequest& request) { protocol_->Request.Assign(request); }
    TIdHTTPResponse& Response() { return protocol_->Response; }
    // The working address, kept from call to call.
    const TIdURI& URL() const { return url_; }

    void SetHost(const std::string& host) override;
    void SetPort(std::int32_t port) override;

    TIdCookieManager* CookieManager() const { return cookieManager_; }
    // Takes a borrowed manager (null for none); a manager the client made itself is freed. A borrowed
    // manager that is destroyed first is forgotten.
    void SetCookieManager(TIdCookieManager* manager);

    std::int32_t AuthRetries = 3;
    bool AllowCookies = true;
    bool HandleRedirects = false;
    TIdHTTPProtocolVersion ProtocolVersion = pv1_1;
    std::int32_t RedirectMaximum = limits::kRedirectMaximum;
    // The largest response body a call accepts; a longer one fails with EIdHTTPBodyTooLarge.
    std::int64_t MaxBodySize = limits::kMaxBodySize;
    // Milliseconds a whole call may take, redirects included (0: no limit); past it the call fails with
    // net::EIdTimeLimitExceeded, however steadily the server trickles.
    std::int32_t CallTimeout = 0;
    TIdProxyConnectionInfo ProxyParams;
    // With no ProxyParams server, each request goes through the proxy this names for its address (none by default).
    TIdProxyEnvironment EnvironmentProxy;
    // "host:port" of the proxy the last request went through, empty when it went direct, so that a failure can
    // name it.
    std::string ProxyInUse() const;
    TIdHTTPOptions HTTPOptions{hoForceEncodeParams};

    TIdHTTPOnRedirectEvent OnRedirect;
    TIdOnSelectAuthorization OnSelectAuthorization;
    TIdOnSelectAuthorization OnSelectProxyAuthorization;
    TIdOnAuthorization OnAuthorization;
    TIdOnAuthorization OnProxyAuthorization;

protected:
    // The after-disconnect step: a finished authenticator goes, the proxy's starts over.
    void NotifyDisconnected() override;
    void Notification(net::TIdBaseComponent* destroyed) override;

private:
    enum NextStep { nsUnknown, nsFollow, nsAuthRetry, nsDone };
    // What a body longer than its limit does: fail the call, or end the read there and drop the connection.
    enum TBodyOverflow { boRaise, boCut };
    struct THeaderBudget {
        std::int64_t bytes = 0;
        std::int32_t lines = 0;
    };

    void PrepareRequest();
    // The caller's URL, absolute or relative, merged into the URL in use, with the port its scheme implies.
    void TakeTargetIntoUrl(const TIdURI& uri);
    // The proxy for the working address: ProxyParams when set, else the environment's.
    void ChooseProxy();
    void SetHostAndPort();
    void ConnectAndSend();
    // Connects unless a kept connection is still alive; a failed handshake leaves it disconnected.
    void EnsureConnected();
    // Through the proxy: CONNECT to the origin, then the handshake with it over the tunnel.
    void OpenTunnel();
    void WriteRequest();
    // A request line and its header lines, sent in one write batch.
    void WriteHead(const std::string& requestLine, const TIdHeaderList& headers);
    void ReadResponseHead();
    // One line of a response head, counted against the budget; raises EIdHTTPHeaderTooLarge past it.
    void ReadHeaderLine(std::string& line, THeaderBudget& budget, bool headerLine);
    void ReadStatusAndHeaders(THeaderBudget& budget);
    void ProcessCookies();
    NextStep DecideNextStep();
    // The address a redirect leads to, resolved against the one in use; raises EIdHTTPRedirectRefused for one that
    // cannot be read alike by every reader, for anything but http and https, and from https to http.
    TIdURI RedirectTarget(const std::string& dest) const;
    [[noreturn]] void RaiseProtocolException();
    // Reads and drops a body that nobody wants; a failure only costs the connection.
    void DiscardBody();
    void ReadBody(std::int64_t limit, TBodyOverflow overflow);
    void ReadChunkedBody(std::int64_t limit, TBodyOverflow overflow);
    // A redirect (3xx other than 304, or any Location): followed, handed to the caller, or refused.
    NextStep RedirectStep();
    // A 401 or 407: true when the request goes again at once with credentials; raises when none can be given.
    bool ChallengeAnswered(bool proxy);
    bool AuthorizationStep(bool proxy);
    // The authenticator for the first scheme of the challenges this client knows (as the select handler leaves it),
    // made and installed; null when none.
    TIdAuthentication* ChallengedAuthenticator(bool proxy, const TIdHeaderList& challenges);

    std::unique_ptr<TIdHTTPProtocol> protocol_;
    TIdURI url_;
    // The proxy of the current request: ProxyParams, the environment's (held in environmentRoute_), or none.
    TIdProxyConnectionInfo* routeProxy_ = nullptr;
    TIdProxyConnectionInfo environmentRoute_;
    std::int32_t redirectCount_ = 0;
    // The address the next request goes to, already resolved (a followed redirect, or a challenge sent again);
    // none when the request's Target is read as the caller's URL.
    std::optional<TIdURI> redirectTarget_;
    // The response now read to its end (false from the request on): only then may the connection be used again.
    bool messageComplete_ = false;
    // The response's framing was ambiguous (chunked and a length): the connection is dropped after it.
    bool closeAfterResponse_ = false;
    std::int32_t authRetries_ = 0;
    std::int32_t proxyAuthRetries_ = 0;
    TIdCookieManager* cookieManager_ = nullptr;
    net::TIdBaseComponent* watchedCookieManager_ = nullptr;  // the same object, as the component watched
    std::unique_ptr<TIdCookieManager> ownCookieManager_;

    friend class TIdHTTPResponse;
};

class TIdHTTP : public TIdCustomHTTP {};

}  // namespace yeroup::http
