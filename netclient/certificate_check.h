#pragma once
// The program's own check of a TLS server's certificate, never skipped: a
// chain to one of the machine's trusted roots, meant for server
// authentication, through the SSL policy with the host name, and with no
// certificate of the chain but its root revoked.

#include <windows.h>
#include <wincrypt.h>

#include <string>

#include "netclient/certificate_policy.h"

namespace netclient {

// `certificate` as the server presented it (its store holds what else the
// server sent). Fetching revocation lists may take long: the check returns
// kUnchecked as soon as `stopEvent` (may be null) is set or `timeoutMs`
// passes.
CertificateVerdict CheckServerCertificate(PCCERT_CONTEXT certificate, const std::string& host,
                                          HANDLE stopEvent, DWORD timeoutMs);

}  // namespace netclient
