#pragma once
// Keeps Winsock initialised for as long as the owner lives (WSAStartup is
// counted, so every socket owner may hold one).

#include <winsock2.h>

namespace netclient {

class WinsockSession {
public:
    WinsockSession() {
        WSADATA data;
        ok_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinsockSession() {
        if (ok_) ::WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;

    bool Ok() const { return ok_; }

private:
    bool ok_ = false;
};

}  // namespace netclient
