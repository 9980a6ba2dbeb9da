#pragma once
// Owners of an SSPI credential and security context, each freed exactly once
// through the function table of the package that made it.

#include <windows.h>
#ifndef SECURITY_WIN32
#define SECURITY_WIN32
#endif
#include <security.h>

namespace netclient {

template <SECURITY_STATUS(SEC_ENTRY* SecurityFunctionTableA::*Free)(PSecHandle)>
class SspiHandle {
public:
    SspiHandle() = default;
    ~SspiHandle() { Reset(); }
    SspiHandle(SspiHandle&& o) noexcept : table_(o.table_), handle_(o.handle_), held_(o.held_) {
        o.held_ = false;
    }
    SspiHandle& operator=(SspiHandle&& o) noexcept {
        if (this != &o) {
            Reset();
            table_ = o.table_;
            handle_ = o.handle_;
            held_ = o.held_;
            o.held_ = false;
        }
        return *this;
    }
    SspiHandle(const SspiHandle&) = delete;
    SspiHandle& operator=(const SspiHandle&) = delete;

    // Storage for the call that makes the handle; Made() once it succeeded.
    PSecHandle Put(PSecurityFunctionTableA table) {
        Reset();
        table_ = table;
        return &handle_;
    }
    void Made() { held_ = true; }

    PSecHandle Get() { return held_ ? &handle_ : nullptr; }
    explicit operator bool() const { return held_; }
    void Reset() {
        if (held_) (table_->*Free)(&handle_);
        held_ = false;
    }

private:
    PSecurityFunctionTableA table_ = nullptr;
    SecHandle handle_ = {};
    bool held_ = false;
};

using SspiCredential = SspiHandle<&SecurityFunctionTableA::FreeCredentialsHandle>;
using SspiContext = SspiHandle<&SecurityFunctionTableA::DeleteSecurityContext>;

// Frees what a package allocated for an output buffer (ISC_REQ_ALLOCATE_MEMORY).
class ContextBuffer {
public:
    ContextBuffer(PSecurityFunctionTableA table, SecBuffer& buffer)
        : table_(table), buffer_(buffer) {}
    ~ContextBuffer() {
        if (buffer_.pvBuffer) table_->FreeContextBuffer(buffer_.pvBuffer);
        buffer_.pvBuffer = nullptr;
    }
    ContextBuffer(const ContextBuffer&) = delete;
    ContextBuffer& operator=(const ContextBuffer&) = delete;

private:
    PSecurityFunctionTableA table_;
    SecBuffer& buffer_;
};

}  // namespace netclient
