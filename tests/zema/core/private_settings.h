#pragma once
// A settings store on a private installation: its own temporary install and
// VDF folders and its own registry key, all removed afterwards.

#include <memory>
#include <string>

#include "tests/support/test_support.h"
#include "zema/core/settings_store.h"

namespace zema {

class PrivateSettings {
public:
    PrivateSettings() {
        using namespace testing_support;
        install_ = folder_.File("install");
        CreateDirectoryA(install_.c_str(), nullptr);
        CreateDirectoryA(folder_.File("vdf").c_str(), nullptr);
        WriteFileBytes(install_ + "\\res.xml", "<res/>");
        location_.root = key_.Root();
        location_.productKey = key_.Sub("ZEMA");
        location_.runKey = key_.Sub("Run");
        SetRegString(location_.root, location_.productKey, "InstallPath", install_);
        SetRegString(location_.root, location_.productKey, "VDFPath", folder_.File("vdf"));
        store_ = std::make_unique<SettingsStore>(location_);
        loaded_ = store_->Load();
    }

    bool Loaded() const { return loaded_; }
    SettingsStore& Store() { return *store_; }
    const SettingsLocation& Location() const { return location_; }
    const std::string& InstallFolder() const { return install_; }
    testing_support::TempFolder& Folder() { return folder_; }
    testing_support::TestRegistryKey& Key() { return key_; }

private:
    testing_support::TempFolder folder_;
    testing_support::TestRegistryKey key_;
    SettingsLocation location_;
    std::string install_;
    std::unique_ptr<SettingsStore> store_;
    bool loaded_ = false;
};

}  // namespace zema
