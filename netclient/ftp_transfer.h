#pragma once
// One file over FTP for one transfer thread: passive mode, image type,
// restart at the requested offset; directly, through an FTP proxy that takes
// "user@host" logins, or through SOCKS for both connections.

#include <cstdint>
#include <string>

#include "netclient/event_socket.h"
#include "netclient/ftp_reply.h"
#include "netclient/protocol_transfer.h"

namespace netclient {

class FtpTransfer : public ProtocolTransfer {
public:
    // Uses settings.ftpProxy.
    explicit FtpTransfer(const TransferSettings& settings);
    ~FtpTransfer() override;

    int Open(uint64_t offset) override;
    bool Read(char* buffer, size_t size, size_t& bytesRead) override;
    void Close() override;

private:
    int Fail();
    bool ConnectControl();
    bool ConnectData(const std::string& pasvText);
    bool ReadReply(int& code, std::string& text);
    bool Command(const std::string& command, int& code, std::string& text);

    EventSocket control_;
    EventSocket data_;
    FtpReplyReader replies_;
};

}  // namespace netclient
