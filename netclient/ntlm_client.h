#pragma once
// NTLM tokens from the system's security package, with the logged-on
// user's own credentials. The handles live until the client is destroyed.

#include <windows.h>
#define SECURITY_WIN32
#include <security.h>

#include <cstdint>
#include <vector>

#include "win/unique_handle.h"

namespace netclient {

class NtlmClient {
public:
    NtlmClient() = default;
    ~NtlmClient();
    NtlmClient(const NtlmClient&) = delete;
    NtlmClient& operator=(const NtlmClient&) = delete;

    // The negotiate message.
    bool FirstToken(std::vector<uint8_t>& token);
    // The authenticate message answering the server's challenge.
    bool NextToken(const std::vector<uint8_t>& challenge, std::vector<uint8_t>& token);

private:
    bool LoadLibrary();
    bool MakeToken(const std::vector<uint8_t>* challenge, std::vector<uint8_t>& token);

    win::Module library_;
    PSecurityFunctionTableA table_ = nullptr;
    CredHandle credential_ = {};
    bool hasCredential_ = false;
    CtxtHandle context_ = {};
    bool hasContext_ = false;
};

}  // namespace netclient
