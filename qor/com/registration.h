#pragma once
// Self-registration of the server: its ProgIDs, its class key and its type
// library.

#include <windows.h>

#include <string>

namespace qor {

class Registration {
public:
    static HRESULT Register(const std::string& modulePath);
    static HRESULT Unregister();
};

}  // namespace qor
