#pragma once
// Starts the self-updater from a copy in the temporary work folder, so that
// it can replace the installed Brightwick.exe while it runs.

#include <string>

namespace zema {

class BrightwickLauncher {
public:
    virtual ~BrightwickLauncher() = default;
    // `switchText` is "-auto" or "-manual". Failures are silent by design.
    virtual bool Start(const std::string& switchText) = 0;
};

class FileBrightwickLauncher : public BrightwickLauncher {
public:
    FileBrightwickLauncher(std::string installFolder, std::string tempWorkFolder);
    bool Start(const std::string& switchText) override;

private:
    std::string installFolder_;
    std::string tempWorkFolder_;
};

}  // namespace zema
