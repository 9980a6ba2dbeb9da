#include "netclient/file_transfer.h"
#include "netclient/transfer.h"
#include "netclient/url.h"

namespace netclient {

std::unique_ptr<Transfer> MakeTransfer(const TransferSettings& settings) {
    switch (GetUrlKind(settings.url)) {
    case kUrlFile:
        return std::make_unique<FileTransfer>(settings);
    default:
        // The HTTP and FTP clients plug in here.
        return nullptr;
    }
}

}  // namespace netclient
