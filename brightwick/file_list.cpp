#include "brightwick/file_list.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

#include "netclient/file_checksum.h"
#include "netclient/text_util.h"
#include "win/com.h"
#include "win/text.h"
#include "win/xml.h"

namespace brightwick {
namespace {

constexpr size_t kMaxNameLength = 255;
constexpr size_t kMaxFolderLength = 200;
constexpr char kRefusedCharacters[] = "<>:\"/\\|?*";

bool IsDeviceName(const std::string& name) {
    // Windows opens the device whatever extension follows the base name.
    std::string base = netclient::ToLower(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    static const char* const kDevices[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
    for (const char* device : kDevices)
        if (base == device) return true;
    if (base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0) &&
        base[3] >= '0' && base[3] <= '9')
        return true;
    return false;
}

bool ParseDecimal(const std::wstring& text, uint64_t limit, uint64_t& value) {
    if (text.empty() || text.size() > 20) return false;
    uint64_t result = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        uint64_t digit = static_cast<uint64_t>(c - L'0');
        if (result > (limit - digit) / 10) return false;
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

bool ReadItem(IXMLDOMElement* element, FileListItem& item) {
    std::wstring name, path, size, dlsize, compress, md5;
    if (!win::ReadAttribute(element, L"name", name) || !win::ReadAttribute(element, L"path", path) ||
        !win::ReadAttribute(element, L"size", size) ||
        !win::ReadAttribute(element, L"dlsize", dlsize) ||
        !win::ReadAttribute(element, L"compress", compress) ||
        !win::ReadAttribute(element, L"md5", md5))
        return false;
    uint64_t sizeValue = 0, dlsizeValue = 0, compressValue = 0;
    if (!ParseDecimal(size, UINT64_MAX, sizeValue) || !ParseDecimal(dlsize, UINT32_MAX, dlsizeValue) ||
        !ParseDecimal(compress, UINT32_MAX, compressValue))
        return false;
    item.name = win::WideToAnsi(name);
    item.path = win::WideToAnsi(path);
    // A name that does not survive the code page would name another file.
    if (win::AnsiToWide(item.name) != name || win::AnsiToWide(item.path) != path) return false;
    item.size = sizeValue;
    item.dlsize = static_cast<uint32_t>(dlsizeValue);
    item.compressed = compressValue != 0;
    item.md5 = win::WideToAnsi(md5);
    return IsSafeFileName(item.name) && IsSafeRelativeFolder(item.path);
}

}  // namespace

bool IsSafeFileName(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameLength) return false;
    if (name == "." || name == "..") return false;
    for (unsigned char c : name)
        if (c < 0x20 || strchr(kRefusedCharacters, c)) return false;
    // Windows drops trailing dots and blanks, so "a.exe." would be "a.exe".
    if (name.back() == '.' || name.back() == ' ') return false;
    return !IsDeviceName(name);
}

bool IsSafeRelativeFolder(const std::string& path) {
    if (path.empty()) return true;
    if (path.size() > kMaxFolderLength) return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("/\\", start);
        if (end == std::string::npos) end = path.size();
        // An empty step is a leading separator (rooted or UNC) or "a//b".
        if (!IsSafeFileName(path.substr(start, end - start))) return false;
        start = end + 1;
    }
    return true;
}

int ReadFileList(IXMLDOMDocument* document, FileList& out) {
    out = FileList();
    FileList list;
    if (!document) return kListRejected;
    win::ComPtr<IXMLDOMNode> root;
    if (document->selectSingleNode(win::Bstr(L"FileList").Get(), root.GetAddressOf()) != S_OK || !root)
        return kListRejected;
    win::ComPtr<IXMLDOMElement> rootElement;
    if (SUCCEEDED(root->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(rootElement.GetAddressOf())))) {
        std::wstring version;
        if (win::ReadAttribute(rootElement.Get(), L"version", version))
            list.version = win::WideToAnsi(version);
    }
    win::ComPtr<IXMLDOMNodeList> files;
    if (FAILED(document->selectNodes(win::Bstr(L"//File").Get(), files.GetAddressOf())) || !files)
        return kListRejected;
    long count = 0;
    if (FAILED(files->get_length(&count)) || count <= 0) return kListRejected;

    std::set<std::string> names;
    for (long i = 0; i < count; ++i) {
        win::ComPtr<IXMLDOMNode> node;
        win::ComPtr<IXMLDOMElement> element;
        if (files->get_item(i, node.GetAddressOf()) != S_OK || !node ||
            FAILED(node->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(element.GetAddressOf()))))
            return kListRejected;
        FileListItem item;
        if (!ReadItem(element.Get(), item)) return kListRejected;
        // The file system ignores case, so "A.dll" and "a.dll" are one file.
        if (!names.insert(netclient::ToLower(item.name)).second) return kListRejected;
        list.items.push_back(std::move(item));
    }
    out = std::move(list);
    return kListRead;
}

int LoadFileList(const std::string& path, FileList& list) {
    list = FileList();
    win::ComPtr<IXMLDOMDocument> document;
    if (FAILED(win::LoadXmlFile(win::AnsiToWide(path), document))) return kListNotLoadable;
    return ReadFileList(document.Get(), list);
}

FileEntry MakeEntry(const FileListItem& item, const std::string& baseUrl,
                    const std::string& releaseDir, const std::string& installFolder) {
    FileEntry entry;
    entry.item = item;
    entry.downloadUrl = baseUrl + "/" + (item.path.empty() ? "" : item.path + "/") + item.name +
                        (item.compressed ? ".cpr" : "");
    entry.localFile = releaseDir + "\\" + item.name;
    entry.targetFolder = installFolder + "\\" + item.path;
    for (char& c : entry.targetFolder)
        if (c == '/') c = '\\';
    while (!entry.targetFolder.empty() && entry.targetFolder.back() == '\\')
        entry.targetFolder.pop_back();
    entry.targetFile = entry.targetFolder + "\\" + item.name;
    return entry;
}

std::vector<FileEntry> ChangedEntries(const FileList& list, const std::string& baseUrl,
                                      const std::string& releaseDir,
                                      const std::string& installFolder) {
    std::vector<FileEntry> entries;
    for (const FileListItem& item : list.items) {
        FileEntry entry = MakeEntry(item, baseUrl, releaseDir, installFolder);
        std::string installed = netclient::FileChecksum::OfFile(entry.targetFile);
        if (installed.empty() || installed != item.md5) entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace brightwick
