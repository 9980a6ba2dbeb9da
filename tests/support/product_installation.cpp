#include "tests/support/product_installation.h"

#include <cstdio>

namespace testing_support {
namespace {

constexpr char kProductKey[] = "Software\\tolvane\\ZEMA";
constexpr char kMarkerKey[] = "SOFTWARE\\Zemaguard Sample\\Installed";
constexpr char kEngineClass[] = "{5B291E06-63F1-430B-BCD8-229CC4AEB411}";
constexpr char kDownloaderClass[] = "{DFC95C25-4E8D-41C3-98D7-B0E74E57CEE2}";

bool CopyTree(const std::string& from, const std::string& to) {
    ::CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA data;
    win::FindHandle find(::FindFirstFileA((from + "\\*").c_str(), &data));
    if (!find) return false;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        bool ok = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                      ? CopyTree(from + "\\" + name, to + "\\" + name)
                      : ::CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(),
                                    FALSE) != FALSE;
        if (!ok) return false;
    } while (::FindNextFileA(find.Get(), &data));
    return true;
}

bool ClassRegistered(const char* clsid) {
    win::RegKey key;
    return ::RegOpenKeyExA(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + clsid).c_str(), 0,
                           KEY_READ, key.Put()) == ERROR_SUCCESS;
}

}  // namespace

// Registers a server for the fixture's life; removes the registration again
// unless it was there before.
class ProductInstallation::ServerRegistration {
public:
    ServerRegistration(const std::string& dll, const char* clsid)
        : dll_(dll), wasRegistered_(ClassRegistered(clsid)) {
        ok_ = Call("DllRegisterServer");
    }
    ~ServerRegistration() {
        if (!wasRegistered_) Call("DllUnregisterServer");
    }
    bool Ok() const { return ok_; }

private:
    bool Call(const char* entry) const { return CallServerEntry(dll_, entry); }

    std::string dll_;
    bool wasRegistered_;
    bool ok_ = false;
};

ProductInstallation::ProductInstallation()
    : product_(HKEY_LOCAL_MACHINE, kProductKey), markers_(HKEY_LOCAL_MACHINE, kMarkerKey) {
    install_ = folder_.File("install");
    vdf_ = folder_.File("vdf");
    ::CreateDirectoryA(install_.c_str(), nullptr);
    WriteFileBytes(install_ + "\\res.xml", "<?xml version=\"1.0\"?>\r\n<Resource/>\r\n");
    markers_.DeleteAllValues();
    product_.DeleteAllValues();
    ready_ = CopyTree(BinaryFolder() + "\\sample", vdf_) &&
             SetRegString(HKEY_LOCAL_MACHINE, kProductKey, "InstallPath", install_) &&
             SetRegString(HKEY_LOCAL_MACHINE, kProductKey, "VDFPath", vdf_);
    engine_ = std::make_unique<ServerRegistration>(BinaryFolder() + "\\UpdateEngine.dll",
                                                   kEngineClass);
    downloader_ = std::make_unique<ServerRegistration>(BinaryFolder() + "\\QOR.dll",
                                                       kDownloaderClass);
    ready_ = ready_ && engine_->Ok() && downloader_->Ok();
    // Nothing the packages or the downloader leave behind may outlive the test.
    WritePrivateProfileStringA("General", "AutoCheckNewVersion", "0", ConfigIni().c_str());
}

ProductInstallation::~ProductInstallation() {
    downloader_.reset();
    engine_.reset();
}

std::string ProductInstallation::SamplePackage(int updateId) const {
    char name[64];
    snprintf(name, sizeof(name), "\\packages\\zg-kb%d.exe", updateId);
    return vdf_ + name;
}

bool ProductInstallation::MarkerSet(int updateId) {
    char name[32];
    snprintf(name, sizeof(name), "KB%d", updateId);
    DWORD value = 0;
    DWORD size = sizeof(value);
    return ::RegGetValueA(HKEY_LOCAL_MACHINE, kMarkerKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                          &size) == ERROR_SUCCESS &&
           value == 1;
}

}  // namespace testing_support
