#pragma once
// The TLS transport: the socket transport with an OpenSSL session between the connection and the socket.
// Connects, waits, pumps and disconnects as the socket transport does; while PassThrough is on it is exactly
// that transport. The server's certificate is always verified, against the system's trust store, any added CA
// file and the host name; there is no way to turn that off.
#include <cstdint>
#include <memory>
#include <string>

#include "net/IdIOHandlerSocket.h"

namespace yeroup::net {

class TlsClientContext;

class TIdSSLIOHandlerSocket : public TIdIOHandlerSocket {
public:
    TIdSSLIOHandlerSocket();
    ~TIdSSLIOHandlerSocket() override;

    // Clear text while on (the default). Switching it off on an open connection runs the handshake at once,
    // as after a proxy tunnel was opened; on a closed one the next connect runs it.
    bool PassThrough() const { return passThrough_; }
    void SetPassThrough(bool value);
    // True once a handshake succeeded on the open connection and PassThrough is off.
    bool Encrypting() const;

    // The name the certificate must carry and the one sent as server name; empty means the host dialled.
    std::string URIHost;
    // A PEM file of certificate authorities trusted beside the system's store (tests and private hosts).
    std::string ExtraCAFile;
    // Milliseconds the whole handshake may take.
    std::int32_t HandshakeTimeout;

    void CloseBinding() override;
    void ConnectTo(const std::string& host, std::int32_t port, const std::string& boundIP, std::int32_t boundPort,
                   std::int32_t boundPortMin, std::int32_t boundPortMax, std::int32_t timeout) override;
    // True when decrypted data, the peer's close or a failure is ready.
    bool WaitReadable(std::int32_t timeout) override;
    // Decrypted bytes, 0 on the peer's close, -1 on a socket error; a TLS failure raises EIdTLSError.
    int Receive(void* buffer, int length) override;
    int ReceiveIfReady(void* buffer, int length) override;
    int Transmit(const void* buffer, int length) override;

private:
    class Session;
    void StartTLS();
    std::string VerifiedHostName() const;

    bool passThrough_ = true;
    std::string dialledHost_;
    std::unique_ptr<TlsClientContext> context_;  // made at the first handshake, again when ExtraCAFile changed
    std::unique_ptr<Session> session_;
};

}  // namespace yeroup::net
