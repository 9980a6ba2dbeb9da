#include "tests/updateengine/test_catalog.h"

#include <cctype>

#include "tests/support/test_support.h"
#include "updateengine/package_checksum.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace updateengine_test {

std::string UpdateXml(const TestUpdate& u) {
    std::string id = std::to_string(u.id);
    return "<Update ID=\"" + id + "\" Title=\"Update " + id + "\" Size=\"1000\" Language=\"1033\""
           " Reboot=\"" + std::to_string(u.reboot) + "\" DownloadURL=\"" + u.downloadUrl +
           "\" CheckValue=\"" + u.checkValue + "\" Arguments=\"" + u.arguments + "\">"
           "<Detection><Installed><RegistryValue Key=\"" + kMarkerKey + "\" Name=\"" + u.marker +
           "\"/></Installed></Detection>"
           "<UpdatePoint ID=\"" + std::to_string(u.id + 200000) + "\" Bulletin=\"1001\""
           " Software=\"201\" Component=\"301\" Severity=\"4\" Categories=\"10;40;\">" +
           u.pointChildren + "</UpdatePoint></Update>";
}

std::string CatalogXml(const std::string& updates) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<UpdateCatalog Version=\"1\" Language=\"1033\">"
           "<Products><Product ID=\"10\" Name=\"Quillon Desktop\"/></Products>"
           "<Impacts><Impact ID=\"1\" Name=\"Remote Code Execution\"/></Impacts>"
           "<Languages><Language ID=\"1033\" Name=\"English\"/></Languages>"
           "<Severities><Severity ID=\"4\" Name=\"Critical\"/></Severities>"
           "<SoftwareList><Software ID=\"201\" Name=\"Quillon Desktop 7\"/>"
           "<Component ID=\"301\" Name=\"Print Spooler Service\"/></SoftwareList>"
           "<Vulnerabilities><Vulnerability ID=\"9001\" Name=\"CVE-2091-30101\">"
           "<Paragraph>First.</Paragraph><Paragraph>Second.</Paragraph></Vulnerability>"
           "</Vulnerabilities>"
           "<Bulletins><Bulletin ID=\"1001\" Name=\"ZSB91-001\" Date=\"2091-02-10\""
           " Publisher=\"Quillon Software\" Impact=\"1\" WebPage=\"https://quillon.example/1\">"
           "<KnowledgeBase>500101</KnowledgeBase><Brief>Brief text</Brief>"
           "<Vulnerability ID=\"9001\"/></Bulletin></Bulletins>"
           "<Updates>" + updates + "</Updates></UpdateCatalog>";
}

std::string SampleFolder() { return testing_support::BinaryFolder() + "\\sample"; }

std::string SamplePackage(const std::string& updateName) {
    std::string lower;
    for (char c : updateName) lower += static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return SampleFolder() + "\\packages\\zg-" + lower + ".exe";
}

std::string PackageChecksum(const std::string& path) {
    win::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    std::wstring checksum;
    if (!file || FAILED(updateengine::ComputeFileChecksum(file.Get(), checksum))) return "";
    return win::WideToAnsi(checksum);
}

}  // namespace updateengine_test
