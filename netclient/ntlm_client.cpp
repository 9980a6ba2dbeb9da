#include "netclient/ntlm_client.h"

namespace netclient {
namespace {

constexpr char kPackage[] = "NTLM";
constexpr ULONG kTokenBufferSize = 12000;

}  // namespace

NtlmClient::~NtlmClient() {
    if (!table_) return;
    if (hasContext_) table_->DeleteSecurityContext(&context_);
    if (hasCredential_) table_->FreeCredentialsHandle(&credential_);
}

bool NtlmClient::LoadLibrary() {
    if (table_) return true;
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!::GetVersionExA(&version)) return false;
    const char* name = nullptr;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        name = "security.dll";
    } else if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        name = "secur32.dll";
    } else {
        return false;
    }
    library_.Reset(::LoadLibraryA(name));
    if (!library_) return false;
    auto init = reinterpret_cast<INIT_SECURITY_INTERFACE_A>(
        reinterpret_cast<void*>(::GetProcAddress(library_.Get(), "InitSecurityInterfaceA")));
    table_ = init ? init() : nullptr;
    return table_ != nullptr;
}

bool NtlmClient::FirstToken(std::vector<uint8_t>& token) {
    if (hasContext_ || !LoadLibrary()) return false;
    TimeStamp expiry;
    SECURITY_STATUS status = table_->AcquireCredentialsHandleA(
        nullptr, const_cast<char*>(kPackage), SECPKG_CRED_OUTBOUND, nullptr, nullptr, nullptr,
        nullptr, &credential_, &expiry);
    if (status < 0) return false;
    hasCredential_ = true;
    return MakeToken(nullptr, token);
}

bool NtlmClient::NextToken(const std::vector<uint8_t>& challenge, std::vector<uint8_t>& token) {
    if (!hasContext_ || challenge.empty()) return false;
    return MakeToken(&challenge, token);
}

bool NtlmClient::MakeToken(const std::vector<uint8_t>* challenge, std::vector<uint8_t>& token) {
    std::vector<uint8_t> output(kTokenBufferSize);
    SecBuffer outBuffer = {kTokenBufferSize, SECBUFFER_TOKEN, output.data()};
    SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, &outBuffer};
    SecBuffer inBuffer = {};
    SecBufferDesc inDesc = {SECBUFFER_VERSION, 1, &inBuffer};
    if (challenge) {
        inBuffer.cbBuffer = static_cast<ULONG>(challenge->size());
        inBuffer.BufferType = SECBUFFER_TOKEN;
        inBuffer.pvBuffer = const_cast<uint8_t*>(challenge->data());
    }
    ULONG attributes = 0;
    TimeStamp expiry;
    SECURITY_STATUS status = table_->InitializeSecurityContextA(
        &credential_, hasContext_ ? &context_ : nullptr, nullptr, 0, 0, SECURITY_NATIVE_DREP,
        challenge ? &inDesc : nullptr, 0, &context_, &outDesc, &attributes, &expiry);
    if (status < 0) return false;
    hasContext_ = true;
    if (status == SEC_I_COMPLETE_NEEDED || status == SEC_I_COMPLETE_AND_CONTINUE) {
        if (table_->CompleteAuthToken(&context_, &outDesc) < 0) return false;
    }
    token.assign(output.begin(), output.begin() + outBuffer.cbBuffer);
    return !token.empty();
}

}  // namespace netclient
