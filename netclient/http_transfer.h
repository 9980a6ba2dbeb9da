#pragma once
// One ranged GET of one HTTP resource for one transfer thread: connect
// (directly, through an HTTP proxy or through SOCKS), send, read the head,
// follow redirects, answer Basic and NTLM challenges, then hand out the body.

#include <cstdint>
#include <memory>
#include <string>

#include "netclient/event_socket.h"
#include "netclient/http_head.h"
#include "netclient/ntlm_client.h"
#include "netclient/protocol_transfer.h"

namespace netclient {

class HttpTransfer : public ProtocolTransfer {
public:
    // Uses settings.httpProxy.
    explicit HttpTransfer(const TransferSettings& settings);
    ~HttpTransfer() override;

    int Open(uint64_t offset) override;
    bool Read(char* buffer, size_t size, size_t& bytesRead) override;
    void Close() override;

    // The status of the last answer, and the URL that redirected here.
    int StatusCode() const { return head_.status; }
    const std::string& Referer() const { return referer_; }

private:
    int Fail();
    int Opened();
    bool Connect();
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
    bool AnswerNtlmChallenge();
    bool SameEndpoint(const std::string& host, uint16_t port) const;

    EventSocket socket_;
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
