#include "netclient/http_transfer.h"

#include <algorithm>
#include <cstring>

#include "netclient/http_request.h"
#include "netclient/redirect_location.h"
#include "netclient/text_util.h"
#include "netclient/url.h"
#include "win/base64.h"

namespace netclient {
namespace {

constexpr size_t kHeadReceiveSize = 2048;
constexpr uint64_t kMaxDroppedBody = 65536;  // beyond that a new connection is cheaper
constexpr int kMaxInterimAnswers = 32;
constexpr int kMaxRedirects = 20;
constexpr int kMaxRounds = 64;  // redirects and challenges of one open together
constexpr int kMaxTunnelRounds = 8;
constexpr uint16_t kDefaultHttpPort = 80;

bool IsHttpsUrl(const std::string& url) { return GetUrlKind(url) == kUrlHttps; }
const ProxyEndpoint& ProxyFor(const TransferSettings& settings) {
    return IsHttpsUrl(settings.url) ? settings.httpsProxy : settings.httpProxy;
}
bool IsFinalSuccess(int status) { return status == 200 || status == 206; }
bool IsRedirect(int status) { return status >= 301 && status <= 399; }
bool IsInterim(int status) { return status >= 100 && status <= 199; }

}  // namespace

HttpTransfer::HttpTransfer(const TransferSettings& settings)
    : ProtocolTransfer(settings, ProxyFor(settings)),
      secure_(IsHttpsUrl(settings.url)),
      socket_(settings.stopEvent, settings.timeoutMs) {}

HttpTransfer::~HttpTransfer() { Close(); }

int HttpTransfer::Open(uint64_t offset) {
    if (open_) return kOpened;
    offset_ = offset;
    offsetHonoured_ = false;
    serverAuthorization_.clear();
    ntlm_.reset();
    if (!CrackCurrentUrl() || target_.kind != (secure_ ? kUrlHttps : kUrlHttp)) return Fail();
    if (proxy_.kind != kProxyNone && proxy_.kind != kProxyHttp && proxy_.kind != kProxySocks4 &&
        proxy_.kind != kProxySocks4a && proxy_.kind != kProxySocks5)
        return Fail();
    if (!Connect()) return Fail();

    bool reused = false;
    bool haveHead = false;
    int redirects = 0;
    for (int round = 0; round < kMaxRounds; ++round) {
        if (!haveHead && !Exchange(reused)) return Fail();
        haveHead = false;
        int status = head_.status;
        if (IsFinalSuccess(status)) return Opened();
        DropBody();

        if (IsRedirect(status)) {
            std::string location;
            std::string newUrl;
            int kind = FindHeader(head_.text, "Location", location)
                           ? ResolveRedirect(url_, location, newUrl)
                           : kRedirectInvalid;
            if (kind != kRedirectInvalid) {
                referer_ = url_;
                url_ = newUrl;
            }
            if (!settings_.enableRedirect) {
                Close();
                return kRefused;
            }
            if (kind == kRedirectInvalid || ++redirects > kMaxRedirects) return Fail();
            // Another scheme takes another client: TLS is never dropped or
            // added within one.
            if (kind == kRedirectReopen || secure_) {
                Close();
                return kRedirected;
            }
            std::string oldHost = target_.host;
            uint16_t oldPort = target_.port;
            if (!CrackCurrentUrl() || target_.kind != kUrlHttp) return Fail();
            serverAuthorization_.clear();  // never hand one server's credentials to another
            if (!PrepareConnection(SameEndpoint(oldHost, oldPort), reused)) return Fail();
            continue;
        }
        if (status == 401) {
            // One try only: a second 401 means the credentials are wrong.
            if (!serverAuthorization_.empty() || DetectAuthScheme(head_.text, false) != kAuthBasic ||
                !BasicAuthorizationLine(userName_, password_, false, serverAuthorization_) ||
                !PrepareConnection(true, reused))
                return Fail();
            continue;
        }
        // Within a tunnel the proxy is out of the conversation.
        if (status == 407 && proxy_.kind == kProxyHttp && !secure_) {
            const ChallengeAnswer answer = AnswerProxyChallenge(reused);
            if (answer == kChallengeFailed) return Fail();
            haveHead = answer == kHaveHead;
            continue;
        }
        return Fail();
    }
    return Fail();
}

bool HttpTransfer::Read(char* buffer, size_t size, size_t& bytesRead) {
    bytesRead = 0;
    if (!open_ || size == 0) return false;
    if (bodyLimited_) {
        if (bodyRemaining_ == 0) return false;
        size = static_cast<size_t>(std::min<uint64_t>(size, bodyRemaining_));
    }
    size_t count = 0;
    if (!pending_.empty()) {
        count = std::min(size, pending_.size());
        memcpy(buffer, pending_.data(), count);
        pending_.erase(0, count);
    } else {
        int received = ReceiveSome(buffer, size);
        if (received <= 0) return false;
        count = static_cast<size_t>(received);
    }
    if (bodyLimited_) bodyRemaining_ -= count;
    bytesRead = count;
    return true;
}

void HttpTransfer::Close() {
    CloseConnection();
    pending_.clear();
    open_ = false;
}

int HttpTransfer::Fail() {
    Close();
    return kOpenFailed;
}

int HttpTransfer::Opened() {
    // A chunked body carries framing between the data; handing it out as
    // file bytes would corrupt the file.
    if (head_.chunked) return Fail();
    // A 206 for another range than the one asked for would put bytes at the
    // wrong place.
    if (head_.status == 206 && head_.hasRangeTotal && head_.rangeStart != offset_) return Fail();
    offsetHonoured_ = head_.status == 206;
    bodyLimited_ = head_.hasContentLength;
    bodyRemaining_ = head_.contentLength;
    remoteLength_ = 0;
    if (head_.status == 200 && head_.hasContentLength) {
        remoteLength_ = head_.contentLength;  // the whole file, whatever was asked
    } else if (head_.hasRangeTotal) {
        remoteLength_ = head_.rangeTotal;
    } else if (offset_ == 0 && head_.hasContentLength) {
        remoteLength_ = head_.contentLength;
    }
    std::string modified;
    FILETIME time;
    remoteTime_ = FindHeader(head_.text, "Last-Modified", modified) &&
                          ParseHttpDate(modified, time)
                      ? time
                      : UnixEpochFileTime();
    open_ = true;
    return kOpened;
}

bool HttpTransfer::Connect() {
    CloseConnection();
    pending_.clear();
    reusable_ = true;
    if (!ConnectSocket()) return false;
    if (!secure_) return true;
    if (proxy_.kind == kProxyHttp && !OpenTunnel()) return false;
    return StartTls();
}

bool HttpTransfer::ConnectSocket() {
    if (proxy_.kind == kProxyHttp) return socket_.ConnectByName(proxy_.host, proxy_.port);
    return ConnectDirectOrSocks(socket_, target_.host, target_.port);
}

bool HttpTransfer::OpenTunnel() {
    tunnelling_ = true;
    bool reused = false;
    bool haveHead = false;
    bool open = false;
    for (int round = 0; round < kMaxTunnelRounds; ++round) {
        if (!haveHead && !(SendRequest() && ReadFinalHead())) break;
        haveHead = false;
        // Whatever a proxy sends after its 2xx is the server's, and a server
        // says nothing before the client's hello.
        if (head_.status >= 200 && head_.status <= 299) {
            open = pending_.empty();
            break;
        }
        if (head_.status != 407) break;
        DropBody();
        const ChallengeAnswer answer = AnswerProxyChallenge(reused);
        if (answer == kChallengeFailed) break;
        haveHead = answer == kHaveHead;
    }
    tunnelling_ = false;
    return open;
}

bool HttpTransfer::StartTls() {
    tls_ = std::make_unique<TlsChannel>(socket_, settings_.stopEvent, settings_.timeoutMs);
    const bool up = tls_->Handshake(target_.host);
    tlsFailure_ = tls_->Failure();
    tlsVerdict_ = tls_->Verdict();
    if (!up) tls_.reset();
    return up;
}

void HttpTransfer::CloseConnection() {
    if (tls_) {
        tls_->Shutdown();
        if (tls_->Failure() != TlsFailure::kNone) tlsFailure_ = tls_->Failure();
        tls_.reset();
    }
    socket_.Close();
}

bool HttpTransfer::Send(const std::string& data) {
    if (tls_) return tls_->SendAll(data);
    // An https transfer speaks plain text only to its proxy.
    if (secure_ && !tunnelling_) return false;
    return socket_.SendAll(data);
}

int HttpTransfer::ReceiveSome(char* buffer, size_t size) {
    if (tls_) return tls_->Receive(buffer, size);
    if (secure_ && !tunnelling_) return -1;
    return socket_.Receive(buffer, size);
}

bool HttpTransfer::SameEndpoint(const std::string& host, uint16_t port) const {
    // Through an HTTP proxy every request goes to the proxy; a SOCKS tunnel
    // leads to one target only.
    if (proxy_.kind == kProxyHttp) return true;
    return port == target_.port && ToLower(host) == ToLower(target_.host);
}

bool HttpTransfer::PrepareConnection(bool sameEndpoint, bool& reused) {
    reused = sameEndpoint && reusable_ && socket_.IsOpen();
    if (reused) return true;
    if (!tunnelling_) return Connect();
    // A proxy that closed during the tunnel's challenge: only the socket again.
    socket_.Close();
    reusable_ = true;
    return ConnectSocket();
}

bool HttpTransfer::SendRequest(const std::string& extraAuthorization) {
    if (tunnelling_)
        return Send(BuildConnectRequest(target_.host, target_.port,
                                        proxyAuthorization_ + extraAuthorization));
    HttpRequestParts parts;
    parts.host = target_.host;
    parts.offset = offset_;
    parts.referer = referer_;
    std::string path = target_.path.empty() ? "/" : target_.path;
    if (proxy_.kind == kProxyHttp && !secure_) {
        // The absolute URL without any user information.
        parts.target = "http://" + target_.host +
                       (target_.port == kDefaultHttpPort ? std::string()
                                                         : ":" + std::to_string(target_.port)) +
                       path;
    } else {
        parts.target = path;
    }
    // The proxy's credentials went with the CONNECT; the server never sees them.
    parts.authorization =
        (secure_ ? std::string() : proxyAuthorization_) + serverAuthorization_ + extraAuthorization;
    return Send(BuildHttpRequest(parts));
}

bool HttpTransfer::Exchange(bool reused) {
    if (SendRequest() && ReadFinalHead()) return true;
    // A kept connection that the server closed meanwhile: one fresh try.
    if (!reused || receivedAny_) return false;
    return Connect() && SendRequest() && ReadFinalHead();
}

bool HttpTransfer::ReadFinalHead() {
    receivedAny_ = false;
    for (int i = 0; i < kMaxInterimAnswers; ++i) {
        if (!ReadOneHead(head_)) return false;
        if (!IsInterim(head_.status)) return true;
        // 1xx answers are interim: the real answer follows on the same connection.
    }
    return false;
}

bool HttpTransfer::ReadOneHead(HttpHead& head) {
    size_t end = 0;
    while ((end = FindHeadEnd(pending_.data(), pending_.size())) == 0) {
        if (pending_.size() >= kMaxHttpHead) return false;
        char chunk[kHeadReceiveSize];
        int received = ReceiveSome(chunk, sizeof(chunk));
        if (received <= 0) return false;
        receivedAny_ = true;
        pending_.append(chunk, static_cast<size_t>(received));
    }
    if (end > kMaxHttpHead) return false;
    std::string text = pending_.substr(0, end);
    pending_.erase(0, end);
    if (!ParseHttpHead(text, head)) return false;
    if (head.connectionClose || StartsWithNoCase(text, "HTTP/1.0")) reusable_ = false;
    return true;
}

void HttpTransfer::DropBody() {
    if (head_.chunked || (!head_.hasContentLength && head_.status != 204 && head_.status != 304)) {
        reusable_ = false;  // the body's end is unknown
        pending_.clear();
        return;
    }
    uint64_t left = head_.contentLength;
    size_t buffered = static_cast<size_t>(std::min<uint64_t>(left, pending_.size()));
    pending_.erase(0, buffered);
    left -= buffered;
    if (left > kMaxDroppedBody) {
        reusable_ = false;
        return;
    }
    char chunk[kHeadReceiveSize];
    while (left > 0) {
        int received =
            ReceiveSome(chunk, static_cast<size_t>(std::min<uint64_t>(left, sizeof(chunk))));
        if (received <= 0) {
            reusable_ = false;
            return;
        }
        left -= static_cast<uint64_t>(received);
    }
}

HttpTransfer::ChallengeAnswer HttpTransfer::AnswerProxyChallenge(bool& reused) {
    const int scheme = DetectAuthScheme(head_.text, true);
    if (scheme == kAuthBasic && proxyAuthorization_.empty()) {
        if (!BasicAuthorizationLine(proxy_.userName, proxy_.password, true, proxyAuthorization_) ||
            !PrepareConnection(true, reused))
            return kChallengeFailed;
        return kSendAgain;
    }
    if (scheme == kAuthNtlm && !ntlm_) {
        if (!PrepareConnection(true, reused) || !AnswerNtlmChallenge()) return kChallengeFailed;
        return kHaveHead;
    }
    return kChallengeFailed;
}

bool HttpTransfer::AnswerNtlmChallenge() {
    ntlm_ = std::make_unique<NtlmClient>();
    std::vector<uint8_t> token;
    if (!ntlm_->FirstToken(token) ||
        !SendRequest(NtlmAuthorizationLine(win::Base64Encode(token.data(), token.size()))) ||
        !ReadFinalHead() || head_.status != 407)
        return false;
    DropBody();
    // The handshake belongs to this connection: it cannot go on without it.
    if (!reusable_) return false;
    std::vector<uint8_t> challenge = win::Base64Decode(FindNtlmChallenge(head_.text));
    return ntlm_->NextToken(challenge, token) &&
           SendRequest(NtlmAuthorizationLine(win::Base64Encode(token.data(), token.size()))) &&
           ReadFinalHead();
}

}  // namespace netclient
