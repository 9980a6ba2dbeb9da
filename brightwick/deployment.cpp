#include "brightwick/deployment.h"

#include <windows.h>

#include "netclient/file_checksum.h"
#include "netclient/file_utils.h"

namespace brightwick {
namespace {

constexpr int kCopyAttempts = 3;
constexpr DWORD kCopyPauseMs = 100;
constexpr int kRestoreAttempts = 5;
constexpr DWORD kRestorePauseMs = 200;
constexpr DWORD kFolderNotMade = static_cast<DWORD>(-1);

bool FileExists(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

Deployment::Deployment(std::string installFolder, std::string backupFolder)
    : installFolder_(std::move(installFolder)), backupFolder_(std::move(backupFolder)) {}

DWORD Deployment::CopyEntry(const FileEntry& entry) {
    if (!netclient::MakeFolderPath(entry.targetFolder)) return kFolderNotMade;
    DWORD error = 0;
    for (int attempt = 0; attempt < kCopyAttempts; ++attempt) {
        if (attempt > 0) ::Sleep(kCopyPauseMs);
        if (::CopyFileA(entry.localFile.c_str(), entry.targetFile.c_str(), FALSE)) {
            error = 0;
            if (netclient::FileChecksum::OfFile(entry.targetFile) == entry.item.md5) break;
        } else {
            error = ::GetLastError();
            if (error == 0) error = ERROR_GEN_FAILURE;
        }
    }
    return error;
}

int Deployment::Deploy(const std::vector<FileEntry>& entries,
                       const std::function<void(size_t)>& copied) {
    replaced_.clear();
    madeFolders_.clear();
    for (size_t i = 0; i < entries.size(); ++i) {
        const FileEntry& entry = entries[i];
        if (!MakeFolders(entry.targetFolder) || !KeepAside(entry) || CopyEntry(entry) != 0) {
            RollBack();
            return kDeployFailed;
        }
        if (copied) copied(i);
    }
    return kDeployed;
}

bool Deployment::KeepAside(const FileEntry& entry) {
    for (const Replaced& done : replaced_)
        if (lstrcmpiA(done.target.c_str(), entry.targetFile.c_str()) == 0) return true;
    Replaced record;
    record.target = entry.targetFile;
    if (FileExists(entry.targetFile)) {
        if (!netclient::MakeFolderPath(backupFolder_)) return false;
        record.backup = backupFolder_ + "\\" + std::to_string(replaced_.size());
        if (!::CopyFileA(entry.targetFile.c_str(), record.backup.c_str(), FALSE)) return false;
    }
    // Recorded before the copy: a copy that fails half-way may still have
    // changed the target.
    replaced_.push_back(record);
    return true;
}

bool Deployment::MakeFolders(const std::string& folder) {
    // Note each level that does not exist yet, so a rollback removes it.
    std::vector<std::string> missing;
    std::string level = folder;
    while (level.size() > installFolder_.size() && !netclient::FolderExists(level)) {
        missing.push_back(level);
        size_t slash = level.find_last_of('\\');
        if (slash == std::string::npos) break;
        level.resize(slash);
    }
    if (!netclient::MakeFolderPath(folder)) {
        for (auto it = missing.rbegin(); it != missing.rend(); ++it)
            if (netclient::FolderExists(*it)) madeFolders_.push_back(*it);
        return false;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) madeFolders_.push_back(*it);
    return true;
}

void Deployment::RollBack() {
    for (auto it = replaced_.rbegin(); it != replaced_.rend(); ++it) {
        for (int attempt = 0; attempt < kRestoreAttempts; ++attempt) {
            if (attempt > 0) ::Sleep(kRestorePauseMs);
            bool restored = it->backup.empty()
                                ? (::DeleteFileA(it->target.c_str()) ||
                                   ::GetLastError() == ERROR_FILE_NOT_FOUND)
                                : ::CopyFileA(it->backup.c_str(), it->target.c_str(), FALSE) != 0;
            if (restored) break;
        }
    }
    for (auto it = madeFolders_.rbegin(); it != madeFolders_.rend(); ++it)
        ::RemoveDirectoryA(it->c_str());
    replaced_.clear();
    madeFolders_.clear();
}

}  // namespace brightwick
