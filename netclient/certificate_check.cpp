// The chain parameters' retrieval time-out is among its extra fields.
#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS
#include "netclient/certificate_check.h"

#include <memory>
#include <vector>

#include "netclient/detached_call.h"
#include "win/crypt_handles.h"

namespace netclient {
namespace {

// A distribution point that does not answer must leave time for the rest of
// the job's time-out.
constexpr DWORD kMaxRetrievalMs = 15000;

std::wstring Wide(const std::string& text) {
    const int size = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (size <= 0) return std::wstring();
    std::vector<wchar_t> wide(static_cast<size_t>(size));
    ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), size);
    return std::wstring(wide.data());
}

// A chain for server authentication to one of the local machine's roots.
bool BuildChain(PCCERT_CONTEXT certificate, DWORD flags, DWORD retrievalMs, win::CertChain& chain) {
    LPSTR usage[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
    CERT_CHAIN_PARA para = {};
    para.cbSize = sizeof(para);
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    para.RequestedUsage.Usage.cUsageIdentifier = 1;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = usage;
    para.dwUrlRetrievalTimeout = retrievalMs;
    PCCERT_CHAIN_CONTEXT built = nullptr;
    if (!::CertGetCertificateChain(HCCE_LOCAL_MACHINE, certificate, nullptr,
                                   certificate->hCertStore, &para, flags, nullptr, &built) ||
        !built)
        return false;
    chain.Reset(built);
    return true;
}

DWORD SslPolicyError(PCCERT_CHAIN_CONTEXT chain, const std::string& host) {
    std::wstring name = Wide(host);
    if (name.empty()) return static_cast<DWORD>(CERT_E_CN_NO_MATCH);
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
    ssl.cbSize = sizeof(ssl);
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = &name[0];
    CERT_CHAIN_POLICY_PARA para = {};
    para.cbSize = sizeof(para);
    para.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status = {};
    status.cbSize = sizeof(status);
    if (!::CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &para, &status))
        return static_cast<DWORD>(TRUST_E_FAIL);
    return status.dwError;
}

bool NotYetValid(PCCERT_CONTEXT certificate) {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    return ::CompareFileTime(&now, &certificate->pCertInfo->NotBefore) < 0;
}

CertificateVerdict Judge(PCCERT_CONTEXT certificate, const std::string& host, DWORD retrievalMs) {
    CertificateFindings findings;
    findings.notYetValid = NotYetValid(certificate);
    // The policy runs on a chain without revocation checks: an unknown
    // revocation status would otherwise end it before the name is compared.
    win::CertChain plain;
    if (!BuildChain(certificate, 0, 0, plain)) return CertificateVerdict::kInvalid;
    findings.chainErrors = plain.Get()->TrustStatus.dwErrorStatus;
    findings.policyError = SslPolicyError(plain.Get(), host);
    const CertificateVerdict verdict = JudgeCertificate(findings);
    if (verdict != CertificateVerdict::kTrusted) return verdict;
    win::CertChain revocation;
    if (!BuildChain(certificate,
                    CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT |
                        CERT_CHAIN_REVOCATION_ACCUMULATIVE_TIMEOUT,
                    retrievalMs, revocation))
        return CertificateVerdict::kInvalid;
    findings.revocationErrors = revocation.Get()->TrustStatus.dwErrorStatus;
    return JudgeCertificate(findings);
}

}  // namespace

CertificateVerdict CheckServerCertificate(PCCERT_CONTEXT certificate, const std::string& host,
                                          HANDLE stopEvent, DWORD timeoutMs) {
    if (!certificate) return CertificateVerdict::kInvalid;
    // The check may outlive this call: it works on its own reference.
    auto held = std::make_shared<win::CertContext>(::CertDuplicateCertificateContext(certificate));
    auto verdict = std::make_shared<CertificateVerdict>(CertificateVerdict::kUnchecked);
    const DWORD retrievalMs = timeoutMs / 2 < kMaxRetrievalMs ? timeoutMs / 2 : kMaxRetrievalMs;
    auto work = [held, verdict, host, retrievalMs] {
        *verdict = Judge(held->Get(), host, retrievalMs);
    };
    if (!CallDetached(work, stopEvent, timeoutMs)) return CertificateVerdict::kUnchecked;
    return *verdict;
}

}  // namespace netclient
