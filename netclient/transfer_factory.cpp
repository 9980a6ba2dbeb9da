// The socket clients come first: Winsock 2 must precede <windows.h>.
#include "netclient/ftp_transfer.h"
#include "netclient/http_transfer.h"

#include "netclient/file_transfer.h"
#include "netclient/transfer.h"
#include "netclient/url.h"

namespace netclient {

std::unique_ptr<Transfer> MakeTransfer(const TransferSettings& settings) {
    switch (GetUrlKind(settings.url)) {
    case kUrlHttp:
    case kUrlHttps: return std::make_unique<HttpTransfer>(settings);
    case kUrlFtp: return std::make_unique<FtpTransfer>(settings);
    case kUrlFile: return std::make_unique<FileTransfer>(settings);
    default: return nullptr;
    }
}

}  // namespace netclient
