#pragma once
// A Transfer that copies a file reached by path: a local file or one on a
// network share, given as a path or a file URL.

#include <windows.h>

#include <string>

#include "netclient/transfer.h"
#include "win/unique_handle.h"

namespace netclient {

class FileTransfer : public Transfer {
public:
    // Failures of Open besides kOpenFailed.
    enum FileOpenResult {
        kConnectFailed = -2,      // the share refused the connection
        kOpenAfterConnect = -3,   // still unreadable once connected
        kSeekFailed = -4,
        kNotFound = -5,           // unreadable and not on a share
    };

    explicit FileTransfer(const TransferSettings& settings);
    ~FileTransfer() override;
    FileTransfer(const FileTransfer&) = delete;
    FileTransfer& operator=(const FileTransfer&) = delete;

    int Open(uint64_t offset) override;
    bool Read(char* buffer, size_t size, size_t& bytesRead) override;
    void Close() override;

    uint64_t RemoteLength() const override { return length_; }
    FILETIME RemoteTime() const override { return time_; }
    bool OffsetHonoured() const override { return honoured_; }
    const std::string& Url() const override { return settings_.url; }

    const std::string& Path() const { return path_; }
    const std::string& ShareRoot() const { return shareRoot_; }

    // "\\server" of a UNC path (the text before the first "\" at least four
    // characters after the "\\"), or empty.
    static std::string ShareRootOf(const std::string& path);

private:
    HANDLE OpenSource() const;
    void CancelConnection();

    TransferSettings settings_;
    std::string path_;
    std::string shareRoot_;
    win::FileHandle file_;
    bool connected_ = false;
    uint64_t length_ = 0;
    FILETIME time_ = {0, 0};
    bool honoured_ = false;
};

}  // namespace netclient
