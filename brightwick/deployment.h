#pragma once
// Copies the verified files of a release into the installation folder, all
// or nothing: every file it replaces is kept aside first, and a copy that
// fails part-way puts back every file and folder as it was.

#include <functional>
#include <string>
#include <vector>

#include "brightwick/file_list.h"

namespace brightwick {

constexpr int kDeployed = 1;
constexpr int kDeployFailed = -7;

class Deployment {
public:
    // `backupFolder` receives the replaced files; it is made when needed.
    Deployment(std::string installFolder, std::string backupFolder);

    // Copies each entry in order, calling `copied(index)` after each. On the
    // first failure everything is rolled back and kDeployFailed returned.
    int Deploy(const std::vector<FileEntry>& entries,
               const std::function<void(size_t)>& copied);

    // Copies one entry; 0, -1 when its folder cannot be made, or the system
    // error of the last copy attempt.
    static DWORD CopyEntry(const FileEntry& entry);

private:
    struct Replaced {
        std::string target;
        std::string backup;  // empty when the target did not exist before
    };

    bool KeepAside(const FileEntry& entry);
    bool MakeFolders(const std::string& folder);
    void RollBack();

    std::string installFolder_;
    std::string backupFolder_;
    std::vector<Replaced> replaced_;
    std::vector<std::string> madeFolders_;  // in the order they were made
};

}  // namespace brightwick
