// The tunnel through an HTTP proxy for an https address: CONNECT in clear text, then TLS with the origin.
#include "http/IdHTTP.h"
#include "http/IdHTTPExceptions.h"
#include "http/IdHostName.h"
#include "net/tls/IdSSLExceptions.h"
#include "net/tls/IdSSLIOHandlerSocket.h"

namespace yeroup::http {

void TIdCustomHTTP::OpenTunnel() {
    auto& tls = dynamic_cast<net::TIdSSLIOHandlerSocket&>(*IOHandler());
    if (tls.Encrypting()) {
        // The tunnel of an earlier request to this origin, when the proxy and the origin kept it open.
        if (!Response().KeepConnection()) Disconnect();
        ProbeForClose(/*raiseIfClosed=*/false);
        if (IsConnected()) return;
    }
    if (IsConnected()) Disconnect();
    tls.SetPassThrough(true);
    Connect(ReadTimeout);

    const std::string authority = HostInAddress(url_.Host) + ":" + url_.Port;
    TIdHeaderList headers;
    headers.SetHeader("Host", authority);
    if (!Request().UserAgent.empty()) headers.SetHeader("User-Agent", Request().UserAgent);
    headers.SetHeader("Proxy-Connection", "keep-alive");
    headers.SetHeader("Pragma", "no-cache");
    routeProxy_->WriteHeaders(headers);
    WriteHead("CONNECT " + authority + " HTTP/" + ProtocolVersionText(ProtocolVersion), headers);

    // The proxy's answer goes into the response record, so that a refusal can be read there.
    THeaderBudget budget;
    ReadStatusAndHeaders(budget);
    TIdHTTPResponse& response = Response();
    if (response.StatusCode() != 200) {
        // Whatever the proxy sends after a refusal is not the origin's; the connection is of no further use.
        Disconnect();
        throw EIdHTTPTunnelRefused(response.StatusCode(), response.StatusLine, "");
    }
    try {
        tls.SetPassThrough(false);
    } catch (const net::EIdTLSHandshakeError&) {
        Disconnect();
        throw;
    }
}

}  // namespace yeroup::http
