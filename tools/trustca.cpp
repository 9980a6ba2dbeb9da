// Adds a certificate authority to, or takes it out of, the local machine's
// trusted roots of the Wine prefix (or Windows) it runs in, the way an
// organisation trusts its own CA. The tests and the demo trust the CA they
// make for their TLS servers:
//   trustca add FILE.der
//   trustca remove FILE.der

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "win/crypt_handles.h"

namespace {

bool ReadFile(const char* path, std::vector<BYTE>& bytes) {
    FILE* file = fopen(path, "rb");
    if (!file) return false;
    int c;
    while ((c = fgetc(file)) != EOF) bytes.push_back(static_cast<BYTE>(c));
    fclose(file);
    return !bytes.empty();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (strcmp(argv[1], "add") != 0 && strcmp(argv[1], "remove") != 0)) {
        fprintf(stderr, "usage: trustca add|remove FILE.der\n");
        return 2;
    }
    std::vector<BYTE> der;
    if (!ReadFile(argv[2], der)) {
        fprintf(stderr, "trustca: cannot read %s\n", argv[2]);
        return 1;
    }
    win::CertContext certificate(::CertCreateCertificateContext(
        X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
    if (!certificate) {
        fprintf(stderr, "trustca: %s is no DER certificate\n", argv[2]);
        return 1;
    }
    win::CertStore root(::CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0,
                                        CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root"));
    if (!root) {
        fprintf(stderr, "trustca: the local machine's Root store does not open (%lu)\n",
                ::GetLastError());
        return 1;
    }
    bool done;
    if (strcmp(argv[1], "add") == 0) {
        done = ::CertAddCertificateContextToStore(root.Get(), certificate.Get(),
                                                  CERT_STORE_ADD_REPLACE_EXISTING, nullptr) != 0;
    } else {
        PCCERT_CONTEXT found = ::CertFindCertificateInStore(
            root.Get(), X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, certificate.Get(), nullptr);
        // Deleting frees the context it is given.
        done = !found || ::CertDeleteCertificateFromStore(found) != 0;
    }
    if (!done) {
        fprintf(stderr, "trustca: %s failed (%lu)\n", argv[1], ::GetLastError());
        return 1;
    }
    // Closing the store is what writes it.
    if (!::CertCloseStore(root.Release(), 0)) {
        fprintf(stderr, "trustca: the Root store was not written (%lu)\n", ::GetLastError());
        return 1;
    }
    return 0;
}
