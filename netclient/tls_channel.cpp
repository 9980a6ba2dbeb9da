#include "netclient/tls_channel.h"

// The newer credential structure is declared only with these.
#include <subauth.h>
#define SCHANNEL_USE_BLACKLISTS
#include <schannel.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#include "netclient/certificate_check.h"

namespace netclient {
namespace {

constexpr DWORD kAcceptedProtocols = SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT;
// The program checks the server's certificate itself; the client has none.
constexpr DWORD kCredentialFlags =
    SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
constexpr ULONG kContextRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                  ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY |
                                  ISC_REQ_STREAM | ISC_REQ_EXTENDED_ERROR |
                                  ISC_REQ_MANUAL_CRED_VALIDATION | ISC_REQ_USE_SUPPLIED_CREDS;
// Room for a few whole records: a server's certificates span several.
constexpr size_t kInputCapacity = 65536;
// A handshake takes a handful of calls; a peer that keeps one going is not
// completing it.
constexpr int kMaxHandshakeCalls = 32;

}  // namespace

TlsChannel::TlsChannel(EventSocket& socket, HANDLE stopEvent, DWORD timeoutMs)
    : socket_(socket), stop_(stopEvent), timeoutMs_(timeoutMs), input_(kInputCapacity) {}

bool TlsChannel::Handshake(const std::string& host) {
    host_ = host;
    if (!AcquireCredential()) return Fail(TlsFailure::kCredentials);
    return RunHandshake(true);
}

bool TlsChannel::AcquireCredential() {
    table_ = ::InitSecurityInterfaceA();
    if (!table_) return false;
    auto acquire = [this](void* data) {
        TimeStamp expiry;
        SECURITY_STATUS status = table_->AcquireCredentialsHandleA(
            nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND, nullptr, data,
            nullptr, nullptr, credential_.Put(table_), &expiry);
        if (status != SEC_E_OK) return false;
        credential_.Made();
        return true;
    };
    // The newer structure is the one through which Windows offers TLS 1.3;
    // systems that do not know it take the older one.
    TLS_PARAMETERS parameters = {};
    parameters.grbitDisabledProtocols = ~kAcceptedProtocols;
    SCH_CREDENTIALS current = {};
    current.dwVersion = SCH_CREDENTIALS_VERSION;
    current.dwFlags = kCredentialFlags;
    current.cTlsParameters = 1;
    current.pTlsParameters = &parameters;
    if (acquire(&current)) return true;
    SCHANNEL_CRED older = {};
    older.dwVersion = SCHANNEL_CRED_VERSION;
    older.grbitEnabledProtocols = kAcceptedProtocols;
    older.dwFlags = kCredentialFlags;
    return acquire(&older);
}

bool TlsChannel::RunHandshake(bool fresh) {
    // A running session hands over what it holds, even nothing.
    bool needInput = false;
    for (int call = 0; call < kMaxHandshakeCalls; ++call) {
        const bool first = fresh && !context_;
        if (!first) {
            if (needInput && !ReceiveMore()) return false;
            // Whole records only, and an answer that is no TLS fails at once.
            long record;
            while ((record = TlsRecordSize(input_.Cipher(), input_.CipherSize())) ==
                       kTlsRecordIncomplete &&
                   input_.CipherSize() > 0) {
                if (!ReceiveMore()) return false;
            }
            if (record == kTlsRecordInvalid) return Fail(TlsFailure::kHandshake);
        }
        SecBuffer in[2] = {
            {static_cast<ULONG>(input_.CipherSize()), SECBUFFER_TOKEN, input_.Cipher()},
            {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc inDesc = {SECBUFFER_VERSION, 2, in};
        SecBuffer out[2] = {{0, SECBUFFER_TOKEN, nullptr}, {0, SECBUFFER_ALERT, nullptr}};
        SecBufferDesc outDesc = {SECBUFFER_VERSION, 2, out};
        ContextBuffer token(table_, out[0]);
        ContextBuffer alert(table_, out[1]);
        ULONG attributes = 0;
        PSecHandle context = first ? nullptr : context_.Get();
        PSecHandle made = first ? context_.Put(table_) : context_.Get();
        const SECURITY_STATUS status = table_->InitializeSecurityContextA(
            credential_.Get(), context, const_cast<char*>(host_.c_str()), kContextRequest, 0, 0,
            first ? nullptr : &inDesc, 0, made, &outDesc, &attributes, nullptr);
        if (first && status >= 0) context_.Made();
        if (out[0].pvBuffer && out[0].cbBuffer > 0) {
            if (status >= 0) {
                if (!SendToken(out[0])) return false;
            } else if (attributes & ISC_RET_EXTENDED_ERROR) {
                // An alert for the peer, sent as a courtesy: the handshake
                // fails whatever becomes of it.
                socket_.SendAll(static_cast<const char*>(out[0].pvBuffer), out[0].cbBuffer);
            }
        }
        switch (status) {
        case SEC_E_OK:
        case SEC_I_CONTINUE_NEEDED:
            if (!first)
                input_.KeepLastCipher(in[1].BufferType == SECBUFFER_EXTRA ? in[1].cbBuffer : 0);
            if (status == SEC_E_OK) return Established(fresh);
            needInput = input_.CipherSize() == 0;
            break;
        case SEC_E_INCOMPLETE_MESSAGE: needInput = true; break;
        // Asked for a client certificate: there is none to give, and the
        // handshake goes on without it.
        case SEC_I_INCOMPLETE_CREDENTIALS: needInput = false; break;
        default: return Fail(TlsFailure::kHandshake);
        }
    }
    return Fail(TlsFailure::kHandshake);
}

bool TlsChannel::Established(bool fresh) {
    SecPkgContext_ConnectionInfo info = {};
    if (table_->QueryContextAttributesA(context_.Get(), SECPKG_ATTR_STREAM_SIZES, &sizes_) !=
            SEC_E_OK ||
        table_->QueryContextAttributesA(context_.Get(), SECPKG_ATTR_CONNECTION_INFO, &info) !=
            SEC_E_OK)
        return Fail(TlsFailure::kHandshake);
    // The credentials ask for TLS 1.2 and 1.3 only; what was agreed is
    // checked all the same, as not every Schannel keeps to that.
    if (!IsAcceptedTlsProtocol(info.dwProtocol)) return Fail(TlsFailure::kProtocol);
    PCCERT_CONTEXT presented = nullptr;
    if (table_->QueryContextAttributesA(context_.Get(), SECPKG_ATTR_REMOTE_CERT_CONTEXT,
                                        &presented) != SEC_E_OK ||
        !presented) {
        verdict_ = CertificateVerdict::kInvalid;
        return Fail(TlsFailure::kCertificate);
    }
    win::CertContext certificate(presented);
    if (fresh) {
        verdict_ = CheckServerCertificate(certificate.Get(), host_, stop_, timeoutMs_);
        if (verdict_ != CertificateVerdict::kTrusted) return Fail(TlsFailure::kCertificate);
        serverCertificate_ = std::move(certificate);
    } else {
        // Later handshake messages of a session must come from the server
        // that was checked.
        const CERT_CONTEXT& was = *serverCertificate_.Get();
        const CERT_CONTEXT& now = *certificate.Get();
        if (was.cbCertEncoded != now.cbCertEncoded ||
            memcmp(was.pbCertEncoded, now.pbCertEncoded, was.cbCertEncoded) != 0)
            return Fail(TlsFailure::kRenegotiation);
    }
    protocol_ = info.dwProtocol;
    record_.resize(sizes_.cbHeader + sizes_.cbMaximumMessage + sizes_.cbTrailer);
    established_ = true;
    return true;
}

bool TlsChannel::SendAll(const char* data, size_t size) {
    if (!established_) return false;
    while (size > 0) {
        const size_t piece = std::min<size_t>(size, sizes_.cbMaximumMessage);
        char* header = record_.data();
        char* body = header + sizes_.cbHeader;
        memcpy(body, data, piece);
        SecBuffer buffers[4] = {{sizes_.cbHeader, SECBUFFER_STREAM_HEADER, header},
                                {static_cast<ULONG>(piece), SECBUFFER_DATA, body},
                                {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, body + piece},
                                {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
        if (table_->EncryptMessage(context_.Get(), 0, &desc, 0) != SEC_E_OK)
            return Fail(TlsFailure::kConnection);
        const size_t total = buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer;
        if (!socket_.SendAll(header, total)) return Fail(TlsFailure::kConnection);
        data += piece;
        size -= piece;
    }
    return true;
}

int TlsChannel::Receive(char* buffer, size_t size) {
    if (size == 0) return -1;
    while (true) {
        if (input_.PlainSize() > 0)
            return static_cast<int>(input_.TakePlain(buffer, std::min<size_t>(size, INT_MAX)));
        if (closedByPeer_) return 0;
        if (!established_) return -1;
        const long record = TlsRecordSize(input_.Cipher(), input_.CipherSize());
        if (record == kTlsRecordInvalid) return FailReceive(TlsFailure::kConnection);
        if (record == kTlsRecordIncomplete) {
            if (!ReceiveMore()) return -1;
            continue;
        }
        SecBuffer buffers[4] = {
            {static_cast<ULONG>(input_.CipherSize()), SECBUFFER_DATA, input_.Cipher()},
            {0, SECBUFFER_EMPTY, nullptr},
            {0, SECBUFFER_EMPTY, nullptr},
            {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
        const SECURITY_STATUS status = table_->DecryptMessage(context_.Get(), &desc, 0, nullptr);
        switch (status) {
        case SEC_E_OK:
            if (!input_.TakeDecrypted(buffers, 4)) return FailReceive(TlsFailure::kConnection);
            break;
        case SEC_I_CONTEXT_EXPIRED:
            // close_notify: the server sends nothing more.
            closedByPeer_ = true;
            established_ = false;
            break;
        case SEC_I_RENEGOTIATE:
            // TLS 1.3 sends session tickets and key updates within the
            // session, and they come through here. A TLS 1.2 renegotiation is
            // refused: a download has no use for it, and a new handshake in
            // the middle of a response is where attacks have lived.
            if (protocol_ != SP_PROT_TLS1_3_CLIENT || !input_.TakeDecrypted(buffers, 4))
                return FailReceive(TlsFailure::kRenegotiation);
            if (!RunHandshake(false)) return -1;
            break;
        case SEC_E_INCOMPLETE_MESSAGE:
            if (!ReceiveMore()) return -1;
            break;
        default: return FailReceive(TlsFailure::kConnection);
        }
    }
}

void TlsChannel::Shutdown() {
    if (!established_) return;
    established_ = false;
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer in = {sizeof(type), SECBUFFER_TOKEN, &type};
    SecBufferDesc inDesc = {SECBUFFER_VERSION, 1, &in};
    if (table_->ApplyControlToken(context_.Get(), &inDesc) != SEC_E_OK) return;
    SecBuffer out = {0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, &out};
    ContextBuffer owner(table_, out);
    ULONG attributes = 0;
    const SECURITY_STATUS status = table_->InitializeSecurityContextA(
        credential_.Get(), context_.Get(), const_cast<char*>(host_.c_str()), kContextRequest, 0, 0,
        nullptr, 0, context_.Get(), &outDesc, &attributes, nullptr);
    if (status >= 0 && out.pvBuffer && out.cbBuffer > 0) SendToken(out);
}

bool TlsChannel::ReceiveMore() {
    size_t room = 0;
    char* space = input_.Space(room);
    // Held bytes that fill the whole buffer are more than any record.
    if (room == 0) return Fail(TlsFailure::kHandshake);
    const int received = socket_.Receive(space, room);
    if (received <= 0) return Fail(TlsFailure::kConnection);
    input_.Received(static_cast<size_t>(received));
    return true;
}

bool TlsChannel::SendToken(const SecBuffer& token) {
    if (socket_.SendAll(static_cast<const char*>(token.pvBuffer), token.cbBuffer)) return true;
    return Fail(TlsFailure::kConnection);
}

bool TlsChannel::Fail(TlsFailure failure) {
    if (failure_ == TlsFailure::kNone) failure_ = failure;
    established_ = false;
    return false;
}

int TlsChannel::FailReceive(TlsFailure failure) {
    Fail(failure);
    return -1;
}

}  // namespace netclient
