#pragma once
// The file list of one release: which files make up the version, where they
// lie on the server and where they go in the installation folder.

#include <windows.h>
#include <msxml2.h>

#include <cstdint>
#include <string>
#include <vector>

namespace brightwick {

// Results of reading a file list, as the upgrade reports them.
constexpr int kListRead = 1;
constexpr int kListNotLoadable = -5;
constexpr int kListRejected = -6;

// One File element of the list.
struct FileListItem {
    std::string name;
    std::string path;  // relative folder, may be empty
    uint64_t size = 0;
    uint32_t dlsize = 0;
    bool compressed = false;
    std::string md5;   // FileChecksum of the final file, compared as written
};

struct FileList {
    std::string version;  // the FileList element's "version", empty without one
    std::vector<FileListItem> items;
};

// One file to fetch and deploy, with the places derived from its item.
struct FileEntry {
    FileListItem item;
    std::string downloadUrl;
    std::string localFile;     // flat in the release folder
    std::string targetFolder;
    std::string targetFile;
};

// Whether a list's name and path stay inside the installation folder: no
// absolute path or drive, no "." or ".." step, no device name, no stream,
// no character Windows refuses in a file name.
bool IsSafeFileName(const std::string& name);
bool IsSafeRelativeFolder(const std::string& path);

// Reads every File element in document order. kListRejected for a missing
// FileList element, no File element, an attribute missing or not a number, a
// name or path that would leave the installation folder, or two entries with
// the same name (they would overwrite each other in the release folder).
int ReadFileList(IXMLDOMDocument* document, FileList& list);
// Loads and reads a list file; kListNotLoadable when it is not XML.
int LoadFileList(const std::string& path, FileList& list);

// The entry of an item for a release (`baseUrl` without trailing "/").
FileEntry MakeEntry(const FileListItem& item, const std::string& baseUrl,
                    const std::string& releaseDir, const std::string& installFolder);

// Keeps the entries whose installed file differs from the list or cannot be
// read.
std::vector<FileEntry> ChangedEntries(const FileList& list, const std::string& baseUrl,
                                      const std::string& releaseDir,
                                      const std::string& installFolder);

}  // namespace brightwick
