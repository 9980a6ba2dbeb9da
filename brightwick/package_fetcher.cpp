// Winsock 2 must come before <windows.h>.
#include "netclient/transfer.h"

#include "brightwick/package_fetcher.h"

#include <algorithm>
#include <vector>

#include "brightwick/cpr_file.h"
#include "netclient/url.h"
#include "win/unique_handle.h"

namespace brightwick {
namespace {

constexpr size_t kReadSize = 8192;
// A pause before each read keeps the progress messages from flooding the
// dialog and bounds what the updater takes from the line.
constexpr DWORD kReadPauseMs = 10;
constexpr int kMaxClientRedirects = 10;
constexpr char kPackageSuffix[] = ".cpr";

bool EndsWithPackageSuffix(const std::string& url) {
    size_t dot = url.rfind('.');
    return dot != std::string::npos && url.compare(dot, std::string::npos, kPackageSuffix) == 0;
}

}  // namespace

PackageFetcher::PackageFetcher(ProxySettings http, ProxySettings ftp, HANDLE cancelEvent,
                               std::atomic<uint32_t>& downloadedBytes,
                               std::function<void()> progress)
    : http_(std::move(http)),
      ftp_(std::move(ftp)),
      cancel_(cancelEvent),
      downloaded_(downloadedBytes),
      progress_(std::move(progress)) {}

bool PackageFetcher::Cancelled() const {
    return cancel_ && ::WaitForSingleObject(cancel_, 0) == WAIT_OBJECT_0;
}

netclient::TransferSettings PackageFetcher::SettingsFor(const std::string& url) const {
    netclient::TransferSettings settings;
    settings.url = url;
    settings.timeoutMs = kTimeoutMs;
    settings.stopEvent = cancel_;
    settings.enableRedirect = true;
    // An http address may redirect to an https one within the same client.
    if (netclient::GetUrlKind(url) == netclient::kUrlFtp) {
        settings.ftpProxy = ftp_.Endpoint(netclient::ProxyProtocol::kFtp);
    } else {
        settings.httpProxy = http_.Endpoint(netclient::ProxyProtocol::kHttp);
        settings.httpsProxy = http_.Endpoint(netclient::ProxyProtocol::kHttps);
    }
    return settings;
}

std::unique_ptr<netclient::Transfer> PackageFetcher::Open(std::string url, bool& retry) {
    for (int hop = 0; hop <= kMaxClientRedirects; ++hop) {
        int kind = netclient::GetUrlKind(url);
        // Only the network clients: a release never comes from a local path.
        if (kind != netclient::kUrlHttp && kind != netclient::kUrlHttps &&
            kind != netclient::kUrlFtp)
            return nullptr;
        std::unique_ptr<netclient::Transfer> transfer = netclient::MakeTransfer(SettingsFor(url));
        if (!transfer) return nullptr;
        int opened = transfer->Open(0);
        if (Cancelled()) {
            transfer->Close();
            retry = false;
            return nullptr;
        }
        if (opened == netclient::kRedirected) {
            url = transfer->Url();
            continue;
        }
        if (opened != netclient::kOpened) return nullptr;
        return transfer;
    }
    return nullptr;
}

bool PackageFetcher::Fetch(const std::string& url, const std::string& localFile, bool compressed,
                           bool& retry, const std::function<bool(const std::string&)>& checkPackage,
                           bool* refused) {
    downloaded_ = 0;
    retry = true;
    if (refused) *refused = false;
    std::unique_ptr<netclient::Transfer> transfer = Open(url, retry);
    if (!transfer) return false;

    std::string packagePath = localFile + kPackageSuffix;
    std::string writePath = EndsWithPackageSuffix(url) ? packagePath : localFile;
    uint64_t remaining = transfer->RemoteLength();
    win::FileHandle file(::CreateFileA(writePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || remaining == 0) {
        transfer->Close();
        return false;
    }
    std::vector<char> buffer(kReadSize);
    bool writeFailed = false;
    while (remaining > 0) {
        ::Sleep(kReadPauseMs);
        if (progress_) progress_();
        size_t want = static_cast<size_t>(std::min<uint64_t>(kReadSize, remaining));
        size_t got = 0;
        if (!transfer->Read(buffer.data(), want, got) || got == 0) break;
        DWORD wrote = 0;
        if (!::WriteFile(file.Get(), buffer.data(), static_cast<DWORD>(got), &wrote, nullptr) ||
            wrote != got) {
            writeFailed = true;
            break;
        }
        downloaded_ += static_cast<uint32_t>(got);
        remaining -= got;
        if (progress_) progress_();
        // A short read is only what the network had at hand; the end of the
        // data shows as a failed read.
    }
    transfer->Close();
    file.Reset();
    if (progress_) progress_();
    if (Cancelled()) retry = false;
    if (writeFailed || remaining != 0) {
        // A short download is never unpacked or left to look like a whole one.
        ::DeleteFileA(writePath.c_str());
        return false;
    }
    if (!compressed) return true;
    if (checkPackage && !checkPackage(packagePath)) {
        if (refused) *refused = true;
        return false;
    }
    if (!CprFile::UnpackFile(packagePath, localFile)) return false;
    ::DeleteFileA(packagePath.c_str());
    return true;
}

bool PackageFetcher::FetchToMemory(const std::string& url, size_t maxBytes, std::string& bytes,
                                   bool& retry) {
    bytes.clear();
    retry = true;
    std::unique_ptr<netclient::Transfer> transfer = Open(url, retry);
    if (!transfer) return false;
    uint64_t length = transfer->RemoteLength();
    if (length == 0 || length > maxBytes) {
        transfer->Close();
        return false;
    }
    bytes.resize(static_cast<size_t>(length));
    size_t done = 0;
    while (done < bytes.size()) {
        size_t got = 0;
        if (!transfer->Read(&bytes[done], bytes.size() - done, got) || got == 0) break;
        done += got;
    }
    transfer->Close();
    if (done != bytes.size()) {
        bytes.clear();
        return false;
    }
    return true;
}

}  // namespace brightwick
