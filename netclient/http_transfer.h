#pragma once
// One ranged GET of one HTTP or HTTPS resource for one transfer thread:
// connect (directly, through an HTTP proxy or through SOCKS; an HTTPS one
// through a CONNECT tunnel when the proxy is HTTP, then TLS), send, read the
// head, follow redirects, answer Basic and NTLM challenges, then hand out the
// body.

#include <cstdint>
#include <memory>
#include <string>

#include "netclient/event_socket.h"
#include "netclient/http_head.h"
#include "netclient/ntlm_client.h"
#include "netclient/protocol_transfer.h"
#include "netclient/tls_channel.h"

namespace netclient {

class HttpTransfer : public ProtocolTransfer {
public:
    // Uses settings.httpProxy, or settings.httpsProxy for an https URL.
    explicit HttpTransfer(const TransferSettings& settings);
    ~HttpTransfer() override;

    int Open(uint64_t offset) override;
    bool Read(char* buffer, size_t size, size_t& bytesRead) override;
    void Close() override;

    // The status of the last answer, and the URL that redirected here.
    int StatusCode() const { return head_.status; }
    const std::string& Referer() const { return referer_; }
    // Why the last TLS session of this transfer failed (kNone when none
    // did); for kCertificate, the verdict says why.
    TlsFailure LastTlsFailure() const { return tlsFailure_; }
    CertificateVerdict LastCertificateVerdict() const { return tlsVerdict_; }

private:
    enum ChallengeAnswer { kChallengeFailed, kSendAgain, kHaveHead };

    int Fail();
    int Opened();
    // The connection a request travels on: the socket, then for https the
    // tunnel and the TLS session.
    bool Connect();
    bool ConnectSocket();
    bool OpenTunnel();
    bool StartTls();
    void CloseConnection();
    bool Send(const std::string& data);
    int ReceiveSome(char* buffer, size_t size);
    // Keeps the connection when it can carry the next request to the same
    // endpoint, else opens a new one. `reused` tells which.
    bool PrepareConnection(bool sameEndpoint, bool& reused);
    bool SendRequest(const std::string& extraAuthorization = std::string());
    // Sends and reads the final head; retries once on a fresh connection when
    // a reused one turns out to be closed.
    bool Exchange(bool reused);
    bool ReadFinalHead();
    bool ReadOneHead(HttpHead& head);
    // Reads and drops the body of an answer that is not the file, and
    // decides whether the connection can carry another request.
    void DropBody();
    // Answers a proxy's 407: Basic once, or NTLM on the same connection
    // (which leaves the final head read).
    ChallengeAnswer AnswerProxyChallenge(bool& reused);
    bool AnswerNtlmChallenge();
    bool SameEndpoint(const std::string& host, uint16_t port) const;

    const bool secure_;
    EventSocket socket_;
    std::unique_ptr<TlsChannel> tls_;
    bool tunnelling_ = false;  // sending CONNECT to the proxy
    TlsFailure tlsFailure_ = TlsFailure::kNone;
    CertificateVerdict tlsVerdict_ = CertificateVerdict::kUnchecked;
    std::string pending_;  // received bytes after the last head
    HttpHead head_;
    std::string referer_;
    std::string serverAuthorization_;
    std::string proxyAuthorization_;
    std::unique_ptr<NtlmClient> ntlm_;
    uint64_t offset_ = 0;
    bool reusable_ = false;
    bool receivedAny_ = false;
    bool bodyLimited_ = false;
    uint64_t bodyRemaining_ = 0;
};

}  // namespace netclient
