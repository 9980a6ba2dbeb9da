#include "netclient/ftp_transfer.h"

#include <cinttypes>
#include <cstdio>

namespace netclient {
namespace {

constexpr size_t kReplyReceiveSize = 1023;
constexpr int kMaxPreliminaryGreetings = 8;

}  // namespace

FtpTransfer::FtpTransfer(const TransferSettings& settings)
    : ProtocolTransfer(settings, settings.ftpProxy),
      control_(settings.stopEvent, settings.timeoutMs),
      data_(settings.stopEvent, settings.timeoutMs) {}

FtpTransfer::~FtpTransfer() { Close(); }

int FtpTransfer::Open(uint64_t offset) {
    if (open_) return kOpened;
    offsetHonoured_ = false;
    replies_ = FtpReplyReader();
    if (!CrackCurrentUrl() || target_.kind != kUrlFtp) return Fail();
    if (userName_.empty()) userName_ = "anonymous";
    if (!ConnectControl()) return Fail();

    int code = 0;
    std::string text;
    // "120 ready in n minutes" may come before the greeting.
    for (int i = 0; i < kMaxPreliminaryGreetings; ++i) {
        if (!ReadReply(code, text)) return Fail();
        if (code != 120) break;
    }
    if (code != 220) return Fail();
    std::string user = proxy_.kind == kProxyFtp ? userName_ + "@" + target_.host : userName_;
    if (!Command("USER " + user, code, text) || code != 331) return Fail();
    if (!Command("PASS " + password_, code, text) || code != 230) return Fail();
    if (!Command("TYPE I", code, text) || code != 200) return Fail();

    uint64_t size = 0;
    if (!Command("SIZE " + target_.path, code, text) || code != 213 || !ParseFtpSize(text, size) ||
        size == 0 || size <= offset)
        return Fail();
    remoteLength_ = size;

    // Servers without MDTM answer 500 or 502: the file then has no known time.
    if (!Command("MDTM " + target_.path, code, text)) return Fail();
    FILETIME time;
    if (code == 213 && ParseMdtmTime(text, time)) remoteTime_ = time;

    if (!Command("PASV", code, text) || (code != 227 && code != 200) || !ConnectData(text))
        return Fail();
    char rest[48];
    snprintf(rest, sizeof(rest), "REST %" PRIu64, offset);
    if (!Command(rest, code, text) || code != 350) return Fail();
    offsetHonoured_ = true;
    if (!Command("RETR " + target_.path, code, text) || (code != 125 && code != 150))
        return Fail();
    open_ = true;
    return kOpened;
}

bool FtpTransfer::Read(char* buffer, size_t size, size_t& bytesRead) {
    bytesRead = 0;
    if (!open_) return false;
    int received = data_.Receive(buffer, size);
    if (received <= 0) return false;
    bytesRead = static_cast<size_t>(received);
    return true;
}

void FtpTransfer::Close() {
    if (control_.IsOpen()) control_.SendAll("ABORT\r\n");
    data_.Close();
    control_.Close();
    open_ = false;
}

int FtpTransfer::Fail() {
    Close();
    offsetHonoured_ = false;
    return kOpenFailed;
}

bool FtpTransfer::ConnectControl() {
    if (proxy_.kind == kProxyFtp) return control_.ConnectByName(proxy_.host, proxy_.port);
    return ConnectDirectOrSocks(control_, target_.host, target_.port);
}

bool FtpTransfer::ConnectData(const std::string& pasvText) {
    uint32_t ignoredAddress = 0;
    uint16_t port = 0;
    if (!ParsePasvAddress(pasvText, ignoredAddress, port)) return false;
    // The reply's address is never followed: a hostile server could aim the
    // data connection at any host and port (the bounce route). The data goes
    // where the control connection went, with the reply's port.
    if (proxy_.kind == kProxySocks4 || proxy_.kind == kProxySocks4a || proxy_.kind == kProxySocks5)
        return ConnectDirectOrSocks(data_, target_.host, port);
    uint32_t controlPeer = 0;
    return control_.PeerAddress(controlPeer) && data_.Connect(controlPeer, port);
}

bool FtpTransfer::ReadReply(int& code, std::string& text) {
    while (!replies_.Next(code, text)) {
        char buffer[kReplyReceiveSize];
        int received = control_.Receive(buffer, sizeof(buffer));
        if (received <= 0 || !replies_.Append(buffer, static_cast<size_t>(received))) return false;
    }
    return true;
}

bool FtpTransfer::Command(const std::string& command, int& code, std::string& text) {
    return control_.SendAll(command + "\r\n") && ReadReply(code, text);
}

}  // namespace netclient
