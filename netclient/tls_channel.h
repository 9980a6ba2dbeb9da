#pragma once
// TLS 1.2 or 1.3 over a connected EventSocket, through Schannel: the
// handshake with the server's name sent and its certificate checked by the
// program, records encrypted and decrypted, close_notify on shutdown. Every
// wait ends on the socket's time-out or its stop event.

#include <winsock2.h>
#include <windows.h>
#ifndef SECURITY_WIN32
#define SECURITY_WIN32
#endif
#include <security.h>

#include <string>
#include <vector>

#include "netclient/certificate_policy.h"
#include "netclient/event_socket.h"
#include "netclient/sspi_handles.h"
#include "netclient/tls_framing.h"
#include "win/crypt_handles.h"

namespace netclient {

// Why a channel failed; kCertificate says more through Verdict().
enum class TlsFailure {
    kNone,
    kCredentials,    // Schannel gave no credential for TLS 1.2 and 1.3
    kHandshake,      // the peer's answer was no TLS handshake that could be completed
    kProtocol,       // the peer agreed on a protocol older than TLS 1.2
    kCertificate,
    kRenegotiation,  // the peer asked to renegotiate a TLS 1.2 session
    kConnection,     // the connection ended, failed, timed out or was stopped
};

class TlsChannel {
public:
    // `socket` must be connected and outlive the channel; the channel takes
    // its stop event and time-out for the certificate check as well.
    TlsChannel(EventSocket& socket, HANDLE stopEvent, DWORD timeoutMs);
    ~TlsChannel() = default;
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // Names `host` to the server (SNI) and checks its certificate for it.
    bool Handshake(const std::string& host);

    bool SendAll(const char* data, size_t size);
    bool SendAll(const std::string& data) { return SendAll(data.data(), data.size()); }
    // Like EventSocket::Receive: the count, 0 once the server ended the
    // session with close_notify, -1 on any failure (also a connection that
    // closed without close_notify: the data may have been cut short).
    int Receive(char* buffer, size_t size);

    // Sends close_notify when the session is up; the socket stays open.
    void Shutdown();

    TlsFailure Failure() const { return failure_; }
    CertificateVerdict Verdict() const { return verdict_; }
    // The SP_PROT_* value of the session; 0 before the handshake.
    DWORD Protocol() const { return protocol_; }

private:
    bool AcquireCredential();
    // Runs InitializeSecurityContext until the session is up; a running
    // session's post-handshake messages (TLS 1.3) come through here too.
    bool RunHandshake(bool fresh);
    bool Established(bool fresh);
    bool ReceiveMore();
    bool SendToken(const SecBuffer& token);
    bool Fail(TlsFailure failure);
    int FailReceive(TlsFailure failure);

    EventSocket& socket_;
    HANDLE stop_;
    DWORD timeoutMs_;
    PSecurityFunctionTableA table_ = nullptr;
    SspiCredential credential_;
    SspiContext context_;
    std::string host_;
    TlsInputBuffer input_;
    SecPkgContext_StreamSizes sizes_ = {};
    std::vector<char> record_;  // one outgoing record: header, data, trailer
    win::CertContext serverCertificate_;
    bool established_ = false;
    bool closedByPeer_ = false;
    DWORD protocol_ = 0;
    TlsFailure failure_ = TlsFailure::kNone;
    CertificateVerdict verdict_ = CertificateVerdict::kUnchecked;
};

}  // namespace netclient
