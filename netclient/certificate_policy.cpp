#include "netclient/certificate_policy.h"

#include <schannel.h>
#include <wincrypt.h>

namespace netclient {
namespace {

// What only says that the revocation status is unknown.
constexpr DWORD kRevocationUnknown = CERT_TRUST_REVOCATION_STATUS_UNKNOWN |
                                     CERT_TRUST_IS_OFFLINE_REVOCATION;
constexpr DWORD kNoTrustedRoot = CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN |
                                 CERT_TRUST_IS_CYCLIC;

CertificateVerdict TimeVerdict(bool notYetValid) {
    return notYetValid ? CertificateVerdict::kNotYetValid : CertificateVerdict::kExpired;
}

CertificateVerdict ChainVerdict(DWORD errors, bool notYetValid) {
    errors &= ~kRevocationUnknown;
    if (errors == CERT_TRUST_NO_ERROR) return CertificateVerdict::kTrusted;
    if (errors & CERT_TRUST_IS_REVOKED) return CertificateVerdict::kRevoked;
    if (errors & kNoTrustedRoot) return CertificateVerdict::kUntrustedRoot;
    if (errors & CERT_TRUST_IS_NOT_TIME_VALID) return TimeVerdict(notYetValid);
    if (errors & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) return CertificateVerdict::kWrongUsage;
    return CertificateVerdict::kInvalid;
}

CertificateVerdict PolicyVerdict(DWORD error, bool notYetValid) {
    switch (static_cast<HRESULT>(error)) {
    case S_OK: return CertificateVerdict::kTrusted;
    case CERT_E_CN_NO_MATCH: return CertificateVerdict::kNameMismatch;
    case CERT_E_UNTRUSTEDROOT:
    case CERT_E_CHAINING:
    case CERT_E_UNTRUSTEDTESTROOT: return CertificateVerdict::kUntrustedRoot;
    case CERT_E_EXPIRED: return TimeVerdict(notYetValid);
    case CERT_E_WRONG_USAGE: return CertificateVerdict::kWrongUsage;
    case CRYPT_E_REVOKED: return CertificateVerdict::kRevoked;
    // The policy ran on a chain built without revocation checks, so even a
    // revocation error means it stopped before its other checks.
    default: return CertificateVerdict::kInvalid;
    }
}

}  // namespace

CertificateVerdict JudgeCertificate(const CertificateFindings& findings) {
    // A revoked certificate is refused whatever else holds.
    if (findings.revocationErrors & CERT_TRUST_IS_REVOKED) return CertificateVerdict::kRevoked;
    // The chain's own bits come first: a policy may pass a chain that ends
    // nowhere (this Wine's SSL policy passes a partial chain).
    CertificateVerdict verdict = ChainVerdict(findings.chainErrors, findings.notYetValid);
    if (verdict != CertificateVerdict::kTrusted) return verdict;
    return PolicyVerdict(findings.policyError, findings.notYetValid);
}

bool IsAcceptedTlsProtocol(DWORD protocol) {
    return protocol == SP_PROT_TLS1_2_CLIENT || protocol == SP_PROT_TLS1_3_CLIENT;
}

}  // namespace netclient
