// Preparing a request, choosing where it goes, and sending it.
#include "http/IdHTTP.h"
#include "http/IdHTTPExceptions.h"
#include "http/IdHostName.h"
#include "http/IdStrToInt.h"
#include "http/IdTextUtils.h"
#include "net/tls/IdSSLExceptions.h"
#include "net/tls/IdSSLIOHandlerSocket.h"

namespace yeroup::http {

const char* MethodWord(TIdHTTPMethod method) {
    switch (method) {
    case hmHead: return "HEAD";
    case hmGet: return "GET";
    case hmPost: return "POST";
    case hmOptions: return "OPTIONS";
    case hmTrace: return "TRACE";
    case hmPut: return "PUT";
    case hmDelete: return "DELETE";
    case hmConnect: return "CONNECT";
    }
    return "GET";
}

const char* ProtocolVersionText(TIdHTTPProtocolVersion version) { return version == pv1_0 ? "1.0" : "1.1"; }

void TIdCustomHTTP::TakeTargetIntoUrl(const TIdURI& uri) {
    url_.DirPath = TIdURI::ResolvePath(url_.DirPath, uri.DirPath, '/');
    url_.DocName = uri.DocName;
    url_.Query = uri.Query;
    if (!uri.Host.empty()) url_.Host = uri.Host;
    url_.Protocol = uri.Protocol.empty() ? "http" : uri.Protocol;
    if (!uri.Port.empty()) {
        url_.Port = uri.Port;
        return;
    }
    const std::int32_t port = StrToIntDef(url_.Port, 0);
    if (port != 0 && port != 80 && port != 443) return;
    if (SameText(url_.Protocol, "http"))
        url_.Port = "80";
    else if (SameText(url_.Protocol, "https"))
        url_.Port = "443";
    else
        throw EIdUnknownProtocol();
}

void TIdCustomHTTP::PrepareRequest() {
    TIdHTTPRequest& request = Request();
    // A redirect was resolved when it was checked; the caller's URL is read here.
    const TIdURI uri = redirectTarget_ ? *redirectTarget_ : TIdURI(request.Target);
    // A host with blanks or control bytes would end or split the Host line.
    for (const char c : uri.Host)
        if (static_cast<unsigned char>(c) <= ' ' || c == '\x7F')
            throw EIdURIException("Host name contains a blank or a control character.");
    if (!uri.Username.empty()) {
        request.Username = uri.Username;
        request.Password = uri.Password;
    }
    if (redirectTarget_) {
        url_ = uri;
        redirectTarget_.reset();
    } else {
        TakeTargetIntoUrl(uri);
    }
    url_.Username = request.Username;
    url_.Password = request.Password;
    request.Target = EncodeRequestTarget(url_.DirPath + url_.DocName + url_.Query);
    const TIdHTTPMethod method = request.Method;
    if (method == hmOptions && SameText(uri.DocName, "*")) request.Target = "*";
    if ((method == hmOptions || method == hmTrace || method == hmPut || method == hmDelete) && ProtocolVersion != pv1_1)
        throw net::EIdException("This request method is supported in HTTP 1.1");
    if ((method == hmPost || method == hmPut) && request.UploadStream)
        request.SetContentLength(static_cast<std::int32_t>(request.UploadStream->Size()));
    else
        request.SetContentLength(-1);
    request.Host = HostInAddress(url_.Host) + (url_.Port == "80" ? std::string() : ":" + url_.Port);
}

void TIdCustomHTTP::ChooseProxy() {
    routeProxy_ = nullptr;
    if (!ProxyParams.ProxyServer().empty()) {
        routeProxy_ = &ProxyParams;
        return;
    }
    const std::string address = url_.Host.empty() ? std::string() : url_.FullURI(/*includeCredentials=*/false, false);
    const std::optional<TIdEnvironmentProxy> proxy = EnvironmentProxy.ProxyFor(url_.Protocol, url_.Host, address);
    if (!proxy) return;
    // Credentials made for another proxy or user must not go out again.
    if (environmentRoute_.ProxyUsername != proxy->Username || environmentRoute_.ProxyPassword != proxy->Password)
        environmentRoute_.SetAuthenticator(nullptr);
    environmentRoute_.SetProxyServer(proxy->Host);
    environmentRoute_.SetProxyPort(proxy->Port);
    environmentRoute_.ProxyUsername = proxy->Username;
    environmentRoute_.ProxyPassword = proxy->Password;
    environmentRoute_.BasicAuthentication = !proxy->Username.empty();
    routeProxy_ = &environmentRoute_;
}

std::string TIdCustomHTTP::ProxyInUse() const {
    return routeProxy_ ? HostInAddress(routeProxy_->ProxyServer()) + ":" + std::to_string(routeProxy_->ProxyPort())
                       : std::string();
}

void TIdCustomHTTP::SetHostAndPort() {
    TIdHTTPRequest& request = Request();
    const bool https = SameText(url_.Protocol, "https");
    auto* tls = dynamic_cast<net::TIdSSLIOHandlerSocket*>(IOHandler());
    // Without the TLS transport an https address could only go out in clear text.
    if (https && !tls) throw EIdIOHandlerPropInvalid();
    std::string host = url_.Host;
    std::int32_t port = 0;
    ChooseProxy();
    if (!routeProxy_) {
        port = StrToInt(url_.Port);
        request.RouteKind = https ? rkDirectTLS : rkDirect;
    } else {
        host = routeProxy_->ProxyServer();
        port = routeProxy_->ProxyPort();
        request.RouteKind = https ? rkProxyTLS : rkProxy;
    }
    if (!SameText(Host(), host) || Port() != port) {
        if (IsConnected()) Disconnect();
        TIdTCPClient::SetHost(host);
        TIdTCPClient::SetPort(port);
    }
    if (!tls) return;
    // A kept connection serves only the same mode, and an encrypted one only the origin it was verified for.
    if (IsConnected() && (tls->Encrypting() != https || (https && !SameText(tls->URIHost, url_.Host)))) Disconnect();
    tls->URIHost = url_.Host;
    // Through a proxy the tunnel is opened in clear text; an open tunnel stays encrypted.
    if (request.RouteKind == rkDirectTLS)
        tls->SetPassThrough(false);
    else if (!(request.RouteKind == rkProxyTLS && tls->Encrypting()))
        tls->SetPassThrough(true);
}

void TIdCustomHTTP::EnsureConnected() {
    if (!Response().KeepConnection()) Disconnect();
    ProbeForClose(/*raiseIfClosed=*/false);
    if (IsConnected()) return;
    try {
        Connect(ReadTimeout);
    } catch (const net::EIdTLSHandshakeError&) {
        Disconnect();
        throw;
    }
}

void TIdCustomHTTP::ConnectAndSend() {
    TIdHTTPRequest& request = Request();
    SetHostAndPort();
    if (request.RouteKind == rkProxy) {
        request.Target = EncodeRequestTarget(url_.FullURI(/*includeCredentials=*/false, /*includeFragment=*/false));
        if (ProtocolVersion == pv1_0 && request.Connection.empty()) request.ProxyConnection = "keep-alive";
    } else if (request.RouteKind == rkDirectTLS || request.RouteKind == rkProxyTLS) {
        request.Connection.clear();
    } else if (ProtocolVersion == pv1_0 && request.Connection.empty()) {
        request.Connection = "keep-alive";
    }
    if (request.RouteKind == rkProxyTLS)
        OpenTunnel();
    else
        EnsureConnected();
    WriteRequest();
    if ((request.Method == hmPost || request.Method == hmPut) && request.UploadStream)
        WriteFromStream(*request.UploadStream, /*fromStart=*/true, /*sendSizeFirst=*/false, 0);
}

void TIdCustomHTTP::WriteRequest() {
    TIdHTTPRequest& request = Request();
    request.WriteHeaders();
    TIdHeaderList& headers = request.HeaderLines;
    // Proxy credentials go only to a proxy, never to the origin at the end of a tunnel.
    if (request.RouteKind == rkProxy) routeProxy_->WriteHeaders(headers);
    if (cookieManager_) {
        // Cookies marked secure go only over an encrypted connection.
        const auto* tls = dynamic_cast<net::TIdSSLIOHandlerSocket*>(IOHandler());
        std::string cookies = cookieManager_->CookieHeaderFor(url_, tls && tls->Encrypting());
        if (!cookies.empty()) {
            // Servers refuse a folded request header (nginx answers 400), and a long Cookie header would fold.
            const bool fold = headers.Fold;
            headers.Fold = false;
            headers.SetHeader("Cookie", cookies);
            headers.Fold = fold;
        }
    }
    WriteHead(std::string(MethodWord(request.Method)) + " " + request.Target + " HTTP/" +
                  ProtocolVersionText(ProtocolVersion),
              headers);
}

void TIdCustomHTTP::WriteHead(const std::string& requestLine, const TIdHeaderList& headers) {
    BeginWriteBatch(-1);
    try {
        WriteLine(requestLine);
        for (const auto& line : headers)
            if (!line.empty()) WriteLine(line);
        WriteLine("");
    } catch (...) {
        DiscardWriteBatch();
        EndWriteBatch();
        throw;
    }
    EndWriteBatch();
}

}  // namespace yeroup::http
