#pragma once
// What the program decides about a server's certificate and connection, from
// plain findings: the error bits of its chains, the SSL policy's answer, and
// the protocol that the handshake chose.

#include <windows.h>

namespace netclient {

enum class CertificateVerdict {
    kTrusted,
    kUntrustedRoot,  // no chain to a root this machine trusts
    kNameMismatch,
    kExpired,
    kNotYetValid,
    kWrongUsage,     // not meant for server authentication
    kRevoked,
    kInvalid,        // any other fault of the chain or the certificate
    kUnchecked,      // the check was stopped or ran out of time
};

struct CertificateFindings {
    // CERT_TRUST_* error bits of the chain built without revocation checks,
    // and the SSL policy's error (0 when it passed) for that chain and the
    // host name.
    DWORD chainErrors = 0;
    DWORD policyError = 0;
    // CERT_TRUST_* error bits of the chain built with revocation checks for
    // every certificate but the root.
    DWORD revocationErrors = 0;
    // The server's certificate becomes valid only later.
    bool notYetValid = false;
};

// Refuses whatever any finding refuses; a revocation status that could not
// be learned (no distribution point reachable) alone does not refuse.
CertificateVerdict JudgeCertificate(const CertificateFindings& findings);

// TLS 1.2 or 1.3 as the client's side of a connection (SP_PROT_*_CLIENT).
bool IsAcceptedTlsProtocol(DWORD protocol);

}  // namespace netclient
