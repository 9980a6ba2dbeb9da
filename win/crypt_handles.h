#pragma once
// Owners of CryptoAPI certificate objects: a store, a certificate context and
// a chain context, each freed exactly once.

#include <windows.h>
#include <wincrypt.h>

#include "win/unique_handle.h"

namespace win {

struct CertStoreTraits {
    using Handle = HCERTSTORE;
    static Handle Invalid() { return nullptr; }
    // Closing a system store is what writes its changes.
    static void Close(Handle h) { ::CertCloseStore(h, 0); }
};
using CertStore = UniqueHandle<CertStoreTraits>;

struct CertContextTraits {
    using Handle = PCCERT_CONTEXT;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::CertFreeCertificateContext(h); }
};
using CertContext = UniqueHandle<CertContextTraits>;

struct CertChainTraits {
    using Handle = PCCERT_CHAIN_CONTEXT;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::CertFreeCertificateChain(h); }
};
using CertChain = UniqueHandle<CertChainTraits>;

}  // namespace win
