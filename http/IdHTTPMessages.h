#pragma once
// The request and response records of one HTTP exchange, and the protocol object holding the pair.
#include <cstdint>
#include <string>

#include "http/IdHeaderRecords.h"
#include "platform/streams/Stream.h"

namespace yeroup::http {

class TIdCustomHTTP;

enum TIdHTTPMethod { hmHead, hmGet, hmPost, hmOptions, hmTrace, hmPut, hmDelete, hmConnect };
enum TIdHTTPProtocolVersion { pv1_0, pv1_1 };
enum TIdHTTPRouteKind { rkDirect, rkDirectTLS, rkProxy, rkProxyTLS };

// The word a method writes in the request line.
const char* MethodWord(TIdHTTPMethod method);
// "1.0" or "1.1".
const char* ProtocolVersionText(TIdHTTPProtocolVersion version);

class TIdHTTPRequest : public TIdRequestHeaderInfo {
public:
    // Before preparation the URL asked for; afterwards the target written in the request line.
    std::string Target;
    TIdHTTPMethod Method = hmGet;
    platform::TStream* UploadStream = nullptr;  // borrowed
    TIdHTTPRouteKind RouteKind = rkDirect;
};

class TIdHTTPResponse : public TIdResponseHeaderInfo {
public:
    explicit TIdHTTPResponse(TIdCustomHTTP& client) : client_(client) {}

    // The first line of the response, without its line end.
    std::string StatusLine;
    // Read from StatusLine: the number after the version; -1 when there is none.
    std::int32_t StatusCode();
    TIdHTTPProtocolVersion StatusVersion = pv1_1;
    // Whether the connection may carry the next request; recomputed on every read.
    bool KeepConnection();
    platform::TStream* BodyStream = nullptr;  // borrowed; none means no body is read

private:
    TIdCustomHTTP& client_;
    std::int32_t statusCode_ = -1;
};

class TIdHTTPProtocol {
public:
    explicit TIdHTTPProtocol(TIdCustomHTTP& client) : Response(client) {}
    TIdHTTPRequest Request;
    TIdHTTPResponse Response;
};

}  // namespace yeroup::http
