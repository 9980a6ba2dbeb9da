#include "netclient/certificate_policy.h"

#include <gtest/gtest.h>

#include <schannel.h>
#include <wincrypt.h>

#include <ostream>

namespace netclient {
namespace {

struct FindingsCase {
    const char* label;
    DWORD chainErrors;
    HRESULT policyError;
    DWORD revocationErrors;
    bool notYetValid;
    CertificateVerdict verdict;
};

void PrintTo(const FindingsCase& c, std::ostream* os) { *os << c.label; }

class CertificateJudgement : public ::testing::TestWithParam<FindingsCase> {};

TEST_P(CertificateJudgement, RefusesWhateverAnyFindingRefuses) {
    const FindingsCase& c = GetParam();
    CertificateFindings findings;
    findings.chainErrors = c.chainErrors;
    findings.policyError = static_cast<DWORD>(c.policyError);
    findings.revocationErrors = c.revocationErrors;
    findings.notYetValid = c.notYetValid;
    EXPECT_EQ(JudgeCertificate(findings), c.verdict) << c.label;
}

constexpr DWORD kUnknownRevocation =
    CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;

INSTANTIATE_TEST_SUITE_P(
    Findings, CertificateJudgement,
    ::testing::Values(
        FindingsCase{"AllClear", 0, S_OK, 0, false, CertificateVerdict::kTrusted},
        // No distribution point answered: the download goes on.
        FindingsCase{"RevocationUnknown", 0, S_OK, kUnknownRevocation, false,
                     CertificateVerdict::kTrusted},
        FindingsCase{"Revoked", 0, S_OK, CERT_TRUST_IS_REVOKED | kUnknownRevocation, false,
                     CertificateVerdict::kRevoked},
        FindingsCase{"RevokedAndMisnamed", 0, CERT_E_CN_NO_MATCH, CERT_TRUST_IS_REVOKED, false,
                     CertificateVerdict::kRevoked},
        // A chain that ends nowhere, though the policy passed it.
        FindingsCase{"PartialChainPassedByPolicy", CERT_TRUST_IS_PARTIAL_CHAIN, S_OK, 0, false,
                     CertificateVerdict::kUntrustedRoot},
        FindingsCase{"UntrustedRoot", CERT_TRUST_IS_UNTRUSTED_ROOT, CERT_E_UNTRUSTEDROOT, 0,
                     false, CertificateVerdict::kUntrustedRoot},
        FindingsCase{"NameMismatch", 0, CERT_E_CN_NO_MATCH, 0, false,
                     CertificateVerdict::kNameMismatch},
        FindingsCase{"Expired", CERT_TRUST_IS_NOT_TIME_VALID, CERT_E_EXPIRED, 0, false,
                     CertificateVerdict::kExpired},
        FindingsCase{"NotYetValid", CERT_TRUST_IS_NOT_TIME_VALID, CERT_E_EXPIRED, 0, true,
                     CertificateVerdict::kNotYetValid},
        FindingsCase{"NotForServers", CERT_TRUST_IS_NOT_VALID_FOR_USAGE, CERT_E_WRONG_USAGE, 0,
                     false, CertificateVerdict::kWrongUsage},
        FindingsCase{"BadSignature", CERT_TRUST_IS_NOT_SIGNATURE_VALID, TRUST_E_CERT_SIGNATURE,
                     0, false, CertificateVerdict::kInvalid},
        // The policy stopped at a revocation question and checked no further.
        FindingsCase{"PolicyStoppedAtRevocation", 0, CERT_E_REVOCATION_FAILURE, 0, false,
                     CertificateVerdict::kInvalid},
        FindingsCase{"PolicyFailedOtherwise", 0, TRUST_E_FAIL, 0, false,
                     CertificateVerdict::kInvalid}),
    [](const ::testing::TestParamInfo<FindingsCase>& info) { return info.param.label; });

TEST(TlsProtocols, OnlyTls12And13AreAccepted) {
    EXPECT_TRUE(IsAcceptedTlsProtocol(SP_PROT_TLS1_2_CLIENT));
    EXPECT_TRUE(IsAcceptedTlsProtocol(SP_PROT_TLS1_3_CLIENT));
    for (DWORD old : {DWORD(SP_PROT_SSL3_CLIENT), DWORD(SP_PROT_TLS1_0_CLIENT),
                      DWORD(SP_PROT_TLS1_1_CLIENT), DWORD(SP_PROT_TLS1_2_SERVER), DWORD(0)})
        EXPECT_FALSE(IsAcceptedTlsProtocol(old)) << old;
}

}  // namespace
}  // namespace netclient
