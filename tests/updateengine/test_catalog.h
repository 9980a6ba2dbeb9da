#pragma once
// Small catalogs for tests: the fixed tables every update refers to, and
// updates that install one of the sample packages.

#include <cstdint>
#include <string>

namespace updateengine_test {

constexpr char kMarkerKey[] = "SOFTWARE\\Zemaguard Sample\\Installed";

// One update with one point (ID updateId + 200000), installed when the
// package's marker value exists.
struct TestUpdate {
    int32_t id = 500102;
    std::string checkValue = "0123456789ABCDEF";
    std::string arguments = "/quiet";
    std::string downloadUrl = "packages\\zg-kb500102.exe";
    std::string marker = "KB500102";
    int reboot = 1;
    std::string pointChildren;  // e.g. <Supersedes Point="..."/>
};

std::string UpdateXml(const TestUpdate& update);

// A whole catalog holding the given Update elements.
std::string CatalogXml(const std::string& updates);

// The sample folder the build writes (catalog.xml and packages\).
std::string SampleFolder();
std::string SamplePackage(const std::string& updateName);  // e.g. "KB500102"

// The package's FileChecksum; empty when it cannot be read.
std::string PackageChecksum(const std::string& path);

}  // namespace updateengine_test
